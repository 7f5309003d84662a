// Records one hour of audiotestsrc as fast as the pipeline runs (no real-time clock), then saves it:
// reports the process's peak memory against the 57.6 MB of samples, and the time to save.
#include "recording/AudioRecorder.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

constexpr qint64 OneHourBytes = 3600LL * 16000;

// A field in kB of a /proc/self file: "VmRSS", "VmHWM" of status; "Private_Dirty" of smaps_rollup.
qint64 procKb(const char* file, const char* field)
{
    QFile status(QStringLiteral("/proc/self/") + file);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

qint64 statusKb(const char* field)
{
    return procKb("status", field);
}

double mb(qint64 bytes)
{
    return double(bytes) / 1e6;
}

} // namespace

int main()
{
    // 1000 samples (2000 bytes) per buffer, 28 800 buffers: exactly one hour at 8000 Hz.
    qputenv("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=false wave=sine samplesperbuffer=1000 num-buffers=28800 "
                                    "! audio/x-raw,rate=8000,channels=1");
    const qint64 entryKb = statusKb("VmRSS");
    QTemporaryDir dir;
    AudioRecorder recorder;
    // GStreamer's own start-up is part of the baseline.
    recorder.setFormat(1, 8000, 16);

    QElapsedTimer clock;
    clock.start();
    if (!recorder.start()) {
        std::fprintf(stderr, "recording did not start: %s\n", qPrintable(recorder.lastError()));
        return 1;
    }
    const qint64 baselineKb = statusKb("VmRSS");
    QDeadlineTimer limit(10 * 60 * 1000);
    while (recorder.recordedBytes() < OneHourBytes && !limit.hasExpired())
        QThread::msleep(10);
    const qint64 recordMs = clock.elapsed();
    recorder.stop();
    if (recorder.recordedBytes() != OneHourBytes) {
        std::fprintf(stderr, "recorded %lld bytes instead of %lld\n", recorder.recordedBytes(), OneHourBytes);
        return 1;
    }

    const QString path = dir.filePath("hour.wav");
    clock.restart();
    if (!recorder.save(path, false)) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(recorder.lastError()));
        return 1;
    }
    const qint64 saveMs = clock.elapsed();
    const qint64 peakKb = statusKb("VmHWM");
    const qint64 privateKb = procKb("smaps_rollup", "Private_Dirty");

    std::printf("recorded one hour (%.1f MB of samples) in %.2f s\n", mb(OneHourBytes), recordMs / 1000.0);
    std::printf("saved %.1f MB WAV in %lld ms (goal < 1000 ms)\n", mb(QFileInfo(path).size()), saveMs);
    std::printf("resident at entry: %.1f MB; once the pipeline runs (libraries, plugins): %.1f MB\n",
                mb(entryKb * 1024), mb(baselineKb * 1024));
    std::printf("peak resident: %.1f MB = samples %.1f MB + %.1f MB (goal < 10 MB over the samples)\n",
                mb(peakKb * 1024), mb(OneHourBytes), mb(peakKb * 1024 - OneHourBytes));
    std::printf("the recording itself added %.1f MB over its samples\n",
                mb(peakKb * 1024 - baselineKb * 1024 - OneHourBytes));
    std::printf("private dirty memory after saving: %.1f MB\n", mb(privateKb * 1024));
    return 0;
}
