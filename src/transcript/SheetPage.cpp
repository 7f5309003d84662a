// Painting the evidence sheet with libqrencode's modules and the page face of the transcript.
#include "transcript/SheetPage.h"

#include "transcript/word/MemoryPdf.h"
#include "transcript/word/PageFont.h"
#include "transcript/word/Printing.h"

#include "platform/DurableFile.h"

#include <QPainter>
#include <QTemporaryDir>

#include <qrencode.h>

#include <algorithm>
#include <memory>

namespace sheet {

namespace {

const QString kTitle = QStringLiteral("证据校验单");
// Points: A4 and the transcript's margins (PageSetup's twips / 20).
constexpr qreal kPaperHeight = 842;
constexpr qreal kLeft = 68;
constexpr qreal kTop = 74;
constexpr qreal kBottom = kPaperHeight - 57;
constexpr qreal kWidth = 595 - kLeft - 57;
constexpr qreal kTitleHeight = 40;
constexpr qreal kLineHeight = 14;
constexpr qreal kLineGap = 3;
constexpr qreal kQrSide = 170;
constexpr qreal kSignatureGap = 36;
// The QR code with its caption and the signature lines, kept together below the last line.
constexpr qreal kClosingHeight = 10 + kQrSide + 30 + kSignatureGap + kLineHeight;
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

// The sheet's lines as printed, the heading first, in blocks that a page does not split: a file's
// name and its digest, the marks' heading and the first mark.
QList<QStringList> pageBlocks(const Sheet& s) {
    QList<QStringList> blocks{{QStringLiteral("笔录：%1").arg(s.inquiry)},
                              {QStringLiteral("询问日期：%1　　工作单位：%2").arg(s.date, s.unit)},
                              {QStringLiteral("被询问人：%1　　询问人：%2").arg(s.interviewee, s.officers)},
                              {QString()}};
    for (const SheetFile& file : s.files) {
        QString line = QStringLiteral("%1：%2　大小 %3").arg(kindText(file.kind), file.name, sizeText(file.size));
        if (file.kind == kRecording || file.kind == kCapture)
            line += QStringLiteral("　开始 %1　时长 %2")
                        .arg(file.starts.isEmpty() ? QStringLiteral("不详") : file.starts, durationText(file.seconds));
        blocks << QStringList{line, QStringLiteral("　　SHA-256 %1").arg(file.sha256)};
    }
    blocks << QStringList{QString()};
    QStringList marks;
    for (const timemarks::RecordingMark& mark : s.marks)
        marks << QStringLiteral("　　") + timemarks::listedFields(mark).join(QStringLiteral("　"));
    if (marks.isEmpty())
        blocks << QStringList{QStringLiteral("时间标记：（没有时间标记）")};
    else
        blocks << QStringList{QStringLiteral("时间标记（问、答开始时在录音录像中的位置）："), marks.takeFirst()};
    for (const QString& line : marks)
        blocks << QStringList{line};
    blocks << QStringList{QString()}
           << QStringList{QStringLiteral("保管记录链头：%1")
                              .arg(s.head.isEmpty() ? QStringLiteral("（保管记录为空）") : s.head),
                          s.headTime.isEmpty() ? QStringLiteral("　　没有可信时间戳")
                                               : QStringLiteral("　　可信时间戳：%1").arg(s.headTime)};
    return blocks;
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

// Below every page of a sheet of several, so that a page missing or from another sheet shows.
QString footerText(const QString& inquiry, int page, int pages) {
    return QStringLiteral("%1　%2　第 %3 页 共 %4 页").arg(kTitle, inquiry).arg(page).arg(pages);
}

struct PlacedLine {
    QString text;
    int page = 0;
    qreal top = 0;
    qreal height = 0;
};

struct SheetLayout {
    QList<PlacedLine> lines;
    int closingPage = 0;
    qreal closingTop = 0;
};

// Where each line goes, in the painter's font: a block that would pass the bottom margin begins the
// next page, and the QR code and signatures follow the last line where they fit whole.
SheetLayout layOut(QPainter& painter, const QList<QStringList>& blocks) {
    SheetLayout layout;
    int page = 0;
    qreal y = kTop + kTitleHeight;
    for (const QStringList& block : blocks) {
        QList<qreal> heights;
        qreal height = 0;
        for (const QString& line : block) {
            heights << std::max<qreal>(
                painter.boundingRect(QRectF(kLeft, 0, kWidth, kPaperHeight), Qt::TextWordWrap, line).height(),
                kLineHeight);
            height += heights.last() + kLineGap;
        }
        if (y + height - kLineGap > kBottom) {
            ++page;
            y = kTop;
            // A page does not begin with the blank line between two parts.
            if (block == QStringList{QString()})
                continue;
        }
        for (qsizetype i = 0; i < block.size(); ++i) {
            layout.lines << PlacedLine{block[i], page, y, heights[i]};
            y += heights[i] + kLineGap;
        }
    }
    if (y + kClosingHeight > kBottom) {
        ++page;
        y = kTop;
    }
    layout.closingPage = page;
    layout.closingTop = y;
    return layout;
}

// Paints the pages in points from the paper's top left corner, on a painter scaled from the device's
// pixels to points; a font's points are the device's own, so they are given at 72 / its resolution.
// False when the device could not begin a further page.
bool paintPages(QPainter& painter, QPagedPaintDevice& device, const QString& inquiry, const QList<QStringList>& blocks,
                const QRcode& code, const QString& family, qreal fontScale) {
    QFont title(family);
    title.setPointSizeF(18 * fontScale);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRectF(kLeft, kTop, kWidth, 30), Qt::AlignHCenter | Qt::AlignTop, kTitle);
    QFont body(family);
    body.setPointSizeF(10.5 * fontScale);
    painter.setFont(body);
    const SheetLayout layout = layOut(painter, blocks);
    const int pages = layout.closingPage + 1;
    const auto footer = [&](int number) {
        if (pages > 1)
            painter.drawText(QRectF(kLeft, kBottom + 20, kWidth, 20), Qt::AlignHCenter | Qt::AlignTop,
                             footerText(inquiry, number, pages));
    };
    int page = 0;
    const auto turnTo = [&](int wanted) {
        for (; page < wanted; ++page) {
            footer(page + 1);
            if (!device.newPage())
                return false;
        }
        return true;
    };
    for (const PlacedLine& line : layout.lines) {
        if (!turnTo(line.page))
            return false;
        painter.drawText(QRectF(kLeft, line.top, kWidth, line.height), Qt::TextWordWrap, line.text);
    }
    if (!turnTo(layout.closingPage))
        return false;
    qreal y = layout.closingTop + 10;
    paintQr(painter, code, QRectF(kLeft, y, kQrSide, kQrSide));
    painter.drawText(QRectF(kLeft + kQrSide + 14, y, kWidth - kQrSide - 14, kQrSide), Qt::TextWordWrap, qrCaption());
    y += kQrSide + 30;
    for (const QString& line : kSignatures) {
        painter.drawText(QPointF(kLeft, y), line);
        y += kSignatureGap;
    }
    footer(pages);
    return true;
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
    const QList<QStringList> blocks = pageBlocks(s);
    QString shown;
    for (const QStringList& block : blocks)
        shown += block.join(QString());
    // The page face holds the glyphs of exactly what the pages show, as the transcript's PDF does.
    word::Document glyphs;
    glyphs.paragraphs.first().runs << word::Run{kTitle + shown + qrCaption() + kSignatures.join(QString()) +
                                                    footerText(s.inquiry, 0, 0) + QStringLiteral("0123456789"),
                                                {}};
    const word::PageFace face(glyphs);
    word::MemoryPdf pdf(kTitle);
    QPainter painter;
    if (!painter.begin(&pdf.writer())) {
        *error = QStringLiteral("无法绘制证据校验单的页面");
        return std::nullopt;
    }
    const qreal pointsToPixels = pdf.writer().resolution() / 72.0;
    painter.scale(pointsToPixels, pointsToPixels);
    const bool painted = paintPages(painter, pdf.writer(), s.inquiry, blocks, *code, face.family(), 1 / pointsToPixels);
    if (!painter.end() || !painted) {
        *error = QStringLiteral("无法绘制证据校验单的页面");
        return std::nullopt;
    }
    return pdf.bytes();
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
