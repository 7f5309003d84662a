// A real program killed while it records, captures and holds an unsaved form, and one ended by
// SIGTERM: the next start in the same program directory repairs the capture and offers the recording
// and the form, with nothing lost beyond the last second.
#include "AudioTestTools.h"
#include "TestServices.h"
#include "VideoFileFacts.h"
#include "app/Program.h"
#include "net/WebClient.h"
#include "platform/Fingerprint.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using namespace audiotest;

namespace {

constexpr int BytesPerSecond = 16000;

// The program_driver child on a program directory: what it started, by the lines it prints.
class Child {
public:
    Child(const QString& programDir, const QStringList& actions)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUILLON_HOME", programDir);
        environment.insert("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true freq=1000");
        environment.insert("QUILLON_VIDEO_SOURCE",
                           "videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/tests/bin/program_driver", actions);
        m_clock.start();
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process.processId()), SIGKILL);
            m_process.waitForFinished(5000);
        }
    }

    // The lines up to READY (or the given last line), keyed by their first word, with the time each came.
    bool waitUntilReady(const QString& last = "READY")
    {
        while (m_clock.elapsed() < 30000) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                if (line == last)
                    return true;
                const qsizetype space = line.indexOf(' ');
                m_said.insert(line.left(space), line.mid(space + 1));
                m_saidAt.insert(line.left(space), m_clock.elapsed());
            }
            if (!m_process.waitForReadyRead(1000) && m_process.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }
    QString said(const QString& word) const { return m_said.value(word); }
    // Seconds from the line that said word (printed as soon as that thing had started) to now.
    double secondsSince(const QString& word) const { return (m_clock.elapsed() - m_saidAt.value(word)) / 1000.0; }
    QStringList dialogs() const { return m_said.values("DIALOG"); }

    void signal(int number) { ::kill(pid_t(m_process.processId()), number); }
    bool waitForEnd() { return m_process.waitForFinished(15000); }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QElapsedTimer m_clock;
    QMultiMap<QString, QString> m_said;
    QMap<QString, qint64> m_saidAt;
};

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

// The real program started again on the same program directory, dialogs scripted.
struct SecondStart {
    explicit SecondStart(TestServices& env) : program(env.services) { program.components().webClient = &web; }
    WebClient web;
    Program program;
};

void expectFinishedAvi(const QString& file)
{
    const AviFacts avi = readAviFacts(file);
    ASSERT_TRUE(avi.riff) << file.toStdString();
    EXPECT_GT(avi.storedFrames, 0);
    EXPECT_EQ(avi.totalFrames, quint32(avi.storedFrames));
    EXPECT_EQ(avi.streamLength, quint32(avi.storedFrames));
    EXPECT_TRUE(avi.hasIndex);
    EXPECT_EQ(avi.indexEntries, avi.storedFrames);
}

} // namespace

TEST(CrashRecovery, AfterKillNineTheCaptureIsRepairedAndTheRecordingAndTheFormAreOffered)
{
    TestServices env;
    const QString recovery = env.programDir() + "/recovery";
    auto child = std::make_unique<Child>(env.programDir(), QStringList{"record", "capture", "form"});
    ASSERT_TRUE(child->waitUntilReady()) << child->process().errorString().toStdString();
    ASSERT_TRUE(child->dialogs().isEmpty()) << child->dialogs().join('\n').toStdString();
    const QString recording = child->said("RECORDING");
    const QString capture = child->said("CAPTURING");
    ASSERT_TRUE(recording.startsWith(recovery + "/录音-")) << recording.toStdString();
    ASSERT_TRUE(QFileInfo::exists(child->said("FORM")));

    ASSERT_TRUE(waitUntil([&] { return fileSize(recording) >= 44 + 3 * BytesPerSecond; }, 15000));
    child->signal(SIGKILL);
    const double recordedFor = child->secondsSince("RECORDING");
    const double capturedFor = child->secondsSince("CAPTURING");
    ASSERT_TRUE(child->waitForEnd());
    child.reset();
    ASSERT_EQ(readAviFacts(capture).totalFrames, 0u) << "the killed muxer never finished the header";

    const QString saved = env.programDir() + "/询问录音.wav";
    env.dialogs.answerNext(Dialogs::Answer::Ok);   // the capture was repaired
    env.dialogs.answerNext(Dialogs::Answer::Save); // the recording
    env.dialogs.chooseNext(saved);
    env.dialogs.answerNext(Dialogs::Answer::Yes); // the form
    SecondStart second(env);
    ASSERT_TRUE(second.program.start());

    const QList<ShownBox> boxes = env.dialogs.messages();
    ASSERT_EQ(boxes.size(), 3) << env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("上次录像取证没有正常结束，录像文件 <%1> 已经修复：").arg(capture)))
        << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[1].text.startsWith("上次程序没有正常结束，留下一段没有保存的录音：\n开始时间："))
        << boxes[1].text.toStdString();
    EXPECT_EQ(boxes[1].buttons, Dialogs::Buttons::SaveDiscardKeep);
    EXPECT_TRUE(boxes[2].text.contains("宏达公司-张三")) << boxes[2].text.toStdString();
    EXPECT_EQ(boxes[2].buttons, Dialogs::Buttons::RestoreDiscardKeep);

    // The recording: a playable WAV of the recorded length, moved out of the recovery folder.
    const QByteArray wav = readFile(saved);
    ASSERT_GT(wav.size(), 44);
    EXPECT_EQ(le32(wav, 40), quint32(wav.size() - 44));
    const double seconds = double(wav.size() - 44) / BytesPerSecond;
    EXPECT_LE(seconds, recordedFor + 1.0);
    EXPECT_GE(seconds, recordedFor - 1.0);
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("录音长度：0:0:%1").arg(int(seconds)))) << boxes[1].text.toStdString();
    EXPECT_NEAR(dominantFrequency(samplesOf(wav.mid(44)), 8000), 1000, 20);
    EXPECT_EQ(fingerprint::check(saved), fingerprint::Check::Ok);

    // The capture: header counts and index rebuilt, as long as it ran.
    expectFinishedAvi(capture);
    const DiscovererFacts facts = discover(capture);
    ASSERT_TRUE(facts.ran) << facts.output.toStdString();
    EXPECT_LE(facts.durationSeconds, capturedFor + 1.0);
    EXPECT_GE(facts.durationSeconds, capturedFor - 1.0);
    EXPECT_EQ(fingerprint::check(capture), fingerprint::Check::Ok);

    // The form: back in the window, and kept by this program's own recovery file.
    MainWindow& w = second.program.window();
    EXPECT_EQ(w.编辑框9->text(), "张三");
    EXPECT_EQ(w.编辑框14->text(), "宏达公司");
    EXPECT_EQ(w.组合框4->currentText(), "问：你在哪里工作？");
    EXPECT_EQ(w.超级编辑框2->toPlainText(), "当场查获");
    EXPECT_EQ(QDir(recovery).entryList(QDir::Files),
              (QStringList{"instance.lock", QFileInfo(second.program.components().formRecovery.file()).fileName()}));
}

TEST(CrashRecovery, SigtermFinishesTheCaptureAndKeepsTheRecordingAndTheFormForTheNextStart)
{
    TestServices env;
    const QString recovery = env.programDir() + "/recovery";
    Child child(env.programDir(), {"record", "capture", "form"});
    ASSERT_TRUE(child.waitUntilReady());
    const QString recording = child.said("RECORDING");
    const QString capture = child.said("CAPTURING");
    const QString form = QFileInfo(child.said("FORM")).fileName();
    ASSERT_TRUE(waitUntil([&] { return fileSize(recording) >= 44 + 2 * BytesPerSecond; }, 15000));
    child.signal(SIGTERM);
    ASSERT_TRUE(child.waitForEnd());
    EXPECT_EQ(child.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.process().exitCode(), 0);

    // Finished by the program itself, before it ended: nothing left to repair.
    expectFinishedAvi(capture);
    EXPECT_EQ(fingerprint::check(capture), fingerprint::Check::Ok);
    const QByteArray kept = readFile(recording);
    EXPECT_EQ(le32(kept, 40), quint32(kept.size() - 44)) << "the recording's header is final";

    // The next start offers the recording and the form; discarding either is the user's word, and
    // a form kept for later is offered again at the start after.
    env.dialogs.answerNext(Dialogs::Answer::Discard);
    env.dialogs.answerNext(Dialogs::Answer::Cancel);
    {
        SecondStart second(env);
        ASSERT_TRUE(second.program.start());
        const QList<ShownBox> boxes = env.dialogs.messages();
        ASSERT_EQ(boxes.size(), 2) << env.dialogs.messageTexts().join('\n').toStdString();
        EXPECT_TRUE(boxes[0].text.contains("留下一段没有保存的录音"));
        EXPECT_TRUE(boxes[1].text.contains("宏达公司-张三")) << boxes[1].text.toStdString();
        EXPECT_EQ(QDir(recovery).entryList(QDir::Files), (QStringList{"instance.lock", form}));
    }
    env.dialogs.shown.clear();
    env.dialogs.answerNext(Dialogs::Answer::Discard);
    SecondStart third(env);
    ASSERT_TRUE(third.program.start());
    ASSERT_EQ(env.dialogs.messages().size(), 1) << env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(env.dialogs.messages()[0].text.contains("宏达公司-张三"));
    EXPECT_EQ(QDir(recovery).entryList(QDir::Files), QStringList{"instance.lock"});
}

TEST(CrashRecovery, SigtermAtThePasswordWindowLeavesNoFormToOffer)
{
    TestServices env;
    Child child(env.programDir(), {"locked"});
    ASSERT_TRUE(child.waitUntilReady("PASSWORD"));
    child.signal(SIGTERM);
    ASSERT_TRUE(child.waitForEnd());
    EXPECT_EQ(child.process().exitStatus(), QProcess::NormalExit);

    // Nothing had been typed: the next start has nothing to offer.
    SecondStart second(env);
    ASSERT_TRUE(second.program.start());
    EXPECT_TRUE(env.dialogs.messages().isEmpty()) << env.dialogs.messageTexts().join('\n').toStdString();
}
