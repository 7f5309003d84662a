// `quillon verify` of the real executable against sha256sum itself: the sidecars the program writes
// pass `sha256sum -c`, and every verdict is the one sha256sum gives, also for lists that name files by
// other paths, hold several lines for a name, or name files in another encoding.
#include "TestServices.h"
#include "platform/Fingerprint.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Finished {
    int exitCode = -1;
    QByteArray out;
};

Finished run(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

QString quillonPath() {
    return qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillon";
}

Finished quillon(const QStringList& arguments, const QString& folder) {
    return run(quillonPath(), QStringList{"verify"} + arguments, folder);
}

// A shell script in folder, with $Q the program; names in other encodings pass as the bytes printf makes.
Finished shell(const QString& script, const QString& folder) {
    return run("sh", {"-c", "Q=\"$0\"; " + script, quillonPath()}, folder);
}

} // namespace

TEST(Verify, GoodFilesPassAndAChangedByteOrAMissingFingerprintFails) {
    QTemporaryDir dir;
    // Names sha256sum has to escape, beside an ordinary one; the recording large enough to be hashed
    // by OpenSSL, the others by Qt's code.
    const QStringList names{"询问录音.wav", "a\\b c.avi", "录像\r1.avi"};
    for (const QString& name : names) {
        writeFile(dir.filePath(name), QByteArray(name == names.first() ? 3 << 20 : 70000, 'x') + name.toUtf8());
        ASSERT_TRUE(fingerprint::write(dir.filePath(name)));
        // The very line sha256sum writes, and one it checks.
        EXPECT_EQ(readFile(dir.filePath(name + ".sha256")), run("sha256sum", {name}, dir.path()).out);
        const Finished checked = run("sha256sum", {"-c", name + ".sha256"}, dir.path());
        EXPECT_EQ(checked.exitCode, 0) << name.toStdString() << ": " << checked.out.toStdString();
    }
    EXPECT_EQ(quillon(names, dir.path()).exitCode, 0);
    EXPECT_EQ(quillon(names, dir.path()).out, "询问录音.wav: OK\na\\b c.avi: OK\n录像\r1.avi: OK\n");
    // Every file of the folder, the fingerprints among them: those are checked as the lists they are.
    EXPECT_EQ(shell("exec \"$Q\" verify *", dir.path()).exitCode, 0);

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

TEST(Verify, EveryVerdictIsTheOneSha256sumGives) {
    QTemporaryDir dir;
    const auto make = [&](const QString& name) { writeFile(dir.filePath(name), name.toUtf8().repeated(5000)); };
    // Named by its absolute path, as `sha256sum /path/NAME` writes it.
    make("abs.avi");
    writeFile(dir.filePath("abs.avi.sha256"), run("sha256sum", {dir.filePath("abs.avi")}, dir.path()).out);
    // A second line for the same name that disagrees.
    make("two.wav");
    ASSERT_TRUE(fingerprint::write(dir.filePath("two.wav")));
    writeFile(dir.filePath("two.wav.sha256"),
              readFile(dir.filePath("two.wav.sha256")) + QByteArray(64, '0') + "  two.wav\n");
    // A file that is gone.
    make("gone.avi");
    ASSERT_TRUE(fingerprint::write(dir.filePath("gone.avi")));
    QFile::remove(dir.filePath("gone.avi"));
    // A sidecar copied beside another file: it names the first one.
    make("x.avi");
    ASSERT_TRUE(fingerprint::write(dir.filePath("x.avi")));
    make("y.avi");
    QFile::copy(dir.filePath("x.avi.sha256"), dir.filePath("y.avi.sha256"));
    // A name in GBK, which is no UTF-8: 询问.wav, fingerprinted by sha256sum.
    const QString gbkName = "\"$(printf '\\321\\257\\316\\312.wav')\"";
    ASSERT_EQ(shell("f=" + gbkName + "; printf 'gbk' > \"$f\"; sha256sum \"$f\" > \"$f.sha256\"", dir.path()).exitCode,
              0);

    // For each fingerprint file: sha256sum -c, verify of the list, verify of the file it belongs to.
    const Finished verdicts = shell("for s in *.sha256; do f=\"${s%.sha256}\";"
                                    " sha256sum -c \"$s\" >/dev/null 2>&1; a=$?;"
                                    " \"$Q\" verify \"$s\" >/dev/null; b=$?;"
                                    " \"$Q\" verify \"$f\" >/dev/null; c=$?;"
                                    " echo \"$f $a $b $c\"; done",
                                    dir.path());
    const QByteArrayList lines = verdicts.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 6) << verdicts.out.toStdString();
    for (const QByteArray& line : lines) {
        const QByteArrayList fields = line.split(' ');
        ASSERT_EQ(fields.size(), 4) << line.toStdString();
        EXPECT_EQ(fields[1], fields[2]) << "the list: " << line.toStdString();
        // y.avi.sha256 vouches for x.avi, which is there and whole, and for y.avi not at all.
        if (fields[0] == "y.avi")
            EXPECT_EQ(line, "y.avi 0 0 1");
        else
            EXPECT_EQ(fields[1], fields[3]) << "the file: " << line.toStdString();
    }
    EXPECT_TRUE(lines.contains("abs.avi 0 0 0"));
    EXPECT_TRUE(lines.contains("two.wav 1 1 1"));
    EXPECT_TRUE(lines.contains("gone.avi 1 1 1"));
    EXPECT_TRUE(lines.contains("\xd1\xaf\xce\xca.wav 0 0 0"));

    // What the failures say, and the name a fingerprint gives a file, with the bytes of the names kept.
    EXPECT_EQ(quillon({"abs.avi", "gone.avi", "y.avi", "two.wav"}, dir.path()).out,
              "abs.avi: OK (指纹中记为 " + dir.filePath("abs.avi").toUtf8() +
                  ")\ngone.avi: FAILED (文件不存在)\ny.avi: FAILED (y.avi.sha256 记的是 x.avi 的指纹)\n"
                  "two.wav: FAILED (内容与指纹不符)\n");
    EXPECT_EQ(quillon({"gone.avi.sha256"}, dir.path()).out, "gone.avi: FAILED (文件不存在)\n");
    EXPECT_EQ(shell("exec \"$Q\" verify " + gbkName, dir.path()).out, "\xd1\xaf\xce\xca.wav: OK\n");
    // Qt cannot name these files to remove them.
    shell("rm -f " + gbkName + " " + gbkName + ".sha256", dir.path());
}
