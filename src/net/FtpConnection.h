// The program's one FTP connection: connect and log in, change directory, download and upload.
#pragma once

#include "net/CurlSupport.h"
#include "platform/ByteCount.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Each operation blocks its caller until the server has answered, but runs the network work on a
// worker thread while the caller's event loop keeps running, so the window stays responsive and a
// cancel can be given. An operation called while another is still running (from an event handled
// meanwhile) is refused. The connection stays open after a transfer and is replaced by the next
// connect.
class FtpConnection {
public:
    // Why the last operation failed.
    enum class Failure {
        None,
        BadAddress,    // the server box holds no usable address
        HostNotFound,  // the name does not resolve
        Unreachable,   // nothing answers at the address
        LoginRefused,  // the server refused the account or password
        RemoteMissing, // no such file or directory on the server
        RemoteRefused, // the server refused to store or rename the file
        TimedOut,      // the server went silent beyond the time limit
        Interrupted,   // the connection broke off during the transfer
        LocalFile,     // the local file could not be read or written
        TooLarge,      // the remote file is larger than the download limit
        Cancelled,     // cancel() or the program's end stopped it
        Busy,          // another operation is still running
        NotConnected,
        Other,
    };

    static constexpr qint64 kDefaultDownloadLimit = 64LL * 1024 * 1024;

    FtpConnection();
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    void setLimits(const net::TransferLimits& limits) { m_limits = limits; }
    // A download larger than this fails, so that a server cannot fill the disk.
    void setDownloadLimit(qint64 bytes) { m_downloadLimit = bytes; }

    // Closes the previous connection, then connects to server ("host" or "host:port", port 21 by
    // default) in active mode and logs in. True when logged in.
    bool connect(const QString& server, const QString& user, const QString& password);
    // Makes directory (relative to the login directory, e.g. "wwwroot/") the one later transfers use.
    // False when it does not exist (Failure::RemoteMissing); the transfers then stay in the
    // directory used so far.
    bool changeDirectory(const QString& directory);
    // Copies the remote file byte for byte to localPath through the durable write path. The local
    // file is replaced only when the whole file has arrived and is on disk; on failure it is left as
    // it was and no other file remains.
    bool download(const QString& remoteName, const QString& localPath);
    // Copies the local file byte for byte to a temporary name beside the remote name and renames it
    // to the remote name once complete, replacing a remote file of that name. A failed upload never
    // changes what lies under the remote name, and what it left under the temporary name is deleted.
    // Renames once begun are carried through, or undone, even when the program is ending, each within
    // a few seconds. An earlier file an upload cut off in the middle left moved aside (asideName) goes
    // back under the remote name when nothing is there, else it is deleted.
    bool upload(const QString& localPath, const QString& remoteName);

    // Stops the running operation as soon as possible, and every later one until the next connect.
    // Called from the event loop that runs while an operation waits.
    void cancel() { m_cancelRequested = true; }

    bool isConnected() const { return m_handle != nullptr; }
    bool isBusy() const { return m_busy; }
    // The program was asked to end while the last operation ran: nobody is left to read a message.
    bool programEnded() const { return m_programEnded; }
    // How far the running (or last) transfer has got; safe to read while it runs.
    const net::TransferProgress& progress() const { return m_progress; }
    Failure lastFailure() const { return m_lastFailure; }
    // The cause of the last failure in the words the messages show, e.g. "服务器上没有文件 a.ini".
    QString lastError() const { return m_lastError; }

    // The name an upload to remoteName travels under until it is complete.
    static QString temporaryName(const QString& remoteName);
    // The name the earlier remote file is moved to while an upload takes its place, on a server
    // that will not rename onto a name that exists.
    static QString asideName(const QString& remoteName);

private:
    struct Outcome {
        Failure failure = Failure::None;
        QString cause;
    };
    QByteArray urlFor(const QString& directory, const QString& name) const;
    template <typename Work> bool runExclusive(Work&& work);
    bool finish(const Outcome& outcome);
    bool refuseUnlessReady();
    // The failure behind a transfer's result; limit is the time limit that applied to it.
    Outcome classify(CURL* handle, CURLcode code, const net::ProgressWatch& watch, const QString& name,
                     std::chrono::milliseconds limit) const;
    // Sends the commands in the transfer directory in order, up to the first one the server refuses.
    Outcome sendCommands(const QList<QByteArray>& commands, const QString& name, const std::atomic_bool& programEnding,
                         const net::TransferLimits& limits);
    Outcome renameInto(const QString& temporary, const QString& remoteName, const std::atomic_bool& programEnding);
    // Whether name exists in the transfer directory: Failure::None when it does, RemoteMissing when not.
    Outcome probe(const QString& name, const std::atomic_bool& programEnding);
    void resolveAside(const QString& remoteName, const std::atomic_bool& programEnding);

    net::TransferLimits m_limits;
    qint64 m_downloadLimit = kDefaultDownloadLimit;
    // The connection lives in the multi handle's cache between transfers of the easy handle.
    net::CurlMulti m_multi;
    net::CurlEasy m_handle;
    QByteArray m_origin; // "ftp://host:port"
    QString m_address;   // "host:port" as the messages name the server
    QString m_directory;
    bool m_busy = false;
    bool m_programEnded = false;
    std::atomic_bool m_cancelRequested = false;
    net::TransferProgress m_progress;
    Failure m_lastFailure = Failure::None;
    QString m_lastError;
};
