// Time marks on the real window with real GStreamer pipelines: the moment each question and answer
// line is begun is noted in the sound recording and the capture running then, kept with each in the
// custody log, printed by `quillon marks`, listed in the hand-over bundle and in the archive window.
#include "ArchiveFixture.h"
#include "TestProgram.h"
#include "ui/ArchiveWindow.h"

#include "archive/TimeMarkList.h"
#include "platform/TimeMarks.h"
#include "recording/AudioPlayer.h"
#include "recording/AudioRecorder.h"
#include "recording/VideoCapture.h"
#include "recording/VideoPlayer.h"
#include "ui/VideoPlayerWindow.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace archivetest;

namespace {

QLineEdit* line(MainWindow& w, const char* combo) {
    return w.findChild<QComboBox*>(QString::fromUtf8(combo))->lineEdit();
}

QList<timemarks::Mark> marksOf(const JournalEvent& event) {
    for (const auto& [key, value] : event.details)
        if (key == timemarks::kDetail)
            return timemarks::parseDetail(value);
    return {};
}

class TimeMarks : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true");
        qputenv("QUILLON_VIDEO_SOURCE", "videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");
        t = std::make_unique<TestProgram>();
        // The events reach the real archive and its custody log, as in the program.
        t->env.journal.forward = &t->archive;
        ASSERT_TRUE(t->start());
        w().时钟2->stop();
        w().show();
    }
    void TearDown() override {
        qunsetenv("QUILLON_AUDIO_SOURCE");
        qunsetenv("QUILLON_VIDEO_SOURCE");
    }

    MainWindow& w() { return t->w(); }
    AudioRecorder& recorder() { return t->program.components().录音1; }
    const JournalEvent* event(JournalEvent::Kind kind) const {
        for (const JournalEvent& e : t->env.journal.events)
            if (e.kind == kind)
                return &e;
        return nullptr;
    }
    bool soundRecorded(double seconds) {
        const qint64 bytes = qint64(seconds * recorder().format().bytesPerSecond());
        return QTest::qWaitFor([&] { return recorder().recordedBytes() >= bytes; }, 15000);
    }

    std::unique_ptr<TestProgram> t;
};

TEST_F(TimeMarks, EachLineBegunIsMarkedInTheRunningRecordingsAndListedByTheArchive) {
    Inquiry inquiry;
    inquiry.name = QStringLiteral("张三");
    inquiry.unit = QStringLiteral("宏达公司");
    const QString templatePath = writeTemplate(t->env.programDir(), inquiry);
    t->env.dialogs.chooseNext(templatePath);
    w().actOpenTemplate->trigger();
    // A line the form already holds is not begun by typing into it.
    line(w(), "组合框6")->setText(QStringLiteral("问：已经写好的问题"));

    // Typing before any recording runs marks nothing.
    typeChinese(line(w(), "组合框8"), QStringLiteral("问：录音以前"));

    w().actOpenRecording->trigger();
    QTest::mouseClick(w().按钮录音, Qt::LeftButton);
    ASSERT_TRUE(recorder().isCapturing());
    QElapsedTimer sound;
    sound.start();
    ASSERT_TRUE(soundRecorded(1));
    w().actStartCapture->trigger();
    ASSERT_TRUE(t->program.components().视频设备1.isCapturing());
    QElapsedTimer pictures;
    pictures.start();

    ASSERT_TRUE(soundRecorded(2.5));
    const double question = sound.elapsed() / 1000.0;
    const double questionInCapture = pictures.elapsed() / 1000.0;
    typeChinese(line(w(), "组合框4"), QStringLiteral("问："));
    QTest::keyClicks(line(w(), "组合框4"), "abc");
    QTest::keyClicks(line(w(), "组合框6"), "x");

    ASSERT_TRUE(soundRecorded(4.5));
    const double answer = sound.elapsed() / 1000.0;
    const double answerInCapture = pictures.elapsed() / 1000.0;
    QTest::keyClicks(line(w(), "组合框5"), "a");

    // The inquiry is not read back yet: each stop asks, and is answered to stop.
    for (int stop = 0; stop < 2; ++stop)
        t->env.dialogs.onModal([](QDialog& window) { window.accept(); });
    w().actStopCapture->trigger();
    const QString wav = t->env.programDir() + QStringLiteral("/BL/询问录音.wav");
    t->env.dialogs.chooseNext(wav);
    QTest::mouseClick(w().按钮4, Qt::LeftButton);
    ASSERT_TRUE(QFileInfo::exists(wav));
    EXPECT_TRUE(t->env.dialogs.messages().isEmpty()) << t->env.dialogs.messageTexts().join(u'\n').toStdString();

    // Each recording holds the lines begun while it ran, at its own offsets, within a second of the
    // moment they were typed.
    const JournalEvent* saved = event(JournalEvent::Kind::RecordingSaved);
    const JournalEvent* finished = event(JournalEvent::Kind::CaptureFinished);
    ASSERT_TRUE(saved && finished);
    const QList<timemarks::Mark> inSound = marksOf(*saved);
    const QList<timemarks::Mark> inCapture = marksOf(*finished);
    ASSERT_EQ(inSound.size(), 2);
    ASSERT_EQ(inCapture.size(), 2);
    EXPECT_EQ(inSound[0].line, QStringLiteral("问1"));
    EXPECT_EQ(inSound[1].line, QStringLiteral("答1"));
    EXPECT_EQ(inCapture[0].line, QStringLiteral("问1"));
    EXPECT_EQ(inCapture[1].line, QStringLiteral("答1"));
    EXPECT_LT(std::abs(double(inSound[0].seconds) - question), 1.0) << inSound[0].seconds << " " << question;
    EXPECT_LT(std::abs(double(inSound[1].seconds) - answer), 1.0) << inSound[1].seconds << " " << answer;
    EXPECT_LT(std::abs(double(inCapture[0].seconds) - questionInCapture), 1.0);
    EXPECT_LT(std::abs(double(inCapture[1].seconds) - answerInCapture), 1.0);

    // The command line reads them back from the custody log: one line each, the recording's own name.
    const QString capture = QFileInfo(finished->files.first()).fileName();
    // The capture was finished first, so its entry and its marks come first.
    QString expected;
    for (const timemarks::Mark& mark : inCapture)
        expected += mark.line + u'\t' + capture + u'\t' + timemarks::offsetText(mark.seconds) + u'\n';
    for (const timemarks::Mark& mark : inSound)
        expected += mark.line + QStringLiteral("\t询问录音.wav\t") + timemarks::offsetText(mark.seconds) + u'\n';
    const Ran listed = quillon(t->env.programDir(), {QStringLiteral("marks"), templatePath});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, expected);

    // The bundle carries the same list as a plain text file, covered by its manifest.
    const QString bundle = t->env.root.filePath(QStringLiteral("移交.zip"));
    const Ran exported = quillon(t->env.programDir(), {QStringLiteral("export"), templatePath, "--out", bundle});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), bundle, QStringLiteral("时间标记.txt")});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(unzip.readAllStandardOutput()), expected);
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), bundle, QStringLiteral("manifest.sha256")});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    EXPECT_TRUE(unzip.readAllStandardOutput().contains("  时间标记.txt\n"));

    // The archive window lists them for the chosen inquiry.
    ArchiveWindow& aw = t->program.components().archiveWindow;
    w().actArchive->trigger();
    ASSERT_EQ(aw.表格笔录->model()->rowCount(), 1);
    aw.表格笔录->setFocus();
    QTest::keyClick(aw.表格笔录, Qt::Key_Home);
    ASSERT_EQ(aw.表格时间标记->rowCount(), 4);
    QString shown;
    for (int row = 0; row < 4; ++row)
        shown += aw.表格时间标记->item(row, 0)->text() + u'\t' +
                 QFileInfo(aw.表格时间标记->item(row, 1)->text()).fileName() + u'\t' +
                 aw.表格时间标记->item(row, 2)->text() + u'\n';
    EXPECT_EQ(shown, expected);

    // A mark plays its recording from that moment: a capture in the program's own player window, or
    // where the office prefers it, through a desktop player told where to start; the sound through
    // the program's own player.
    t->env.shell.installed.insert(QStringLiteral("vlc"));
    VideoPlayer& video = t->program.components().videoPlayer;
    aw.表格时间标记->setFocus();
    aw.表格时间标记->setCurrentCell(0, 0);
    QTest::keyClick(aw.表格时间标记, Qt::Key_Return);
    EXPECT_TRUE(t->program.components().videoPlayerWindow.isVisible());
    qint64 playedFrom = -1;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !video.picture().isNull() && (playedFrom = video.positionMs()) >= 0; }, 10000));
    EXPECT_NEAR(double(playedFrom), inCapture[0].seconds * 1000.0, 1000.0);
    EXPECT_EQ(QFileInfo(video.file()).fileName(), capture);
    EXPECT_TRUE(t->env.shell.started.isEmpty());
    t->program.components().videoPlayerWindow.close();
    EXPECT_FALSE(video.isOpen());

    t->env.writeSettings(QStringLiteral("[luxiang]\nbofang=zhuomian\n"));
    aw.表格时间标记->setFocus();
    aw.表格时间标记->setCurrentCell(1, 0);
    QTest::keyClick(aw.表格时间标记, Qt::Key_Return);
    ASSERT_EQ(t->env.shell.started.size(), 1);
    const QStringList player = t->env.shell.started.first();
    ASSERT_EQ(player.size(), 3);
    EXPECT_EQ(player[0], QStringLiteral("/usr/bin/vlc"));
    EXPECT_EQ(player[1], QStringLiteral("--start-time=%1").arg(inCapture[1].seconds));
    EXPECT_EQ(QFileInfo(player[2]).fileName(), capture);
    EXPECT_TRUE(QFileInfo::exists(player[2]));

    AudioPlayer& sounds = t->program.components().player;
    aw.表格时间标记->setCurrentCell(3, 0);
    QTest::keyClick(aw.表格时间标记, Qt::Key_Return);
    qint64 position = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (position = sounds.positionMs()) >= 0; }, 5000));
    EXPECT_NEAR(double(position), inSound[1].seconds * 1000.0, 1000.0);
    sounds.stop();
    EXPECT_TRUE(t->env.dialogs.messages().isEmpty()) << t->env.dialogs.messageTexts().join(u'\n').toStdString();
}

TEST(TimeMarkList, OnlyRecordingsStillLinkedGiveTheirMarks) {
    archive::CustodyEntry sound;
    sound.event = archive::custody::kRecordingSaved;
    sound.files = {{QStringLiteral("BL/a.wav"), QStringLiteral("00")}};
    sound.details = timemarks::journalDetails({{QStringLiteral("问1"), 5}, {QStringLiteral("答1"), 3725}});
    archive::CustodyEntry unlinked = sound;
    unlinked.files = {{QStringLiteral("BL/b.wav"), QStringLiteral("00")}};
    archive::CustodyEntry printed = sound;
    printed.event = archive::custody::kPrinted;
    const QList<archive::RecordingMark> marks =
        archive::marksIn({sound.line(), unlinked.line(), printed.line()}, {QStringLiteral("BL/a.wav")});
    EXPECT_EQ(archive::marksText(marks), QStringLiteral("问1\ta.wav\t00:00:05\n答1\ta.wav\t01:02:05\n"));
}

} // namespace
