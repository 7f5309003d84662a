// The program's one FTP connection: connect and log in, change directory, download and upload.
#pragma once

#include "net/CurlSupport.h"

#include <QString>

// Each operation blocks its caller until the server has answered, but runs the network work on a
// worker thread while the caller's event loop keeps running, so the window stays responsive. An
// operation called while another is still running (from an event handled meanwhile) is refused.
// The connection stays open after a transfer and is replaced by the next connect.
class FtpConnection {
public:
    FtpConnection();
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    void setLimits(const net::TransferLimits& limits) { m_limits = limits; }

    // Closes the previous connection, then connects to server ("host" or "host:port", port 21 by
    // default) in active mode and logs in. True when logged in.
    bool connect(const QString& server, const QString& user, const QString& password);
    // Makes directory (relative to the login directory, e.g. "wwwroot/") the one later transfers use.
    // False when it does not exist; the transfers then stay in the directory used so far.
    bool changeDirectory(const QString& directory);
    // Copies the remote file byte for byte to localPath. The local file is replaced only when the
    // whole file has arrived; on failure it is left as it was.
    bool download(const QString& remoteName, const QString& localPath);
    // Copies the local file byte for byte to the remote name, replacing a remote file of that name.
    bool upload(const QString& localPath, const QString& remoteName);

    bool isConnected() const { return m_handle != nullptr; }
    bool isBusy() const { return m_busy; }
    // What went wrong in the last operation that failed.
    QString lastError() const { return m_lastError; }

private:
    QByteArray urlFor(const QString& directory, const QString& name) const;
    template <typename Work>
    bool runExclusive(Work&& work);

    net::TransferLimits m_limits;
    net::CurlEasy m_handle;
    QByteArray m_origin; // "ftp://host:port"
    QString m_directory;
    bool m_busy = false;
    QString m_lastError;
};
