// Playback through playbin; the end of a file is noticed on the bus and handled on the GUI thread.
#include "recording/AudioPlayer.h"

#include "recording/GstSupport.h"

#include <QFileInfo>
#include <QUrl>

// Which player and which play a bus message belongs to.
struct AudioPlayer::PlayTag {
    AudioPlayer* player;
    quint64 generation;

    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer data);
};

namespace {

// A moment at or past the end of the file, one cut short for instance, is no place to play from.
bool startsBeforeTheEnd(GstElement* playbin, qint64 fromMs) {
    gint64 duration = 0;
    return !gst_element_query_duration(playbin, GST_FORMAT_TIME, &duration) || fromMs * GST_MSECOND < duration;
}

} // namespace

AudioPlayer::AudioPlayer(QObject* parent) : QObject(parent) {}

AudioPlayer::~AudioPlayer() {
    stop();
}

bool AudioPlayer::play(const QString& path, qint64 fromMs) {
    stop();
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable() || file.size() == 0)
        return false;
    if (!gstreamer::ensureInitialised(nullptr))
        return false;
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin)
        return false;
    gst_object_ref_sink(playbin);
    const QByteArray uri = QUrl::fromLocalFile(file.absoluteFilePath()).toEncoded();
    g_object_set(playbin, "uri", uri.constData(), nullptr);
    const quint64 generation = ++m_generation;
    gstreamer::BusPtr bus(gst_element_get_bus(playbin));
    gst_bus_set_sync_handler(bus.get(), &PlayTag::onBusMessage, new PlayTag{this, generation},
                             [](gpointer tag) { delete static_cast<PlayTag*>(tag); });
    m_playbin = playbin;
    if (fromMs > 0) {
        // A seek needs the file's stream at hand: the pipeline is paused until it is, a moment for a
        // file on disk.
        constexpr GstClockTime kPrerollLimit = 5 * GST_SECOND;
        GstState reached = GST_STATE_NULL;
        if (gst_element_set_state(playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
            gst_element_get_state(playbin, &reached, nullptr, kPrerollLimit) != GST_STATE_CHANGE_SUCCESS ||
            !startsBeforeTheEnd(playbin, fromMs) ||
            !gst_element_seek_simple(playbin, GST_FORMAT_TIME,
                                     GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                     fromMs * GST_MSECOND)) {
            stop();
            return false;
        }
    }
    if (gst_element_set_state(playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        stop();
        return false;
    }
    return true;
}

qint64 AudioPlayer::positionMs() const {
    gint64 position = 0;
    if (!m_playbin || !gst_element_query_position(m_playbin, GST_FORMAT_TIME, &position))
        return -1;
    return position / GST_MSECOND;
}

void AudioPlayer::stop() {
    if (!m_playbin)
        return;
    GstElement* playbin = m_playbin;
    m_playbin = nullptr;
    ++m_generation;
    gst_element_set_state(playbin, GST_STATE_NULL);
    gstreamer::BusPtr bus(gst_element_get_bus(playbin));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    gst_object_unref(playbin);
}

GstBusSyncReply AudioPlayer::PlayTag::onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
        const PlayTag tag = *static_cast<PlayTag*>(data);
        QMetaObject::invokeMethod(
            tag.player, [tag] { tag.player->onEnded(tag.generation); }, Qt::QueuedConnection);
    }
    return GST_BUS_DROP;
}

void AudioPlayer::onEnded(quint64 generation) {
    if (generation != m_generation || !m_playbin)
        return;
    stop();
    emit finished();
}
