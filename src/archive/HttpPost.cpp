// Connects to the first address that answers, sends the request with Connection: close and reads the
// answer to its end: by its Content-Length, or until the server closes.
#include "archive/HttpPost.h"

#include <QUrl>

#include <cerrno>
#include <cstring>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace archive {

namespace {

QString systemError() {
    return QString::fromLocal8Bit(strerror(errno));
}

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

int connectTo(const QByteArray& host, const QByteArray& port, int timeoutSeconds, QString* error) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int code = ::getaddrinfo(host.constData(), port.constData(), &hints, &found); code != 0) {
        *error =
            QStringLiteral("找不到 %1：%2").arg(QString::fromUtf8(host), QString::fromLocal8Bit(gai_strerror(code)));
        return -1;
    }
    int fd = -1;
    for (addrinfo* address = found; address && fd < 0; address = address->ai_next) {
        fd = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0)
            continue;
        const timeval timeout{timeoutSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (::connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
            *error = QStringLiteral("连不上 %1：%2").arg(QString::fromUtf8(host), systemError());
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

} // namespace

HttpAnswer httpPost(const QString& url, const QByteArray& contentType, const QByteArray& body, int timeoutSeconds) {
    HttpAnswer answer;
    const QUrl address(url);
    if (address.scheme() != QLatin1String("http") || address.host().isEmpty()) {
        answer.error = QStringLiteral("时间戳服务的地址 %1 不能用：只支持 http:// 地址").arg(url);
        return answer;
    }
    const QByteArray host = address.host().toUtf8();
    const QByteArray port = QByteArray::number(address.port(80));
    const Socket socket(connectTo(host, port, timeoutSeconds, &answer.error));
    if (socket.fd() < 0)
        return answer;
    QByteArray path = address.path(QUrl::FullyEncoded).toUtf8();
    if (path.isEmpty())
        path = "/";
    if (address.hasQuery())
        path += '?' + address.query(QUrl::FullyEncoded).toUtf8();
    const QByteArray request =
        "POST " + path + " HTTP/1.1\r\nHost: " + host + ':' + port + "\r\nContent-Type: " + contentType +
        "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t n = ::send(socket.fd(), request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            answer.error = QStringLiteral("请求没有发出：%1").arg(systemError());
            return answer;
        }
        sent += n;
    }
    QByteArray received;
    qsizetype headerEnd = -1;
    qint64 length = -1;
    for (;;) {
        char buffer[16384];
        const ssize_t n = ::recv(socket.fd(), buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            answer.error = QStringLiteral("没有收到回答：%1").arg(systemError());
            return answer;
        }
        received.append(buffer, n);
        if (headerEnd < 0 && (headerEnd = received.indexOf("\r\n\r\n")) >= 0) {
            for (const QByteArray& line : received.left(headerEnd).split('\n')) {
                const QByteArray field = line.trimmed();
                const qsizetype colon = field.indexOf(':');
                const QByteArray name = field.left(colon).toLower();
                if (name == "content-length")
                    length = field.mid(colon + 1).trimmed().toLongLong();
                else if (name == "content-type")
                    answer.contentType = field.mid(colon + 1).trimmed();
            }
        }
        if (n == 0 || (headerEnd >= 0 && length >= 0 && received.size() - headerEnd - 4 >= length))
            break;
    }
    if (headerEnd < 0) {
        answer.error = QStringLiteral("回答不完整");
        return answer;
    }
    const QList<QByteArray> statusLine = received.left(received.indexOf("\r\n")).split(' ');
    answer.status = statusLine.value(1).toInt();
    answer.body = received.mid(headerEnd + 4, length >= 0 ? length : -1);
    if (answer.status == 0)
        answer.error = QStringLiteral("回答不是 HTTP");
    return answer;
}

} // namespace archive
