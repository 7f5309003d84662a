// CPU use of a 640 × 480, 15 pictures a second capture with its live preview, averaged over 30 s
// (getrusage of the whole process), beside the cost of the test source alone.
//   bench_video_capture [seconds]      QUILLON_VIDEO_SOURCE overrides the source.
#include "recording/VideoCapture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <gst/gst.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

// Keeps the event loop running, as in the program, for the given time.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Measure {
    double wall = 0;
    double cpu = 0;
    double percent() const { return 100.0 * cpu / wall; }
};

// The source into fakesink: what producing the pictures costs without any capture work.
Measure sourceAlone(const QString& source, int seconds) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch((source + QStringLiteral(" ! fakesink")).toUtf8().constData(), &error);
    if (error) {
        std::fprintf(stderr, "source alone: %s\n", error->message);
        g_clear_error(&error);
        if (pipeline)
            gst_object_unref(pipeline);
        return {};
    }
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    runFor(seconds * 1000);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    const Measure m{wall.elapsed() / 1000.0, cpuSeconds() - cpuBefore};
    gst_object_unref(pipeline);
    return m;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 30;
    const QString source =
        qEnvironmentVariableIsSet("QUILLON_VIDEO_SOURCE")
            ? qEnvironmentVariable("QUILLON_VIDEO_SOURCE")
            : QStringLiteral("videotestsrc is-live=true ! video/x-raw,width=640,height=480,framerate=15/1");

    QTemporaryDir dir;
    QLabel preview;
    preview.resize(165, 100);
    preview.show();
    VideoCapture capture(source);
    capture.setPreview(&preview);
    const QString file = dir.filePath(QStringLiteral("bench.avi"));

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const VideoCapture::Result started = capture.start(file);
    if (!started) {
        std::fprintf(stderr, "capture did not start: %s\n", qPrintable(started.error));
        return 1;
    }
    runFor(seconds * 1000);
    const VideoCapture::Result stopped = capture.stop();
    const Measure withCapture{wall.elapsed() / 1000.0, cpuSeconds() - cpuBefore};
    if (!stopped) {
        std::fprintf(stderr, "capture did not finish: %s\n", qPrintable(stopped.error));
        return 1;
    }
    const Measure alone = sourceAlone(source, seconds);

    std::printf("source: %s\n", qPrintable(source));
    std::printf("capture with preview: %.1f s wall, %.2f s CPU = %.1f %% of one core; %d preview pictures, "
                "file %.1f MB\n",
                withCapture.wall, withCapture.cpu, withCapture.percent(), capture.framesShown(),
                QFileInfo(file).size() / 1e6);
    if (alone.wall > 0) {
        std::printf("source alone:         %.1f s wall, %.2f s CPU = %.1f %% of one core\n", alone.wall, alone.cpu,
                    alone.percent());
        std::printf("capture work:         %.1f %% of one core\n", withCapture.percent() - alone.percent());
    }
    std::printf("goal: capture with preview under 40 %% of one core\n");
    return 0;
}
