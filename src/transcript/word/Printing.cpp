// Printing through QPrinter or into a PDF file with the page renderer.
#include "Printing.h"

#include "CupsStatus.h"
#include "MemoryPdf.h"
#include "PageFont.h"
#include "PagePainting.h"
#include "PageRenderer.h"

#include "platform/DurableFile.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <optional>

namespace word {

namespace {

const QString kDocumentName = QStringLiteral("询问笔录");

void setUpPage(QPrinter& printer) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setCopyCount(1);
    printer.setDocName(kDocumentName);
}

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

// Paints every page on a device that painter has begun on, in twips from the paper's corner whatever
// the resolution and margins, and ends the painting.
bool paintPages(QPainter& painter, const Document& document, const PageFace& face, QPagedPaintDevice& device,
                int resolution, const QRectF& paper, const QRectF& page) {
    painter.translate(paper.left() - page.left(), paper.top() - page.top());
    painter.scale(resolution / 1440.0, resolution / 1440.0);
    // A page of another size is zoomed to fit the paper, as printing with a paper zoom does.
    const qreal paperWidth = paper.width() * 1440.0 / resolution;
    const qreal paperHeight = paper.height() * 1440.0 / resolution;
    const qreal zoom = std::min(paperWidth / document.page.pageWidth, paperHeight / document.page.pageHeight);
    if (std::abs(zoom - 1.0) > 0.002)
        painter.scale(zoom, zoom);
    const QList<Page> pages = layOutPages(document);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        paintPage(painter, document, pages[i], face);
    }
    return painter.end();
}

// The document as a PDF file's bytes.
std::optional<QByteArray> renderPdf(const Document& document) {
    MemoryPdf pdf(kDocumentName);
    QPdfWriter& writer = pdf.writer();
    QPainter painter;
    if (!painter.begin(&writer))
        return std::nullopt;
    const QPageLayout layout = writer.pageLayout();
    const PageFace face(document);
    if (!paintPages(painter, document, face, writer, writer.resolution(), layout.fullRectPixels(writer.resolution()),
                    layout.paintRectPixels(writer.resolution())))
        return std::nullopt;
    return pdf.bytes();
}

// Paints every page on a printer that is set up already; false when painting could not start.
bool renderDocument(const Document& document, const PageFace& face, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    return paintPages(painter, document, face, printer, printer.resolution(), printer.paperRect(QPrinter::DevicePixel),
                      printer.pageRect(QPrinter::DevicePixel));
}

// The named printer, else the default printer, set up and able to take a job; null with the reason
// in error when there is none.
std::unique_ptr<QPrinter> openPrinter(const QString& printerName, QString* error) {
    const QPrinterInfo info =
        printerName.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printerName);
    if (info.isNull()) {
        fail(error, printerName.isEmpty() ? QStringLiteral("没有可用的打印机，请先安装并设置默认打印机。")
                                          : QStringLiteral("找不到打印机 %1。").arg(printerName));
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // Without a print system Qt silently turns the printer into a PDF writer with no file.
    if (printer->outputFormat() != QPrinter::NativeFormat || !printer->isValid()) {
        fail(error, QStringLiteral("没有可用的打印机，请先安装并设置默认打印机。"));
        return nullptr;
    }
    const QPrinterInfo state(*printer);
    if (state.state() == QPrinter::Error || state.state() == QPrinter::Aborted) {
        fail(error, QStringLiteral("打印机 %1 出错或已停止，无法打印。").arg(printer->printerName()));
        return nullptr;
    }
    return printer;
}

// A PDF file is the target when no printer is named.
bool toPdfFile(const PrintTarget& target) {
    return target.printerName.isEmpty() && !target.pdfPath.isEmpty();
}

} // namespace

QString printerProblem(const PrintTarget& target) {
    QString error;
    return toPdfFile(target) || openPrinter(target.printerName, &error) ? QString() : error;
}

bool printPdfFile(const QString& pdfPath, const QString& title, const PrintTarget& target, QString* error) {
    const std::unique_ptr<QPrinter> printer = openPrinter(target.printerName, error);
    if (!printer)
        return false;
    const std::optional<QString> refusal = sendToCups(printer->printerName(), pdfPath, title);
    return !refusal ||
           fail(error, QStringLiteral("打印作业无法送到打印机 %1。%2").arg(printer->printerName(), *refusal));
}

bool printDocument(const Document& document, const PrintTarget& target, QString* error) {
    if (toPdfFile(target)) {
        const std::optional<QByteArray> pdf = renderPdf(document);
        if (!pdf)
            return fail(error, QStringLiteral("无法生成PDF文件 <%1>。").arg(target.pdfPath));
        const durable::Result written = durable::writeFile(target.pdfPath, *pdf);
        return written || fail(error, QStringLiteral("无法写入文件 <%1>：%2").arg(target.pdfPath, written.text()));
    }
    const std::unique_ptr<QPrinter> printer = openPrinter(target.printerName, error);
    if (!printer)
        return false;
    setUpPage(*printer);
    const PageFace face(document);
    const bool rendered = renderDocument(document, face, *printer) && printer->printerState() != QPrinter::Error &&
                          printer->printerState() != QPrinter::Aborted;
    const std::optional<QString> refusal = rendered ? lastCupsRefusal() : std::nullopt;
    if (!rendered || refusal)
        return fail(
            error,
            QStringLiteral("打印作业无法送到打印机 %1。%2").arg(printer->printerName(), refusal.value_or(QString())));
    return true;
}

std::unique_ptr<QPrintPreviewDialog> makePrintPreview(const Document& document, QWidget* parent) {
    auto dialog = std::make_unique<QPrintPreviewDialog>(parent);
    setUpPage(*dialog->printer());
    // The pages it shows are replayed in the document's face for as long as the dialog lives.
    auto face = std::make_shared<const PageFace>(document);
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [document, face](QPrinter* printer) { renderDocument(document, *face, *printer); });
    return dialog;
}

namespace {

class QtPageRenderer final : public PageRenderer {
public:
    bool print(const Document& document, const PrintTarget& target, QString* error) const override {
        return printDocument(document, target, error);
    }
    QString printerProblem(const PrintTarget& target) const override { return word::printerProblem(target); }
    std::shared_ptr<QDialog> makePreview(const Document& document, QWidget* parent) const override {
        return makePrintPreview(document, parent);
    }
};

} // namespace

const PageRenderer& pageRenderer() {
    static const QtPageRenderer renderer;
    return renderer;
}

} // namespace word
