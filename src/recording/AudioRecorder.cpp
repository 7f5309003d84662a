// The recorder's capture pipeline: source, conversion to the recording format, appsink into the WAV file.
#include "recording/AudioRecorder.h"

#include "recording/GstSupport.h"
#include "recording/WavFile.h"

#include <gst/app/gstappsink.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// How long a source may take to deliver its first samples, and a stopping one its last.
constexpr auto FirstDataLimit = 3s;
constexpr auto DrainLimit = 2s;
// How often the samples are synced to the disk and the header brought up to date: a killed program
// loses at most this much, a power cut about twice as much.
constexpr auto SyncPeriod = 500ms;
// How long a stop waits for a state change still under way to complete.
constexpr GstClockTime SettleLimit = 3 * GST_SECOND;
// autoaudiosrc falls back to a silent test source of this name when no real input answers.
constexpr const char* FakeSourceName = "fake-auto-audio-src";

QString sourceDescription() {
    const QByteArray custom = qgetenv("QUILLON_AUDIO_SOURCE");
    return custom.trimmed().isEmpty() ? QStringLiteral("autoaudiosrc") : QString::fromUtf8(custom);
}

QString capsFor(const AudioFormat& format) {
    return QStringLiteral("audio/x-raw,format=%1,layout=interleaved,channels=%2,rate=%3")
        .arg(format.bitsPerSample == 8 ? QStringLiteral("U8") : QStringLiteral("S16LE"))
        .arg(format.channels)
        .arg(format.samplesPerSecond);
}

} // namespace

// One run of the source from start to stop, and the file it goes to. The appsink and bus callbacks
// run on GStreamer's threads and the header is kept up to date on a thread of its own, so the file
// and the counters are guarded by the mutex; only the sync to disk runs outside it, under a mutex
// of its own.
struct AudioRecorder::Capture {
    Capture(AudioRecorder& recorder, quint64 id, const AudioFormat& format, QString file)
        : recorder(recorder), id(id), format(format), file(std::move(file)) {}

    ~Capture() {
        if (pipeline) {
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
            gstreamer::BusPtr bus(gst_element_get_bus(pipeline.get()));
            gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        }
        // A capture given up without being saved: its file stays as far as it got, for the
        // recovery offer of the next start, and there is nobody left here to tell.
        static_cast<void>(finishFile());
    }

    void append(const char* data, qsizetype size) {
        std::lock_guard lock(mutex);
        if (!writer.isOpen() || !error.isEmpty())
            return;
        const qint64 room = wav::MaxDataSize - writer.dataSize();
        const durable::Result written = writer.append(data, std::min<qint64>(size, room));
        bytes = writer.dataSize();
        if (!written)
            endLocked(QStringLiteral("录音文件写入出错：%1").arg(written.text()));
        else if (size >= room)
            endLocked(QStringLiteral("录音已达到WAV文件能容纳的最大长度"));
        changed.notify_all();
    }

    // Puts the samples written so far on the disk, then the header sizes for them. A pause runs it
    // on the GUI thread while the sync thread may be at it too: one at a time, so that a sync that
    // started earlier never writes its smaller size over a later one's.
    void syncToDisk() {
        std::lock_guard oneAtATime(syncing);
        qint64 synced = 0;
        {
            std::lock_guard lock(mutex);
            if (!writer.isOpen())
                return;
            synced = writer.dataSize();
        }
        const durable::Result result = writer.syncData();
        std::lock_guard lock(mutex);
        if (!result) {
            endLocked(QStringLiteral("录音文件写入出错：%1").arg(result.text()));
        } else if (writer.isOpen()) {
            // A header that stays behind its samples is the same failure as samples not written.
            if (const durable::Result sized = writer.writeSizes(synced); !sized)
                endLocked(QStringLiteral("录音文件写入出错：%1").arg(sized.text()));
        }
    }

    void startSyncing() {
        syncer = std::thread([this] {
            std::unique_lock lock(mutex);
            while (!stopSyncing) {
                wake.wait_for(lock, SyncPeriod, [this] { return stopSyncing; });
                if (stopSyncing)
                    break;
                lock.unlock();
                syncToDisk();
                lock.lock();
            }
        });
    }

    // Once the source has stopped: the last header update, synced, and the file closed.
    durable::Result finishFile() {
        if (syncer.joinable()) {
            {
                std::lock_guard lock(mutex);
                stopSyncing = true;
            }
            wake.notify_all();
            syncer.join();
        }
        std::lock_guard lock(mutex);
        return writer.finish();
    }

    void end(const QString& reason) {
        std::lock_guard lock(mutex);
        endLocked(reason);
    }

    void endLocked(const QString& reason) {
        if (!reason.isEmpty() && error.isEmpty()) {
            error = reason;
            // Told on the GUI thread, and only if this is still the recorder's running capture.
            AudioRecorder* owner = &recorder;
            QMetaObject::invokeMethod(
                owner, [owner, id = id] { owner->onCaptureError(id); }, Qt::QueuedConnection);
        }
        ended = true;
        changed.notify_all();
    }

    static GstFlowReturn onNewSample(GstAppSink* sink, gpointer self) {
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample)
            return GST_FLOW_EOS;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            static_cast<Capture*>(self)->append(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }

    static GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer self) {
        auto* capture = static_cast<Capture*>(self);
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            capture->end(QStringLiteral("录音设备出错：%1").arg(gstreamer::errorText(message)));
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)
            capture->end(QString());
        return GST_BUS_DROP;
    }

    // Waits until the condition holds or the capture ended, at most limit; the mutex is held by lock.
    template <typename Pred>
    bool waitFor(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds limit, Pred pred) {
        return changed.wait_for(lock, limit, [&] { return ended || pred(); });
    }

    AudioRecorder& recorder;
    const quint64 id;
    const AudioFormat format;
    // Where the recording is: its file in the recovery folder until it is saved, then the saved file.
    QString file;
    bool saved = false;
    gstreamer::ElementPtr pipeline;
    bool open = false;
    bool paused = false;

    mutable std::mutex mutex;
    std::mutex syncing; // taken before mutex, never while holding it
    std::condition_variable changed;
    std::condition_variable wake;
    std::thread syncer;
    bool stopSyncing = false;
    wav::Writer writer;
    qint64 bytes = 0;
    bool ended = false;
    QString error;
};

AudioRecorder::AudioRecorder(QObject* parent) : QObject(parent) {}
AudioRecorder::~AudioRecorder() = default;

void AudioRecorder::onCaptureError(quint64 captureId) {
    // The errors of a start that failed are in lastError(); those of a capture since replaced are stale.
    if (m_capture && m_capture->id == captureId && m_capture->open)
        emit captureFailed();
}

bool AudioRecorder::setFormat(int channels, int samplesPerSecond, int bitsPerSample) {
    if (!AudioFormat::isAccepted(channels, samplesPerSecond, bitsPerSample))
        return false;
    m_format = AudioFormat{channels, samplesPerSecond, bitsPerSample};
    return true;
}

bool AudioRecorder::fail(const QString& reason, StartFailure failure) {
    m_lastError = reason;
    m_startFailure = failure;
    return false;
}

bool AudioRecorder::start(const QString& file) {
    QString error;
    if (!gstreamer::ensureInitialised(&error))
        return fail(error, StartFailure::Device);
    // Only one capture holds the input device at a time.
    stop();

    const QString description = sourceDescription() + QStringLiteral(" ! audioconvert ! audioresample ! ") +
                                capsFor(m_format) + QStringLiteral(" ! appsink name=recordersink sync=false");
    GError* parseError = nullptr;
    gstreamer::ElementPtr pipeline(gst_parse_launch(description.toUtf8().constData(), &parseError));
    if (parseError) {
        const QString reason = QString::fromUtf8(parseError->message);
        g_clear_error(&parseError);
        return fail(reason, StartFailure::Device);
    }
    if (!pipeline)
        return fail(QStringLiteral("录音管道无法建立"), StartFailure::Device);
    gst_object_ref_sink(pipeline.get()); // the description's top-level bin comes floating

    auto capture = std::make_unique<Capture>(*this, ++m_captureCount, m_format, file);
    if (const durable::Result created = capture->writer.create(file, m_format); !created) {
        const bool taken = created.error == EEXIST;
        return fail(QStringLiteral("录音文件 <%1> 无法建立：%2")
                        .arg(file, taken ? QStringLiteral("文件已经存在") : created.text()),
                    taken ? StartFailure::NameTaken : StartFailure::File);
    }
    // A start that fails leaves no file behind; the file is its own, made exclusively above.
    const auto abandon = [&](const QString& reason) {
        capture.reset();
        QFile::remove(file);
        return fail(reason, StartFailure::Device);
    };

    gstreamer::ElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "recordersink"));
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &Capture::onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, capture.get(), nullptr);
    gstreamer::BusPtr bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), &Capture::onBusMessage, capture.get(), nullptr);
    capture->pipeline = std::move(pipeline);
    capture->open = true;
    GstElement* pipe = capture->pipeline.get();

    const auto openFailure = [&] {
        QString reason;
        {
            std::lock_guard lock(capture->mutex);
            reason = capture->error.isEmpty() ? QStringLiteral("录音设备无法打开") : capture->error;
        }
        return abandon(reason);
    };
    // autoaudiosrc chooses its device on the way to READY.
    if (gst_element_set_state(pipe, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return openFailure();
    if (gstreamer::ElementPtr fake{gst_bin_get_by_name(GST_BIN(pipe), FakeSourceName)})
        return abandon(QStringLiteral("没有找到可用的录音设备"));
    if (gst_element_set_state(pipe, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return openFailure();

    {
        std::unique_lock lock(capture->mutex);
        capture->waitFor(lock, FirstDataLimit, [&] { return capture->bytes > 0; });
        QString reason = capture->error;
        if (reason.isEmpty() && capture->bytes == 0)
            reason = QStringLiteral("录音设备没有送来声音数据");
        if (!reason.isEmpty()) {
            lock.unlock();
            return abandon(reason);
        }
    }
    capture->startSyncing();
    m_capture = std::move(capture);
    m_marks.clear();
    m_lastError.clear();
    m_startFailure = StartFailure::None;
    return true;
}

bool AudioRecorder::pause() {
    if (!isCapturing())
        return fail(QStringLiteral("没有正在进行的录音"));
    if (gst_element_set_state(m_capture->pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return fail(QStringLiteral("录音无法暂停"));
    m_capture->paused = true;
    // Nothing comes while paused: what came before goes to the disk now.
    m_capture->syncToDisk();
    return true;
}

bool AudioRecorder::resume() {
    if (!isCapturing())
        return fail(QStringLiteral("没有正在进行的录音"));
    if (gst_element_set_state(m_capture->pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return fail(QStringLiteral("录音无法继续"));
    m_capture->paused = false;
    return true;
}

bool AudioRecorder::stop() {
    if (!isCapturing())
        return true;
    Capture& capture = *m_capture;
    GstElement* pipe = capture.pipeline.get();
    // A running source is asked to finish, so that what it holds reaches the sink; a paused one
    // has delivered everything already.
    // A continue right before may still be completing the pipeline's way back to PLAYING; sending
    // the event takes the pipeline's state lock, which that completion needs, while the source
    // waits for it: so the event goes only to a pipeline that has settled in PLAYING.
    GstState state = GST_STATE_NULL;
    const bool playing = gst_element_get_state(pipe, &state, nullptr, SettleLimit) == GST_STATE_CHANGE_SUCCESS &&
                         state == GST_STATE_PLAYING;
    if (!capture.paused && playing) {
        gst_element_send_event(pipe, gst_event_new_eos());
        std::unique_lock lock(capture.mutex);
        capture.waitFor(lock, DrainLimit, [] { return false; });
    }
    gst_element_set_state(pipe, GST_STATE_NULL);
    capture.open = false;
    capture.paused = false;
    if (const durable::Result finished = capture.finishFile(); !finished)
        return fail(QStringLiteral("录音文件写入出错：%1").arg(finished.text()));
    return true;
}

bool AudioRecorder::save(const QString& path, bool overwrite) {
    if (!m_capture)
        return fail(QStringLiteral("还没有录音"));
    if (!overwrite && QFileInfo::exists(path))
        return fail(QStringLiteral("文件已经存在"));
    // A file that could not be finished is told before it goes anywhere; it is closed now, so a
    // second save moves it as it is.
    if (!stop())
        return false;
    // Two missing files count as the same for QFileInfo: only a path that names the recording's
    // own file, by its spelling or as the same existing file, leaves nothing to do.
    const QFileInfo target(path);
    const QFileInfo current(m_capture->file);
    if (target.absoluteFilePath() == current.absoluteFilePath() ||
        (target.exists() && current.exists() && target == current))
        return true;
    // A recording saved before stays where the user put it; a copy goes to the new name.
    const durable::Result moved =
        m_capture->saved ? durable::copyFile(m_capture->file, path) : durable::moveFile(m_capture->file, path);
    if (!moved)
        return fail(moved.text());
    m_capture->file = path;
    m_capture->saved = true;
    return true;
}

void AudioRecorder::release() {
    if (!hasUnsavedRecording())
        return;
    stop();
    m_capture.reset();
}

bool AudioRecorder::isCapturing() const {
    return m_capture && m_capture->open;
}

bool AudioRecorder::isPaused() const {
    return isCapturing() && m_capture->paused;
}

bool AudioRecorder::hasUnsavedRecording() const {
    return m_capture && !m_capture->saved;
}

QString AudioRecorder::file() const {
    return m_capture ? m_capture->file : QString();
}

void AudioRecorder::mark(const QString& line) {
    if (isCapturing() && !isPaused())
        m_marks << timemarks::Mark{line, recordedBytes() / std::max(1, m_format.bytesPerSecond())};
}

qint64 AudioRecorder::recordedBytes() const {
    if (!m_capture)
        return 0;
    std::lock_guard lock(m_capture->mutex);
    return m_capture->bytes;
}

QString AudioRecorder::captureError() const {
    if (!m_capture)
        return {};
    std::lock_guard lock(m_capture->mutex);
    return m_capture->error;
}
