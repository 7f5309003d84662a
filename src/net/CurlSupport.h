// Owning wrappers for libcurl handles and the time limits every transfer runs under.
#pragma once

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>

namespace net {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

// A new easy handle; libcurl is initialised once per process on first use.
CurlEasy makeCurlEasy();
// Appends one line to a header list, keeping the list owned.
void appendToList(CurlList& list, const QByteArray& line);

// How long a transfer may wait: to connect (and log in), and without a byte moving.
struct TransferLimits {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds stall{30000};
};

// Applies the limits to a handle and installs a progress watch that ends the transfer when no byte
// has moved for limits.stall or when cancel turns true. One watch serves one perform; it must
// outlive it.
class ProgressWatch {
public:
    ProgressWatch(CURL* handle, const TransferLimits& limits, const std::atomic_bool& cancel);
    bool stalled() const { return m_stalled; }
    bool cancelled() const { return m_cancelled; }

private:
    static int onProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow);

    std::chrono::milliseconds m_stall;
    const std::atomic_bool& m_cancel;
    std::chrono::steady_clock::time_point m_lastMove = std::chrono::steady_clock::now();
    curl_off_t m_lastMoved = -1;
    bool m_stalled = false;
    bool m_cancelled = false;
};

// A readable account of a failed perform: curl's own text, the server's last reply code, and
// whether the time limit or the program's end stopped it.
QString describeFailure(CURL* handle, CURLcode code, const ProgressWatch& watch);

} // namespace net
