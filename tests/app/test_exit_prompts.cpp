// Closing the window or "退出" while a recording or a capture runs, or a recording is not saved:
// each is asked about (save, discard, go back), going back loses nothing, and discarding, asked once
// more, keeps the files aside for thirty days.
#include "AudioTestTools.h"
#include "TestProgram.h"
#include "VideoFileFacts.h"
#include "app/WindowCommands.h"
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
    "提示：|正在录音，录音还没有保存。\n保存：停止录音并保存；放弃：停止录音，不要它；返回：继续录音。";
const QString kRecordingUnsaved =
    "提示：|录音还没有保存。\n保存：选择文件名保存录音；放弃：不要这段录音；返回：回到程序。";

class ExitPrompts : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true");
        qputenv("QUILLON_VIDEO_SOURCE", "videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");
        p = std::make_unique<TestProgram>();
        ASSERT_TRUE(p->start());
    }
    void TearDown() override {
        qunsetenv("QUILLON_AUDIO_SOURCE");
        qunsetenv("QUILLON_VIDEO_SOURCE");
    }

    MainWindow& w() { return p->w(); }
    ScriptedDialogs& dialogs() { return p->env.dialogs; }
    AudioRecorder& recorder() { return p->program.components().录音1; }
    VideoCapture& capture() { return p->program.components().视频设备1; }
    static QString captureText(const QString& file) {
        return QStringLiteral("提示：|正在录像取证，录像文件 <%1>。\n"
                              "保存：结束录像并保留文件；放弃：结束录像，不要这个文件；返回：继续录像。")
            .arg(file);
    }
    void startBoth() {
        w().按钮录音->click();
        ASSERT_TRUE(waitUntil([&] { return recorder().recordedBytes() >= 4096; }));
        w().actStartCapture->trigger();
        ASSERT_TRUE(capture().isCapturing());
    }
    // "退出" inside the event loop: 0 when it ended the loop, 7 when the program went on.
    int exitCommand() {
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

TEST_F(ExitPrompts, EachRunningRecordingAndCaptureIsAskedAboutAndGoingBackLosesNothing) {
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

TEST_F(ExitPrompts, AnUnsavedRecordingAndACaptureAreGivenUpOnlyOnASecondWordAndKeptAsideForThirtyDays) {
    startBoth();
    const QString file = capture().file();
    w().按钮4->click(); // the save dialog cancelled: stopped, not saved
    const QString recording = recorder().file();
    const QByteArray recorded = readFile(recording);
    ASSERT_GT(recorded.size(), 44);
    const QString recovery = p->env.programDir() + "/recovery";

    // "放弃", then "取消" at the second question, its default: nothing is given up, the program goes on.
    dialogs().answerNext(Dialogs::Answer::Discard);
    EXPECT_FALSE(w().close());
    const QList<ShownBox> asked = dialogs().messages();
    ASSERT_EQ(asked.size(), 3) << dialogs().messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(asked[1].caption + '|' + asked[1].text, kRecordingUnsaved);
    EXPECT_EQ(asked[2].buttons, Dialogs::Buttons::DiscardCancel);
    EXPECT_EQ(asked[2].text, QStringLiteral("确实要放弃这段录音吗？\n开始时间：2013年2月3日9时5分\n录音长度：0:0:%1\n"
                                            "放弃后文件移到 <%2/discarded/>，30 天后由程序删除。")
                                 .arg((recorded.size() - 44) / 16000)
                                 .arg(recovery));
    EXPECT_EQ(readFile(recording), recorded);
    EXPECT_TRUE(capture().isCapturing());

    // "放弃" twice for each: both files go into the discarded folder, named by the time they went.
    for (int i = 0; i < 4; ++i)
        dialogs().answerNext(Dialogs::Answer::Discard);
    EXPECT_TRUE(w().close());
    const QStringList texts = dialogs().messageTexts().mid(3);
    ASSERT_EQ(texts.size(), 4) << texts.join(u'\n').toStdString();
    EXPECT_EQ(texts[2], captureText(file));
    EXPECT_TRUE(texts[3].startsWith(
        QStringLiteral("提 示：|确实要放弃这段录像吗？\n录像文件：%1\n开始时间：2013年2月3日9时5分\n"
                       "录像长度：0:0:")
            .arg(file)))
        << texts[3].toStdString();
    EXPECT_FALSE(QFileInfo::exists(recording));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(QDir(recovery).entryList(QDir::Files), QStringList{"instance.lock"});
    const QString discarded = recovery + "/discarded/20130203-090500_";
    EXPECT_EQ(readFile(discarded + "录音-20130203-090500.wav"), recorded);
    const AviFacts kept = readAviFacts(discarded + "2013年2月3日9时5分.avi");
    EXPECT_GT(kept.storedFrames, 0);
    EXPECT_EQ(kept.totalFrames, quint32(kept.storedFrames));
    EXPECT_TRUE(QFileInfo::exists(discarded + "2013年2月3日9时5分.avi.sha256"));

    // Thirty days on, a start removes them.
    p->env.clock.time = p->env.clock.time.addDays(29);
    OfferRecovery(w(), p->env.services, p->program.components(), p->program.recovery());
    EXPECT_EQ(QDir(recovery + "/discarded").entryList(QDir::Files).size(), 3);
    p->env.clock.time = p->env.clock.time.addDays(1);
    OfferRecovery(w(), p->env.services, p->program.components(), p->program.recovery());
    EXPECT_TRUE(QDir(recovery + "/discarded").entryList(QDir::Files).isEmpty());
}
