// Printing the transcript: into a PDF file, through the default CUPS printer (a cups-pdf queue in
// the test environment), and the errors for a printer that does not exist.
#include "NativeDocumentWriter.h"
#include "PageLayout.h"
#include "Printing.h"
#include "ReaderTools.h"
#include "SampleTranscript.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace word;

namespace {

QString pdfText(const QString& pdf) {
    const auto output = tools::run("pdftotext", {"-layout", pdf, "-"});
    return output ? output->out : QString();
}

class Printing : public ::testing::Test {
protected:
    void SetUp() override {
        m_document = tools::writeSampleTranscript(m_dir.filePath("transcript.doc"));
        ASSERT_FALSE(m_document.paragraphs.size() < 60);
    }
    QTemporaryDir m_dir;
    Document m_document;
};

TEST_F(Printing, intoAPdfFileWithOnePagePerLaidOutPage) {
    const QString pdf = m_dir.filePath("out.pdf");
    QString error;
    ASSERT_TRUE(printDocument(m_document, PrintTarget{{}, pdf}, &error)) << qPrintable(error);
    EXPECT_EQ(tools::pdfPageCount(pdf), 3);
    const auto info = tools::run("pdfinfo", {pdf});
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->out.contains("(A4)")) << qPrintable(info->out);
    // The text reads back as typed: no radical stands for the ideograph drawn with the same glyph.
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("vodir询问笔录")));
    EXPECT_TRUE(text.contains(sample::question(24)));
    EXPECT_TRUE(text.contains(sample::kFooterLine1));
    for (const QChar c : text)
        EXPECT_FALSE(c.unicode() >= 0x2E80 && c.unicode() <= 0x2FDF) << "radical U+" << std::hex << int(c.unicode());
    EXPECT_EQ(text.count(QStringLiteral("共")), 3) << "the page footer on every page";
}

TEST_F(Printing, theWriterPrintsItsOpenDocumentAndReportsErrors) {
    NativeDocumentWriter writer(&pageRenderer());
    writer.start();
    writer.connect();
    ASSERT_TRUE(writer.open(m_dir.filePath("transcript.doc"))) << qPrintable(writer.lastError());
    const QString pdf = m_dir.filePath("writer.pdf");
    ASSERT_TRUE(writer.print(PrintTarget{{}, pdf})) << qPrintable(writer.lastError());
    EXPECT_EQ(tools::pdfPageCount(pdf), 3);

    EXPECT_FALSE(writer.print(PrintTarget{"NoSuchPrinter", {}}));
    EXPECT_EQ(writer.lastError(), QStringLiteral("找不到打印机 NoSuchPrinter。"));
    EXPECT_FALSE(writer.print(PrintTarget{{}, m_dir.filePath("missing/dir/out.pdf")}));
    EXPECT_TRUE(writer.lastError().contains(QStringLiteral("无法写入文件"))) << qPrintable(writer.lastError());
    writer.close();
    EXPECT_FALSE(writer.print(PrintTarget{{}, pdf}));
    EXPECT_EQ(writer.lastError(), QStringLiteral("没有打开的文档。"));
}

TEST_F(Printing, throughTheDefaultCupsPrinter) {
    const auto scheduler = tools::run("lpstat", {"-r"});
    if (!scheduler || !scheduler->out.contains("scheduler is running") || QPrinterInfo::defaultPrinterName() != "PDF")
        GTEST_SKIP() << "needs the CUPS scheduler with the PDF queue as default (tests/env/cups.sh)";
    const QDir out(QDir::home().filePath("PDF"));
    const QStringList before = out.entryList({"*.pdf"}, QDir::Files);

    QString error;
    ASSERT_TRUE(printDocument(m_document, PrintTarget{}, &error)) << qPrintable(error);

    // The queue writes the file progressively: wait until it is done and the queue is empty.
    QString printed;
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        const QStringList now = out.entryList({"*.pdf"}, QDir::Files);
        for (const QString& name : now)
            if (!before.contains(name))
                printed = out.filePath(name);
        const auto queue = tools::run("lpstat", {"-o"});
        if (!printed.isEmpty() && queue && queue->out.trimmed().isEmpty())
            break;
        QThread::msleep(100);
    }
    ASSERT_FALSE(printed.isEmpty()) << "no job output in " << qPrintable(out.path());
    EXPECT_EQ(tools::pdfPageCount(printed), 3);
    const QString text = pdfText(printed);
    EXPECT_TRUE(text.contains(QStringLiteral("询问笔录"))) << qPrintable(text.left(500));
    EXPECT_TRUE(text.contains(sample::kFooterLine1));
    QFile::remove(printed);
}

TEST_F(Printing, previewShowsEveryPage) {
    const std::unique_ptr<QPrintPreviewDialog> preview = makePrintPreview(m_document);
    QSignalSpy painted(preview.get(), &QPrintPreviewDialog::paintRequested);
    preview->show();
    auto* widget = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return painted.count() > 0 && widget->pageCount() == 3; }, 10000));
    preview->close();
}

TEST_F(Printing, aPageOfAnotherSizeIsZoomedOntoA4) {
    Document letter;
    letter.page = PageSetup{12240, 15840, 1440, 1440, 1800, 1800, 720, 720, 0};
    letter.footer = QStringLiteral("footer");
    Caret caret;
    typeText(letter, caret, QString(200, u'x'), CharFormat{});
    const QString pdf = m_dir.filePath("letter.pdf");
    QString error;
    ASSERT_TRUE(printDocument(letter, PrintTarget{{}, pdf}, &error)) << qPrintable(error);
    const auto boxes = tools::run("pdftotext", {"-bbox", pdf, "-"});
    ASSERT_TRUE(boxes);
    double right = 0;
    const QRegularExpression xMax("xMax=\"([0-9.]+)\"");
    for (auto it = xMax.globalMatch(boxes->out); it.hasNext();)
        right = std::max(right, it.next().captured(1).toDouble());
    // The body's right edge, 10440 twips from the paper's edge, shrinks by 11906/12240.
    EXPECT_GT(right, 490.0);
    EXPECT_LT(right, 10440 / 20.0 * 11906 / 12240 + 1);
}

TEST_F(Printing, aStoppedPrinterIsReported) {
    const auto scheduler = tools::run("lpstat", {"-r"});
    if (!scheduler || !scheduler->out.contains("scheduler is running"))
        GTEST_SKIP() << "needs the CUPS scheduler (tests/env/cups.sh)";
    const QString queue = QStringLiteral("QuillonStopped%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(tools::run("lpadmin", {"-p", queue, "-E", "-v", "file:/dev/null"}));
    ASSERT_TRUE(tools::run("cupsdisable", {queue}));
    QString error;
    const bool printed = printDocument(m_document, PrintTarget{queue, {}}, &error);
    tools::run("lpadmin", {"-x", queue});
    EXPECT_FALSE(printed);
    EXPECT_EQ(error, QStringLiteral("打印机 %1 出错或已停止，无法打印。").arg(queue));
}

TEST_F(Printing, aQueueRefusingJobsIsReported) {
    const auto scheduler = tools::run("lpstat", {"-r"});
    if (!scheduler || !scheduler->out.contains("scheduler is running"))
        GTEST_SKIP() << "needs the CUPS scheduler (tests/env/cups.sh)";
    const QString queue = QStringLiteral("QuillonRejecting%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(tools::run("lpadmin", {"-p", queue, "-E", "-v", "file:/dev/null"}));
    ASSERT_TRUE(tools::run("cupsreject", {queue}));
    QString error;
    const bool printed = printDocument(m_document, PrintTarget{queue, {}}, &error);
    tools::run("lpadmin", {"-x", queue});
    EXPECT_FALSE(printed);
    EXPECT_TRUE(error.startsWith(QStringLiteral("打印作业无法送到打印机 %1。").arg(queue))) << qPrintable(error);
}

} // namespace
