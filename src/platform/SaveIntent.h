// The intent record of a save over several files: written and synced before the first of them is
// put in place, so that a save cut off at any point can be finished, or undone, afterwards.
#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace durable {

// One file of the save: its new content, complete and synced under a temporary name beside its
// target, and the earlier file under a second name (a hard link) so that the save can be undone.
struct StagedFile {
    QByteArray digest; // SHA-256 of the new content, 64 lower-case hex digits
    QString temporary;
    QString target;
    // Whether there was a file at the target, and its second name; a folder that takes no hard
    // links keeps none, and that file cannot be put back.
    bool targetExisted = false;
    QString earlier;
};

struct SaveIntent {
    QList<StagedFile> files;
    // Every copy of the record: one in each folder that holds a temporary file of the save, so that
    // whoever tidies that folder sees which temporary files are still wanted.
    QStringList copies;
};

// ".quillon-save-<digest of the first target's path>.intent", the same in every folder of one save.
QString intentFileName(const QString& firstTarget);
bool isIntentFileName(QByteArrayView name);

// The copy of the record for one folder: a line "quillon-save 1", then a line "copy <path>" for each
// copy and "file <digest> <temporary> <target> <earlier>" for each file, the earlier file "-" when
// there was none and "=" when it could not be kept. Paths are relative to that folder and
// percent-encoded, so that a folder moved or copied elsewhere (a disk mounted at another place, a
// copy of the program directory) never leads its records to the files of the old place.
QByteArray encodeIntent(const SaveIntent& intent, const QString& folder);
// Nothing when the bytes are not such a record; paths made absolute from the folder it was in.
std::optional<SaveIntent> decodeIntent(const QByteArray& bytes, const QString& folder);

// The records in a folder, as paths.
QStringList intentFilesIn(const QString& folder);
// The names of the temporary files and earlier copies that the records in a folder still need.
QSet<QByteArray> namesWantedIn(const QString& folder);

} // namespace durable
