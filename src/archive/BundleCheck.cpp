// A bundle read through libzip member by member, each hashed as it is streamed out, so that an hour
// of video is checked without being unpacked.
#include "archive/BundleCheck.h"

#include "archive/Bundle.h"
#include "archive/CustodyLog.h"
#include "archive/TimeStampAuthority.h"

#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTextStream>

#include <zip.h>

#include <cstdio>
#include <memory>

namespace archive {

namespace {

const QString kManifest = QStringLiteral("manifest.sha256");
const QString kExcerpt = QStringLiteral("custody.log");

struct ZipCloser {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};
struct MemberCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// What the bundle holds: each member's SHA-256, and the bytes of the small members the check reads.
struct Contents {
    QHash<QString, QByteArray> sha256;
    QStringList order;
    QHash<QString, QByteArray> kept;
};

void readMembers(zip_t* zip, Contents& contents, QStringList& problems) {
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (zip_int64_t i = 0; i < count; ++i) {
        // Names flagged as UTF-8 come as they are; others are read as the code page ZIP assumes.
        const char* raw = zip_get_name(zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        const QString name = QString::fromUtf8(raw ? raw : "");
        if (name.endsWith(u'/'))
            continue;
        if (contents.sha256.contains(name)) {
            problems << QStringLiteral("%1: FAILED（在移交包里不止一次）").arg(name);
            continue;
        }
        const std::unique_ptr<zip_file_t, MemberCloser> file(zip_fopen_index(zip, zip_uint64_t(i), 0));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const bool small = name == kManifest || name == kManifestToken || name == kExcerpt;
        QByteArray bytes;
        zip_int64_t read = file ? 0 : -1;
        while (file && (read = zip_fread(file.get(), buffer.data(), zip_uint64_t(buffer.size()))) > 0) {
            hash.addData(QByteArrayView(buffer.constData(), qsizetype(read)));
            if (small)
                bytes.append(buffer.constData(), qsizetype(read));
        }
        if (read < 0) {
            // libzip finds a member's CRC wrong as it reads its end.
            const char* why = file ? zip_file_strerror(file.get()) : zip_strerror(zip);
            problems << QStringLiteral("%1: FAILED（无法读取：%2）").arg(name, QString::fromUtf8(why));
            continue;
        }
        contents.sha256.insert(name, hash.result().toHex());
        contents.order << name;
        if (small)
            contents.kept.insert(name, bytes);
    }
}

// Every member against the manifest, and none beside it.
void checkManifest(const Contents& contents, BundleCheck& check) {
    const QByteArray manifest = contents.kept.value(kManifest);
    QSet<QString> listed;
    int matching = 0;
    for (const fingerprint::ListEntry& entry : fingerprint::readList(manifest)) {
        const QString name = QString::fromUtf8(entry.name);
        if (listed.contains(name)) {
            check.problems << QStringLiteral("%1: FAILED（清单中列了不止一次）").arg(name);
            continue;
        }
        listed.insert(name);
        const auto found = contents.sha256.constFind(name);
        if (found == contents.sha256.constEnd())
            check.problems << QStringLiteral("%1: FAILED（清单中有，移交包里没有）").arg(name);
        else if (*found != entry.hex)
            check.problems << QStringLiteral("%1: FAILED（与清单记下的指纹不符）").arg(name);
        else
            ++matching;
    }
    int extra = 0;
    for (const QString& name : contents.order)
        if (name != kManifest && name != kManifestToken && !listed.contains(name)) {
            check.problems << QStringLiteral("%1: FAILED（移交包里有，清单中没有）").arg(name);
            ++extra;
        }
    if (matching == listed.size() && extra == 0)
        check.proved << QStringLiteral(
                            "清单列出的 %1 个文件都在移交包里，与清单记下的指纹一致，移交包里没有清单以外的文件")
                            .arg(matching);
}

// The token of the manifest against the CA and against the manifest's own SHA-256.
void checkToken(const Contents& contents, const QString& caFile, BundleCheck& check) {
    if (!contents.kept.contains(kManifestToken)) {
        check.notes << QStringLiteral(
            "移交包没有可信时间戳：只核对了移交包里的文件前后一致，不能证明它们连同清单在导出后没有被一起改过");
        return;
    }
    if (caFile.isEmpty()) {
        check.problems << QStringLiteral("%1: FAILED（没有时间戳服务的 CA 证书，签名无从检查：用 --ca FILE 给出，或在 "
                                         "set.ini 的 [archive] 节设 tsa-ca）")
                              .arg(kManifestToken);
        return;
    }
    const QByteArray digest = QCryptographicHash::hash(contents.kept.value(kManifest), QCryptographicHash::Sha256);
    QString time;
    QString error;
    if (!timestamps::checkToken(contents.kept.value(kManifestToken), digest, caFile, &time, &error)) {
        check.problems << QStringLiteral("%1: FAILED（%2：清单在时间戳之后被改过，或时间戳不是这个 CA 的服务签的）")
                              .arg(kManifestToken, error);
        return;
    }
    check.proved << QStringLiteral("可信时间戳证明清单在 %1 已是现在的样子（CA %2）：清单中的文件从那时起都没有改过")
                        .arg(time, caFile);
}

// The excerpt closes with its export entry, which names every line before it by its SHA-256.
void checkExcerpt(const Contents& contents, BundleCheck& check) {
    if (!contents.kept.contains(kExcerpt)) {
        check.problems << QStringLiteral("%1: FAILED（移交包里没有保管记录摘录）").arg(kExcerpt);
        return;
    }
    QList<QByteArray> lines = contents.kept.value(kExcerpt).split('\n');
    const auto fail = [&](const QString& why) {
        check.problems << QStringLiteral("%1: FAILED（%2）").arg(kExcerpt, why);
    };
    if (lines.takeLast().size() != 0)
        return fail(QStringLiteral("最后一行不完整"));
    if (lines.isEmpty())
        return fail(QStringLiteral("没有记录"));
    const std::optional<CustodyEntry> last = CustodyEntry::parse(lines.last());
    if (!last || last->event != custody::kExportBegun)
        return fail(QStringLiteral("最后一行不是这次导出的记录"));
    QString named;
    for (const auto& [key, value] : last->details)
        if (key == QLatin1String("excerpt"))
            named = value;
    const QStringList sha256s = named.split(u' ', Qt::SkipEmptyParts);
    if (sha256s.size() != lines.size() - 1)
        return fail(
            QStringLiteral("导出记录记下 %1 行，摘录中它之前有 %2 行").arg(sha256s.size()).arg(lines.size() - 1));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const std::optional<CustodyEntry> entry = CustodyEntry::parse(lines[i]);
        if (!entry || entry->inquiry != last->inquiry)
            return fail(QStringLiteral("第 %1 行不是这份笔录的记录").arg(i + 1));
        if (QString::fromLatin1(QCryptographicHash::hash(lines[i], QCryptographicHash::Sha256).toHex()) != sha256s[i])
            return fail(QStringLiteral("第 %1 行与导出记录记下的指纹不符").arg(i + 1));
    }
    check.proved << QStringLiteral("保管记录摘录的 %1 行就是导出记录（%2）记下的那些；导出记录接在保管记录链头 %3 "
                                   "之后，它本身的 SHA-256 是 %4")
                        .arg(lines.size())
                        .arg(last->time, last->previous,
                             QString::fromLatin1(
                                 QCryptographicHash::hash(lines.last(), QCryptographicHash::Sha256).toHex()));
}

} // namespace

BundleCheck checkBundle(const QString& zipPath, const QString& caFile) {
    BundleCheck check;
    int openError = 0;
    const std::unique_ptr<zip_t, ZipCloser> zip(
        zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &openError));
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        check.problems
            << QStringLiteral("%1: FAILED（无法打开：%2）").arg(zipPath, QString::fromUtf8(zip_error_strerror(&error)));
        zip_error_fini(&error);
        return check;
    }
    Contents contents;
    readMembers(zip.get(), contents, check.problems);
    if (!contents.kept.contains(kManifest)) {
        check.problems << QStringLiteral("%1: FAILED（移交包里没有清单，无从核对）").arg(kManifest);
        return check;
    }
    checkManifest(contents, check);
    checkToken(contents, caFile, check);
    checkExcerpt(contents, check);
    return check;
}

int verifyBundleCommand(const QStringList& bundles, const QString& caOption) {
    const QString caFile = caOption.isEmpty() ? timestamps::setting(programdir::resolveForCommand()).caFile : caOption;
    QTextStream out(stdout);
    bool allOk = true;
    for (const QString& bundle : bundles) {
        const BundleCheck check = checkBundle(bundle, caFile);
        for (const QString& problem : check.problems)
            out << problem << Qt::endl;
        for (const QString& proved : check.proved)
            out << QStringLiteral("证明：") << proved << Qt::endl;
        for (const QString& note : check.notes)
            out << QStringLiteral("注意：") << note << Qt::endl;
        out << bundle << (check.ok() ? QStringLiteral(": OK") : QStringLiteral(": FAILED")) << Qt::endl;
        allOk = allOk && check.ok();
    }
    return allOk ? 0 : 1;
}

} // namespace archive
