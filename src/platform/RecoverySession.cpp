// flock(2) locks go with the open file: a killed program releases its lock with its last descriptor.
#include "RecoverySession.h"

#include "DurableFile.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const QString kLockName = QStringLiteral("instance.lock");
}

RecoverySession::RecoverySession(QString folder) : m_folder(std::move(folder))
{
    // A folder that cannot be made leaves the program without its lock, as a lock file that cannot be opened does.
    durable::makeFolder(m_folder);
    m_lock = ::open(QFile::encodeName(m_folder + u'/' + kLockName).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_lock < 0)
        return;
    if (::flock(m_lock, LOCK_EX | LOCK_NB) == 0) {
        // Hidden files are not listed: the temporary files of writes that were cut off hold nothing whole.
        m_leftovers = QDir(m_folder).entryList(QDir::Files, QDir::Name);
        m_leftovers.removeOne(kLockName);
    }
    ::flock(m_lock, LOCK_SH);
}

RecoverySession::~RecoverySession()
{
    if (m_lock >= 0)
        ::close(m_lock);
}
