// Closing the window or "退出" while a recording or a capture runs, or a recording is not saved:
// each is asked about (save, discard, go back), and going back loses nothing.
#include "AudioTestTools.h"
#include "TestProgram.h"
#include "VideoFileFacts.h"
#include "platform/Fingerprint.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace audiotest;

namespace {

const QString kRecordingRuns =
    "提示：|正在录音，录音还没有保存。\n保存：停止录音并保存；放弃：停止录音并删除它；返回：继续录音。";
const QString kRecordingUnsaved =
    "提示：|录音还没有保存。\n保存：选择文件名保存录音；放弃：删除这段录音；返回：回到程序。";

class ExitPrompts : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true");
        qputenv("QUILLON_VIDEO_SOURCE", "videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");
        p = std::make_unique<TestProgram>();
        ASSERT_TRUE(p->start());
    }
    void TearDown() override
    {
        qunsetenv("QUILLON_AUDIO_SOURCE");
        qunsetenv("QUILLON_VIDEO_SOURCE");
    }

    MainWindow& w() { return p->w(); }
    ScriptedDialogs& dialogs() { return p->env.dialogs; }
    AudioRecorder& recorder() { return p->program.components().录音1; }
    VideoCapture& capture() { return p->program.components().视频设备1; }
    static QString captureText(const QString& file)
    {
        return QStringLiteral("提示：|正在录像取证，录像文件 <%1>。\n"
                              "保存：结束录像并保留文件；放弃：结束录像并删除文件；返回：继续录像。")
            .arg(file);
    }
    void startBoth()
    {
        w().按钮录音->click();
        ASSERT_TRUE(waitUntil([&] { return recorder().recordedBytes() >= 4096; }));
        w().actStartCapture->trigger();
        ASSERT_TRUE(capture().isCapturing());
    }
    // "退出" inside the event loop: 0 when it ended the loop, 7 when the program went on.
    int exitCommand()
    {
        QTimer::singleShot(0, [this] {
            w().actExit->trigger();
            // Reached by the loop only when the command did not end it.
            QTimer::singleShot(0, [] { QCoreApplication::exit(7); });
        });
        return QApplication::exec();
    }

    std::unique_ptr<TestProgram> p;
};

} // namespace

TEST_F(ExitPrompts, EachRunningRecordingAndCaptureIsAskedAboutAndGoingBackLosesNothing)
{
    startBoth();
    const QString recording = recorder().file();
    const QString file = capture().file();

    dialogs().answerNext(Dialogs::Answer::Cancel);
    EXPECT_FALSE(w().close());
    EXPECT_EQ(dialogs().messageTexts(), QStringList{kRecordingRuns});
    EXPECT_EQ(dialogs().messages()[0].buttons, Dialogs::Buttons::SaveDiscardCancel);
    EXPECT_TRUE(w().isVisible());
    const qint64 before = recorder().recordedBytes();
    EXPECT_TRUE(waitUntil([&] { return recorder().recordedBytes() > before + 4096; })) << "still recording";
    EXPECT_TRUE(capture().isCapturing());

    // The recording saved, the capture kept running: the window stays.
    const QString saved = p->env.programDir() + "/saved.wav";
    dialogs().answerNext(Dialogs::Answer::Save);
    dialogs().chooseNext(saved);
    dialogs().answerNext(Dialogs::Answer::Cancel);
    EXPECT_FALSE(w().close());
    EXPECT_EQ(dialogs().messageTexts().mid(1), (QStringList{kRecordingRuns, captureText(file)}));
    EXPECT_EQ(fingerprint::check(saved), fingerprint::Check::Ok);
    EXPECT_FALSE(QFileInfo::exists(recording));
    EXPECT_TRUE(capture().isCapturing());

    // "退出" asks the same: going back, then saving the capture, which ends the program.
    dialogs().answerNext(Dialogs::Answer::Cancel);
    EXPECT_EQ(exitCommand(), 7);
    EXPECT_TRUE(capture().isCapturing());
    dialogs().answerNext(Dialogs::Answer::Save);
    EXPECT_EQ(exitCommand(), 0);
    EXPECT_EQ(dialogs().messageTexts().mid(3), (QStringList{captureText(file), captureText(file)}));
    const AviFacts avi = readAviFacts(file);
    EXPECT_TRUE(avi.hasIndex);
    EXPECT_EQ(avi.totalFrames, quint32(avi.storedFrames));
    EXPECT_EQ(fingerprint::check(file), fingerprint::Check::Ok);
}

TEST_F(ExitPrompts, AnUnsavedRecordingAndACaptureAreRemovedOnlyWhenDiscarded)
{
    startBoth();
    const QString file = capture().file();
    w().按钮4->click(); // the save dialog cancelled: stopped, not saved
    const QString recording = recorder().file();
    ASSERT_TRUE(QFileInfo::exists(recording));

    dialogs().answerNext(Dialogs::Answer::Discard);
    dialogs().answerNext(Dialogs::Answer::Discard);
    EXPECT_TRUE(w().close());
    EXPECT_EQ(dialogs().messageTexts().mid(1), (QStringList{kRecordingUnsaved, captureText(file)}));
    EXPECT_FALSE(QFileInfo::exists(recording));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(fingerprint::sidecarPath(file)));
    EXPECT_EQ(QDir(p->env.programDir() + "/recovery").entryList(QDir::Files), QStringList{"instance.lock"});
}
