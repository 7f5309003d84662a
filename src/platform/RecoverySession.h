// One running program's claim on its recovery folder, so that what another program is still
// writing there is never offered or removed as the leftover of an unclean end.
#pragma once

#include <QString>
#include <QStringList>

// Every running program holds a shared lock on recovery/instance.lock. A program that can take it
// exclusively at its start is the only one, and whatever the folder then holds was left by runs that
// ended uncleanly: those names are taken while the lock is exclusive, before it is shared. The lock
// is taken on a descriptor opened for reading, so a lock file another user made serves every user
// who may read it.
class RecoverySession {
public:
    // Creates the folder when it is missing.
    explicit RecoverySession(QString folder);
    ~RecoverySession();
    RecoverySession(const RecoverySession&) = delete;
    RecoverySession& operator=(const RecoverySession&) = delete;

    const QString& folder() const { return m_folder; }
    // Names of the files (not their paths) that were in the folder at the start, when no other
    // program was using it; empty otherwise.
    const QStringList& leftovers() const { return m_leftovers; }
    // Why no lock could be had, so that nothing was looked for (the folder or its lock file cannot be
    // made or opened); empty when the lock is held.
    const QString& problem() const { return m_problem; }

private:
    QString m_folder;
    QStringList m_leftovers;
    QString m_problem;
    int m_lock = -1;
};
