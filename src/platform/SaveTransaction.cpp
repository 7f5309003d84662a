// The steps of a save over several files; recovery rolls a cut-off one forward or back.
#include "SaveTransaction.h"

#include "Fingerprint.h"
#include "SaveRecovery.h"
#include "TemporaryFiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace durable {

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

SaveTransaction::SaveTransaction(QStringList targets) : m_given(std::move(targets)), m_files(m_given.size()) {}

SaveTransaction::~SaveTransaction() {
    if (!m_done)
        removeStaged();
}

Result SaveTransaction::failed(qsizetype index, const Result& result) {
    m_failedFile = index >= 0 ? m_given[index] : QString();
    return result;
}

void SaveTransaction::removeStaged() {
    for (StagedFile& file : m_files) {
        for (QString* path : {&file.temporary, &file.earlier}) {
            if (!path->isEmpty())
                ::unlink(encoded(*path).constData());
            path->clear();
        }
    }
}

Result SaveTransaction::begin(int waitMs) {
    QStringList targets;
    for (qsizetype i = 0; i < m_given.size(); ++i) {
        QString target;
        if (Result r = checkTarget(m_given[i], &target); !r)
            return failed(i, r);
        if (targets.contains(target))
            return failed(i, {Cause::SameFile, EEXIST});
        targets << target;
        m_files[i].target = target;
        const QString folder = QFileInfo(target).path();
        if (!m_folders.contains(folder))
            m_folders << folder;
    }
    QString busy;
    if (Result r = m_locks.acquire(targets, waitMs, &busy); !r)
        return failed(targets.indexOf(busy), r);
    // A save that holds the files of its record is running beside this one, on files this save does
    // not have (it holds its own): it is left to finish without waiting for it. What cannot be
    // completed here stays in its folder, and the next start tells of it.
    for (const QString& folder : m_folders)
        static_cast<void>(finishInterruptedSaves(folder, &m_locks, 0));
    m_begun = true;
    return {};
}

bool SaveTransaction::exists(qsizetype index) const {
    struct stat st {};
    return ::stat(encoded(m_files[index].target).constData(), &st) == 0;
}

Result SaveTransaction::stage(qsizetype index, const QByteArray& bytes) {
    StagedFile& file = m_files[index];
    FileWriter writer(file.target);
    Result r = m_begun ? writer.open() : Result::failed(EBADF);
    if (r)
        r = writer.write(bytes);
    if (r)
        r = writer.prepare();
    if (!r)
        return failed(index, r);
    file.temporary = writer.release();
    file.digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    return {};
}

QString SaveTransaction::stagingPath(qsizetype index) {
    StagedFile& file = m_files[index];
    file.temporary = QFile::decodeName(unusedTemporaryPath(encoded(QFileInfo(file.target).path())));
    return file.temporary;
}

Result SaveTransaction::staged(qsizetype index) {
    StagedFile& file = m_files[index];
    // The new file keeps the permissions of the one it replaces, as every durable write does.
    struct stat existing {};
    if (::stat(encoded(file.target).constData(), &existing) == 0 &&
        ::chmod(encoded(file.temporary).constData(), existing.st_mode & 07777) != 0)
        return failed(index, Result::failed(errno));
    Result read;
    file.digest = fingerprint::sha256Hex(file.temporary, &read);
    return read ? Result() : failed(index, read);
}

Result SaveTransaction::commit() {
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (m_files[i].digest.isEmpty())
            return failed(i, Result::failed(EBADF));
    }
    // Each earlier file keeps a second name until the new one is in place, so that the save can be
    // undone up to its last rename. A folder that takes no hard links keeps none.
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        StagedFile& file = m_files[i];
        file.targetExisted = exists(i);
        if (!file.targetExisted)
            continue;
        const QByteArray earlier = unusedTemporaryPath(encoded(QFileInfo(file.target).path()));
        if (::link(encoded(file.target).constData(), earlier.constData()) == 0) {
            stepDone();
            file.earlier = QFile::decodeName(earlier);
        }
    }
    // Every staged name is on the disk before the record that names it.
    for (const QString& folder : m_folders) {
        if (Result r = syncFolder(folder); !r) {
            m_failedFile = folder;
            return r;
        }
    }
    SaveIntent intent{m_files, {}};
    const QString name = intentFileName(m_files.first().target);
    for (const QString& folder : m_folders)
        intent.copies << folder + u'/' + name;
    for (const QString& copy : intent.copies) {
        if (Result r = writeFile(copy, encodeIntent(intent, QFileInfo(copy).path())); !r) {
            for (const QString& written : intent.copies)
                ::unlink(encoded(written).constData());
            m_failedFile = copy;
            return r;
        }
    }
    // From here the record owns the staged files: finished, undone, or left for the next start.
    m_done = true;
    if (finishSave(intent) == Ending::Stopped) {
        const int error = errno;
        // An undo that stops as well leaves the record, which the next start completes or tells of;
        // this save has failed either way.
        static_cast<void>(undoSave(intent));
        m_failedFile = m_given.first();
        return Result::failed(error);
    }
    m_locks.release();
    return {};
}

} // namespace durable
