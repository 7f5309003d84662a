// Time of the repair of a large killed capture: a Motion-JPEG AVI of about the given size (past 1 GB
// the muxer writes further RIFF lists) is made with the real muxer, then cut as a kill leaves it
// (index gone, last frame half written) and, in a second copy, also given a block of zeros in the
// middle, over a frame's header. Each is repaired once; the time and the frames kept are printed:
// one frame less than the finished file for the kill, two with the zeros.
//   bench_avi_repair [megabytes]       default 1100
#include "recording/AviRepair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gst/gst.h>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Frames of the snow pattern at 640 × 480 take about 190 KB each.
constexpr qint64 kFrameBytes = 190 * 1024;

bool makeCapture(const QString& path, qint64 bytes) {
    const QByteArray description =
        QStringLiteral("videotestsrc pattern=snow num-buffers=%1 ! video/x-raw,width=640,height=480,"
                       "framerate=15/1 ! jpegenc ! avimux ! filesink location=\"%2\"")
            .arg(bytes / kFrameBytes)
            .arg(path)
            .toUtf8();
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.constData(), &error);
    if (error) {
        std::fprintf(stderr, "%s\n", error->message);
        g_clear_error(&error);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    gst_message_unref(message);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
    return ok;
}

// What a kill leaves: the last frame half written, its index never written, the header's frame
// count 0. The zeros start at the header of the first frame past the middle.
bool cut(const QString& path, bool zeroBlock) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    const qint64 size = ::lseek(fd, 0, SEEK_END);
    const auto readAt = [fd](qint64 pos, qint64 length) {
        QByteArray bytes(length, '\0');
        return ::pread(fd, bytes.data(), size_t(length), pos) == length ? bytes : QByteArray();
    };
    const auto writeAt = [fd](qint64 pos, const QByteArray& bytes) {
        return ::pwrite(fd, bytes.constData(), size_t(bytes.size()), pos) == bytes.size();
    };
    constexpr qint64 kSearch = 4 << 20;
    constexpr qint64 kTotalFrames = 48; // avih's TotalFrames: 32 bytes of list headers, then 16 into avih
    // The index of the last list follows its last frame: idx1 in a file of one list, ix00 in others.
    const QByteArray end = readAt(size - kSearch, kSearch);
    const qint64 index = size - kSearch + std::max(end.lastIndexOf("idx1"), end.lastIndexOf("ix00"));
    const qint64 middle = size / 2 + readAt(size / 2, kSearch).indexOf("00db");
    bool ok = fd >= 0 && index > size - kSearch && middle > size / 2 && ::ftruncate(fd, index - 5000) == 0 &&
              writeAt(kTotalFrames, QByteArray(4, '\0'));
    if (ok && zeroBlock)
        ok = writeAt(middle, QByteArray(4096, '\0'));
    ::close(fd);
    return ok;
}

void repairAndReport(const QString& path, const char* what) {
    QElapsedTimer clock;
    clock.start();
    const avirepair::Result result = avirepair::repair(path, path + ".aside");
    std::printf("%-34s %8.1f MB  %6lld ms  ok=%d frames=%d damaged=%lld bytes\n", what,
                double(QFile(path).size()) / (1024 * 1024), static_cast<long long>(clock.elapsed()), result.ok,
                result.frames, static_cast<long long>(result.damagedBytes));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    gst_init(&argc, &argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1100;
    QTemporaryDir dir(QDir::currentPath() + "/bench-avi-XXXXXX");
    const QString made = dir.filePath("made.avi");
    std::printf("making a capture of about %lld MB...\n", static_cast<long long>(megabytes));
    if (!makeCapture(made, megabytes * 1024 * 1024))
        return 1;
    ::sync();
    repairAndReport(made, "finished (left as it is)");
    for (const bool zeroBlock : {false, true}) {
        const QString copy = dir.filePath(zeroBlock ? "damaged.avi" : "killed.avi");
        if (!QFile::copy(made, copy) || !cut(copy, zeroBlock))
            return 1;
        ::sync();
        repairAndReport(copy, zeroBlock ? "killed, 4 KB zeroed in the middle" : "killed");
    }
    return 0;
}
