// flock(2) locks go with the open file: a killed program releases its lock with its last descriptor.
#include "RecoverySession.h"

#include "DurableFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const QString kLockName = QStringLiteral("instance.lock");
}

RecoverySession::RecoverySession(QString folder) : m_folder(std::move(folder)) {
    if (const durable::Result made = durable::makeFolder(m_folder); !made) {
        m_problem = QStringLiteral("恢复目录 <%1> 无法建立：%2").arg(m_folder, made.text());
        return;
    }
    // flock needs no write access: a lock file that only its maker may write still locks for all.
    const QByteArray lockPath = QFile::encodeName(m_folder + u'/' + kLockName);
    m_lock = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
    QString cause;
    if (m_lock < 0 && errno == ENOENT) {
        m_lock = ::open(lockPath.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
        if (m_lock < 0)
            cause = durable::Result::failed(errno).text();
    } else if (m_lock < 0) {
        cause = errno == EACCES ? QStringLiteral("没有读取权限") : durable::Result::failed(errno).text();
    }
    if (m_lock < 0) {
        m_problem = QStringLiteral("恢复目录的锁文件 <%1/%2> 无法打开：%3").arg(m_folder, kLockName, cause);
        return;
    }
    if (::flock(m_lock, LOCK_EX | LOCK_NB) == 0) {
        // Hidden files are not listed: the temporary files of writes that were cut off hold nothing whole.
        m_leftovers = QDir(m_folder).entryList(QDir::Files, QDir::Name);
        m_leftovers.removeOne(kLockName);
    }
    ::flock(m_lock, LOCK_SH);
}

RecoverySession::~RecoverySession() {
    if (m_lock >= 0)
        ::close(m_lock);
}
