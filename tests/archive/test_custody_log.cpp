// The custody log: its chain found broken at an edited or a removed line, a torn last line reported
// and kept, the next entry noting it, and the files it names checked, through `quillon log verify`.
#include "ArchiveFixture.h"
#include "LocalTsa.h"

#include "archive/Archive.h"
#include "archive/CustodyLog.h"
#include "archive/Locations.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>

using namespace archivetest;

namespace {

QList<QByteArray> linesOf(const QByteArray& log) {
    QList<QByteArray> lines = log.split('\n');
    lines.removeLast(); // after the last line feed
    return lines;
}

QByteArray joined(const QList<QByteArray>& lines) {
    return lines.join('\n') + '\n';
}

} // namespace

TEST(CustodyLog, EditedRemovedAndTornLinesAreFoundAndTheTornOneIsKept) {
    QTemporaryDir home;
    const QString dir = home.path();
    const Inquiry wang{"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}};
    const QString templatePath = writeTemplate(dir, wang);
    const QString capture = writeEvidence(dir + "/BL/2013年2月3日9时30分.avi");
    QStringList told;
    archive::Archive a(dir, archive::Archive::Work::AtOnce, [&told](const QString& text) { told << text; });
    a.record({JournalEvent::Kind::Opened, baseName(wang), {templatePath}});
    a.record({JournalEvent::Kind::Saved, baseName(wang), {templatePath}});
    a.record({JournalEvent::Kind::CaptureFinished, {}, {capture}});
    a.record({JournalEvent::Kind::Printed, baseName(wang), {templatePath}, {{"printer", "PDF"}}});
    a.record({JournalEvent::Kind::Uploaded,
              baseName(wang),
              {templatePath},
              {{"server", "10.0.0.1"}, {"remote", "wwwroot/x.ini"}}});
    ASSERT_TRUE(told.isEmpty()) << told.join('\n').toStdString();

    const QString log = archive::custodyPath(dir);
    const QByteArray good = readFile(log);
    const QList<QByteArray> lines = linesOf(good);
    ASSERT_EQ(lines.size(), 4);
    const std::optional<archive::CustodyEntry> capturing = archive::CustodyEntry::parse(lines[1]);
    ASSERT_TRUE(capturing);
    EXPECT_EQ(capturing->event, "capture-finished");
    EXPECT_EQ(capturing->inquiry, baseName(wang)) << "saved while the inquiry was open";
    EXPECT_EQ(capturing->files.value(0).name, "BL/2013年2月3日9时30分.avi");
    EXPECT_EQ(capturing->files.value(0).sha256, fingerprint::sha256Hex(capture));
    EXPECT_TRUE(QDateTime::fromString(capturing->time, Qt::ISODateWithMs).isValid()) << capturing->time.toStdString();
    EXPECT_NE(capturing->time.indexOf(QRegularExpression("(Z|[+-]\\d\\d:\\d\\d)$")), -1);
    EXPECT_FALSE(capturing->user.isEmpty());
    EXPECT_FALSE(capturing->host.isEmpty());

    archive::Verification v = archive::verify(dir);
    EXPECT_TRUE(v.ok());
    EXPECT_EQ(v.lines, 4);
    EXPECT_EQ(v.filesChecked, 2);

    // One entry edited: the chain breaks at the line after it.
    QList<QByteArray> edited = lines;
    edited[1].replace("capture-finished", "capture-repaired");
    writeFile(log, joined(edited));
    v = archive::verify(dir);
    EXPECT_EQ(v.brokenLine, 3);
    EXPECT_TRUE(v.why.contains("第 2 行被改动")) << v.why.toStdString();

    // One entry removed: the chain breaks where it was.
    QList<QByteArray> removed = lines;
    removed.removeAt(1);
    writeFile(log, joined(removed));
    EXPECT_EQ(archive::verify(dir).brokenLine, 2);

    // A file the log names, changed since.
    writeFile(log, good);
    writeFile(capture, "changed");
    v = archive::verify(dir);
    EXPECT_EQ(v.brokenLine, 0);
    EXPECT_EQ(v.fileProblems, QStringList{"BL/2013年2月3日9时30分.avi: FAILED（与第 2 行记下的指纹不符）"});
    writeEvidence(capture);

    // The last line torn by a power cut, before any index read it: reported, and the command fails.
    ASSERT_TRUE(QFile::remove(archive::indexPath(dir)));
    const QByteArray torn = good.left(good.size() - 40);
    writeFile(log, torn);
    Ran verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_TRUE(verified.out.contains("第 4 行：最后一行不完整")) << verified.out.toStdString();

    // The next entry leaves the torn line as it is, notes it and chains to it.
    a.record({JournalEvent::Kind::Saved, baseName(wang), {templatePath}});
    const QByteArray after = readFile(log);
    EXPECT_TRUE(after.startsWith(torn + '\n'));
    const std::optional<archive::CustodyEntry> next = archive::CustodyEntry::parse(linesOf(after).last());
    ASSERT_TRUE(next);
    EXPECT_FALSE(next->note.isEmpty());
    EXPECT_EQ(next->previous,
              QCryptographicHash::hash(torn.mid(torn.lastIndexOf('\n') + 1), QCryptographicHash::Sha256).toHex());
    verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("第 4 行不完整（写入时中断，")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("第 5 行已注明并记下它的指纹：那次的记录内容已缺失"))
        << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains(": OK（5 条记录")) << verified.out.toStdString();
    EXPECT_TRUE(told.isEmpty()) << told.join('\n').toStdString();
}

TEST(CustodyLog, LinesRemovedFromTheEndOrAnEmptiedLogAreFoundThroughTheIndexAndNoWitnessIsSaidAsSuch) {
    QTemporaryDir home;
    const QString dir = home.path();
    const QString templatePath =
        writeTemplate(dir, {"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}});
    const QString inquiry = QFileInfo(templatePath).completeBaseName();
    QStringList told;
    {
        archive::Archive a(dir, archive::Archive::Work::AtOnce, [&told](const QString& text) { told << text; });
        for (int n = 0; n < 5; ++n)
            a.record({JournalEvent::Kind::Saved, inquiry, {templatePath}});
    }
    ASSERT_TRUE(told.isEmpty()) << told.join('\n').toStdString();
    const QString log = archive::custodyPath(dir);
    const QByteArray good = readFile(log);
    Ran verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("：证明第 1 行到第 5 行（")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("没有外部见证：这次检查只证明找到的 5 行的次序和内容前后一致"))
        << verified.out.toStdString();

    const QList<QByteArray> lines = linesOf(good);
    for (const int kept : {4, 2, 1, 0}) {
        SCOPED_TRACE(kept);
        writeFile(log, kept == 0 ? QByteArray() : joined(lines.first(kept)));
        // A command that writes the log after it was cut short does not make the cut good.
        quillon(dir, {"archive", "王伟"});
        verified = quillon(dir, {"log", "verify"});
        EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
        EXPECT_TRUE(verified.out.contains(QStringLiteral("读到日志有 5 行，现在只有 %1 行").arg(kept)))
            << verified.out.toStdString();
        EXPECT_TRUE(verified.out.contains("防不了伪造")) << verified.out.toStdString();
        EXPECT_FALSE(verified.out.contains(": OK")) << verified.out.toStdString();
    }
    ASSERT_TRUE(QFile::remove(log));
    verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("现在只有 0 行")) << verified.out.toStdString();
}

TEST(CustodyLog, TrustedTimeStampsFindTheLastLineDeletedAndARechainedForgery) {
    LocalTsa tsa;
    ASSERT_TRUE(tsa.ready());
    QTemporaryDir home;
    const QString dir = home.path();
    writeFile(dir + "/set.ini", ("[archive]\r\ntsa=" + tsa.url() + "\r\ntsa-ca=" + tsa.caFile() + "\r\n").toUtf8());
    const QString templatePath =
        writeTemplate(dir, {"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}});
    const QString inquiry = QFileInfo(templatePath).completeBaseName();
    QStringList told;
    {
        archive::Archive a(dir, archive::Archive::Work::AtOnce, [&told](const QString& text) { told << text; });
        for (int n = 0; n < 3; ++n)
            a.record({JournalEvent::Kind::Saved, inquiry, {templatePath}});
    }
    ASSERT_TRUE(told.isEmpty()) << told.join('\n').toStdString();
    const Ran stamped = quillon(dir, {"log", "stamp"});
    ASSERT_EQ(stamped.exitCode, 0) << stamped.err.toStdString();
    const QString log = archive::custodyPath(dir);
    const QList<QByteArray> lines = linesOf(readFile(log));
    ASSERT_EQ(lines.size(), 3);
    const QByteArray head = QCryptographicHash::hash(lines.last(), QCryptographicHash::Sha256).toHex();
    const QString token = dir + "/custody.tokens/" + head + ".tsr";
    ASSERT_TRUE(QFileInfo::exists(token));

    Ran verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("见证 可信时间戳")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("：证明第 1 行到第 3 行（")) << verified.out.toStdString();
    EXPECT_FALSE(verified.out.contains("没有外部见证")) << verified.out.toStdString();
    // The reader without this program checks the token with OpenSSL alone.
    QProcess openssl;
    openssl.start("openssl", {"ts", "-verify", "-digest", QString::fromLatin1(head), "-in", token, "-CAfile",
                              tsa.caFile(), "-untrusted", tsa.tsaCertificate()});
    ASSERT_TRUE(openssl.waitForFinished(30000));
    EXPECT_TRUE(openssl.readAllStandardOutput().contains("Verification: OK"));

    // The index is no witness against whoever rewrites the log: taken away each time.
    const auto forged = [&](const QList<QByteArray>& forgedLines) {
        writeFile(log, joined(forgedLines));
        QFile::remove(archive::indexPath(dir));
        return quillon(dir, {"log", "verify"});
    };
    verified = forged(lines.first(2));
    EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("的时间戳证明的那一行已不在日志中")) << verified.out.toStdString();

    // The first line rewritten and the chain recomputed after it: the chain holds, the token does not.
    QList<QByteArray> rechained;
    QString previous(64, u'0');
    for (const QByteArray& line : lines) {
        std::optional<archive::CustodyEntry> entry = archive::CustodyEntry::parse(line);
        ASSERT_TRUE(entry);
        if (rechained.isEmpty())
            entry->user = "somebody else";
        entry->previous = previous;
        rechained << entry->line();
        previous = QCryptographicHash::hash(rechained.last(), QCryptographicHash::Sha256).toHex();
    }
    verified = forged(rechained);
    EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
    EXPECT_FALSE(verified.out.contains("第 2 行：")) << "the chain itself holds: " << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("的时间戳证明的那一行已不在日志中")) << verified.out.toStdString();
}
