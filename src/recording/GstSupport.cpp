// GStreamer initialisation and message helpers.
#include "recording/GstSupport.h"

#include <mutex>

namespace gstreamer {

bool ensureInitialised(QString* error) {
    static std::once_flag once;
    static bool ok = false;
    static QString reason;
    std::call_once(once, [] {
        GError* err = nullptr;
        ok = gst_init_check(nullptr, nullptr, &err);
        if (!ok) {
            reason = err ? QString::fromUtf8(err->message) : QStringLiteral("GStreamer");
            g_clear_error(&err);
        }
    });
    if (!ok && error)
        *error = reason;
    return ok;
}

QString errorText(GstMessage* message) {
    GError* err = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &err, &debug);
    QString text = err ? QString::fromUtf8(err->message) : QString();
    g_clear_error(&err);
    g_free(debug);
    return text;
}

bool drainBus(GstBus* bus, QString* error) {
    bool ended = false;
    while (const MessagePtr message{gst_bus_pop(bus)}) {
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR && error->isEmpty())
            *error = errorText(message.get());
        else if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS)
            ended = true;
    }
    return ended;
}

} // namespace gstreamer
