// A transcript's save as one transaction, through the real command line in child processes: killed
// after every step of the durable write path and then checked by `quillon verify`, two saves of one
// transcript at once, and a save that hangs while another one waits.
#include "TestServices.h"

#include "transcript/word/DocReader.h"

#include "platform/Gbk.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

struct Finished {
    bool killed = false;
    int exitCode = -1;
    QString out;
    QString err;
};

Finished finish(QProcess& process) {
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus() == QProcess::CrashExit, process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

struct SaveTransactionTest : ::testing::Test {
    QTemporaryDir root;
    QString home = root.path() + "/home";
    const QString base = QStringLiteral("2012.11.30-宏达建筑工程有限公司-张建国");
    QString document() const { return home + "/BL/" + base + ".doc"; }
    QString templateFile() const { return home + "/BL/" + base + ".ini"; }

    void SetUp() override {
        QDir().mkpath(home);
        writeFile(home + "/set.ini", gbkFile(QStringLiteral("[fenye]\nhang1=被询问人签名：\nhang2=询问人签名：\n")));
    }

    // The example transcript with a marker in its first answer, as a template to compose.
    QString templateWith(const QString& marker) {
        QByteArray bytes = readFile(qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/resources/example/example.ini");
        bytes.replace("num24=", "num24=" + gbk::encode(marker));
        const QString path = root.path() + '/' + marker + ".ini";
        writeFile(path, bytes);
        return path;
    }

    // `quillon compose` over the earlier transcript, stopped after the given step when one is given.
    std::unique_ptr<QProcess> startCompose(const QString& marker, int stopAt = 0, const char* signal = "KILL") {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUILLON_HOME", home);
        if (stopAt > 0) {
            environment.insert("QUILLON_TEST_STOP_AT", QString::number(stopAt));
            environment.insert("QUILLON_TEST_STOP_SIGNAL", signal);
        }
        process->setProcessEnvironment(environment);
        process->start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/tests/bin/transcript_cli_driver",
                       {"compose", templateWith(marker), "--force"});
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }
    Finished compose(const QString& marker, int stopAt = 0) { return finish(*startCompose(marker, stopAt)); }

    Finished verify() {
        QProcess process;
        process.start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillon", {"verify", document(), templateFile()});
        return finish(process);
    }

    // The marker of the save whose document and template are in place, or a note that they differ.
    QString savedMarker(const QStringList& markers) {
        QString error;
        const std::optional<word::Document> doc = word::readDocumentFile(document(), &error);
        if (!doc)
            return "unreadable document: " + error;
        const QByteArray ini = readFile(templateFile());
        for (const QString& marker : markers) {
            const bool inDocument = doc->plainText().contains(marker);
            if (inDocument != ini.contains(gbk::encode(marker)))
                return "mixture: " + marker + (inDocument ? " in the document only" : " in the template only");
            if (inDocument)
                return marker;
        }
        return "none of the markers";
    }

    QStringList blFiles() { return QDir(home + "/BL").entryList(QDir::Files | QDir::Hidden | QDir::System); }
};

TEST_F(SaveTransactionTest, KilledAfterAnyStepTheFilesAreOfOneSaveOnceVerifyHasRun) {
    ASSERT_EQ(compose("第0次").exitCode, 0);
    QString current = "第0次";
    int step = 1;
    for (; step < 100; ++step) {
        SCOPED_TRACE("killed after step " + std::to_string(step));
        const QString marker = QStringLiteral("第%1次").arg(step);
        const Finished killed = compose(marker, step);
        if (!killed.killed) {
            EXPECT_EQ(killed.exitCode, 0) << killed.err.toStdString();
            break;
        }
        const Finished verified = verify();
        EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
        EXPECT_EQ(verified.out, document() + ": OK\n" + templateFile() + ": OK\n");
        const QString saved = savedMarker({marker, current});
        EXPECT_TRUE(saved == marker || saved == current) << saved.toStdString();
        current = saved;
    }
    EXPECT_GT(step, 12) << "a save takes a dozen steps and more";
    EXPECT_LT(step, 100) << "the save never ran to its end";
    EXPECT_EQ(savedMarker({QStringLiteral("第%1次").arg(step)}), QStringLiteral("第%1次").arg(step));
    // The save that ran to its end removed what the killed ones left in the folder.
    EXPECT_EQ(blFiles(),
              QStringList({base + ".doc", base + ".doc.sha256", base + ".ini", base + ".ini.sha256", "Doc.doc"}));
}

TEST_F(SaveTransactionTest, SavesOfOneTranscriptAtOnceWaitForEachOtherOrSaySo) {
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const QString first = QStringLiteral("甲%1").arg(round);
        const QString second = QStringLiteral("乙%1").arg(round);
        const auto a = startCompose(first);
        const auto b = startCompose(second);
        const Finished x = finish(*a);
        const Finished y = finish(*b);
        EXPECT_EQ(x.exitCode, 0) << x.err.toStdString();
        EXPECT_EQ(y.exitCode, 0) << y.err.toStdString();
        EXPECT_EQ(verify().exitCode, 0);
        const QString saved = savedMarker({first, second});
        EXPECT_TRUE(saved == first || saved == second) << saved.toStdString();
    }

    // A save that hangs while it holds the transcript: the other one gives up and says why.
    const QByteArray document = readFile(this->document());
    const QByteArray templateBytes = readFile(templateFile());
    const auto hung = startCompose("挂起", 3, "STOP");
    const QString stat = QStringLiteral("/proc/%1/stat").arg(hung->processId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(stat).contains(") T "); }, 30000));
    const Finished refused = compose("等待");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("无法保存笔录为Word文档： 这份笔录正在另一处保存")))
        << refused.err.toStdString();
    EXPECT_EQ(readFile(this->document()), document);
    EXPECT_EQ(readFile(templateFile()), templateBytes);
    ::kill(pid_t(hung->processId()), SIGKILL);
    EXPECT_TRUE(finish(*hung).killed);
    EXPECT_EQ(verify().exitCode, 0);
    EXPECT_EQ(readFile(this->document()), document);
}

} // namespace
