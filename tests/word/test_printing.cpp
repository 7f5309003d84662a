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
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace word;

namespace {

// Some CJK fonts map to compatibility ideographs in extracted text: texts are compared normalised.
QString normalised(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC);
}

QString pdfText(const QString& pdf)
{
    const auto output = tools::run("pdftotext", {"-layout", pdf, "-"});
    return output ? normalised(output->out) : QString();
}

class Printing : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP"));
        m_document = tools::writeSampleTranscript(m_dir.filePath("transcript.doc"));
        ASSERT_FALSE(m_document.paragraphs.size() < 60);
    }
    QTemporaryDir m_dir;
    Document m_document;
};

TEST_F(Printing, intoAPdfFileWithOnePagePerLaidOutPage)
{
    const QString pdf = m_dir.filePath("out.pdf");
    QString error;
    ASSERT_TRUE(printDocument(m_document, PrintTarget{{}, pdf}, &error)) << qPrintable(error);
    EXPECT_EQ(tools::pdfPageCount(pdf), 3);
    const auto info = tools::run("pdfinfo", {pdf});
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->out.contains("(A4)")) << qPrintable(info->out);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(normalised(QStringLiteral("vodir询问笔录"))));
    EXPECT_TRUE(text.contains(normalised(sample::question(24))));
    EXPECT_EQ(text.count(QStringLiteral("共")), 3) << "the page footer on every page";
}

TEST_F(Printing, theWriterPrintsItsOpenDocumentAndReportsErrors)
{
    NativeDocumentWriter writer;
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

TEST_F(Printing, throughTheDefaultCupsPrinter)
{
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
    EXPECT_TRUE(text.contains(normalised(QStringLiteral("询问笔录")))) << qPrintable(text.left(500));
    EXPECT_TRUE(text.contains(normalised(sample::kFooterLine1)));
    QFile::remove(printed);
}

} // namespace
