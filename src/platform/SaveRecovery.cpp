// Rolling a cut-off save forward or back by its intent record.
#include "SaveRecovery.h"

#include "DurableFile.h"
#include "FileLocks.h"
#include "Fingerprint.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>

#include <unistd.h>

namespace durable {

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

bool holds(const QString& path, const QByteArray& digest) {
    Result read;
    return fingerprint::sha256Hex(path, &read) == digest && read.ok();
}

void remove(const QString& path) {
    if (::unlink(encoded(path).constData()) == 0)
        stepDone();
}

QSet<QString> foldersOf(const SaveIntent& intent) {
    QSet<QString> folders;
    for (const StagedFile& file : intent.files)
        folders.insert(QFileInfo(file.target).path());
    return folders;
}

// The files are where the record says: the record, which is all that still named the leftovers, goes,
// once their names are on the disk. A folder that cannot be synced keeps it for the next try.
Ending closeRecord(const SaveIntent& intent, Ending ending) {
    for (const QString& folder : foldersOf(intent)) {
        if (!syncFolder(folder))
            return Ending::Stopped;
    }
    for (const QString& copy : intent.copies)
        remove(copy);
    return ending;
}

// Nothing when the file cannot be opened.
std::optional<QByteArray> readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

Ending finishSave(const SaveIntent& intent) {
    for (const StagedFile& file : intent.files) {
        if (!QFileInfo::exists(file.temporary))
            continue; // in place already
        if (::rename(encoded(file.temporary).constData(), encoded(file.target).constData()) != 0)
            return Ending::Stopped;
        stepDone();
    }
    // Never needed again: from a record whose new files are all whole, recovery only goes forward.
    for (const StagedFile& file : intent.files) {
        if (!file.earlier.isEmpty())
            remove(file.earlier);
    }
    return closeRecord(intent, Ending::Finished);
}

Ending undoSave(const SaveIntent& intent) {
    for (const StagedFile& file : intent.files) {
        if (!file.earlier.isEmpty() && QFileInfo::exists(file.earlier)) {
            if (::rename(encoded(file.earlier).constData(), encoded(file.target).constData()) != 0)
                return Ending::Stopped;
            stepDone();
            // A target never replaced is the same file as its second name, and rename() then leaves both.
            remove(file.earlier);
        } else if (!file.targetExisted && holds(file.target, file.digest)) {
            remove(file.target);
        }
        remove(file.temporary);
    }
    return closeRecord(intent, Ending::Undone);
}

Ending completeSave(const SaveIntent& intent) {
    for (const StagedFile& file : intent.files) {
        if (!holds(file.temporary, file.digest) && !holds(file.target, file.digest))
            return undoSave(intent);
    }
    return finishSave(intent);
}

Leftovers finishInterruptedSaves(const QString& folder, const TargetLocks* held, int waitMs) {
    // The paths the locks are taken on have their links followed; so have the folder's here.
    const QString real = QFileInfo(folder).canonicalFilePath();
    Leftovers left;
    if (real.isEmpty())
        return left;
    for (const QString& record : intentFilesIn(real)) {
        const std::optional<QByteArray> bytes = readAll(record);
        const std::optional<SaveIntent> intent = bytes ? decodeIntent(*bytes, real) : std::nullopt;
        if (!intent) {
            // A record gone since the folder was listed was closed by the save that wrote it.
            if (QFileInfo::exists(record))
                left.unreadable << record;
            continue;
        }
        QStringList targets;
        for (const StagedFile& file : intent->files) {
            if (!held || !held->holds(file.target))
                targets << file.target;
        }
        TargetLocks locks;
        if (!locks.acquire(targets, waitMs))
            continue;
        // Its program may have finished it between the read and the locks, and another save begun.
        if (readAll(record) != bytes)
            continue;
        if (completeSave(*intent) == Ending::Stopped)
            left.stopped << record;
    }
    return left;
}

Leftovers finishInterruptedSavesOf(const QStringList& files) {
    QSet<QString> folders;
    for (const QString& file : files) {
        folders.insert(QFileInfo(file).absolutePath());
        QString target;
        if (writtenPath(file, &target))
            folders.insert(QFileInfo(target).path());
    }
    Leftovers left;
    for (const QString& folder : folders) {
        const Leftovers more = finishInterruptedSaves(folder);
        left.stopped << more.stopped;
        left.unreadable << more.unreadable;
    }
    return left;
}

} // namespace durable
