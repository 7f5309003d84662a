// Printing through QPrinter with the page renderer.
#include "Printing.h"

#include "CupsStatus.h"
#include "PageLayout.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

namespace word {

namespace {

void setUpPage(QPrinter& printer) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setCopyCount(1);
    printer.setDocName(QStringLiteral("询问笔录"));
}

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

} // namespace

bool renderDocument(const Document& document, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Twips from the paper's corner, whatever the printer's resolution and margins.
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    painter.translate(paper.left() - page.left(), paper.top() - page.top());
    painter.scale(printer.resolution() / 1440.0, printer.resolution() / 1440.0);
    // A page of another size is zoomed to fit the paper, as printing with a paper zoom does.
    const qreal paperWidth = paper.width() * 1440.0 / printer.resolution();
    const qreal paperHeight = paper.height() * 1440.0 / printer.resolution();
    const qreal zoom = std::min(paperWidth / document.page.pageWidth, paperHeight / document.page.pageHeight);
    if (std::abs(zoom - 1.0) > 0.002)
        painter.scale(zoom, zoom);
    const QList<Page> pages = layOutPages(document);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage())
            return false;
        paintPage(painter, document, pages[i]);
    }
    return painter.end();
}

namespace {

// The printer of the target, set up and able to take a job; null with the reason in error when
// there is none.
std::unique_ptr<QPrinter> openPrinter(const PrintTarget& target, QString* error) {
    std::unique_ptr<QPrinter> printer;
    if (!target.printerName.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(target.printerName);
        if (info.isNull()) {
            fail(error, QStringLiteral("找不到打印机 %1。").arg(target.printerName));
            return nullptr;
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else if (!target.pdfPath.isEmpty()) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(target.pdfPath);
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            fail(error, QStringLiteral("没有可用的打印机，请先安装并设置默认打印机。"));
            return nullptr;
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    if (target.pdfPath.isEmpty() || !target.printerName.isEmpty()) {
        // Without a print system Qt silently turns the printer into a PDF writer with no file.
        if (printer->outputFormat() != QPrinter::NativeFormat || !printer->isValid()) {
            fail(error, QStringLiteral("没有可用的打印机，请先安装并设置默认打印机。"));
            return nullptr;
        }
        const QPrinterInfo info(*printer);
        if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted) {
            fail(error, QStringLiteral("打印机 %1 出错或已停止，无法打印。").arg(printer->printerName()));
            return nullptr;
        }
    }
    return printer;
}

} // namespace

QString printerProblem(const PrintTarget& target) {
    QString error;
    return openPrinter(target, &error) ? QString() : error;
}

bool printPdfFile(const QString& pdfPath, const QString& title, const PrintTarget& target, QString* error) {
    const std::unique_ptr<QPrinter> printer = openPrinter({target.printerName, QString()}, error);
    if (!printer)
        return false;
    const std::optional<QString> refusal = sendToCups(printer->printerName(), pdfPath, title);
    return !refusal ||
           fail(error, QStringLiteral("打印作业无法送到打印机 %1。%2").arg(printer->printerName(), *refusal));
}

bool printDocument(const Document& document, const PrintTarget& target, QString* error) {
    const std::unique_ptr<QPrinter> printer = openPrinter(target, error);
    if (!printer)
        return false;
    setUpPage(*printer);
    const bool toPrinter = printer->outputFormat() == QPrinter::NativeFormat;
    const bool rendered = renderDocument(document, *printer) && printer->printerState() != QPrinter::Error &&
                          printer->printerState() != QPrinter::Aborted;
    if (!toPrinter)
        return rendered || fail(error, QStringLiteral("无法写入文件 <%1>。").arg(target.pdfPath));
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
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [document](QPrinter* printer) { renderDocument(document, *printer); });
    return dialog;
}

} // namespace word
