// Small helpers around GStreamer: one-time initialisation and owning handles for its objects.
#pragma once

#include <gst/gst.h>

#include <QString>

#include <memory>

namespace gstreamer {

// Initialises GStreamer once per process; false with a reason when that failed.
bool ensureInitialised(QString* error);

struct ObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct MessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};

using ElementPtr = std::unique_ptr<GstElement, ObjectUnref>;
using BusPtr = std::unique_ptr<GstBus, ObjectUnref>;
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;

// The text of an error message on the bus.
QString errorText(GstMessage* message);

// Takes every message waiting on the bus: the first error's text into *error when there was one,
// and whether the stream ended.
bool drainBus(GstBus* bus, QString* error);

} // namespace gstreamer
