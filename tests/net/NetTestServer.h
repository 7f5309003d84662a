// Starts one of the Python test servers on 127.0.0.1 and stops it again when the test ends.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class NetTestServer {
public:
    // Runs tests/net/<script> with arguments and waits (with a time limit) for its "LISTENING <port>".
    NetTestServer(const QString& script, const QStringList& arguments);
    ~NetTestServer();
    NetTestServer(const NetTestServer&) = delete;
    NetTestServer& operator=(const NetTestServer&) = delete;

    bool isListening() const { return m_port > 0; }
    int port() const { return m_port; }
    // "127.0.0.1:<port>"
    QString address() const;
    // Freezes and thaws the server process, for a server that stops answering.
    void suspend();
    void resume();
    void stop();
    // What the server wrote to stderr so far, for failure messages.
    QString log();

private:
    QProcess m_process;
    int m_port = 0;
    QByteArray m_log;
};

// An FTP server with one account whose home is a temporary directory holding wwwroot/.
struct FtpTestAccount {
    static constexpr char kUser[] = "inspector";
    static constexpr char kPassword[] = "s3cret";
};

// A port on 127.0.0.1 on which nothing listens.
int closedLocalPort();
