// Mounts with mount(8), fills with a plain file of zeros, unmounts in the destructor.
#include "SmallFilesystem.h"

#include <QFile>
#include <QProcess>

#include <sys/statvfs.h>

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return program + ": " + QString::fromLocal8Bit(p.readAllStandardError()).trimmed() + p.errorString();
    return {};
}

} // namespace

SmallFilesystem::SmallFilesystem(int sizeKiB) {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    m_error = run(QStringLiteral("mount"),
                  {"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(sizeKiB), "tmpfs", m_dir.path()});
    m_mounted = m_error.isEmpty();
}

SmallFilesystem::~SmallFilesystem() {
    if (m_mounted)
        run(QStringLiteral("umount"), {"-l", m_dir.path()});
}

qint64 SmallFilesystem::freeBlocks() const {
    struct statvfs s {};
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &s) != 0)
        return -1;
    return qint64(s.f_bavail);
}

void SmallFilesystem::leaveFree(qint64 blocks) {
    unfill();
    struct statvfs s {};
    ::statvfs(QFile::encodeName(m_dir.path()).constData(), &s);
    const qint64 fill = (qint64(s.f_bavail) - blocks) * qint64(s.f_bsize);
    QFile filler(m_dir.path() + "/.filler");
    if (fill > 0 && filler.open(QIODevice::WriteOnly)) {
        const QByteArray zeros(int(s.f_bsize), '\0');
        for (qint64 left = fill; left > 0; left -= zeros.size())
            if (filler.write(zeros) != zeros.size())
                break;
    }
}

void SmallFilesystem::unfill() {
    QFile::remove(m_dir.path() + "/.filler");
}
