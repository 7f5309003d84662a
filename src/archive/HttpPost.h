// A plain HTTP/1.1 POST on POSIX sockets, for a time-stamp authority at an http:// address: its
// answers are signed, so they need no TLS, and the commands that time-stamp need no libcurl.
#pragma once

#include <QByteArray>
#include <QString>

namespace archive {

struct HttpAnswer {
    int status = 0; // 0: no answer, error says why
    QByteArray contentType;
    QByteArray body;
    QString error;
};

// Waits at most timeoutSeconds for each step (connecting, sending, every read).
HttpAnswer httpPost(const QString& url, const QByteArray& contentType, const QByteArray& body, int timeoutSeconds);

} // namespace archive
