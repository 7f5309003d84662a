// Owning wrappers for libcurl handles, the time limits every transfer runs under, and a transfer
// that reports its progress and stops at once when asked.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>

namespace net {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

// A new easy handle; libcurl is initialised once per process on first use.
CurlEasy makeCurlEasy();
// A new multi handle: it runs transfers and keeps their connections open between them.
CurlMulti makeCurlMulti();
// Appends one line to a header or command list, keeping the list owned.
void appendToList(CurlList& list, const QByteArray& line);

// How long a transfer may wait: to connect (and log in), and without a byte moving.
struct TransferLimits {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds stall{30000};
};

// How far the running transfer has got: written by the worker that runs it, read by the GUI.
struct TransferProgress {
    std::atomic<qint64> moved{0};
    std::atomic<qint64> total{-1}; // -1 while the size is not known

    void reset() {
        moved = 0;
        total = -1;
    }
};

// Applies the limits to a handle and watches the transfer: it ends when no byte has moved for
// limits.stall, when the program is ending, or when the user cancels. One watch serves one
// transfer and must outlive it.
class ProgressWatch {
public:
    ProgressWatch(CURL* handle, const TransferLimits& limits, const std::atomic_bool& programEnding,
                  const std::atomic_bool* userCancel = nullptr, TransferProgress* progress = nullptr);
    bool stalled() const { return m_stalled; }
    // Stopped because the program is ending.
    bool cancelled() const { return m_cancelled; }
    bool userCancelled() const { return m_userCancelled; }
    // True (and remembered) when the program is ending or the user has cancelled.
    bool stopWanted();

private:
    static int onProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow);

    std::chrono::milliseconds m_stall;
    const std::atomic_bool& m_programEnding;
    const std::atomic_bool* m_userCancel;
    TransferProgress* m_progress;
    std::chrono::steady_clock::time_point m_lastMove = std::chrono::steady_clock::now();
    curl_off_t m_lastMoved = -1;
    bool m_stalled = false;
    bool m_cancelled = false;
    bool m_userCancelled = false;
};

// Runs one transfer of handle through multi and returns its result. The watch is asked between
// network events and at least every few tens of milliseconds, so a cancel ends a transfer promptly
// even while the server sends nothing.
CURLcode perform(CURLM* multi, CURL* handle, ProgressWatch& watch);

// A readable account of a failed transfer: curl's own text, the server's last reply code, and
// whether the time limit or the program's end stopped it.
QString describeFailure(CURL* handle, CURLcode code, const ProgressWatch& watch);

} // namespace net
