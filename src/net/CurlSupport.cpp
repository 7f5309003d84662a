// Owning wrappers for libcurl handles, the time limits every transfer runs under, and a transfer
// that reports its progress and stops at once when asked.
#include "net/CurlSupport.h"

#include <mutex>

namespace net {

namespace {

void initialiseOnce() {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

long wholeSecondsAtLeastOne(std::chrono::milliseconds limit) {
    return std::max<long>(1, static_cast<long>((limit.count() + 999) / 1000));
}

// The longest a running transfer goes without looking at the watch.
constexpr int kPollMs = 50;

} // namespace

CurlEasy makeCurlEasy() {
    initialiseOnce();
    return CurlEasy(curl_easy_init());
}

CurlMulti makeCurlMulti() {
    initialiseOnce();
    return CurlMulti(curl_multi_init());
}

void appendToList(CurlList& list, const QByteArray& line) {
    curl_slist* extended = curl_slist_append(list.get(), line.constData());
    if (extended) {
        (void)list.release();
        list.reset(extended);
    }
}

ProgressWatch::ProgressWatch(CURL* handle, const TransferLimits& limits, const std::atomic_bool& programEnding,
                             const std::atomic_bool* userCancel, TransferProgress* progress)
    : m_stall(limits.stall), m_programEnding(programEnding), m_userCancel(userCancel), m_progress(progress) {
    if (m_progress)
        m_progress->reset();
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(handle, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, wholeSecondsAtLeastOne(limits.stall));
    // libcurl's own low-speed check backs up the watch below, which reacts sooner and more exactly.
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, wholeSecondsAtLeastOne(limits.stall));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &ProgressWatch::onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
}

bool ProgressWatch::stopWanted() {
    if (m_programEnding)
        m_cancelled = true;
    else if (m_userCancel && *m_userCancel)
        m_userCancelled = true;
    return m_cancelled || m_userCancelled;
}

int ProgressWatch::onProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow) {
    auto& watch = *static_cast<ProgressWatch*>(self);
    if (watch.stopWanted())
        return 1;
    const auto now = std::chrono::steady_clock::now();
    const curl_off_t moved = dlNow + ulNow;
    if (watch.m_progress) {
        watch.m_progress->moved = moved;
        watch.m_progress->total = dlTotal + ulTotal > 0 ? dlTotal + ulTotal : -1;
    }
    if (moved != watch.m_lastMoved) {
        watch.m_lastMoved = moved;
        watch.m_lastMove = now;
    } else if (now - watch.m_lastMove > watch.m_stall) {
        watch.m_stalled = true;
        return 1;
    }
    return 0;
}

CURLcode perform(CURLM* multi, CURL* handle, ProgressWatch& watch) {
    if (curl_multi_add_handle(multi, handle) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_FAILED_INIT;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        bool done = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == handle) {
                result = message->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        // Taking the handle out of the multi handle ends the transfer where it stands and drops
        // its connection, without waiting for the server.
        if (watch.stopWanted()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK)
            break;
    }
    curl_multi_remove_handle(multi, handle);
    return result;
}

QString describeFailure(CURL* handle, CURLcode code, const ProgressWatch& watch) {
    if (watch.cancelled())
        return QStringLiteral("cancelled because the program is ending");
    if (watch.stalled())
        return QStringLiteral("no data moved within the time limit");
    long reply = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply);
    QString text = QString::fromUtf8(curl_easy_strerror(code));
    if (reply != 0)
        text += QStringLiteral(" (server reply %1)").arg(reply);
    return text;
}

} // namespace net
