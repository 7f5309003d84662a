// The recording panel through the real window and event table: the state table with its transitions,
// the status texts, the elapsed-time label and slider, the save dialog with the recording moved out
// of the recovery folder and fingerprinted, and the playback choice.
#include "AudioTestTools.h"
#include "TestProgram.h"

#include "platform/Fingerprint.h"
#include "recording/AudioPlayer.h"
#include "recording/AudioRecorder.h"
#include "recording/RecordingPanel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace audiotest;

namespace {

const QString Idle = "录音 E | 暂停 VD | 继续 HE | 按钮4 D | 时钟1 0";
const QString Recording = "录音 D | 暂停 VE | 继续 HE | 按钮4 E | 时钟1 1000";
const QString Paused = "录音 D | 暂停 HE | 继续 VE | 按钮4 E | 时钟1 0";
const QString StoppedFromRecording = "录音 E | 暂停 VD | 继续 HD | 按钮4 E | 时钟1 0";
const QString SavedFromRecording = "录音 E | 暂停 VD | 继续 HD | 按钮4 D | 时钟1 0";
const QString NoFileName = "提示：|没有输入WAV音频文件名称，请重新保存。";
const QString Unsaved =
    "提示：|上一段录音还没有保存。\n保存：先保存它；放弃：不要它，开始新的录音；返回：不开始新的录音。";

class Panel : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true freq=1000");
        ASSERT_TRUE(t.start());
        // The status clock would rewrite pane 0 every second under the assertions on its text.
        w().时钟2->stop();
        w().show();
        w().actOpenRecording->trigger();
        ASSERT_TRUE(w().分组框5->isVisible());
    }
    void TearDown() override { qunsetenv("QUILLON_AUDIO_SOURCE"); }

    MainWindow& w() { return t.w(); }
    ScriptedDialogs& dialogs() { return t.env.dialogs; }
    AudioRecorder& recorder() { return t.program.components().录音1; }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList recoveryFiles() const {
        return QDir(t.env.programDir() + "/recovery").entryList({"*.wav"}, QDir::Files);
    }

    QString state() {
        const auto flags = [](QPushButton* b, bool withVisibility) {
            return QString(withVisibility ? (b->isHidden() ? "H" : "V") : "") + (b->isEnabled() ? "E" : "D");
        };
        return QStringLiteral("录音 %1 | 暂停 %2 | 继续 %3 | 按钮4 %4 | 时钟1 %5")
            .arg(flags(w().按钮录音, false), flags(w().按钮暂停, true), flags(w().按钮继续, true),
                 flags(w().按钮4, false))
            .arg(w().时钟1->isActive() ? w().时钟1->interval() : 0);
    }

    bool recordAtLeast(qint64 bytes) {
        return waitUntil([&] { return recorder().recordedBytes() >= bytes; });
    }

    QTemporaryDir dir;
    TestProgram t;
};

} // namespace

TEST_F(Panel, MenuShowsAndHidesThePanelWhileTheRecordingGoesOn) {
    EXPECT_EQ(state(), Idle);
    click(w().按钮录音);
    w().actCloseRecording->trigger();
    EXPECT_FALSE(w().分组框5->isVisible());
    EXPECT_EQ(state(), Recording);
    const qint64 before = recorder().recordedBytes();
    ASSERT_TRUE(recordAtLeast(before + 4096));
    w().actOpenRecording->trigger();
    EXPECT_TRUE(w().分组框5->isVisible());
    EXPECT_TRUE(recorder().isCapturing());
}

TEST_F(Panel, RecordPauseContinueAndSave) {
    EXPECT_EQ(state(), Idle);
    click(w().按钮录音);
    EXPECT_EQ(state(), Recording);
    EXPECT_EQ(w().statusText(), "笔录.录音开始...");
    EXPECT_EQ(w().标签14->text(), "0:0:0");
    // One real tick of 时钟1 through the event table.
    ASSERT_TRUE(waitUntil([&] { return w().标签14->text() == "0:0:1"; }, 3000));
    EXPECT_EQ(w().滑块条1->value(), 2);

    click(w().按钮暂停);
    EXPECT_EQ(state(), Paused);
    EXPECT_EQ(w().statusText(), "笔录.暂停录音...");
    EXPECT_TRUE(recorder().isPaused());

    click(w().按钮继续);
    EXPECT_EQ(state(), Recording);
    EXPECT_EQ(w().statusText(), "笔录.继续录音...");
    EXPECT_FALSE(recorder().isPaused());
    ASSERT_TRUE(recordAtLeast(16000));

    dialogs().chooseNext(path("询问录音.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), SavedFromRecording);
    EXPECT_EQ(w().statusText(), "笔录.录音保存成功...");
    EXPECT_TRUE(dialogs().messages().isEmpty());
    ASSERT_EQ(dialogs().fileSpecs.size(), 1);
    EXPECT_EQ(dialogs().fileSpecs[0].filter, "WAV录音文件|*.wav");
    EXPECT_EQ(dialogs().fileSpecs[0].defaultExtension, "WAV");
    EXPECT_TRUE(dialogs().fileSpecs[0].confirmOverwrite);
    EXPECT_EQ(dialogs().initialNames, QStringList{QString()});
    EXPECT_EQ(w().通用对话框1FileName, path("询问录音.wav"));

    const QByteArray file = readFile(path("询问录音.wav"));
    ASSERT_GE(file.size(), 44 + 16000);
    EXPECT_EQ(file.left(44), wav::header(AudioFormat{1, 8000, 16}, quint32(file.size() - 44)));
    EXPECT_EQ(file.size() - 44, recorder().recordedBytes());
    EXPECT_NEAR(dominantFrequency(samplesOf(file.mid(44)), 8000), 1000, 20);
    // Moved out of the recovery folder, with its fingerprint beside it, and told to the archive.
    EXPECT_TRUE(recoveryFiles().isEmpty()) << recoveryFiles().join(' ').toStdString();
    EXPECT_EQ(fingerprint::check(path("询问录音.wav")), fingerprint::Check::Ok);
    ASSERT_EQ(t.env.journal.events.size(), 1);
    EXPECT_EQ(t.env.journal.events[0].kind, JournalEvent::Kind::RecordingSaved);
    EXPECT_EQ(t.env.journal.events[0].files, QStringList{path("询问录音.wav")});
}

TEST_F(Panel, StopAndSaveRightAfterStartKeepsWhatWasCaptured) {
    click(w().按钮录音);
    dialogs().chooseNext(path("short.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), SavedFromRecording);
    EXPECT_EQ(w().标签14->text(), "0:0:0");
    const QByteArray file = readFile(path("short.wav"));
    EXPECT_EQ(le32(file, 40), quint32(file.size() - 44));
    EXPECT_EQ(file.size() - 44, recorder().recordedBytes());
}

TEST_F(Panel, StopWhilePausedThenANewRecordingOnlyOnTheUsersWord) {
    click(w().按钮录音);
    ASSERT_TRUE(recordAtLeast(8000));
    click(w().按钮暂停);
    click(w().按钮4); // no name chosen
    EXPECT_EQ(state(), "录音 E | 暂停 HD | 继续 VD | 按钮4 E | 时钟1 0");
    EXPECT_EQ(dialogs().messageTexts(), QStringList{NoFileName});
    const QString first = recorder().file();
    const QByteArray firstRecording = readFile(first);

    // The unsaved recording is asked about; going back starts nothing and keeps it.
    dialogs().answerNext(Dialogs::Answer::Cancel);
    click(w().按钮录音);
    EXPECT_EQ(dialogs().messageTexts().last(), Unsaved);
    EXPECT_EQ(dialogs().messages().last().buttons, Dialogs::Buttons::SaveDiscardCancel);
    EXPECT_EQ(state(), "录音 E | 暂停 HD | 继续 VD | 按钮4 E | 时钟1 0");
    EXPECT_EQ(readFile(first), firstRecording);

    // Saved, it leaves the recovery folder; the new recording, started in the same second of the
    // fixed clock, takes its name there and keeps its file.
    dialogs().answerNext(Dialogs::Answer::Save);
    dialogs().chooseNext(path("first.wav"));
    click(w().按钮录音);
    EXPECT_EQ(readFile(path("first.wav")), firstRecording);
    EXPECT_EQ(state(), "录音 D | 暂停 HE | 继续 VE | 按钮4 E | 时钟1 1000");
    EXPECT_EQ(recorder().file(), first);
    ASSERT_TRUE(recordAtLeast(4096));
    EXPECT_TRUE(QFileInfo::exists(first));
    click(w().按钮4); // no name chosen
    const QString second = recorder().file();

    // Given up (asked once more), it goes aside once the new recording runs, which takes the next
    // name of the second and shows 继续 enabled in 暂停's place.
    qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true freq=440");
    const QByteArray secondRecording = readFile(second);
    dialogs().answerNext(Dialogs::Answer::Discard);
    dialogs().answerNext(Dialogs::Answer::Discard);
    click(w().按钮录音);
    EXPECT_EQ(state(), "录音 D | 暂停 HE | 继续 VE | 按钮4 E | 时钟1 1000");
    EXPECT_EQ(w().statusText(), "笔录.录音开始...");
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(recorder().file(), second.chopped(4) + "-2.wav");
    EXPECT_EQ(recoveryFiles().size(), 1);
    EXPECT_EQ(readFile(t.env.programDir() + "/recovery/discarded/20130203-090500_" + QFileInfo(second).fileName()),
              secondRecording);

    // 继续 on a running recording brings 暂停 back and the recording simply goes on.
    click(w().按钮继续);
    EXPECT_EQ(state(), Recording);
    EXPECT_EQ(w().statusText(), "笔录.继续录音...");
    ASSERT_TRUE(recordAtLeast(16000 + 4000));

    dialogs().chooseNext(path("second.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), SavedFromRecording);
    const QByteArray file = readFile(path("second.wav"));
    EXPECT_EQ(file.size() - 44, recorder().recordedBytes());
    EXPECT_NEAR(dominantFrequency(samplesOf(file.mid(44)), 8000), 440, 10);
}

TEST_F(Panel, CancellingTheSaveDialogTwiceThenSavingKeepsTheSameRecording) {
    click(w().按钮录音);
    ASSERT_TRUE(recordAtLeast(8000));
    click(w().按钮4);
    EXPECT_EQ(state(), StoppedFromRecording);
    EXPECT_EQ(w().statusText(), "录音停止！请选择保存录音笔录的文件名称...");
    const QByteArray recorded = readFile(recorder().file());
    click(w().按钮4);
    EXPECT_EQ(state(), StoppedFromRecording);
    EXPECT_EQ(dialogs().messageTexts(), (QStringList{NoFileName, NoFileName}));

    dialogs().chooseNext(path("third.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), SavedFromRecording);
    EXPECT_EQ(readFile(path("third.wav")), recorded);
    EXPECT_EQ(dialogs().fileSpecs.size(), 3);

    // The next save dialog offers the name chosen last.
    click(w().按钮录音);
    click(w().按钮4);
    EXPECT_EQ(dialogs().initialNames.last(), path("third.wav"));
}

TEST_F(Panel, ElapsedTimeCarriesAndTheSliderHoldsAtItsMaximum) {
    click(w().按钮录音);
    Services& s = t.env.services;
    RecordingTime& time = t.program.components().recordingTime;
    const auto tick = [&](int count) {
        for (int i = 0; i < count; ++i)
            AdvanceRecordingTime(w(), s, time);
    };
    tick(59);
    EXPECT_EQ(w().标签14->text(), "0:0:59");
    EXPECT_EQ(w().滑块条1->value(), 60);
    tick(1);
    EXPECT_EQ(w().标签14->text(), "0:1:0");
    tick(887 - 60);
    EXPECT_EQ(w().滑块条1->value(), 888);
    tick(1);
    EXPECT_EQ(w().滑块条1->value(), 888);
    tick(3599 - 888);
    EXPECT_EQ(w().标签14->text(), "0:59:59");
    tick(1);
    EXPECT_EQ(w().标签14->text(), "1:0:0");
    EXPECT_EQ(w().滑块条1->value(), 888);
    tick(3600 * 99 + 62);
    EXPECT_EQ(w().标签14->text(), "100:1:2");

    // A new recording counts from zero again.
    dialogs().chooseNext(path("long.wav"));
    click(w().按钮4);
    click(w().按钮录音);
    EXPECT_EQ(w().标签14->text(), "0:0:0");
    EXPECT_EQ(w().滑块条1->value(), 1);
    tick(1);
    EXPECT_EQ(w().标签14->text(), "0:0:1");
}

TEST_F(Panel, RecordingThatCannotStartIsReportedAndKeepsThePanelAndAnUnsavedRecording) {
    qputenv("QUILLON_AUDIO_SOURCE", "pulsesrc server=unix:/nonexistent/pulse/native");
    w().setStatusText("before");
    click(w().按钮录音);
    EXPECT_EQ(state(), Idle);
    EXPECT_EQ(w().statusText(), "before");
    ASSERT_EQ(dialogs().messages().size(), 1);
    EXPECT_EQ(dialogs().messages()[0].caption, "提 示：");
    EXPECT_TRUE(dialogs().messages()[0].text.startsWith("录音无法开始："));
    EXPECT_FALSE(recorder().isCapturing());
    EXPECT_TRUE(recoveryFiles().isEmpty());

    qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true");
    click(w().按钮录音);
    ASSERT_TRUE(recordAtLeast(4096));
    click(w().按钮4); // cancelled
    const QByteArray kept = readFile(recorder().file());
    qputenv("QUILLON_AUDIO_SOURCE", "no_such_element_anywhere");
    dialogs().answerNext(Dialogs::Answer::Discard);
    dialogs().answerNext(Dialogs::Answer::Discard);
    click(w().按钮录音);
    EXPECT_EQ(state(), StoppedFromRecording);
    EXPECT_TRUE(dialogs().messageTexts().last().startsWith("提 示：|录音无法开始："));
    EXPECT_EQ(recoveryFiles().size(), 1) << "given up only once a new recording runs";

    dialogs().chooseNext(path("kept.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), SavedFromRecording);
    EXPECT_EQ(readFile(path("kept.wav")), kept);

    // A file where the recovery folder belongs: the message names it, not the device.
    const QString folder = t.env.programDir() + "/recovery";
    ASSERT_TRUE(QDir(folder).removeRecursively());
    writeFile(folder, "not a folder");
    click(w().按钮录音);
    EXPECT_EQ(state(), SavedFromRecording);
    EXPECT_EQ(dialogs().messageTexts().last(),
              QStringLiteral("提 示：|录音无法开始：恢复目录 <%1> 无法建立：同名的文件占用了目录的位置。").arg(folder));
}

TEST_F(Panel, FailedSaveIsReportedAndCanBeRetried) {
    click(w().按钮录音);
    ASSERT_TRUE(recordAtLeast(4096));
    dialogs().chooseNext(path("no/such/folder/a.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), StoppedFromRecording);
    EXPECT_EQ(w().statusText(), "笔录.录音保存失败...");
    ASSERT_EQ(dialogs().messages().size(), 1);
    EXPECT_EQ(dialogs().messages()[0].caption, "提示：");
    EXPECT_TRUE(dialogs().messages()[0].text.contains("没有保存成功"));

    dialogs().chooseNext(path("a.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), SavedFromRecording);
    EXPECT_EQ(w().statusText(), "笔录.录音保存成功...");
    EXPECT_EQ(readFile(path("a.wav")).size() - 44, recorder().recordedBytes());
}

TEST_F(Panel, PlaybackOfAChosenWavFile) {
    AudioPlayer& player = t.program.components().player;
    const QString tonePath = path("录音/a.wav");
    QDir().mkpath(path("录音"));
    writeWav(tonePath, tone(1000, 8000, 20));

    dialogs().chooseNext(tonePath);
    click(w().按钮播放);
    EXPECT_EQ(dialogs().shown.last().kind, "browse");
    EXPECT_EQ(dialogs().shown.last().caption, " ");
    EXPECT_EQ(w().statusText(), "笔录.录音播放中...");
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(dialogs().messages().isEmpty());

    click(w().暂停);
    EXPECT_FALSE(player.isPlaying());
    click(w().暂停);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(Panel, PlaybackTakesTheDialogsUpperCaseExtensionAndRefusesOtherPaths) {
    AudioPlayer& player = t.program.components().player;
    // What "停止保存" writes when no extension is typed: the dialog appends its default "WAV".
    const QString upper = path("rec1.WAV");
    const QString other = path("rec1.mp3");
    writeWav(upper, tone(1000, 8000, 20));
    ASSERT_TRUE(QFile::copy(upper, other));
    dialogs().chooseNext(upper);
    click(w().按钮播放);
    EXPECT_EQ(w().statusText(), "笔录.录音播放中...");
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(dialogs().messages().isEmpty());
    click(w().暂停);

    w().setStatusText("before");
    dialogs().chooseNext(other);
    click(w().按钮播放);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(w().statusText(), "before");

    click(w().按钮播放); // browse cancelled
    const QString bad = "提 示：|音频文件不正确，请选择正确音频文件播放...";
    EXPECT_EQ(dialogs().messageTexts(), (QStringList{bad, bad}));
}

TEST_F(Panel, DeviceFailingDuringARecordingIsReportedAndWhatCameBeforeCanBeSaved) {
    // 100 ms buffers; the source breaks after the fifth.
    qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true samplesperbuffer=800 ! identity error-after=5");
    click(w().按钮录音);
    EXPECT_EQ(state(), Recording);
    ASSERT_TRUE(waitUntil([&] { return !dialogs().messages().isEmpty(); }));
    EXPECT_EQ(state(), StoppedFromRecording);
    EXPECT_EQ(w().statusText(), "笔录.录音已中断...");
    EXPECT_EQ(dialogs().messages()[0].caption, "提 示：");
    EXPECT_TRUE(dialogs().messages()[0].text.startsWith("录音已中断：录音设备出错："));
    EXPECT_FALSE(recorder().isCapturing());

    dialogs().chooseNext(path("cut.wav"));
    click(w().按钮4);
    EXPECT_EQ(state(), SavedFromRecording);
    EXPECT_EQ(dialogs().messages().size(), 1);
    const QByteArray file = readFile(path("cut.wav"));
    EXPECT_GT(file.size(), 44);
    EXPECT_EQ(file.size() - 44, recorder().recordedBytes());
}
