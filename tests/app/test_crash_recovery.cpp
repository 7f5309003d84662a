// A real program killed while it records, captures and holds an unsaved form, and one ended by
// SIGTERM: the next start in the same program directory repairs the capture and offers the recording
// and the form, with nothing lost beyond the last second; a leftover that cannot be repaired is
// offered once. Programs sharing a program directory, also of another user, never take or offer
// each other's files.
#include "AudioTestTools.h"
#include "ChildProgram.h"
#include "TestServices.h"
#include "VideoFileFacts.h"
#include "app/Program.h"
#include "archive/Archive.h"
#include "net/WebClient.h"
#include "platform/Fingerprint.h"
#include "platform/Gbk.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextEdit>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>

#include <memory>
#include <unistd.h>

using namespace audiotest;

namespace {

constexpr int BytesPerSecond = 16000;

qint64 fileSize(const QString& path) {
    return QFileInfo(path).size();
}

// The real program started again on the same program directory, dialogs scripted.
struct SecondStart {
    explicit SecondStart(TestServices& env)
        : archive(env.programDir(), archive::Archive::Work::AtOnce,
                  [&env](const QString& text) { env.dialogs.message("提 示：", text, Dialogs::Buttons::Ok); }),
          program(env.services, archive) {
        program.components().webClient = &web;
    }
    WebClient web;
    archive::Archive archive;
    Program program;
};

void putLe32(QByteArray& data, qsizetype at, quint32 value) {
    qToLittleEndian(value, data.data() + at);
}

// A made-up AVI whose header list holds lists nested depth deep, and nothing else.
QByteArray nestedHeaderAvi(int depth) {
    QByteArray data = QByteArray("RIFF....AVI LIST....hdrl") + QByteArray(12 * qsizetype(depth), '\0');
    for (int i = 0; i < depth; ++i) {
        const qsizetype at = 24 + 12 * qsizetype(i);
        data.replace(at, 4, "LIST");
        putLe32(data, at + 4, quint32(4 + 12 * (depth - 1 - i)));
        data.replace(at + 8, 4, "odml");
    }
    putLe32(data, 4, quint32(data.size() - 8));
    putLe32(data, 16, quint32(data.size() - 20));
    return data;
}

} // namespace

TEST(CrashRecovery, ALeftoverCaptureThatCannotBeRepairedIsOfferedOnceAndNeverHoldsUpAStart) {
    TestServices env;
    const QString bl = env.programDir() + "/BL";
    const QString recovery = env.programDir() + "/recovery";
    ASSERT_TRUE(QDir().mkpath(bl) && QDir().mkpath(recovery));
    // A capture killed before its first write, and a header nested 60 000 lists deep (720 KB).
    const QByteArray nested = nestedHeaderAvi(60000);
    writeFile(bl + "/empty.avi", "");
    writeFile(bl + "/nested.avi", nested);
    for (const QString name : {"empty.avi", "nested.avi"})
        writeFile(recovery + "/" + name + ".capture", (bl + "/" + name).toUtf8());

    env.dialogs.answerNext(Dialogs::Answer::Discard); // empty.avi, asked once more
    env.dialogs.answerNext(Dialogs::Answer::Discard);
    env.dialogs.answerNext(Dialogs::Answer::Save); // nested.avi: set aside
    {
        SecondStart first(env);
        ASSERT_TRUE(first.program.start());
    }
    const QList<ShownBox> boxes = env.dialogs.messages();
    ASSERT_EQ(boxes.size(), 3) << env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_EQ(boxes[0].text,
              QStringLiteral(
                  "上次录像取证没有正常结束，录像文件 <%1/empty.avi> 无法修复：录像文件是空的，没有一个完整的画面。\n"
                  "保留到别处：原样移到 <%2/unrepaired/>，附上说明；放弃：不要这段录像。")
                  .arg(bl, recovery));
    EXPECT_EQ(boxes[0].buttons, Dialogs::Buttons::SetAsideDiscard);
    EXPECT_TRUE(boxes[1].text.startsWith(QStringLiteral("确实要放弃这段无法修复的录像吗？")))
        << boxes[1].text.toStdString();
    EXPECT_EQ(boxes[1].buttons, Dialogs::Buttons::DiscardCancel);
    EXPECT_TRUE(boxes[2].text.contains(QStringLiteral("nested.avi> 无法修复：录像文件的文件头不完整")))
        << boxes[2].text.toStdString();

    // Nothing deleted, nothing left behind to offer again.
    EXPECT_TRUE(QDir(bl).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(QDir(recovery).entryList(QDir::Files), QStringList{"instance.lock"});
    EXPECT_EQ(readFile(recovery + "/unrepaired/nested.avi"), nested);
    EXPECT_TRUE(gbk::decode(readFile(recovery + "/unrepaired/nested.avi.txt")).contains("录像文件的文件头不完整"));
    EXPECT_EQ(QDir(recovery + "/discarded").entryList(QDir::Files), QStringList{"20130203-090500_empty.avi"});
    env.dialogs.shown.clear();
    SecondStart second(env);
    ASSERT_TRUE(second.program.start());
    EXPECT_TRUE(env.dialogs.messages().isEmpty()) << env.dialogs.messageTexts().join('\n').toStdString();
}

TEST(CrashRecovery, AfterKillNineTheCaptureIsRepairedAndTheRecordingAndTheFormAreOffered) {
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
    EXPECT_TRUE(
        boxes[0].text.startsWith(QStringLiteral("上次录像取证没有正常结束，录像文件 <%1> 已经修复：").arg(capture)))
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
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("录音长度：0:0:%1").arg(int(seconds))))
        << boxes[1].text.toStdString();
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

TEST(CrashRecovery, SigtermFinishesTheCaptureAndKeepsTheRecordingAndTheFormForTheNextStart) {
    TestServices env;
    const QString recovery = env.programDir() + "/recovery";
    Child child(env.programDir(), {"record", "capture", "form"});
    ASSERT_TRUE(child.waitUntilReady());
    const QString recording = child.said("RECORDING");
    const QString capture = child.said("CAPTURING");
    const QString form = QFileInfo(child.said("FORM")).fileName();
    ASSERT_TRUE(waitUntil([&] { return fileSize(recording) >= 44 + 2 * BytesPerSecond; }, 15000));
    // A logout may send the request again and again: each repeat joins the first instead of cutting
    // its end short.
    QElapsedTimer sending;
    sending.start();
    while (child.process().state() != QProcess::NotRunning && sending.elapsed() < 15000) {
        child.signal(SIGTERM);
        child.process().waitForFinished(1);
    }
    ASSERT_EQ(child.process().state(), QProcess::NotRunning);
    EXPECT_EQ(child.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.process().exitCode(), 0);

    // Finished by the program itself, before it ended: nothing left to repair.
    expectFinishedAvi(capture);
    EXPECT_EQ(fingerprint::check(capture), fingerprint::Check::Ok);
    const QByteArray kept = readFile(recording);
    EXPECT_EQ(le32(kept, 40), quint32(kept.size() - 44)) << "the recording's header is final";

    // The next start offers the recording and the form; discarding either is the user's word, given
    // twice, and keeps the file aside; a form kept for later is offered again at the start after,
    // with a word about what was discarded.
    env.dialogs.answerNext(Dialogs::Answer::Discard);
    env.dialogs.answerNext(Dialogs::Answer::Discard);
    env.dialogs.answerNext(Dialogs::Answer::Cancel);
    {
        SecondStart second(env);
        ASSERT_TRUE(second.program.start());
        const QList<ShownBox> boxes = env.dialogs.messages();
        ASSERT_EQ(boxes.size(), 3) << env.dialogs.messageTexts().join('\n').toStdString();
        EXPECT_TRUE(boxes[0].text.contains("留下一段没有保存的录音"));
        EXPECT_EQ(boxes[1].buttons, Dialogs::Buttons::DiscardCancel);
        EXPECT_TRUE(boxes[2].text.contains("宏达公司-张三")) << boxes[2].text.toStdString();
        EXPECT_EQ(QDir(recovery).entryList(QDir::Files), (QStringList{"instance.lock", form}));
        const QStringList discarded = QDir(recovery + "/discarded").entryList(QDir::Files);
        ASSERT_EQ(discarded.size(), 1);
        EXPECT_EQ(readFile(recovery + "/discarded/" + discarded[0]), kept);
    }
    env.dialogs.shown.clear();
    env.dialogs.answerNext(Dialogs::Answer::Discard);
    env.dialogs.answerNext(Dialogs::Answer::Discard);
    SecondStart third(env);
    ASSERT_TRUE(third.program.start());
    ASSERT_EQ(env.dialogs.messages().size(), 2) << env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(env.dialogs.messages()[0].text.contains("宏达公司-张三"));
    EXPECT_TRUE(env.dialogs.messages()[0].text.contains("另有 1 个放弃的文件仍在"))
        << env.dialogs.messages()[0].text.toStdString();
    EXPECT_EQ(QDir(recovery).entryList(QDir::Files), QStringList{"instance.lock"});
    EXPECT_EQ(QDir(recovery + "/discarded").entryList(QDir::Files).size(), 2);
}

TEST(CrashRecovery, SigtermAtThePasswordWindowLeavesNoFormToOffer) {
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

TEST(SharedProgramDirectory, CapturesOfOneSecondGetTwoFilesAndAFailedStartRemovesNothingOfTheOthers) {
    TestServices env;
    const QString bl = env.programDir() + "/BL";
    const QString recovery = env.programDir() + "/recovery";
    // Three programs started together on one program directory, their clocks showing the same second;
    // the camera of one of them does not start.
    const QString at = "at=2012-11-30T14:00:00";
    QProcessEnvironment broken;
    broken.insert("QUILLON_VIDEO_SOURCE", "v4l2src device=/dev/quillon-missing-camera");
    Child first(env.programDir(), {at, "capture"});
    Child failing(env.programDir(), {at, "capture"}, broken);
    Child second(env.programDir(), {at, "capture"});
    ASSERT_TRUE(first.waitUntilReady());
    ASSERT_TRUE(failing.waitUntilReady());
    ASSERT_TRUE(second.waitUntilReady());
    EXPECT_TRUE(first.dialogs().isEmpty()) << first.dialogs().join('\n').toStdString();
    EXPECT_TRUE(second.dialogs().isEmpty()) << second.dialogs().join('\n').toStdString();
    ASSERT_FALSE(failing.dialogs().isEmpty());
    EXPECT_TRUE(failing.dialogs()[0].startsWith("提 示：|录像取证无法开始：")) << failing.dialogs()[0].toStdString();
    failing.signal(SIGTERM);
    ASSERT_TRUE(failing.waitForEnd());

    // Each running capture has a file of its own, under a name of that second, and its marker; the
    // failed start took away nothing of theirs.
    QStringList files{first.said("CAPTURING"), second.said("CAPTURING")};
    files.sort();
    ASSERT_NE(files[0], files[1]);
    QStringList names;
    for (const QString& file : files) {
        EXPECT_TRUE(file.startsWith(bl + "/2012年11月30日14时")) << file.toStdString();
        names << QFileInfo(file).fileName();
    }
    EXPECT_EQ(QDir(bl).entryList({"*.avi"}, QDir::Files, QDir::Name), names);
    EXPECT_EQ(QDir(recovery).entryList({"*.capture"}, QDir::Files, QDir::Name),
              (QStringList{names[0] + ".capture", names[1] + ".capture"}));

    for (Child* child : {&first, &second}) {
        child->signal(SIGTERM);
        ASSERT_TRUE(child->waitForEnd());
        EXPECT_EQ(child->process().exitCode(), 0);
    }
    // Each file holds one capture: header, stream and index agree with its frames.
    for (const QString& file : files) {
        expectFinishedAvi(file);
        EXPECT_EQ(fingerprint::check(file), fingerprint::Check::Ok);
    }
}

TEST(SharedProgramDirectory, AnotherUsersProgramHoldsTheLockReadOnlyAndItsRecordingIsNotOffered) {
    TestServices env;
    const QString recovery = env.programDir() + "/recovery";
    const QString home = env.root.path() + "/other-home";
    ASSERT_TRUE(QDir().mkpath(recovery) && QDir().mkpath(home));
    constexpr uid_t kOther = 65534; // nobody
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), kOther, kOther), 0);
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup |
                     QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(env.root.path(), readable) && QFile::setPermissions(env.programDir(), all));
    QProcessEnvironment otherUser;
    otherUser.insert("HOME", home);
    otherUser.insert("XDG_RUNTIME_DIR", home);
    const QStringList asOther{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};

    // The first user's folder, without a lock file and closed to others: nothing is looked at, and
    // the other user is told why.
    ASSERT_TRUE(QFile::setPermissions(recovery, readable));
    {
        Child other(env.programDir(), {}, otherUser, asOther);
        ASSERT_TRUE(other.waitUntilReady()) << other.process().errorString().toStdString();
        ASSERT_EQ(other.dialogs().size(), 1) << other.dialogs().join('\n').toStdString();
        EXPECT_EQ(other.dialogs()[0],
                  QStringLiteral("提示：|恢复目录的锁文件 <%1/instance.lock> 无法打开：没有写入权限。").arg(recovery));
    }

    // The folder open to both, the lock file the first user's, 0644: the other user's program locks it
    // all the same, so its growing recording is no leftover for the first user's program.
    writeFile(recovery + "/instance.lock", "");
    ASSERT_TRUE(QFile::setPermissions(recovery + "/instance.lock",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(recovery, all));
    Child other(env.programDir(), {"record"}, otherUser, asOther);
    ASSERT_TRUE(other.waitUntilReady());
    EXPECT_TRUE(other.dialogs().isEmpty()) << other.dialogs().join('\n').toStdString();
    const QString recording = other.said("RECORDING");
    ASSERT_TRUE(QFileInfo::exists(recording)) << recording.toStdString();
    {
        SecondStart mine(env);
        ASSERT_TRUE(mine.program.start());
        EXPECT_TRUE(env.dialogs.messages().isEmpty()) << env.dialogs.messageTexts().join('\n').toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(recording));

    // Once the other program is gone, what it left is offered.
    other.signal(SIGKILL);
    ASSERT_TRUE(other.waitForEnd());
    env.dialogs.answerNext(Dialogs::Answer::Cancel);
    SecondStart later(env);
    ASSERT_TRUE(later.program.start());
    ASSERT_EQ(env.dialogs.messages().size(), 1) << env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(env.dialogs.messages()[0].text.contains("留下一段没有保存的录音"));
}
