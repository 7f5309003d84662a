// The program-wide HTTP client over libcurl.
#include "net/WebClient.h"

#include "net/NetConfig.h"
#include "platform/BackgroundWait.h"
#include "platform/Gbk.h"

#include <QUrl>

namespace {

constexpr int kDefaultPort = 80;
const QString kScheme = QStringLiteral("http://");

const QByteArray kAcceptLine = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                               "application/x-shockwave-flash, application/vnd.ms-excel, "
                               "application/vnd.ms-powerpoint, application/msword, */*";

bool hasScheme(const QString& url) {
    return url.left(kScheme.size()).compare(kScheme, Qt::CaseInsensitive) == 0;
}

// The part of the address between the scheme (when given) and the first "/".
QString hostPart(const QString& url) {
    const qsizetype start = hasScheme(url) ? kScheme.size() : 0;
    const qsizetype slash = url.indexOf(u'/', start);
    return url.mid(start, slash < 0 ? -1 : slash - start);
}

// Bytes of the path that a request line cannot carry as they are (controls, blanks, non-ASCII).
QByteArray encodeRequestPath(const QString& path) {
    static const QByteArray keep = [] {
        QByteArray printable;
        for (char c = '!'; c <= '~'; ++c)
            printable += c;
        printable.remove(printable.indexOf('%'), 1);
        return printable + '%';
    }();
    return gbk::encode(path).toPercentEncoding(keep);
}

void appendHeaderIfMissing(QString& headers, const QString& name, const QString& line) {
    if (!headers.contains(name, Qt::CaseInsensitive))
        headers += line + QStringLiteral("\r\n");
}

struct Reception {
    QByteArray& body;
    qsizetype limit;
    bool tooLarge = false;
};

size_t receive(char* data, size_t size, size_t count, void* target) {
    auto& reception = *static_cast<Reception*>(target);
    const qsizetype length = static_cast<qsizetype>(size * count);
    const qsizetype room = reception.limit - reception.body.size();
    if (length > room) {
        reception.body.append(data, room);
        reception.tooLarge = true;
        return 0;
    }
    reception.body.append(data, length);
    return size * count;
}

} // namespace

WebClient::WebClient() : m_share(curl_share_init()) {
    net::makeCurlEasy(); // initialises libcurl before the share is configured
    curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, &WebClient::lockShare);
    curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, &WebClient::unlockShare);
    curl_share_setopt(m_share, CURLSHOPT_USERDATA, this);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

WebClient::~WebClient() {
    curl_share_cleanup(m_share);
}

void WebClient::lockShare(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<WebClient*>(self)->m_shareLocks.at(data).lock();
}

void WebClient::unlockShare(CURL*, curl_lock_data data, void* self) {
    static_cast<WebClient*>(self)->m_shareLocks.at(data).unlock();
}

QByteArray WebClient::FetchText(const QString& url) {
    QString headers;
    const QByteArray body = SendRequest(url, QString(), QString(), headers, QString());
    const qsizetype zero = body.indexOf('\0');
    return zero < 0 ? body : body.left(zero);
}

QString WebClient::UrlHost(const QString& url) {
    QString host = hostPart(url);
    const qsizetype colon = host.indexOf(u':');
    if (colon >= 0)
        host.truncate(colon);
    return host.trimmed();
}

int WebClient::UrlPort(const QString& url) {
    const QString host = hostPart(url);
    const qsizetype colon = host.indexOf(u':');
    if (colon < 0)
        return kDefaultPort;
    // The digits that follow, as the C library reads a number: "8080/x" and "8080 " give 8080.
    qsizetype end = colon + 1;
    while (end < host.size() && host.at(end).isDigit() && end - colon <= 6)
        ++end;
    return host.mid(colon + 1, end - colon - 1).toInt();
}

QString WebClient::UrlPath(const QString& url) {
    // The host is looked for after the scheme, so that a host such as "h" or "tp" is not found
    // inside "http://" itself.
    const qsizetype start = hasScheme(url) ? kScheme.size() : 0;
    const QString host = UrlHost(url);
    qsizetype at = url.indexOf(host, start, Qt::CaseInsensitive);
    if (at < 0)
        at = start;
    const qsizetype slash = url.indexOf(u'/', at + host.size());
    return slash < 0 ? QStringLiteral("/") : url.mid(slash);
}

QByteArray WebClient::SendRequest(const QString& url, const QString& method, const QString& proxy, QString& headers,
                                  const QString& postData) {
    m_body.clear();
    m_outcome = Outcome();
    const QByteArray failure(kFailureBytes, '\0');

    const QString host = UrlHost(url);
    const QString path = UrlPath(url);
    int port = UrlPort(url);
    if (port == 0)
        port = kDefaultPort; // an empty or zero port means the service's own, as the platform reads it
    QUrl hostCheck;
    hostCheck.setHost(host, QUrl::StrictMode);
    if (host.isEmpty() || !hostCheck.isValid() || hostCheck.host().isEmpty() || port > 65535) {
        m_outcome.error = QStringLiteral("not an http address: %1").arg(url);
        return failure;
    }

    appendHeaderIfMissing(headers, QStringLiteral("Accept: "), QString::fromLatin1(kAcceptLine));
    appendHeaderIfMissing(headers, QStringLiteral("Referer: "), QStringLiteral("Referer: ") + url);
    appendHeaderIfMissing(headers, QStringLiteral("Accept-Language: "), QStringLiteral("Accept-Language: zh-cn"));

    const bool isGet = method.isEmpty() || method == QStringLiteral("GET");
    const bool isPost = method == QStringLiteral("POST");
    if (!isGet && !isPost) {
        m_outcome.error = QStringLiteral("unsupported method: %1").arg(method);
        return failure;
    }
    // libcurl sends the form's Content-Type and Content-Length lines itself, and drops them when a
    // redirect turns the POST into a GET; the caller gets them in its header text all the same.
    const QByteArray headerBytes = gbk::encode(headers);
    const QByteArray postBytes = gbk::encode(postData);
    if (isPost && !postBytes.isEmpty()) {
        headers += QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\n");
        headers += QStringLiteral("Content-Length: %1\r\n").arg(postBytes.size());
    }

    const QByteArray target = "http://" + QUrl::toAce(host) + ':' + QByteArray::number(port) + encodeRequestPath(path);
    const QByteArray proxyBytes = gbk::encode(proxy);

    struct Result {
        QByteArray body;
        Outcome outcome;
    };
    ++m_running;
    Result result = background::waitWhileProcessingEvents([&](const std::atomic_bool& cancel) {
        Result done;
        net::CurlEasy handle = net::makeCurlEasy();
        CURL* h = handle.get();
        net::CurlList headerList;
        for (const QByteArray& line : headerBytes.split('\n')) {
            const QByteArray trimmed = line.trimmed();
            if (!trimmed.isEmpty())
                net::appendToList(headerList, trimmed);
        }
        // libcurl would otherwise add headers of its own that the request did not ask for.
        net::appendToList(headerList, "Expect:");
        if (isPost && postBytes.isEmpty())
            net::appendToList(headerList, "Content-Type:");
        curl_easy_setopt(h, CURLOPT_URL, target.constData());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http");
        curl_easy_setopt(h, CURLOPT_PROXY, proxyBytes.constData());
        curl_easy_setopt(h, CURLOPT_USERAGENT, netconfig::kUserAgent);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());
        curl_easy_setopt(h, CURLOPT_SHARE, m_share);
        curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
        if (isPost) {
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBytes.size()));
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, postBytes.constData());
        } else {
            curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        }
        Reception reception{done.body, m_bodyLimit};
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &receive);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &reception);
        net::ProgressWatch watch(h, m_limits, cancel);
        const net::CurlMulti multi = net::makeCurlMulti();
        const CURLcode code = net::perform(multi.get(), h, watch);
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &done.outcome.status);
        done.outcome.tooLarge = reception.tooLarge;
        done.outcome.cancelled = watch.cancelled();
        done.outcome.completed = code == CURLE_OK;
        if (reception.tooLarge)
            done.outcome.error = QStringLiteral("response larger than %1 bytes").arg(m_bodyLimit);
        else if (code != CURLE_OK)
            done.outcome.error = net::describeFailure(h, code, watch);
        return done;
    });
    --m_running;
    m_body = result.body;
    m_outcome = result.outcome;
    return m_body;
}
