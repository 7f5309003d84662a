// The program's one FTP connection over libcurl, in active mode with binary transfers.
#include "net/FtpConnection.h"

#include "net/BackgroundWait.h"
#include "net/NetConfig.h"
#include "platform/Gbk.h"

#include <QFile>
#include <QSaveFile>
#include <QUrl>

namespace {

constexpr int kDefaultPort = 21;

struct ServerAddress {
    QString host;
    int port = kDefaultPort;
    bool valid = false;
};

ServerAddress parseServer(const QString& server)
{
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
QByteArray encodePath(const QString& path)
{
    return gbk::encode(path).toPercentEncoding("/");
}

void applyCommonOptions(CURL* handle)
{
    curl_easy_setopt(handle, CURLOPT_USERAGENT, netconfig::kUserAgent);
    curl_easy_setopt(handle, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(handle, CURLOPT_FTP_CREATE_MISSING_DIRS, 0L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
}

size_t writeToSaveFile(char* data, size_t size, size_t count, void* file)
{
    const qint64 length = static_cast<qint64>(size * count);
    return static_cast<QSaveFile*>(file)->write(data, length) == length ? size * count : 0;
}

size_t readFromFile(char* buffer, size_t size, size_t count, void* file)
{
    const qint64 read = static_cast<QFile*>(file)->read(buffer, static_cast<qint64>(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(read);
}

// Closing sends QUIT and waits for the reply: keep that wait short so that a dead server cannot hold
// up a new connect or the program's end, and detach the progress watch of the last transfer.
void closeConnection(net::CurlEasy& handle)
{
    if (!handle)
        return;
    curl_easy_setopt(handle.get(), CURLOPT_SERVER_RESPONSE_TIMEOUT, 2L);
    curl_easy_setopt(handle.get(), CURLOPT_NOPROGRESS, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_XFERINFODATA, nullptr);
    handle.reset();
}

} // namespace

FtpConnection::FtpConnection() = default;

FtpConnection::~FtpConnection()
{
    closeConnection(m_handle);
}

template <typename Work>
bool FtpConnection::runExclusive(Work&& work)
{
    if (m_busy) {
        m_lastError = QStringLiteral("another FTP operation is still running");
        return false;
    }
    m_busy = true;
    const auto [ok, error] = net::waitWhileProcessingEvents(std::forward<Work>(work));
    m_busy = false;
    m_lastError = ok ? QString() : error;
    return ok;
}

QByteArray FtpConnection::urlFor(const QString& directory, const QString& name) const
{
    return m_origin + '/' + encodePath(directory) + encodePath(name);
}

bool FtpConnection::connect(const QString& server, const QString& user, const QString& password)
{
    if (m_busy) {
        m_lastError = QStringLiteral("another FTP operation is still running");
        return false;
    }
    net::CurlEasy previous = std::move(m_handle);
    m_directory.clear();
    m_origin.clear();
    const ServerAddress address = parseServer(server);
    const QByteArray origin = "ftp://" + QUrl::toAce(address.host) + ':' + QByteArray::number(address.port);
    const QByteArray userBytes = gbk::encode(user);
    const QByteArray passwordBytes = gbk::encode(password);
    net::CurlEasy handle;
    const bool ok = runExclusive([&](const std::atomic_bool& cancel) {
        closeConnection(previous);
        if (!address.valid)
            return std::pair(false, QStringLiteral("not a server address: %1").arg(server));
        handle = net::makeCurlEasy();
        CURL* h = handle.get();
        applyCommonOptions(h);
        curl_easy_setopt(h, CURLOPT_USERNAME, userBytes.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, passwordBytes.constData());
        // Logging in without a transfer leaves the session open in the handle for later transfers.
        const QByteArray url = origin + '/';
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        net::ProgressWatch watch(h, m_limits, cancel);
        const CURLcode code = curl_easy_perform(h);
        const QString failure = net::describeFailure(h, code, watch);
        if (code != CURLE_OK)
            closeConnection(handle);
        return std::pair(code == CURLE_OK, failure);
    });
    if (ok) {
        m_handle = std::move(handle);
        m_origin = origin;
    }
    return ok;
}

bool FtpConnection::changeDirectory(const QString& directory)
{
    if (!m_handle) {
        m_lastError = QStringLiteral("not connected");
        return false;
    }
    QString target = directory;
    if (!target.isEmpty() && !target.endsWith(u'/'))
        target += u'/';
    const QByteArray url = urlFor(target, QString());
    const bool ok = runExclusive([&](const std::atomic_bool& cancel) {
        CURL* h = m_handle.get();
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        net::ProgressWatch watch(h, m_limits, cancel);
        const CURLcode code = curl_easy_perform(h);
        return std::pair(code == CURLE_OK, net::describeFailure(h, code, watch));
    });
    if (ok)
        m_directory = target;
    return ok;
}

bool FtpConnection::download(const QString& remoteName, const QString& localPath)
{
    if (!m_handle) {
        m_lastError = QStringLiteral("not connected");
        return false;
    }
    const QByteArray url = urlFor(m_directory, remoteName);
    return runExclusive([&](const std::atomic_bool& cancel) {
        QSaveFile file(localPath);
        if (!file.open(QIODevice::WriteOnly))
            return std::pair(false, QStringLiteral("cannot write %1: %2").arg(localPath, file.errorString()));
        CURL* h = m_handle.get();
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeToSaveFile);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &file);
        net::ProgressWatch watch(h, m_limits, cancel);
        const CURLcode code = curl_easy_perform(h);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
        if (code != CURLE_OK) {
            file.cancelWriting();
            return std::pair(false, net::describeFailure(h, code, watch));
        }
        if (!file.commit())
            return std::pair(false, QStringLiteral("cannot write %1: %2").arg(localPath, file.errorString()));
        return std::pair(true, QString());
    });
}

bool FtpConnection::upload(const QString& localPath, const QString& remoteName)
{
    if (!m_handle) {
        m_lastError = QStringLiteral("not connected");
        return false;
    }
    const QByteArray url = urlFor(m_directory, remoteName);
    return runExclusive([&](const std::atomic_bool& cancel) {
        QFile file(localPath);
        if (!file.open(QIODevice::ReadOnly))
            return std::pair(false, QStringLiteral("cannot read %1: %2").arg(localPath, file.errorString()));
        CURL* h = m_handle.get();
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &readFromFile);
        curl_easy_setopt(h, CURLOPT_READDATA, &file);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size()));
        net::ProgressWatch watch(h, m_limits, cancel);
        const CURLcode code = curl_easy_perform(h);
        curl_easy_setopt(h, CURLOPT_READDATA, nullptr);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
        if (code != CURLE_OK)
            return std::pair(false, net::describeFailure(h, code, watch));
        return std::pair(true, QString());
    });
}
