// The bundle through libzip: every member hashed first for the manifest, then the archive written
// into a hidden file beside the target, which replaces it once synced. Files are added as file
// sources, which libzip reads piece by piece while it writes.
#include "archive/Bundle.h"

#include "archive/Locations.h"

#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <zip.h>

#include <cerrno>

namespace archive {

namespace {

struct Member {
    QString name;    // in the bundle
    QString path;    // a file on the disk, or
    QByteArray data; // bytes made for the bundle
    Stamp stamp;     // of the file when it was hashed
    QByteArray sha256;
};

// Recordings and captures are compressed already, or hardly compress: stored as they are, the
// export of an hour of video takes the time of a copy.
bool storedAsIs(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("avi") || suffix == QLatin1String("wav") || suffix == QLatin1String("pdf");
}

class Members {
public:
    // The file, and its fingerprint beside it when it has one, under folder; a name taken already
    // (two recordings of one name from different folders) goes into a numbered folder below.
    void addFile(const QString& folder, const QString& path) {
        const QString fileName = QFileInfo(path).fileName();
        QString name = folder + fileName;
        for (int n = 2; m_taken.contains(name); ++n)
            name = folder + QString::number(n) + u'/' + fileName;
        add({name, path, {}, {}, {}});
        const QString sidecar = fingerprint::sidecarPath(path);
        if (QFileInfo::exists(sidecar))
            add({name + QStringLiteral(".sha256"), sidecar, {}, {}, {}});
    }
    void add(Member member) {
        m_taken.insert(member.name);
        m_list.append(std::move(member));
    }
    QList<Member>& list() { return m_list; }

private:
    QSet<QString> m_taken;
    QList<Member> m_list;
};

QString failureText(zip_error_t* error) {
    const int system = zip_error_code_system(error);
    if (zip_error_system_type(error) == ZIP_ET_SYS && system)
        return durable::Result::failed(system).text();
    return QString::fromUtf8(zip_error_strerror(error));
}

struct ZipState {
    BundleProgress& progress;
    const std::function<bool()>& cancelled;
    qint64 hashed; // bytes of the first pass
};

} // namespace

BundleResult writeBundle(const BundleRequest& request, BundleProgress& progress,
                         const std::function<bool()>& cancelled) {
    BundleResult result;
    Members members;
    if (!request.documentPath.isEmpty() && QFileInfo::exists(request.documentPath))
        members.addFile({}, request.documentPath);
    members.addFile({}, request.templatePath);
    if (!request.pdfPath.isEmpty())
        members.add({request.inquiry + QStringLiteral(".pdf"), request.pdfPath, {}, {}, {}});
    if (!request.sheetPdfPath.isEmpty())
        members.add({kSheetMember, request.sheetPdfPath, {}, {}, {}});
    const QList<QPair<QString, QString>> readBack{{kReadBackMember, request.readBackPath},
                                                  {kCorrectionsMember, request.correctionsPdfPath},
                                                  {kCorrectionsTextMember, request.correctionsTextPath}};
    for (const auto& [name, path] : readBack)
        if (!path.isEmpty())
            members.add({name, path, {}, {}, {}});
    for (const QString& path : request.recordings)
        members.addFile(kRecordingFolder, path);
    for (const QString& path : request.captures)
        members.addFile(kCaptureFolder, path);
    QByteArray custody;
    for (const QByteArray& line : request.custodyLines)
        custody += line + '\n';
    members.add({QStringLiteral("custody.log"), {}, custody, {}, {}});
    if (!request.marks.isEmpty())
        members.add({kMarksMember, {}, request.marks.toUtf8(), {}, {}});

    qint64 total = 0;
    for (Member& member : members.list()) {
        member.stamp = member.path.isEmpty() ? Stamp{member.data.size(), 0} : stampOf(member.path);
        if (!member.stamp.exists()) {
            result.error = QStringLiteral("文件 <%1> 不存在").arg(member.path);
            return result;
        }
        total += member.stamp.size;
    }
    // Every byte is read twice: once for the manifest, once into the archive.
    progress.total = 2 * total;
    progress.done = 0;

    QByteArray manifest;
    for (Member& member : members.list()) {
        if (member.path.isEmpty()) {
            member.sha256 = QCryptographicHash::hash(member.data, QCryptographicHash::Sha256).toHex();
        } else {
            durable::Result read;
            member.sha256 = fingerprint::sha256Hex(member.path, &read, [&](qint64 bytes) {
                progress.done += bytes;
                return !cancelled();
            });
            if (read.error == ECANCELED) {
                result.cancelled = true;
                return result;
            }
            if (!read) {
                result.error = QStringLiteral("文件 <%1> 无法读取：%2").arg(member.path, read.text());
                return result;
            }
        }
        manifest += fingerprint::sidecarLine(member.sha256, member.name);
        result.names << member.name;
    }
    members.add({QStringLiteral("manifest.sha256"), {}, manifest, {}, {}});
    result.names << QStringLiteral("manifest.sha256");
    if (request.stamp) {
        const QByteArray token =
            request.stamp(QCryptographicHash::hash(manifest, QCryptographicHash::Sha256), &result.warning);
        if (!token.isEmpty()) {
            members.add({kManifestToken, {}, token, {}, {}});
            result.names << kManifestToken;
        }
    }

    const QFileInfo target(request.target);
    const QString temporary =
        target.absolutePath() +
        QStringLiteral("/.%1.%2.part").arg(target.fileName()).arg(QCoreApplication::applicationPid());
    int openError = 0;
    zip_t* zip = zip_open(QFile::encodeName(temporary).constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        result.error = failureText(&error);
        zip_error_fini(&error);
        return result;
    }
    const auto abandon = [&](const QString& why) {
        result.error = why;
        zip_discard(zip);
        QFile::remove(temporary);
        return result;
    };
    for (const Member& member : members.list()) {
        zip_source_t* source =
            member.path.isEmpty() ? zip_source_buffer(zip, member.data.constData(), zip_uint64_t(member.data.size()), 0)
                                  : zip_source_file(zip, QFile::encodeName(member.path).constData(), 0, 0);
        const zip_int64_t index =
            source ? zip_file_add(zip, member.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            return abandon(failureText(zip_get_error(zip)));
        }
        if (storedAsIs(member.name))
            zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
        // Bytes made for the bundle unpack as ordinary files, readable by all, written by the owner.
        if (member.path.isEmpty())
            zip_file_set_external_attributes(zip, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, (0100644u << 16));
    }
    ZipState state{progress, cancelled, total};
    zip_register_progress_callback_with_state(
        zip, 0.001,
        [](zip_t*, double fraction, void* data) {
            auto* s = static_cast<ZipState*>(data);
            s->progress.done = s->hashed + qint64(fraction * double(s->hashed));
        },
        nullptr, &state);
    zip_register_cancel_callback_with_state(
        zip, [](zip_t*, void* data) { return static_cast<ZipState*>(data)->cancelled() ? 1 : 0; }, nullptr, &state);
    if (zip_close(zip) != 0) {
        result.cancelled = zip_error_code_zip(zip_get_error(zip)) == ZIP_ER_CANCELLED;
        return abandon(failureText(zip_get_error(zip)));
    }
    // A file written to while it was read would not match the manifest.
    for (const Member& member : members.list())
        if (!member.path.isEmpty() && stampOf(member.path) != member.stamp) {
            QFile::remove(temporary);
            result.error = QStringLiteral("文件 <%1> 在导出时被改动").arg(member.path);
            return result;
        }
    if (const durable::Result moved = durable::moveFile(temporary, request.target); !moved) {
        QFile::remove(temporary);
        result.error = moved.text();
        return result;
    }
    progress.done = progress.total.load();
    result.ok = true;
    return result;
}

} // namespace archive
