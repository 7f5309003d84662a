// The hand-over bundle: `quillon export` of a composed inquiry with its evidence, unpacked by unzip
// and checked by sha256sum -c; checked whole by `quillon verify` and by OpenSSL with its trusted
// time-stamp; and an export cancelled or failing leaves no bundle behind.
#include "ArchiveFixture.h"
#include "LocalTsa.h"

#include "archive/Archive.h"
#include "archive/Bundle.h"
#include "archive/Locations.h"

#include <QCryptographicHash>

#include <zip.h>

using namespace archivetest;

namespace {

Ran tool(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Names are unpacked as the UTF-8 they are flagged as.
    environment.insert("LC_ALL", "C.UTF-8");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A copy of the bundle with members replaced (given bytes) or removed (none), as a forger would
// make it again.
QString rezipped(const QString& bundle, const QString& copy, const QHash<QString, std::optional<QByteArray>>& changes) {
    QFile::remove(copy);
    if (!QFile::copy(bundle, copy))
        return {};
    zip_t* zip = zip_open(QFile::encodeName(copy).constData(), 0, nullptr);
    if (!zip)
        return {};
    QList<QByteArray> kept; // libzip reads the buffers when it closes
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const zip_int64_t index = zip_name_locate(zip, it.key().toUtf8().constData(), 0);
        if (index < 0)
            return {};
        if (!it.value()) {
            zip_delete(zip, zip_uint64_t(index));
            continue;
        }
        kept << *it.value();
        zip_source_t* source = zip_source_buffer(zip, kept.last().constData(), zip_uint64_t(kept.last().size()), 0);
        zip_file_replace(zip, zip_uint64_t(index), source, 0);
    }
    return zip_close(zip) == 0 ? copy : QString();
}

// The manifest with the line of name given a new digest, or taken out.
QByteArray manifestWith(QByteArray manifest, const QString& name, const std::optional<QByteArray>& bytes) {
    QList<QByteArray> lines = manifest.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith("  " + name.toUtf8()))
            line = bytes ? QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256).toHex() + "  " + name.toUtf8()
                         : QByteArray("-");
    lines.removeAll("-");
    return lines.join('\n');
}

} // namespace

TEST(Bundle, AnExportedInquiryUnpacksAndPassesSha256sum) {
    QTemporaryDir home;
    const QString dir = home.filePath("program");
    QDir().mkpath(dir);
    const QString example = qEnvironmentVariable("QUILLON_BINARY_DIR") + "/example.ini";
    ASSERT_EQ(quillon(dir, {"compose", example}).exitCode, 0);
    const QString inquiry = QStringLiteral("2012.11.30-宏达建筑工程有限公司-张建国");
    const QString templatePath = dir + "/BL/" + inquiry + ".ini";
    // A capture within the inquiry's time, and a recording linked to it by hand.
    writeEvidence(dir + "/BL/2012年11月30日9时10分.avi", 3 * 1024 * 1024);
    const QString recording = writeEvidence(home.filePath("录音/询问 张建国.wav"), 100000);
    {
        archive::Archive a(dir, archive::Archive::Work::AtOnce,
                           [](const QString& text) { FAIL() << text.toStdString(); });
        ASSERT_TRUE(a.log(archive::custody::kLinked, inquiry, {archive::custodyFile(dir, recording)}));
    }

    const QString bundle = home.filePath("移交/张建国.zip");
    QDir().mkpath(home.filePath("移交"));
    const Ran exported = quillon(dir, {"export", templatePath, "--out", bundle});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();

    const QString unpacked = home.filePath("unpacked");
    QDir().mkpath(unpacked);
    ASSERT_EQ(tool("unzip", {"-q", bundle}, unpacked).exitCode, 0);
    const Ran checked = tool("sha256sum", {"-c", "manifest.sha256"}, unpacked);
    EXPECT_EQ(checked.exitCode, 0) << checked.out.toStdString() << checked.err.toStdString();
    const QStringList expected{inquiry + ".doc",
                               inquiry + ".doc.sha256",
                               inquiry + ".ini",
                               inquiry + ".ini.sha256",
                               inquiry + ".pdf",
                               "证据校验单.pdf",
                               "录音/询问 张建国.wav",
                               "录音/询问 张建国.wav.sha256",
                               "录像/2012年11月30日9时10分.avi",
                               "录像/2012年11月30日9时10分.avi.sha256",
                               "custody.log"};
    for (const QString& name : expected)
        EXPECT_TRUE(checked.out.contains(name + ": OK")) << name.toStdString();
    EXPECT_EQ(checked.out.count(": OK"), expected.size());
    // The fingerprints travel with their files and confirm them where they lie.
    EXPECT_EQ(tool("sha256sum", {"-c", "询问 张建国.wav.sha256"}, unpacked + "/录音").exitCode, 0);
    EXPECT_TRUE(readFile(unpacked + "/" + inquiry + ".pdf").startsWith("%PDF"));
    // The sheet in the bundle names the files beside it, where verify looks first.
    ASSERT_EQ(tool("pdftoppm", {"-r", "200", "-png", "-singlefile", "证据校验单.pdf", "sheet"}, unpacked).exitCode, 0);
    const Ran decoded = tool("zbarimg", {"-q", "--raw", "-Sbinary", "sheet.png"}, unpacked);
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err.toStdString();
    writeFile(unpacked + "/sheet.txt", decoded.out.toUtf8());
    const Ran sheetChecked = quillon(dir, {"verify", unpacked + "/sheet.txt"});
    EXPECT_EQ(sheetChecked.exitCode, 0) << sheetChecked.out.toStdString();
    EXPECT_EQ(sheetChecked.out.count(": OK"), 4) << sheetChecked.out.toStdString();
    EXPECT_EQ(readFile(unpacked + "/custody.log").count('\n'), 3) << "composed, linked and the export begun";

    // The export is in the custody log, naming the bundle as it was handed over.
    const QList<QByteArray> log = readFile(archive::custodyPath(dir)).split('\n');
    const std::optional<archive::CustodyEntry> last = archive::CustodyEntry::parse(log.value(log.size() - 2));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->event, "exported");
    EXPECT_EQ(last->files.value(0).sha256, fingerprint::sha256Hex(bundle));
    EXPECT_EQ(quillon(dir, {"log", "verify"}).exitCode, 0);

    // Moved to the legal department's share: handed over, not missing; another file in its place is.
    ASSERT_TRUE(QFile::rename(bundle, home.filePath("法制科.zip")));
    Ran verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("已移交：" + bundle + "（第 4 行导出后已移走）")) << verified.out.toStdString();
    writeFile(bundle, "another file");
    verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains(bundle + ": FAILED（与第 4 行记下的指纹不符）")) << verified.out.toStdString();
}

TEST(Bundle, ACancelledOrFailedExportLeavesNoBundle) {
    QTemporaryDir home;
    const QString dir = home.path();
    const QString templatePath =
        writeTemplate(dir, {"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}});
    archive::BundleRequest request;
    request.inquiry = QFileInfo(templatePath).completeBaseName();
    request.templatePath = templatePath;
    request.captures << writeEvidence(dir + "/BL/2013年2月3日9时30分.avi", 16 * 1024 * 1024);
    request.target = home.filePath("移交包.zip");
    writeFile(request.target, "an earlier bundle");

    archive::BundleProgress progress;
    // Cancelled while the archive is written, after every file was read for the manifest.
    archive::BundleResult result =
        archive::writeBundle(request, progress, [&] { return progress.done > progress.total / 2; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(readFile(request.target), "an earlier bundle");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"移交包.zip"});

    // A folder that does not exist: the failure is named and nothing is left.
    request.target = home.filePath("没有这个目录/移交包.zip");
    result = archive::writeBundle(request, progress, [] { return false; });
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.cancelled);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"移交包.zip"});

    request.target = home.filePath("移交包.zip");
    result = archive::writeBundle(request, progress, [] { return false; });
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.names.last(), "manifest.sha256");
    EXPECT_TRUE(readFile(request.target).startsWith("PK"));
}

TEST(Bundle, ATimeStampedBundleProvesItselfAndItsTokenFindsAMemberChangedOrRemovedWithItsLine) {
    LocalTsa tsa;
    ASSERT_TRUE(tsa.ready());
    QTemporaryDir home;
    const QString dir = home.filePath("program");
    QDir().mkpath(dir);
    writeFile(dir + "/set.ini", ("[archive]\r\ntsa=" + tsa.url() + "\r\ntsa-ca=" + tsa.caFile() + "\r\n").toUtf8());
    const QString templatePath =
        writeTemplate(dir, {"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}});
    const QString inquiry = QFileInfo(templatePath).completeBaseName();
    const QString capture = QStringLiteral("录像/2013年2月3日9时30分.avi");
    writeEvidence(dir + "/BL/2013年2月3日9时30分.avi", 200000);
    {
        archive::Archive a(dir, archive::Archive::Work::AtOnce,
                           [](const QString& text) { FAIL() << text.toStdString(); });
        a.record({JournalEvent::Kind::Saved, inquiry, {templatePath}});
    }
    const QString bundle = home.filePath("移交包.zip");
    const Ran exported = quillon(dir, {"export", templatePath, "--out", bundle});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(exported.out.contains("manifest.sha256.tsr")) << exported.out.toStdString();

    // Checked elsewhere, with the authority's CA given rather than found in set.ini. The evidence sheet
    // is among the members.
    const QString elsewhere = home.filePath("elsewhere");
    QDir().mkpath(elsewhere);
    Ran verified = quillon(elsewhere, {"verify", bundle, "--ca", tsa.caFile()});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("证明：清单列出的 6 个文件都在移交包里")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("证明：可信时间戳证明清单在 ")) << verified.out.toStdString();
    // The excerpt: the template's save and the export's own entry, which follows the chain's head.
    const QList<QByteArray> log = readFile(archive::custodyPath(dir)).split('\n');
    const QString begun = QCryptographicHash::hash(log.value(log.size() - 3), QCryptographicHash::Sha256).toHex();
    EXPECT_TRUE(verified.out.contains("证明：保管记录摘录的 2 行就是导出记录")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("它本身的 SHA-256 是 " + begun)) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.endsWith(bundle + ": OK\n")) << verified.out.toStdString();

    // The reader without this program: unzip, sha256sum and OpenSSL, as the README shows.
    const QString unpacked = home.filePath("unpacked");
    QDir().mkpath(unpacked);
    ASSERT_EQ(tool("unzip", {"-q", bundle}, unpacked).exitCode, 0);
    ASSERT_TRUE(QFile::copy(tsa.caFile(), unpacked + "/tsa-ca.pem"));
    EXPECT_EQ(tool("sha256sum", {"-c", "manifest.sha256"}, unpacked).exitCode, 0);
    const Ran stamp = tool(
        "openssl", {"ts", "-verify", "-data", "manifest.sha256", "-in", "manifest.sha256.tsr", "-CAfile", "tsa-ca.pem"},
        unpacked);
    EXPECT_EQ(stamp.exitCode, 0) << stamp.err.toStdString();
    EXPECT_TRUE(stamp.out.contains("Verification: OK")) << stamp.out.toStdString();

    // A member and its manifest line changed together pass the manifest; the token finds them.
    const QByteArray manifest = readFile(unpacked + "/manifest.sha256");
    const QByteArray changed = readFile(templatePath) + "num55=1\r\n";
    const QString name = inquiry + ".ini";
    verified = quillon(
        dir, {"verify", rezipped(bundle, home.filePath("changed.zip"),
                                 {{name, changed}, {"manifest.sha256", manifestWith(manifest, name, changed)}})});
    EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
    EXPECT_FALSE(verified.out.contains(name + ": FAILED")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("manifest.sha256.tsr: FAILED（")) << verified.out.toStdString();

    // A capture removed with its line: likewise.
    verified = quillon(dir, {"verify", rezipped(bundle, home.filePath("removed.zip"),
                                                {{capture, std::nullopt},
                                                 {"manifest.sha256", manifestWith(manifest, capture, std::nullopt)}})});
    EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("证明：清单列出的 5 个文件都在移交包里")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("manifest.sha256.tsr: FAILED（")) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.endsWith(": FAILED\n")) << verified.out.toStdString();
}
