// The main job end to end with the native writer: a full transcript saved from the window and read
// back by our reader and by LibreOffice, and printed through CUPS into a PDF.
#include "CupsQueue.h"
#include "LoggingWriter.h"
#include "TestProgram.h"
#include "TestRecords.h"

#include "ReaderTools.h"
#include "transcript/ComposeTranscript.h"
#include "transcript/FormBinding.h"
#include "transcript/TemplateFile.h"
#include "transcript/word/DocReader.h"

#include "platform/IniProfile.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

record::TranscriptRecord fullRecord() {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    r["beizu"] = QStringLiteral("案件经过：\n拖欠工资");
    return r;
}

// The paragraphs the composition types for the record, as the logging writer sees them.
QStringList composedParagraphs(record::TranscriptRecord r) {
    LoggingWriter writer;
    QTemporaryDir dir;
    const transcript::CompositionInput in{dir.path(), "blank", [](const QString& key) {
                                              return key == "hang1" ? QStringLiteral("被询问人签名：")
                                                                    : QStringLiteral("询问人签名：");
                                          }};
    transcript::TemplateSave save;
    EXPECT_TRUE(transcript::ComposeTranscript(writer, r, in, save).ok);
    return writer.runs().join(QString()).split(QStringLiteral("\r\n"));
}

// Types the record into the form: ASCII through the keyboard, the rest as the input method would.
void typeForm(MainWindow& w, const record::TranscriptRecord& r) {
    for (const record::Field& field : record::kFields) {
        QWidget* control = transcript::fieldControl(w, field);
        const QString& text = r[field.key];
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 128;
        if (auto* edit = qobject_cast<QLineEdit*>(control); edit && ascii) {
            edit->clear();
            QTest::keyClicks(edit, text);
        } else {
            transcript::setControlText(control, text);
        }
    }
}

TEST(EndToEnd, SavedDocumentReadsBackInOurReaderAndLibreOffice) {
    TestProgram p;
    p.env.writeSettings(testrecords::kQuietSettings);
    ASSERT_TRUE(p.start());
    typeForm(p.w(), fullRecord());
    p.env.dialogs.answerNext(Dialogs::Answer::No); // preview
    p.w().actSaveTranscript->trigger();
    ASSERT_EQ(p.status(), QStringLiteral("笔录WORD文件以经保存在 <%1/BL/目录中> ").arg(p.env.programDir()))
        << p.env.dialogs.messageTexts().join('\n').toStdString();

    const QString doc = transcript::documentPath(p.env.programDir(), fullRecord());
    const QStringList expected = composedParagraphs(fullRecord());
    QString error;
    const std::optional<word::Document> document = word::readDocumentFile(doc, &error);
    ASSERT_TRUE(document) << error.toStdString();
    QStringList ours;
    for (const word::Paragraph& paragraph : document->paragraphs)
        ours << paragraph.text();
    EXPECT_EQ(ours, expected);

    // The template holds the form with the remarks on one line.
    const QString ini = transcript::templatePath(p.env.programDir(), fullRecord());
    EXPECT_EQ(ini::readString(ini, "set", "num69"), testrecords::questionText(24));
    EXPECT_EQ(ini::readString(ini, "set", "beizu"), QStringLiteral("案件经过： 拖欠工资"));

    QTemporaryDir out;
    ASSERT_TRUE(
        word::tools::convertWithLibreOffice({doc}, "txt:Text (encoded):UTF8", out.path(), out.path() + "/profile"));
    QString text = QString::fromUtf8(readFile(out.path() + '/' + QFileInfo(doc).completeBaseName() + ".txt"));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList office = text.split('\n');
    for (QString& line : office)
        line.remove('\r');
    if (!office.isEmpty() && office.last().isEmpty() && !expected.last().isEmpty())
        office.removeLast();
    EXPECT_EQ(office, expected);
}

TEST(EndToEnd, CurrentTranscriptPrintsThroughCups) {
    if (!cups::schedulerRunning())
        GTEST_SKIP() << "no CUPS scheduler: ./test.sh starts one with a PDF queue";
    TestProgram p;
    p.env.writeSettings(testrecords::kQuietSettings);
    ASSERT_TRUE(p.start());
    typeForm(p.w(), fullRecord());
    const QStringList before = cups::pdfs();
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    p.w().actPrintTranscript->trigger();
    ASSERT_EQ(p.status(), QStringLiteral("打 印 成 功！")) << p.env.dialogs.messageTexts().join('\n').toStdString();

    QString pdf;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !(pdf = cups::newPdfWith(before, testrecords::answerText(24))).isEmpty(); }, 60000));
    EXPECT_EQ(word::tools::pdfPageCount(pdf), 3);
    const QStringList perPage = cups::pdfText(pdf).split('\f');
    ASSERT_GE(perPage.size(), 3);
    EXPECT_TRUE(perPage[0].contains(QStringLiteral("询问笔录")));
    EXPECT_TRUE(perPage[0].contains(testrecords::questionText(4)));
    EXPECT_FALSE(perPage[0].contains(testrecords::questionText(5)));
    EXPECT_TRUE(perPage[1].contains(testrecords::questionText(14)));
    EXPECT_TRUE(perPage[2].contains(testrecords::answerText(24)));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(perPage[i].contains(QStringLiteral("询问人签名"))) << i;
    // Printing writes no Word file.
    EXPECT_FALSE(QFile::exists(transcript::documentPath(p.env.programDir(), fullRecord())));
}

} // namespace
