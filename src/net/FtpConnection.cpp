// The program's one FTP connection over libcurl, in active mode with binary transfers.
#include "net/FtpConnection.h"

#include "net/NetConfig.h"
#include "platform/BackgroundWait.h"
#include "platform/DurableFile.h"
#include "platform/Gbk.h"

#include <QFile>
#include <QUrl>

namespace {

using Failure = FtpConnection::Failure;

constexpr int kDefaultPort = 21;

struct ServerAddress {
    QString host;
    int port = kDefaultPort;
    bool valid = false;
};

ServerAddress parseServer(const QString& server) {
    ServerAddress address;
    const QString text = server.trimmed();
    const qsizetype colon = text.indexOf(u':');
    address.host = colon < 0 ? text : text.left(colon);
    if (colon >= 0) {
        bool ok = false;
        address.port = text.mid(colon + 1).toInt(&ok);
        if (!ok || address.port < 1 || address.port > 65535)
            return address;
    }
    QUrl check;
    check.setHost(address.host, QUrl::StrictMode);
    address.valid = !address.host.isEmpty() && check.isValid() && !check.host().isEmpty();
    return address;
}

// Names travel as GBK bytes, as the servers the templates are shared on expect.
QByteArray encodePath(const QString& path) {
    return gbk::encode(path).toPercentEncoding("/");
}

void applyCommonOptions(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_USERAGENT, netconfig::kUserAgent);
    curl_easy_setopt(handle, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(handle, CURLOPT_FTP_CREATE_MISSING_DIRS, 0L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
}

// The local end of a download: every piece goes through the durable writer, up to the size limit.
struct Reception {
    durable::FileWriter& file;
    qint64 limit;
    durable::Result failed;
    bool tooLarge = false;
};

size_t receive(char* data, size_t size, size_t count, void* target) {
    auto& reception = *static_cast<Reception*>(target);
    const qint64 length = static_cast<qint64>(size * count);
    if (reception.file.written() + length > reception.limit) {
        reception.tooLarge = true;
        return 0;
    }
    reception.failed = reception.file.write(data, length);
    return reception.failed ? size * count : 0;
}

struct Source {
    QFile file;
    bool failed = false;
};

size_t supply(char* buffer, size_t size, size_t count, void* source) {
    auto& from = *static_cast<Source*>(source);
    const qint64 read = from.file.read(buffer, static_cast<qint64>(size * count));
    from.failed = read < 0;
    return from.failed ? CURL_READFUNC_ABORT : static_cast<size_t>(read);
}

// Closing sends QUIT and waits for the reply, with the response time-out of the handle that last
// joined the multi handle. Hand over a short one first, so that a dead server cannot hold up a new
// connect or the program's end.
void closeConnection(net::CurlMulti& multi, net::CurlEasy& handle) {
    if (multi && handle) {
        curl_easy_setopt(handle.get(), CURLOPT_SERVER_RESPONSE_TIMEOUT, 2L);
        curl_easy_setopt(handle.get(), CURLOPT_NOPROGRESS, 1L);
        curl_easy_setopt(handle.get(), CURLOPT_XFERINFODATA, nullptr);
        curl_multi_add_handle(multi.get(), handle.get());
        curl_multi_remove_handle(multi.get(), handle.get());
    }
    multi.reset();
    handle.reset();
}

long replyCode(CURL* handle) {
    long reply = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply);
    return reply;
}

const QString kCancelled = QStringLiteral("传输已取消");

// Tidying up after a failed transfer keeps the user waiting only briefly, and so does each rename
// that must be carried through while the program is ending.
const net::TransferLimits kTidyUpLimits{std::chrono::milliseconds(5000), std::chrono::milliseconds(5000)};
// Renames are never stopped half way by the program's end: they run under their time limits alone.
const std::atomic_bool kCarryThrough = false;

} // namespace

FtpConnection::FtpConnection() = default;

FtpConnection::~FtpConnection() {
    closeConnection(m_multi, m_handle);
}

QString FtpConnection::temporaryName(const QString& remoteName) {
    return u'.' + remoteName + QStringLiteral(".part");
}

QString FtpConnection::asideName(const QString& remoteName) {
    return u'.' + remoteName + QStringLiteral(".old");
}

bool FtpConnection::finish(const Outcome& outcome) {
    m_lastFailure = outcome.failure;
    m_lastError = outcome.cause;
    return outcome.failure == Failure::None;
}

template <typename Work> bool FtpConnection::runExclusive(Work&& work) {
    if (m_busy)
        return finish({Failure::Busy, QStringLiteral("另一次传输还没有结束")});
    m_busy = true;
    const Outcome outcome = background::waitWhileProcessingEvents(std::forward<Work>(work), &m_programEnded);
    m_busy = false;
    return finish(outcome);
}

bool FtpConnection::refuseUnlessReady() {
    if (m_busy)
        return finish({Failure::Busy, QStringLiteral("另一次传输还没有结束")});
    if (m_cancelRequested)
        return finish({Failure::Cancelled, kCancelled});
    if (!m_handle)
        return finish({Failure::NotConnected, QStringLiteral("没有连接服务器")});
    return true;
}

QByteArray FtpConnection::urlFor(const QString& directory, const QString& name) const {
    return m_origin + '/' + encodePath(directory) + encodePath(name);
}

FtpConnection::Outcome FtpConnection::classify(CURL* handle, CURLcode code, const net::ProgressWatch& watch,
                                               const QString& name, std::chrono::milliseconds limit) const {
    const long reply = replyCode(handle);
    const QString replied = reply ? QStringLiteral("（服务器回复 %1）").arg(reply) : QString();
    if (watch.cancelled() || watch.userCancelled())
        return {Failure::Cancelled, kCancelled};
    if (watch.stalled() || code == CURLE_OPERATION_TIMEDOUT)
        return {Failure::TimedOut, QStringLiteral("服务器超过%1秒没有响应").arg((limit.count() + 999) / 1000)};
    switch (code) {
    case CURLE_OK:
        return {};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {Failure::HostNotFound, QStringLiteral("找不到服务器 %1").arg(m_address)};
    case CURLE_COULDNT_CONNECT:
        return {Failure::Unreachable, QStringLiteral("无法连接服务器 %1").arg(m_address)};
    case CURLE_LOGIN_DENIED:
        return {Failure::LoginRefused, QStringLiteral("服务器拒绝登录") + replied};
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return {Failure::RemoteMissing, QStringLiteral("服务器上没有文件 %1").arg(name)};
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
        return {Failure::RemoteRefused, QStringLiteral("服务器拒绝访问 %1").arg(name) + replied};
    case CURLE_FILESIZE_EXCEEDED:
        return {Failure::TooLarge, QStringLiteral("文件大于 %1 的下载限制").arg(byteCount(m_downloadLimit))};
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
        return {Failure::Interrupted, QStringLiteral("传输中断，服务器断开了连接")};
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_PORT_FAILED:
        return {Failure::Other, QStringLiteral("服务器无法建立主动模式的数据连接") + replied};
    default:
        return {Failure::Other,
                QStringLiteral("网络错误：%1").arg(QString::fromUtf8(curl_easy_strerror(code))) + replied};
    }
}

bool FtpConnection::connect(const QString& server, const QString& user, const QString& password) {
    if (m_busy)
        return refuseUnlessReady();
    m_cancelRequested = false;
    net::CurlMulti previousMulti = std::move(m_multi);
    net::CurlEasy previous = std::move(m_handle);
    m_directory.clear();
    m_origin.clear();
    const ServerAddress address = parseServer(server);
    m_address = address.host + u':' + QString::number(address.port);
    const QByteArray origin = "ftp://" + QUrl::toAce(address.host) + ':' + QByteArray::number(address.port);
    const QByteArray userBytes = gbk::encode(user);
    const QByteArray passwordBytes = gbk::encode(password);
    net::CurlMulti multi = net::makeCurlMulti();
    net::CurlEasy handle = net::makeCurlEasy();
    const bool ok = runExclusive([&](const std::atomic_bool& programEnding) -> Outcome {
        closeConnection(previousMulti, previous);
        if (!address.valid)
            return {Failure::BadAddress, QStringLiteral("服务器地址不对：%1").arg(server)};
        CURL* h = handle.get();
        applyCommonOptions(h);
        curl_easy_setopt(h, CURLOPT_USERNAME, userBytes.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, passwordBytes.constData());
        // Logging in without a transfer leaves the session open for later transfers.
        const QByteArray url = origin + '/';
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        net::ProgressWatch watch(h, m_limits, programEnding, &m_cancelRequested, &m_progress);
        const CURLcode code = net::perform(multi.get(), h, watch);
        return classify(h, code, watch, QString(), m_limits.connect);
    });
    if (ok) {
        m_multi = std::move(multi);
        m_handle = std::move(handle);
        m_origin = origin;
    } else {
        closeConnection(multi, handle);
    }
    return ok;
}

bool FtpConnection::changeDirectory(const QString& directory) {
    if (!refuseUnlessReady())
        return false;
    QString target = directory;
    if (!target.isEmpty() && !target.endsWith(u'/'))
        target += u'/';
    const QByteArray url = urlFor(target, QString());
    const bool ok = runExclusive([&](const std::atomic_bool& programEnding) -> Outcome {
        CURL* h = m_handle.get();
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        net::ProgressWatch watch(h, m_limits, programEnding, &m_cancelRequested, &m_progress);
        const CURLcode code = net::perform(m_multi.get(), h, watch);
        if (code == CURLE_REMOTE_ACCESS_DENIED && !watch.stalled())
            return {Failure::RemoteMissing, QStringLiteral("服务器上没有目录 %1").arg(target)};
        return classify(h, code, watch, target, m_limits.stall);
    });
    if (ok)
        m_directory = target;
    return ok;
}

bool FtpConnection::download(const QString& remoteName, const QString& localPath) {
    if (!refuseUnlessReady())
        return false;
    const QByteArray url = urlFor(m_directory, remoteName);
    return runExclusive([&](const std::atomic_bool& programEnding) -> Outcome {
        const auto unwritable = [&](const durable::Result& result) {
            return Outcome{Failure::LocalFile, QStringLiteral("无法写入文件 <%1>：%2").arg(localPath, result.text())};
        };
        durable::FileWriter file(localPath);
        if (const durable::Result opened = file.open(); !opened)
            return unwritable(opened);
        Reception reception{file, m_downloadLimit, {}};
        CURL* h = m_handle.get();
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_downloadLimit));
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &receive);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &reception);
        net::ProgressWatch watch(h, m_limits, programEnding, &m_cancelRequested, &m_progress);
        const CURLcode code = net::perform(m_multi.get(), h, watch);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
        if (!reception.failed)
            return unwritable(reception.failed);
        if (reception.tooLarge)
            return classify(h, CURLE_FILESIZE_EXCEEDED, watch, remoteName, m_limits.stall);
        if (code != CURLE_OK)
            return classify(h, code, watch, remoteName, m_limits.stall);
        if (const durable::Result committed = file.commit(); !committed)
            return unwritable(committed);
        return {};
    });
}

bool FtpConnection::upload(const QString& localPath, const QString& remoteName) {
    if (!refuseUnlessReady())
        return false;
    const QString temporary = temporaryName(remoteName);
    const QByteArray url = urlFor(m_directory, temporary);
    return runExclusive([&](const std::atomic_bool& programEnding) -> Outcome {
        Source source;
        source.file.setFileName(localPath);
        if (!source.file.open(QIODevice::ReadOnly))
            return {Failure::LocalFile,
                    QStringLiteral("无法读取文件 <%1>：%2").arg(localPath, source.file.errorString())};
        resolveAside(remoteName, programEnding);
        // Renamed to its real name right after the server has confirmed the whole file.
        net::CurlList rename;
        net::appendToList(rename, "RNFR " + gbk::encode(temporary));
        net::appendToList(rename, "RNTO " + gbk::encode(remoteName));
        CURL* h = m_handle.get();
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &supply);
        curl_easy_setopt(h, CURLOPT_READDATA, &source);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(source.file.size()));
        curl_easy_setopt(h, CURLOPT_POSTQUOTE, rename.get());
        net::ProgressWatch watch(h, m_limits, programEnding, &m_cancelRequested, &m_progress);
        const CURLcode code = net::perform(m_multi.get(), h, watch);
        curl_easy_setopt(h, CURLOPT_POSTQUOTE, nullptr);
        curl_easy_setopt(h, CURLOPT_READDATA, nullptr);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
        Outcome outcome;
        if (source.failed)
            outcome = {Failure::LocalFile,
                       QStringLiteral("无法读取文件 <%1>：%2").arg(localPath, source.file.errorString())};
        else if (code == CURLE_QUOTE_ERROR)
            outcome = renameInto(temporary, remoteName, programEnding);
        else
            outcome = classify(h, code, watch, remoteName, m_limits.stall);
        // Whatever arrived under the temporary name is of no use; a server that keeps it only holds
        // a hidden file, so a refusal here is not reported.
        if (outcome.failure != Failure::None)
            sendCommands({"DELE " + gbk::encode(temporary)}, temporary, programEnding, kTidyUpLimits);
        return outcome;
    });
}

FtpConnection::Outcome FtpConnection::sendCommands(const QList<QByteArray>& commands, const QString& name,
                                                   const std::atomic_bool& programEnding,
                                                   const net::TransferLimits& limits) {
    net::CurlList list;
    for (const QByteArray& command : commands)
        net::appendToList(list, command);
    const QByteArray url = urlFor(m_directory, QString());
    CURL* h = m_handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_POSTQUOTE, list.get());
    // Only the program's end stops them: a cancel half way through a rename could leave the remote
    // name without its file.
    net::ProgressWatch watch(h, limits, programEnding);
    const CURLcode code = net::perform(m_multi.get(), h, watch);
    curl_easy_setopt(h, CURLOPT_POSTQUOTE, nullptr);
    curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    return classify(h, code, watch, name, limits.stall);
}

// Some servers refuse to rename onto a name that exists. The earlier file is moved aside, the
// complete upload takes its name, and only then is the earlier file deleted; when the upload cannot
// take the name, the earlier file is moved back. The remote name never goes without a whole file:
// the program's end does not stop these renames, which then run under short time limits.
FtpConnection::Outcome FtpConnection::renameInto(const QString& temporary, const QString& remoteName,
                                                 const std::atomic_bool& programEnding) {
    const QString aside = asideName(remoteName);
    const QByteArray name = gbk::encode(remoteName);
    const QByteArray asideBytes = gbk::encode(aside);
    // A reply still on its way when the program ends may be a rename the server has done.
    const auto limits = [&] { return programEnding ? kTidyUpLimits : m_limits; };
    const Outcome movedAside =
        sendCommands({"RNFR " + name, "RNTO " + asideBytes}, remoteName, kCarryThrough, limits());
    if (movedAside.failure != Failure::None)
        return movedAside;
    Outcome renamed =
        sendCommands({"RNFR " + gbk::encode(temporary), "RNTO " + name}, remoteName, kCarryThrough, limits());
    if (renamed.failure != Failure::None) {
        const Outcome back = sendCommands({"RNFR " + asideBytes, "RNTO " + name}, remoteName, kCarryThrough, limits());
        if (back.failure != Failure::None)
            renamed.cause += QStringLiteral("；服务器上原来的文件现在名为 %1").arg(aside);
        return renamed;
    }
    // The earlier file has been replaced; one the server will not delete stays hidden beside it, and
    // the next upload of the name deletes it.
    sendCommands({"DELE " + asideBytes}, aside, kCarryThrough, kTidyUpLimits);
    return {};
}

FtpConnection::Outcome FtpConnection::probe(const QString& name, const std::atomic_bool& programEnding) {
    const QByteArray url = urlFor(m_directory, name);
    CURL* h = m_handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    net::ProgressWatch watch(h, kTidyUpLimits, programEnding);
    const CURLcode code = net::perform(m_multi.get(), h, watch);
    curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    return classify(h, code, watch, name, kTidyUpLimits.stall);
}

// An earlier file moved aside by an upload that was cut off between its renames (the program was
// killed, the connection broke) is the one the remote name held.
void FtpConnection::resolveAside(const QString& remoteName, const std::atomic_bool& programEnding) {
    const QString aside = asideName(remoteName);
    if (probe(aside, programEnding).failure != Failure::None)
        return;
    const Outcome current = probe(remoteName, programEnding);
    const QByteArray asideBytes = gbk::encode(aside);
    if (current.failure == Failure::RemoteMissing)
        sendCommands({"RNFR " + asideBytes, "RNTO " + gbk::encode(remoteName)}, remoteName, kCarryThrough,
                     kTidyUpLimits);
    else if (current.failure == Failure::None)
        sendCommands({"DELE " + asideBytes}, aside, kCarryThrough, kTidyUpLimits);
}
