// `quillon verify` of the real executable, and the sidecars it reads checked by sha256sum itself.
#include "TestServices.h"
#include "platform/Fingerprint.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Finished {
    int exitCode = -1;
    QString out;
};

Finished run(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

Finished quillon(const QStringList& arguments, const QString& folder)
{
    return run(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillon", QStringList{"verify"} + arguments, folder);
}

} // namespace

TEST(Verify, GoodFilesPassAndAChangedByteOrAMissingFingerprintFails)
{
    QTemporaryDir dir;
    // A name sha256sum has to escape, beside an ordinary one.
    const QStringList names{"询问录音.wav", "a\\b c.avi"};
    for (const QString& name : names) {
        writeFile(dir.filePath(name), QByteArray(70000, 'x') + name.toUtf8());
        ASSERT_TRUE(fingerprint::write(dir.filePath(name)));
        const Finished checked = run("sha256sum", {"-c", name + ".sha256"}, dir.path());
        EXPECT_EQ(checked.exitCode, 0) << name.toStdString() << ": " << checked.out.toStdString();
    }
    EXPECT_EQ(quillon(names, dir.path()).exitCode, 0);
    EXPECT_EQ(quillon(names, dir.path()).out, "询问录音.wav: OK\na\\b c.avi: OK\n");

    QByteArray changed = readFile(dir.filePath("询问录音.wav"));
    changed[1000] = 'y';
    writeFile(dir.filePath("询问录音.wav"), changed);
    writeFile(dir.filePath("笔录.doc"), "no fingerprint");
    const Finished verified = quillon({"a\\b c.avi", "询问录音.wav", "笔录.doc"}, dir.path());
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_EQ(verified.out, "a\\b c.avi: OK\n询问录音.wav: FAILED (内容与指纹不符)\n"
                            "笔录.doc: FAILED (没有指纹：笔录.doc.sha256)\n");
    EXPECT_NE(run("sha256sum", {"-c", "询问录音.wav.sha256"}, dir.path()).exitCode, 0);

    EXPECT_EQ(quillon({}, dir.path()).exitCode, 2);
}
