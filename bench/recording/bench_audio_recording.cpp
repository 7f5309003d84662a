// One hour, then two, recorded through the real window from audiotestsrc as fast as the pipeline runs
// (no real-time clock): the whole process's peak memory against the idle program, and the time of
// "停止保存" from the click to its status text, with the file saved on the same filesystem.
#include "TestProgram.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

namespace {

constexpr qint64 OneHourBytes = 3600LL * 16000;

// A field in kB of /proc/self/status: "VmRSS", "VmHWM".
qint64 statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Lets the peak resident size start again from the present one (Linux 4.0 and later).
bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

double mb(qint64 kb) {
    return double(kb) / 1024.0;
}

// Records `hours` hours and saves them; false when something failed.
bool recordAndSave(TestProgram& p, int hours) {
    qputenv("QUILLON_AUDIO_SOURCE", QStringLiteral("audiotestsrc is-live=false wave=sine samplesperbuffer=1000 "
                                                   "num-buffers=%1 ! audio/x-raw,rate=8000,channels=1")
                                        .arg(28800 * hours)
                                        .toUtf8());
    AudioRecorder& recorder = p.program.components().录音1;
    const qint64 idleKb = statusKb("VmRSS");
    if (!resetPeak()) {
        std::fprintf(stderr, "cannot reset the peak resident size\n");
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    p.w().按钮录音->click();
    if (!recorder.isCapturing()) {
        std::fprintf(stderr, "recording did not start: %s\n", qPrintable(p.env.dialogs.messageTexts().join(' ')));
        return false;
    }
    const qint64 bytes = OneHourBytes * hours;
    const QDeadlineTimer limit(30 * 60 * 1000);
    while (recorder.recordedBytes() < bytes && !limit.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    const qint64 recordMs = clock.elapsed();
    if (recorder.recordedBytes() != bytes) {
        std::fprintf(stderr, "recorded %lld bytes instead of %lld\n", recorder.recordedBytes(), bytes);
        return false;
    }

    const QString path = p.env.programDir() + QStringLiteral("/%1h.wav").arg(hours);
    p.env.dialogs.chooseNext(path);
    clock.restart();
    p.w().按钮4->click();
    const qint64 saveMs = clock.elapsed();
    const qint64 peakKb = statusKb("VmHWM");
    if (p.w().statusText() != QStringLiteral("笔录.录音保存成功...")) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(p.env.dialogs.messageTexts().join(' ')));
        return false;
    }
    std::printf("%d h (%.1f MB of samples) recorded in %.1f s; file %.1f MB\n", hours, double(bytes) / 1e6,
                recordMs / 1000.0, double(QFileInfo(path).size()) / 1e6);
    std::printf("  idle program %.1f MB resident; peak while recording and saving %.1f MB: +%.1f MB "
                "(goal: at most 10 MB)\n",
                mb(idleKb), mb(peakKb), mb(peakKb - idleKb));
    std::printf("  停止保存, click to status text, fingerprint included: %lld ms (goal: under 200 ms)\n", saveMs);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    TestProgram p;
    if (!p.start()) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    QCoreApplication::processEvents();
    return recordAndSave(p, 1) && recordAndSave(p, 2) ? 0 : 1;
}
