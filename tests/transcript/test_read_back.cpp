// "核对完毕(宣读)" through the real window with the native writer and the real custody log: refused
// until the form is saved as it stands, then logged with the document's SHA-256; a correction after
// it kept across a restart, printed through CUPS on the page "更正记录" with the page and line where
// the printed transcript holds it, and handed over in the bundle.
#include "CupsQueue.h"
#include "TestProgram.h"
#include "TestRecords.h"

#include "archive/CustodyLog.h"
#include "archive/Locations.h"
#include "transcript/FormBinding.h"
#include "transcript/ReadBack.h"
#include "transcript/TemplateFile.h"
#include "transcript/word/PageLayout.h"

#include "platform/Fingerprint.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

record::TranscriptRecord inquiry() {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    return r;
}

struct ReadBackProgram : TestProgram {
    ReadBackProgram() {
        env.writeSettings(testrecords::kQuietSettings);
        // The commands' events go on into the real archive and its custody log.
        env.journal.forward = &archive;
    }
    void save() {
        env.dialogs.answerNext(Dialogs::Answer::No); // no preview
        w().actSaveTranscript->trigger();
    }
    QList<archive::CustodyEntry> log() {
        QList<archive::CustodyEntry> entries;
        for (const QByteArray& line : readFile(archive::custodyPath(env.programDir())).split('\n'))
            if (const std::optional<archive::CustodyEntry> entry = archive::CustodyEntry::parse(line))
                entries << *entry;
        return entries;
    }
    transcript::ReadBackState& readBack() { return program.components().readBack; }
};

// A field edited and left, as the inspector does: the focus moves on to the next field.
void edit(QLineEdit* field, const QString& text, QWidget* next) {
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 2000));
    field->setText(text);
    next->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->hasFocus(); }, 2000));
}

// The page and line of the printed transcript whose text holds the words, by the page layout.
word::PrintedPlace printedLineWith(const record::TranscriptRecord& r, const QString& words) {
    const transcript::ComposedText composed = transcript::composedText(r, [](const QString& key) {
        return key == "hang1" ? QStringLiteral("被询问人签名：") : QStringLiteral("询问人签名：");
    });
    const QList<word::Page> pages = word::layOutPages(composed.document);
    for (qsizetype page = 0; page < pages.size(); ++page)
        for (qsizetype line = 0; line < pages[page].lines.size(); ++line) {
            QString text;
            for (const word::Fragment& fragment : pages[page].lines[line].fragments)
                text += fragment.text;
            if (text.contains(words))
                return {int(page) + 1, int(line) + 1};
        }
    return {};
}

TEST(ReadBack, IsRecordedOnlyForTheSavedDocumentAndCarriesItsFingerprint) {
    ReadBackProgram p;
    ASSERT_TRUE(p.start());
    transcript::fillForm(p.w(), inquiry());
    p.w().actReadBackDone->trigger();
    const QString doc = transcript::documentPath(p.env.programDir(), inquiry());
    ASSERT_EQ(p.env.dialogs.messageTexts().size(), 1);
    EXPECT_EQ(
        p.env.dialogs.messageTexts().last(),
        QStringLiteral("宣读核对：| 这份笔录还没有保存成WORD文件 <%1> ，无法记下宣读核对。请先点“保存(笔录及模板)”，"
                       "向被询问人宣读保存的笔录，再点“核对完毕(宣读)”。 ")
            .arg(doc));

    p.save();
    p.w().编辑框16->setText(QStringLiteral("人民大街2号"));
    p.w().actReadBackDone->trigger();
    ASSERT_EQ(p.env.dialogs.messageTexts().size(), 3) << p.env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(p.env.dialogs.messageTexts().last().contains("在保存后又有改动，与已保存的WORD文件"))
        << p.env.dialogs.messageTexts().last().toStdString();
    EXPECT_FALSE(p.log().last().event == archive::custody::kReadBack);

    p.w().编辑框16->setText(testrecords::particulars()["num19"]);
    p.w().actReadBackDone->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts().size(), 3) << p.env.dialogs.messageTexts().last().toStdString();
    const archive::CustodyEntry entry = p.log().last();
    EXPECT_EQ(entry.event, archive::custody::kReadBack);
    EXPECT_EQ(entry.inquiry, transcript::baseName(inquiry()));
    ASSERT_FALSE(entry.files.isEmpty());
    EXPECT_EQ(entry.files.first().name, "BL/" + QFileInfo(doc).fileName());
    EXPECT_EQ(entry.files.first().sha256, QString::fromLatin1(fingerprint::sha256Hex(doc)));
    EXPECT_EQ(archive::custody::eventText(entry.event), "宣读核对");
    EXPECT_TRUE(p.status().startsWith("宣读核对已记下")) << p.status().toStdString();
}

// A correction noted as the focus leaves its field is on the disk at once: the inquiry's files and the
// custody log copied while the program runs, as a crash leaves them, and a program started on them
// goes on with the read-back.
TEST(ReadBack, CorrectionsSurviveARestart) {
    ReadBackProgram first;
    ASSERT_TRUE(first.start());
    MainWindow& w = first.w();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    transcript::fillForm(w, inquiry());
    first.save();
    w.actReadBackDone->trigger();
    edit(w.编辑框14, QStringLiteral("宏大建筑公司"), w.编辑框15);
    ASSERT_EQ(first.readBack().record.corrections.size(), 1);
    const archive::CustodyEntry corrected = first.log().last();
    EXPECT_EQ(corrected.event, archive::custody::kCorrected);
    // The log keeps an entry's details by their keys.
    EXPECT_EQ(corrected.details, (QList<QPair<QString, QString>>{
                                     {"after", "宏大建筑公司"}, {"before", "宏达建筑公司"}, {"field", "工作单位"}}));

    ReadBackProgram second;
    ASSERT_EQ(QProcess::execute("cp", {"-a", first.env.programDir() + "/BL",
                                       archive::custodyPath(first.env.programDir()), second.env.programDir()}),
              0);
    ASSERT_TRUE(second.start());
    second.env.dialogs.chooseNext(transcript::templatePath(second.env.programDir(), inquiry()));
    second.w().actOpenTemplate->trigger();
    const transcript::ReadBackState& state = second.readBack();
    ASSERT_TRUE(state.record.readBack);
    EXPECT_EQ(state.record.readBack->sha256, QString::fromLatin1(fingerprint::sha256Hex(
                                                 transcript::documentPath(second.env.programDir(), inquiry()))));
    ASSERT_EQ(state.record.corrections.size(), 1);
    EXPECT_EQ(state.record.corrections.first().after, QStringLiteral("宏大建筑公司"));
    // The template opened holds the form as saved before the correction: taking the correction back
    // is a correction too, noted before the next save.
    second.save();
    ASSERT_EQ(state.record.corrections.size(), 2);
    EXPECT_EQ(state.record.corrections.last().before, QStringLiteral("宏大建筑公司"));
    EXPECT_EQ(state.record.corrections.last().after, QStringLiteral("宏达建筑公司"));
    EXPECT_EQ(readback::readRecord(readback::recordPath(second.env.programDir(), transcript::baseName(inquiry())))
                  .corrections.size(),
              2);
}

TEST(ReadBack, AChangeAfterItIsPrintedOnTheCorrectionPageWithItsPageAndLineAndHandedOver) {
    if (!cups::schedulerRunning())
        GTEST_SKIP() << "no CUPS scheduler: ./test.sh starts one with a PDF queue";
    ReadBackProgram p;
    ASSERT_TRUE(p.start());
    MainWindow& w = p.w();
    transcript::fillForm(w, inquiry());
    p.save();
    w.actReadBackDone->trigger();
    // Answer 14 is on the second page.
    record::TranscriptRecord corrected = inquiry();
    const QString answer = QStringLiteral("答：第14个回答，工资已于十二月付清。");
    corrected[record::answer(14).key] = answer;
    transcript::setControlText(transcript::fieldControl(w, record::answer(14)), answer);

    const QStringList before = cups::pdfs();
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    w.actPrintTranscript->trigger();
    ASSERT_EQ(p.status(), QStringLiteral("打 印 成 功！")) << p.env.dialogs.messageTexts().join('\n').toStdString();
    const word::PrintedPlace place = printedLineWith(corrected, answer);
    ASSERT_EQ(place.page, 2);
    const QString where = QStringLiteral("第2页第%1行").arg(place.line);

    QString pdf;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(pdf = cups::newPdfWith(before, QStringLiteral("更正记录"))).isEmpty(); },
                                60000));
    const QStringList pages = cups::pdfText(pdf).split('\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 4) << "three pages of transcript, then the corrections";
    EXPECT_TRUE(pages[1].contains(QStringLiteral("工资已于十二月付清")));
    const QString last = pages[3];
    EXPECT_TRUE(last.contains(QStringLiteral("更正记录")));
    EXPECT_TRUE(last.contains(where)) << last.toStdString();
    EXPECT_TRUE(last.contains(QStringLiteral("第14答")));
    EXPECT_TRUE(last.contains(QStringLiteral("答：第14个回答。")));
    EXPECT_TRUE(last.contains(QStringLiteral("被询问人确认（签名或捺印）")));

    // The page and its text stay beside the template, logged, and go into the hand-over bundle.
    const QString inquiryName = transcript::baseName(inquiry());
    const QString kept = readback::textPath(p.env.programDir(), inquiryName);
    EXPECT_TRUE(QString::fromUtf8(readFile(kept)).contains(where + "\t第14答\t答：第14个回答。\t" + answer));
    EXPECT_EQ(p.log().last().event, archive::custody::kCorrectionsPrinted);

    QTemporaryDir out;
    const QString bundle = out.filePath("移交.zip");
    QProcess exported;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUILLON_HOME", p.env.programDir());
    environment.insert("LC_ALL", "C.UTF-8");
    exported.setProcessEnvironment(environment);
    exported.start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillon",
                   {"export", transcript::templatePath(p.env.programDir(), inquiry()), "--out", bundle});
    ASSERT_TRUE(exported.waitForFinished(120000));
    ASSERT_EQ(exported.exitCode(), 0) << exported.readAllStandardError().toStdString();
    QProcess unzip;
    unzip.setProcessEnvironment(environment);
    unzip.setWorkingDirectory(out.path());
    unzip.start("unzip", {"-q", bundle});
    ASSERT_TRUE(unzip.waitForFinished(60000));
    QProcess check;
    check.setWorkingDirectory(out.path());
    check.start("sha256sum", {"-c", "manifest.sha256"});
    ASSERT_TRUE(check.waitForFinished(60000));
    const QString checked = QString::fromUtf8(check.readAllStandardOutput());
    EXPECT_EQ(check.exitCode(), 0) << checked.toStdString();
    for (const char* member : {"宣读核对.json", "更正记录.pdf", "更正记录.txt"})
        EXPECT_TRUE(checked.contains(QString::fromUtf8(member) + ": OK")) << member << checked.toStdString();
    EXPECT_TRUE(cups::pdfText(out.filePath("更正记录.pdf")).contains(where));
    const QByteArray excerpt = readFile(out.filePath("custody.log"));
    EXPECT_TRUE(excerpt.contains("\"corrected\"") && excerpt.contains("\"read-back\"") &&
                excerpt.contains("\"corrections-printed\""))
        << excerpt.toStdString();
}

} // namespace
