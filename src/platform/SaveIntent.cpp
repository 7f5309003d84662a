// The intent record's text form and where the records are.
#include "SaveIntent.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

#include <dirent.h>

namespace durable {

namespace {

constexpr char kPrefix[] = ".quillon-save-";
constexpr char kSuffix[] = ".intent";
constexpr char kHeader[] = "quillon-save 1";

QByteArray pathField(const QDir& folder, const QString& path) {
    return QFile::encodeName(folder.relativeFilePath(path)).toPercentEncoding("/");
}

QString pathOf(const QDir& folder, const QByteArray& field) {
    return QDir::cleanPath(folder.absoluteFilePath(QFile::decodeName(QByteArray::fromPercentEncoding(field))));
}

QByteArray earlierField(const QDir& folder, const StagedFile& file) {
    if (!file.targetExisted)
        return "-";
    return file.earlier.isEmpty() ? QByteArray("=") : pathField(folder, file.earlier);
}

bool isDigest(const QByteArray& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(),
                                            [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace

QString intentFileName(const QString& firstTarget) {
    const QByteArray digest = QCryptographicHash::hash(QFile::encodeName(firstTarget), QCryptographicHash::Sha256);
    return QLatin1String(kPrefix) + QString::fromLatin1(digest.toHex().left(16)) + QLatin1String(kSuffix);
}

bool isIntentFileName(QByteArrayView name) {
    return name.size() == qsizetype(sizeof kPrefix - 1) + 16 + qsizetype(sizeof kSuffix - 1) &&
           name.startsWith(kPrefix) && name.endsWith(kSuffix);
}

QByteArray encodeIntent(const SaveIntent& intent, const QString& folder) {
    const QDir dir(folder);
    QByteArray text = QByteArray(kHeader) + '\n';
    for (const QString& copy : intent.copies)
        text += "copy " + pathField(dir, copy) + '\n';
    for (const StagedFile& file : intent.files)
        text += "file " + file.digest + ' ' + pathField(dir, file.temporary) + ' ' + pathField(dir, file.target) + ' ' +
                earlierField(dir, file) + '\n';
    return text;
}

std::optional<SaveIntent> decodeIntent(const QByteArray& bytes, const QString& folder) {
    const QDir dir(folder);
    if (!bytes.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    if (lines.value(0) != kHeader)
        return std::nullopt;
    SaveIntent intent;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        if (fields.size() == 2 && fields[0] == "copy" && !fields[1].isEmpty()) {
            intent.copies << pathOf(dir, fields[1]);
        } else if (fields.size() == 5 && fields[0] == "file" && isDigest(fields[1]) && !fields[2].isEmpty() &&
                   !fields[3].isEmpty() && !fields[4].isEmpty()) {
            const bool existed = fields[4] != "-";
            const QString earlier = existed && fields[4] != "=" ? pathOf(dir, fields[4]) : QString();
            intent.files.append({fields[1], pathOf(dir, fields[2]), pathOf(dir, fields[3]), existed, earlier});
        } else {
            return std::nullopt;
        }
    }
    if (intent.files.isEmpty() || intent.copies.isEmpty())
        return std::nullopt;
    return intent;
}

QStringList intentFilesIn(const QString& folder) {
    // The folder's names as they are, read once: a save looks here before it writes, and a folder of
    // thousands of transcripts is read faster without a file object for every name. The few records
    // are sorted, so that they are completed in the same order every time.
    QStringList files;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()), ::closedir);
    if (!dir)
        return files;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (isIntentFileName(QByteArrayView(entry->d_name)))
            files << folder + u'/' + QFile::decodeName(entry->d_name);
    }
    files.sort();
    return files;
}

QSet<QByteArray> namesWantedIn(const QString& folder) {
    QSet<QByteArray> names;
    for (const QString& path : intentFilesIn(folder)) {
        QFile file(path);
        const std::optional<SaveIntent> intent =
            file.open(QIODevice::ReadOnly) ? decodeIntent(file.readAll(), folder) : std::nullopt;
        if (!intent)
            continue;
        for (const StagedFile& staged : intent->files) {
            names.insert(QFile::encodeName(QFileInfo(staged.temporary).fileName()));
            if (!staged.earlier.isEmpty())
                names.insert(QFile::encodeName(QFileInfo(staged.earlier).fileName()));
        }
    }
    return names;
}

} // namespace durable
