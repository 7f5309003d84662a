// Painting the evidence sheet with libqrencode's modules and the page face of the transcript.
#include "transcript/SheetPage.h"

#include "transcript/word/PageFont.h"
#include "transcript/word/Printing.h"

#include "platform/DurableFile.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <qrencode.h>

#include <algorithm>
#include <memory>

namespace sheet {

namespace {

const QString kTitle = QStringLiteral("证据校验单");
// Points: the transcript's margins (PageSetup's twips / 20) on A4.
constexpr qreal kLeft = 68;
constexpr qreal kTop = 74;
constexpr qreal kWidth = 595 - kLeft - 57;
constexpr qreal kQrSide = 170;
// libqrencode's version 0: the smallest symbol that holds the text.
constexpr int kAnyVersion = 0;
// Modules of blank border every reader needs around a symbol.
constexpr int kQuietZone = 4;

struct QrDeleter {
    void operator()(QRcode* code) const { QRcode_free(code); }
};
using QrCode = std::unique_ptr<QRcode, QrDeleter>;

// Error correction M keeps the symbol readable with a fold or a stain across a seventh of it.
QrCode encode(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return QrCode(QRcode_encodeData(int(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.constData()),
                                    kAnyVersion, QR_ECLEVEL_M));
}

QString sizeText(qint64 bytes) {
    return QStringLiteral("%1 字节").arg(bytes);
}

QString durationText(qint64 seconds) {
    return seconds < 0 ? QStringLiteral("不详")
                       : QStringLiteral("%1分%2秒").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString kindText(const QString& kind) {
    if (kind == kDocument)
        return QStringLiteral("笔录文件");
    if (kind == kTemplate)
        return QStringLiteral("笔录模板");
    if (kind == kRecording)
        return QStringLiteral("录音");
    return kind == kCapture ? QStringLiteral("录像") : kind;
}

// The sheet's lines as printed, the heading first.
QStringList pageLines(const Sheet& s) {
    QStringList lines{QStringLiteral("笔录：%1").arg(s.inquiry),
                      QStringLiteral("询问日期：%1　　工作单位：%2").arg(s.date, s.unit),
                      QStringLiteral("被询问人：%1　　询问人：%2").arg(s.interviewee, s.officers), QString()};
    for (const SheetFile& file : s.files) {
        QString line = QStringLiteral("%1：%2　大小 %3").arg(kindText(file.kind), file.name, sizeText(file.size));
        if (file.kind == kRecording || file.kind == kCapture)
            line += QStringLiteral("　开始 %1　时长 %2")
                        .arg(file.starts.isEmpty() ? QStringLiteral("不详") : file.starts, durationText(file.seconds));
        lines << line << QStringLiteral("　　SHA-256 %1").arg(file.sha256);
    }
    lines << QString()
          << QStringLiteral("保管记录链头：%1").arg(s.head.isEmpty() ? QStringLiteral("（保管记录为空）") : s.head)
          << (s.headTime.isEmpty() ? QStringLiteral("　　没有可信时间戳")
                                   : QStringLiteral("　　可信时间戳：%1").arg(s.headTime));
    return lines;
}

const QStringList kSignatures = {
    QStringLiteral("被询问人签名：____________________　　日期：______年____月____日"),
    QStringLiteral("询问人签名：______________________　　日期：______年____月____日"),
};

// Beside the symbol: what it holds and how it is checked.
QString qrCaption() {
    return QStringLiteral("二维码里是本单所列事实的文字（第一行“%1”），可用 quillon verify 核对移交的文件。")
        .arg(kFirstLine);
}

void paintQr(QPainter& painter, const QRcode& code, const QRectF& square) {
    const qreal module = square.width() / (code.width + 2 * kQuietZone);
    painter.fillRect(square, Qt::white);
    for (int y = 0; y < code.width; ++y)
        for (int x = 0; x < code.width; ++x)
            if (code.data[y * code.width + x] & 1)
                painter.fillRect(QRectF(square.left() + (x + kQuietZone) * module,
                                        square.top() + (y + kQuietZone) * module, module, module),
                                 Qt::black);
}

// Paints the page in points from the paper's top left corner, on a painter scaled from the device's
// pixels to points; a font's points are the device's own, so they are given at 72 / its resolution.
void paintPage(QPainter& painter, const QStringList& lines, const QRcode& code, const QString& family,
               qreal fontScale) {
    QFont title(family);
    title.setPointSizeF(18 * fontScale);
    title.setBold(true);
    painter.setFont(title);
    qreal y = kTop;
    const QRectF heading(kLeft, y, kWidth, 30);
    painter.drawText(heading, Qt::AlignHCenter | Qt::AlignTop, kTitle);
    y += 40;
    QFont body(family);
    body.setPointSizeF(10.5 * fontScale);
    painter.setFont(body);
    for (const QString& line : lines) {
        const QRectF box = painter.boundingRect(QRectF(kLeft, y, kWidth, 200), Qt::TextWordWrap, line);
        painter.drawText(QRectF(kLeft, y, kWidth, box.height()), Qt::TextWordWrap, line);
        y += std::max<qreal>(box.height(), 14) + 3;
    }
    y += 10;
    paintQr(painter, code, QRectF(kLeft, y, kQrSide, kQrSide));
    painter.drawText(QRectF(kLeft + kQrSide + 14, y, kWidth - kQrSide - 14, kQrSide), Qt::TextWordWrap, qrCaption());
    y += kQrSide + 30;
    for (const QString& line : kSignatures) {
        painter.drawText(QPointF(kLeft, y), line);
        y += 36;
    }
}

} // namespace

std::optional<QByteArray> sheetPdf(const Sheet& s, QString* error) {
    // A sheet with more evidence than one symbol holds keeps every file's size and SHA-256, and gives
    // its start and length on the paper only.
    QrCode code = encode(sheetText(s));
    if (!code)
        code = encode(sheetText(s, true));
    if (!code) {
        *error = QStringLiteral("证据文件太多，二维码装不下（%1 个文件）").arg(s.files.size());
        return std::nullopt;
    }
    const QStringList lines = pageLines(s);
    // The page face holds the glyphs of exactly what the page shows, as the transcript's PDF does.
    word::Document glyphs;
    glyphs.paragraphs.first().runs << word::Run{
        kTitle + lines.join(QString()) + qrCaption() + kSignatures.join(QString()), {}};
    const word::PageFace face(glyphs);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(kTitle);
    QPainter painter;
    if (!painter.begin(&writer)) {
        *error = QStringLiteral("无法绘制证据校验单的页面");
        return std::nullopt;
    }
    const qreal pointsToPixels = writer.resolution() / 72.0;
    painter.scale(pointsToPixels, pointsToPixels);
    paintPage(painter, lines, *code, face.family(), 1 / pointsToPixels);
    if (!painter.end()) {
        *error = QStringLiteral("无法绘制证据校验单的页面");
        return std::nullopt;
    }
    return buffer.data();
}

bool printSheet(const Sheet& s, const QString& printer, const QString& pdf, QString* error) {
    const std::optional<QByteArray> bytes = sheetPdf(s, error);
    if (!bytes)
        return false;
    if (!pdf.isEmpty()) {
        const durable::Result written = durable::writeFile(pdf, *bytes);
        if (!written)
            *error = QStringLiteral("无法写入文件 <%1>：%2").arg(pdf, written.text());
        return bool(written);
    }
    const QTemporaryDir work;
    const QString path = work.filePath(kTitle + QStringLiteral(".pdf"));
    if (const durable::Result written = durable::writeFile(path, *bytes); !work.isValid() || !written) {
        *error = QStringLiteral("无法写入临时文件 <%1>：%2").arg(path, written.text());
        return false;
    }
    return word::printPdfFile(path, kTitle, {printer, QString()}, error);
}

} // namespace sheet
