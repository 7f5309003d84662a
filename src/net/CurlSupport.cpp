// Owning wrappers for libcurl handles and the time limits every transfer runs under.
#include "net/CurlSupport.h"

#include <mutex>

namespace net {

CurlEasy makeCurlEasy()
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return CurlEasy(curl_easy_init());
}

void appendToList(CurlList& list, const QByteArray& line)
{
    curl_slist* extended = curl_slist_append(list.get(), line.constData());
    if (extended) {
        (void)list.release();
        list.reset(extended);
    }
}

namespace {
long wholeSecondsAtLeastOne(std::chrono::milliseconds limit)
{
    return std::max<long>(1, static_cast<long>((limit.count() + 999) / 1000));
}
} // namespace

ProgressWatch::ProgressWatch(CURL* handle, const TransferLimits& limits, const std::atomic_bool& cancel)
    : m_stall(limits.stall), m_cancel(cancel)
{
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

int ProgressWatch::onProgress(void* self, curl_off_t, curl_off_t dlNow, curl_off_t, curl_off_t ulNow)
{
    auto& watch = *static_cast<ProgressWatch*>(self);
    if (watch.m_cancel) {
        watch.m_cancelled = true;
        return 1;
    }
    const auto now = std::chrono::steady_clock::now();
    const curl_off_t moved = dlNow + ulNow;
    if (moved != watch.m_lastMoved) {
        watch.m_lastMoved = moved;
        watch.m_lastMove = now;
    } else if (now - watch.m_lastMove > watch.m_stall) {
        watch.m_stalled = true;
        return 1;
    }
    return 0;
}

QString describeFailure(CURL* handle, CURLcode code, const ProgressWatch& watch)
{
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
