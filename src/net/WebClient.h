// The program-wide HTTP client: requests with completed headers, the last response body, and a
// cookie store that sends cookies back to the host that set them.
#pragma once

#include "net/CurlSupport.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <mutex>

// One instance lives from program start to program end. Each request runs on a worker thread while
// the caller's event loop keeps running, so the window repaints during a download.
class WebClient {
public:
    // How the last request ended, for callers that must tell a failed request from an empty answer.
    struct Outcome {
        bool completed = false; // a whole response arrived
        long status = 0;        // its HTTP status, 0 when none arrived
        bool tooLarge = false;  // the body passed the size limit and was cut there
        bool cancelled = false; // stopped because the program is ending
        QString error;          // what went wrong, empty when completed
    };

    // The result of a request that could not be made at all: 255 zero bytes, read as empty text.
    static constexpr int kFailureBytes = 255;
    static constexpr qsizetype kDefaultBodyLimit = 1024 * 1024;

    WebClient();
    ~WebClient();
    WebClient(const WebClient&) = delete;
    WebClient& operator=(const WebClient&) = delete;

    // The body of a GET of url as text: its bytes up to the first zero byte.
    QByteArray FetchText(const QString& url);
    // Requests url with method ("" or "GET", "POST"), through proxy ("host:port", empty for a direct
    // connection). headers gets the Accept, Referer and Accept-Language lines it lacks (and for a POST
    // with data its Content-Type and Content-Length) and is sent; postData is the body of a POST.
    // Returns the response body, error pages included; 255 zero bytes when the request cannot be
    // made (bad address, other method).
    QByteArray SendRequest(const QString& url, const QString& method, const QString& proxy, QString& headers,
                           const QString& postData);
    // Host, port and path with query of an http address, also without "http://".
    static QString UrlHost(const QString& url);
    static int UrlPort(const QString& url);
    static QString UrlPath(const QString& url);

    // The body of the last response, emptied when a request starts.
    QByteArray body() const { return m_body; }
    Outcome lastOutcome() const { return m_outcome; }
    // True while a request waits for its server (a caller's event loop runs meanwhile).
    bool isBusy() const { return m_running > 0; }

    void setLimits(const net::TransferLimits& limits) { m_limits = limits; }
    // A body longer than this is cut at the limit and the request counts as failed.
    void setBodyLimit(qsizetype bytes) { m_bodyLimit = bytes; }

private:
    static void lockShare(CURL*, curl_lock_data data, curl_lock_access, void* self);
    static void unlockShare(CURL*, curl_lock_data data, void* self);

    CURLSH* m_share;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_shareLocks;
    net::TransferLimits m_limits;
    qsizetype m_bodyLimit = kDefaultBodyLimit;
    QByteArray m_body;
    Outcome m_outcome;
    int m_running = 0;
};
