// Starts one of the Python test servers on 127.0.0.1 and stops it again when the test ends.
#include "NetTestServer.h"

#include <QDeadlineTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Debian's interpreter: it has the pyftpdlib package, whatever python3 comes first on PATH.
constexpr char kPython[] = "/usr/bin/python3";
} // namespace

NetTestServer::NetTestServer(const QString& script, const QStringList& arguments) {
    const QString scriptPath = qEnvironmentVariable("QUILLON_SOURCE_DIR") + QStringLiteral("/tests/net/") + script;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QString::fromLatin1(kPython), QStringList{scriptPath} + arguments);
    if (!m_process.waitForStarted(10000))
        return;
    QDeadlineTimer deadline(15000);
    QByteArray out;
    while (!deadline.hasExpired() && !out.contains('\n')) {
        if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        out += m_process.readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (line.startsWith("LISTENING "))
        m_port = line.mid(10).toInt();
}

NetTestServer::~NetTestServer() {
    stop();
}

QString NetTestServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void NetTestServer::suspend() {
    ::kill(static_cast<pid_t>(m_process.processId()), SIGSTOP);
}

void NetTestServer::resume() {
    ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT);
}

void NetTestServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    resume();
    m_process.kill();
    m_process.waitForFinished(10000);
}

QString NetTestServer::log() {
    m_log += m_process.readAllStandardError();
    return QString::fromUtf8(m_log);
}

int closedLocalPort() {
    // Bind a port and let it go again: nothing listens there afterwards.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}
