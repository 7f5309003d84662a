// Runs the capture pipeline: source ! tee, one branch scaled into the preview label, the other stamped
// with the time and encoded as Motion JPEG into an AVI file that is finished by an end of stream before
// it is closed.
#include "recording/VideoCapture.h"

#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/SetAside.h"
#include "recording/AviRepair.h"
#include "recording/GstSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStringList>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

using gstreamer::errorText;
using gstreamer::MessagePtr;

// The preview is polled at the frame time the capture window used (66 ms, about 15 pictures a second).
constexpr int kPollMs = 66;
// A camera needs a moment to deliver its first picture; a pipeline that has none by then is broken.
constexpr int kStartLimitMs = 5000;
// The end of stream normally reaches the muxer within a tenth of a second.
constexpr int kStopLimitMs = 5000;
constexpr int kInterruptedStopLimitMs = 2000;
const QSize kDefaultPreviewSize(165, 100);
// The date and time burned into every picture of the file, as the wall clock reads when it is taken.
constexpr const char* kOverlayFormat = "%Y-%m-%d %H:%M:%S";

struct SampleDeleter {
    void operator()(GstSample* s) const { gst_sample_unref(s); }
};
using SamplePtr = std::unique_ptr<GstSample, SampleDeleter>;

QString takeError(GError* error) {
    const QString text = error ? QString::fromUtf8(error->message) : QString();
    g_clear_error(&error);
    return text;
}

// Waits for the end of stream to come through every sink; false (with the error, if one came) when
// the stream failed or the time ran out.
bool waitForEnd(GstBus* bus, int limitMs, QString* error) {
    const MessagePtr message(gst_bus_timed_pop_filtered(bus, GstClockTime(limitMs) * GST_MSECOND,
                                                        GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    if (!message) {
        *error = QStringLiteral("录像没有在%1秒内正常结束").arg(limitMs / 1000);
        return false;
    }
    if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
        *error = errorText(message.get());
        return false;
    }
    return true;
}

} // namespace

struct VideoCapture::Pipeline {
    GstElement* pipeline = nullptr; // owned
    GstBus* bus = nullptr;          // owned
    GstElement* tee = nullptr;      // owned by pipeline
    GstElement* preview = nullptr;  // owned by pipeline

    Pipeline() : pipeline(gst_pipeline_new("video-capture")), bus(gst_element_get_bus(pipeline)) {}
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;
    ~Pipeline() {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(bus);
        gst_object_unref(pipeline);
    }

    // Adds a new element of the factory, or records the factory as missing.
    GstElement* add(const char* factory, QStringList& missing) {
        GstElement* element = gst_element_factory_make(factory, nullptr);
        if (!element) {
            missing << QString::fromLatin1(factory);
            return nullptr;
        }
        gst_bin_add(GST_BIN(pipeline), element);
        return element;
    }

    // The error the pipeline posted, if any, without waiting.
    QString pendingError() {
        const MessagePtr message(gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR));
        return message ? errorText(message.get()) : QString();
    }

    // source ! tee ! queue ! videoscale ! videoconvert ! RGB at the preview size ! appsink
    //             tee ! queue ! videorate ! videoconvert [! clockoverlay] ! jpegenc ! avimux ! fdsink
    // The muxer writes into fd, the capture file the caller created. Returns what is wrong, or empty text.
    QString build(const QString& sourceDescription, const QSize& previewSize, int fd, bool timeOverlay) {
        // Caps at the end of a description ("videotestsrc ! video/x-raw,width=640") only parse between
        // two elements, so the source bin ends in a pass-through element.
        const QByteArray description = (sourceDescription + QStringLiteral(" ! identity")).toUtf8();
        GError* parseError = nullptr;
        GstElement* source = gst_parse_bin_from_description(description.constData(), TRUE, &parseError);
        if (parseError) {
            if (source)
                gst_object_unref(gst_object_ref_sink(source));
            return takeError(parseError);
        }
        gst_bin_add(GST_BIN(pipeline), source);

        QStringList missing;
        tee = add("tee", missing);
        GstElement* previewQueue = add("queue", missing);
        GstElement* scale = add("videoscale", missing);
        GstElement* previewConvert = add("videoconvert", missing);
        GstElement* previewCaps = add("capsfilter", missing);
        preview = add("appsink", missing);
        GstElement* fileQueue = add("queue", missing);
        GstElement* rate = add("videorate", missing);
        GstElement* fileConvert = add("videoconvert", missing);
        GstElement* clock = timeOverlay ? add("clockoverlay", missing) : nullptr;
        GstElement* encoder = add("jpegenc", missing);
        GstElement* muxer = add("avimux", missing);
        GstElement* sink = add("fdsink", missing);
        if (!missing.isEmpty())
            return QStringLiteral("缺少GStreamer组件 %1").arg(missing.join(QStringLiteral(", ")));

        // The preview must never hold up the tee, or the file branch stalls and the end of stream
        // never arrives: keep only the latest pictures.
        g_object_set(previewQueue, "leaky", 2 /* downstream */, "max-size-buffers", 2u, "max-size-bytes", 0u,
                     "max-size-time", guint64(0), nullptr);
        GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB", "width", G_TYPE_INT,
                                            previewSize.width(), "height", G_TYPE_INT, previewSize.height(),
                                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        g_object_set(previewCaps, "caps", caps, nullptr);
        gst_caps_unref(caps);
        // Nor may pictures nobody has taken yet hold up the end of stream while stop waits for it.
        g_object_set(preview, "max-buffers", 2u, "drop", TRUE, "sync", FALSE, "enable-last-sample", FALSE,
                     "wait-on-eos", FALSE, nullptr);
        // A camera that delivers fewer pictures than it announced would otherwise play back too fast.
        g_object_set(rate, "skip-to-first", TRUE, nullptr);
        // The shaded band keeps the digits legible on a light picture.
        if (clock)
            g_object_set(clock, "time-format", kOverlayFormat, "shaded-background", TRUE, nullptr);
        // The sink seeks back to the header at the end of the stream; it never opens a file by name.
        g_object_set(sink, "fd", fd, "sync", FALSE, nullptr);

        if (!gst_element_link(source, tee))
            return QStringLiteral("视频源没有可用的画面输出");
        if (!gst_element_link(tee, previewQueue) ||
            !gst_element_link_many(previewQueue, scale, previewConvert, previewCaps, preview, nullptr) ||
            !gst_element_link(tee, fileQueue) || !gst_element_link_many(fileQueue, rate, fileConvert, nullptr) ||
            (clock && !gst_element_link(fileConvert, clock)) ||
            !gst_element_link_many(clock ? clock : fileConvert, encoder, muxer, sink, nullptr))
            return QStringLiteral("录像管道不能连接");
        return {};
    }

    // Plays the pipeline and waits until every sink has its first picture; returns what went wrong.
    QString play() {
        if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            const QString error = pendingError();
            return error.isEmpty() ? QStringLiteral("视频采集设备不能启动") : error;
        }
        const QDeadlineTimer deadline(kStartLimitMs);
        for (;;) {
            const MessagePtr message(gst_bus_timed_pop_filtered(bus, 20 * GST_MSECOND, GST_MESSAGE_ERROR));
            if (message)
                return errorText(message.get());
            GstState state = GST_STATE_NULL;
            const GstStateChangeReturn change = gst_element_get_state(pipeline, &state, nullptr, 0);
            if (change == GST_STATE_CHANGE_SUCCESS && state == GST_STATE_PLAYING)
                return {};
            if (change == GST_STATE_CHANGE_FAILURE) {
                const QString error = pendingError();
                return error.isEmpty() ? QStringLiteral("视频采集设备不能启动") : error;
            }
            if (deadline.hasExpired())
                return QStringLiteral("视频采集设备在%1秒内没有送出画面").arg(kStartLimitMs / 1000);
        }
    }
};

VideoCapture::VideoCapture(QString sourceDescription, QObject* parent)
    : QObject(parent), m_source(std::move(sourceDescription)) {
    gstreamer::ensureInitialised(&m_initError);
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &VideoCapture::poll);
}

VideoCapture::~VideoCapture() {
    stop();
}

void VideoCapture::setPreview(QLabel* label) {
    m_preview = label;
}

void VideoCapture::setRecoveryFolder(const QString& folder) {
    m_recoveryFolder = folder;
}

void VideoCapture::setTimeOverlay(bool on) {
    m_timeOverlay = on;
}

QString VideoCapture::markerFile(const QString& folder, const QString& file) {
    return folder + u'/' + QFileInfo(file).fileName() + QStringLiteral(".capture");
}

bool VideoCapture::isCapturing() const {
    return m_pipeline != nullptr;
}

QString VideoCapture::file() const {
    return m_file;
}

qint64 VideoCapture::seconds() const {
    return isCapturing() ? m_running.elapsed() / 1000 : 0;
}

void VideoCapture::mark(const QString& line) {
    if (isCapturing())
        m_marks << timemarks::Mark{line, seconds()};
}

VideoCapture::Result VideoCapture::start(const QString& file, const QDateTime& startTime) {
    if (isCapturing())
        stop();
    if (!m_initError.isEmpty())
        return {false, m_initError};
    if (m_source.isEmpty())
        return {false, QStringLiteral("没有找到视频采集设备")};

    // Made exclusively: a name another capture holds, in this program or another, is never opened,
    // so no earlier capture is written over and a failed start removes only its own file.
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        Result taken{false, QStringLiteral("录像文件 <%1> 无法建立：%2")
                                .arg(file, error == EEXIST ? QStringLiteral("文件已经存在")
                                                           : durable::Result::failed(error).text())};
        taken.nameTaken = error == EEXIST;
        return taken;
    }
    const auto abandon = [&](const QString& error, const QString& marker) {
        ::close(fd);
        ::unlink(name.constData());
        if (!marker.isEmpty())
            QFile::remove(marker);
        return Result{false, error};
    };

    // The marker is on the disk before the first picture is.
    QString marker;
    if (!m_recoveryFolder.isEmpty()) {
        if (const durable::Result made = durable::makeFolder(m_recoveryFolder); !made)
            return abandon(QStringLiteral("恢复目录 <%1> 无法建立：%2").arg(m_recoveryFolder, made.text()), {});
        if (const durable::Result written =
                durable::writeFile(markerFile(m_recoveryFolder, file), QFileInfo(file).absoluteFilePath().toUtf8());
            !written)
            return abandon(QStringLiteral("恢复目录 <%1> 无法写入：%2").arg(m_recoveryFolder, written.text()), {});
        marker = markerFile(m_recoveryFolder, file);
    }

    const QSize previewSize = m_preview && !m_preview->size().isEmpty() ? m_preview->size() : kDefaultPreviewSize;
    auto pipeline = std::make_unique<Pipeline>();
    QString error = pipeline->build(m_source, previewSize, fd, m_timeOverlay);
    if (error.isEmpty())
        error = pipeline->play();
    if (!error.isEmpty()) {
        pipeline.reset();
        return abandon(error, marker);
    }
    m_pipeline = std::move(pipeline);
    m_marker = marker;
    m_file = file;
    m_fd = fd;
    m_startTime = startTime;
    m_running.start();
    m_framesShown = 0;
    m_marks.clear();
    m_poll.start();
    return {};
}

VideoCapture::Result VideoCapture::stop() {
    if (!isCapturing())
        return {};
    m_poll.stop();
    gst_element_send_event(m_pipeline->pipeline, gst_event_new_eos());
    QString error;
    const bool ended = waitForEnd(m_pipeline->bus, kStopLimitMs, &error);
    m_pipeline.reset();
    const QString file = m_file;
    QString problem = completeFile(ended);
    if (!ended && problem.isEmpty())
        problem = QStringLiteral("录像文件 <%1> 没有正常结束（%2），已经修复。").arg(file, error);
    if (!problem.isEmpty())
        return {false, problem};
    return {};
}

QString VideoCapture::completeFile(bool streamEnded) {
    const QString file = std::exchange(m_file, QString());
    const QString marker = std::exchange(m_marker, QString());
    const int fd = std::exchange(m_fd, -1);
    durable::Result synced = durable::Result::failed(::fsync(fd) == 0 ? 0 : errno);
    ::close(fd);
    if (synced)
        synced = durable::syncFolder(QFileInfo(file).absolutePath());
    // A file that is not on the disk keeps its marker, so that the next start looks at it again.
    if (!synced)
        return QStringLiteral("录像文件 <%1> 没有写到磁盘上：%2").arg(file, synced.text());
    if (!streamEnded) {
        const QString aside =
            m_recoveryFolder.isEmpty() ? QFileInfo(file).absolutePath() : setaside::unrepairedFolder(m_recoveryFolder);
        const avirepair::Result repaired = avirepair::repair(file, aside);
        if (!repaired.ok)
            return QStringLiteral("录像文件 <%1> 没有正常结束，也无法修复：%2").arg(file, repaired.error);
    }
    if (!marker.isEmpty())
        QFile::remove(marker);
    if (const durable::Result fingerprinted = fingerprint::write(file); !fingerprinted)
        return fingerprint::failureText(file, fingerprinted);
    return {};
}

void VideoCapture::poll() {
    showLatestFrame();
    QString error;
    const bool streamEnded = gstreamer::drainBus(m_pipeline->bus, &error);
    if (!error.isEmpty())
        endAfterInterruption(error, streamEnded);
    else if (streamEnded)
        endAfterInterruption(QStringLiteral("视频源停止了送出画面"), true);
}

void VideoCapture::showLatestFrame() {
    SamplePtr latest;
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(m_pipeline->preview), 0))
        latest.reset(sample);
    if (!latest || !m_preview)
        return;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(latest.get());
    GstMapInfo map;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(latest.get())) ||
        !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    const QImage picture = QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                                  GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB888)
                               .copy();
    gst_buffer_unmap(buffer, &map);
    m_preview->setPixmap(QPixmap::fromImage(picture));
    ++m_framesShown;
    emit frameShown();
}

void VideoCapture::endAfterInterruption(const QString& error, bool streamEnded) {
    m_poll.stop();
    QString report = error;
    if (!streamEnded) {
        // The source is gone: end the stream at the tee so that the muxer still writes its index.
        GstPad* teeInput = gst_element_get_static_pad(m_pipeline->tee, "sink");
        gst_pad_send_event(teeInput, gst_event_new_eos());
        gst_object_unref(teeInput);
        QString unfinished;
        streamEnded = waitForEnd(m_pipeline->bus, kInterruptedStopLimitMs, &unfinished);
    }
    const QString file = m_file;
    m_pipeline.reset();
    if (const QString problem = completeFile(streamEnded); !problem.isEmpty())
        report += QStringLiteral("；") + problem;
    else if (!streamEnded)
        report += QStringLiteral("；录像文件没有正常结束，已经修复");
    emit interrupted(report, file);
}
