// Playback through playbin with an appsink for the pictures. The pipeline is prerolled before the
// seek, so that the first picture shown is the one at the start time; its bus and latest picture are
// read by a clock on the GUI thread, so nothing of the player runs on GStreamer's threads.
#include "recording/VideoPlayer.h"

#include "platform/TimeMarks.h"
#include "recording/GstSupport.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

namespace {

using gstreamer::errorText;
using gstreamer::MessagePtr;

// About 25 pictures a second, more than a capture holds.
constexpr int kPollMs = 40;
// A file on the disk is prerolled in a moment; one that is not by then will not be.
constexpr int kPrerollLimitMs = 10000;

struct SampleUnref {
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};
using SamplePtr = std::unique_ptr<GstSample, SampleUnref>;

// The human name of the part a missing-plugin message asks for, or empty text for any other message.
QString missingPart(GstMessage* message) {
    const GstStructure* structure = gst_message_get_structure(message);
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ELEMENT || !structure ||
        !gst_structure_has_name(structure, "missing-plugin"))
        return {};
    if (const gchar* name = gst_structure_get_string(structure, "name"))
        return QString::fromUtf8(name);
    if (const gchar* detail = gst_structure_get_string(structure, "detail"))
        return QString::fromUtf8(detail);
    return QStringLiteral("解码器");
}

QString missingText(const QStringList& parts) {
    return parts.isEmpty() ? QString() : QStringLiteral("缺少GStreamer组件 %1").arg(parts.join(QStringLiteral(", ")));
}

} // namespace

struct VideoPlayer::Pipeline {
    GstElement* playbin = nullptr; // owned
    GstBus* bus = nullptr;         // owned
    GstElement* sink = nullptr;    // owned by playbin
    QStringList missing;

    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;
    Pipeline() = default;
    ~Pipeline() {
        if (!playbin)
            return;
        gst_element_set_state(playbin, GST_STATE_NULL);
        gst_object_unref(bus);
        gst_object_unref(playbin);
    }

    // playbin uri=… video-sink="appsink caps=video/x-raw,format=RGB"; its own converters and scaler
    // bring any picture to the sink's format. Returns what is wrong, or empty text.
    QString build(const QByteArray& uri) {
        playbin = gst_element_factory_make("playbin", nullptr);
        sink = gst_element_factory_make("appsink", nullptr);
        QStringList lacking;
        if (!playbin)
            lacking << QStringLiteral("playbin");
        if (!sink)
            lacking << QStringLiteral("appsink");
        if (!lacking.isEmpty()) {
            if (playbin)
                gst_object_unref(gst_object_ref_sink(playbin));
            if (sink)
                gst_object_unref(gst_object_ref_sink(sink));
            playbin = nullptr;
            return missingText(lacking);
        }
        gst_object_ref_sink(playbin);
        bus = gst_element_get_bus(playbin);
        GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB", nullptr);
        // Only the latest picture is wanted, read as the sink's last sample: nothing queues up.
        g_object_set(sink, "caps", caps, "max-buffers", 1u, "drop", TRUE, "enable-last-sample", TRUE, nullptr);
        gst_caps_unref(caps);
        g_object_set(playbin, "uri", uri.constData(), "video-sink", sink, nullptr);
        return {};
    }

    // Waits until a state change that prerolls is done; returns what went wrong.
    QString waitForPreroll() {
        const QDeadlineTimer deadline(kPrerollLimitMs);
        while (!deadline.hasExpired()) {
            const MessagePtr message(gst_bus_timed_pop_filtered(
                bus, GstClockTime(deadline.remainingTime()) * GST_MSECOND,
                GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR | GST_MESSAGE_ELEMENT)));
            if (!message)
                break;
            switch (GST_MESSAGE_TYPE(message.get())) {
            case GST_MESSAGE_ASYNC_DONE:
                return {};
            case GST_MESSAGE_ERROR:
                // A part that is missing says more than playbin's own words for it.
                return missing.isEmpty() ? errorText(message.get()) : missingText(missing);
            default:
                if (const QString part = missingPart(message.get()); !part.isEmpty() && !missing.contains(part))
                    missing << part;
            }
        }
        return QStringLiteral("%1秒内没有读出画面").arg(kPrerollLimitMs / 1000);
    }

    QString changeState(GstState state) {
        const GstStateChangeReturn change = gst_element_set_state(playbin, state);
        if (change == GST_STATE_CHANGE_ASYNC)
            return waitForPreroll();
        if (change == GST_STATE_CHANGE_FAILURE) {
            const MessagePtr message(gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR));
            return message ? errorText(message.get()) : QStringLiteral("播放器不能启动");
        }
        return {};
    }

    qint64 duration() const {
        gint64 nanoseconds = 0;
        return gst_element_query_duration(playbin, GST_FORMAT_TIME, &nanoseconds) ? nanoseconds / GST_MSECOND : -1;
    }

    bool seek(qint64 ms) {
        return gst_element_seek_simple(playbin, GST_FORMAT_TIME,
                                       GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), ms * GST_MSECOND);
    }
};

VideoPlayer::VideoPlayer(QObject* parent) : QObject(parent) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &VideoPlayer::poll);
}

VideoPlayer::~VideoPlayer() {
    stop();
}

QString VideoPlayer::play(const QString& path, qint64 fromMs) {
    stop();
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("文件不存在");
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("文件无法读取");
    if (QString error; !gstreamer::ensureInitialised(&error))
        return error;
    auto pipeline = std::make_unique<Pipeline>();
    if (const QString error = pipeline->build(QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded());
        !error.isEmpty())
        return error;
    // The seek needs the file's streams at hand: paused until the first picture is.
    if (const QString error = pipeline->changeState(GST_STATE_PAUSED); !error.isEmpty())
        return error;
    if (fromMs > 0) {
        const qint64 duration = pipeline->duration();
        if (duration >= 0 && fromMs >= duration)
            return QStringLiteral("录像只有 %1 长").arg(timemarks::offsetText(duration / 1000));
        if (!pipeline->seek(fromMs))
            return QStringLiteral("录像无法跳到 %1").arg(timemarks::offsetText(fromMs / 1000));
        if (const QString error = pipeline->waitForPreroll(); !error.isEmpty())
            return error;
    }
    if (const QString error = pipeline->changeState(GST_STATE_PLAYING); !error.isEmpty())
        return error;
    m_missing = missingText(pipeline->missing);
    m_pipeline = std::move(pipeline);
    m_file = path;
    m_paused = false;
    m_ended = false;
    m_picture = QImage();
    m_pictureTime = ~quint64(0);
    takeLatestPicture();
    m_poll.start();
    return {};
}

void VideoPlayer::pause() {
    if (!m_pipeline || m_paused)
        return;
    gst_element_set_state(m_pipeline->playbin, GST_STATE_PAUSED);
    m_paused = true;
}

void VideoPlayer::resume() {
    if (!m_pipeline || !m_paused)
        return;
    if (m_ended)
        seek(0);
    gst_element_set_state(m_pipeline->playbin, GST_STATE_PLAYING);
    m_paused = false;
}

bool VideoPlayer::seek(qint64 ms) {
    if (!m_pipeline || !m_pipeline->seek(qMax<qint64>(ms, 0)))
        return false;
    m_ended = false;
    return true;
}

void VideoPlayer::stop() {
    m_poll.stop();
    m_pipeline.reset();
    m_paused = false;
    m_ended = false;
    m_missing.clear();
}

qint64 VideoPlayer::positionMs() const {
    gint64 position = 0;
    if (!m_pipeline || !gst_element_query_position(m_pipeline->playbin, GST_FORMAT_TIME, &position))
        return -1;
    return position / GST_MSECOND;
}

qint64 VideoPlayer::durationMs() const {
    return m_pipeline ? m_pipeline->duration() : -1;
}

void VideoPlayer::poll() {
    const bool newPicture = takeLatestPicture();
    QString error;
    const bool ended = gstreamer::drainBus(m_pipeline->bus, &error);
    if (!error.isEmpty()) {
        stop();
        emit failed(error);
        return;
    }
    if (newPicture || !m_paused)
        emit progressed();
    if (ended && !m_ended) {
        gst_element_set_state(m_pipeline->playbin, GST_STATE_PAUSED);
        m_paused = true;
        m_ended = true;
        emit finished();
    }
}

bool VideoPlayer::takeLatestPicture() {
    GstSample* last = nullptr;
    g_object_get(m_pipeline->sink, "last-sample", &last, nullptr);
    const SamplePtr sample(last);
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample.get()) : nullptr;
    if (!buffer || GST_BUFFER_PTS(buffer) == m_pictureTime)
        return false;
    GstVideoInfo info;
    GstMapInfo map;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get())) ||
        !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return false;
    m_picture = QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                       GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB888)
                    .copy();
    gst_buffer_unmap(buffer, &map);
    m_pictureTime = GST_BUFFER_PTS(buffer);
    return true;
}
