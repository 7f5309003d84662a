// Measures how long the GUI event loop goes without a 10 ms timer tick while a 50 MB file is
// uploaded to and downloaded from an FTP server on 127.0.0.1 (goal: under 100 ms), and how long a
// cancelled 50 MB download takes to stop, at full speed and from a 2 KB/s server (goal: under 1 s).
#include "NetTestServer.h"
#include "net/FtpConnection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr qint64 kFileBytes = 50LL * 1024 * 1024;

struct Figures {
    qint64 maxGapMs = 0;
    qint64 ticks = 0;
    qint64 elapsedMs = 0;
    bool ok = false;
};

// Runs work on the GUI thread with a 10 ms timer repainting a label, and records the largest gap
// between two ticks.
Figures measure(QLabel& label, const std::function<bool()>& work) {
    Figures figures;
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        figures.maxGapMs = std::max(figures.maxGapMs, now - last);
        last = now;
        ++figures.ticks;
        label.setText(QString::number(figures.ticks));
        label.repaint();
    });
    clock.start();
    ticker.start(10);
    figures.ok = work();
    figures.elapsedMs = clock.elapsed();
    figures.maxGapMs = std::max(figures.maxGapMs, figures.elapsedMs - last);
    return figures;
}

void report(const QString& what, const Figures& f, qint64 bytes = 0) {
    std::printf("%-24s %s %6lld ms %5lld ticks, largest gap between ticks %4lld ms", qPrintable(what),
                f.ok ? "ok    " : "FAILED", static_cast<long long>(f.elapsedMs), static_cast<long long>(f.ticks),
                static_cast<long long>(f.maxGapMs));
    if (bytes > 0 && f.elapsedMs > 0)
        std::printf(", %.0f MB/s", bytes / 1048576.0 / (f.elapsedMs / 1000.0));
    std::printf("\n");
}

// Starts a download, cancels it after waitMs and reports how long the download took to return
// from the cancel, and whether it left a file behind.
void cancelledDownload(const QString& what, const NetTestServer& server, const QString& localPath, int waitMs) {
    QFile::remove(localPath);
    FtpConnection ftp;
    if (!ftp.connect(server.address(), QStringLiteral("bench"), QStringLiteral("pw")) ||
        !ftp.changeDirectory(QStringLiteral("wwwroot/"))) {
        std::printf("%-24s FAILED to connect: %s\n", qPrintable(what), qPrintable(ftp.lastError()));
        return;
    }
    QElapsedTimer sinceCancel;
    qint64 movedAtCancel = 0;
    QTimer::singleShot(waitMs, [&] {
        movedAtCancel = ftp.progress().moved;
        sinceCancel.start();
        ftp.cancel();
    });
    const bool finished = ftp.download(QStringLiteral("big.ini"), localPath);
    const qint64 stopMs = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
    std::printf("%-24s %s after %lld KB: stopped %lld ms after the cancel, %s\n", qPrintable(what),
                finished ? "FINISHED" : "cancelled", static_cast<long long>(movedAtCancel / 1024),
                static_cast<long long>(stopMs),
                QFileInfo::exists(localPath) ||
                        QDir(QFileInfo(localPath).path()).entryList(QDir::Files | QDir::Hidden).size() > 0
                    ? "a file was left"
                    : "no file left");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QUILLON_SOURCE_DIR"))
        qputenv("QUILLON_SOURCE_DIR", QUILLON_SOURCE_DIR);
    QApplication app(argc, argv);
    QLabel label;
    label.resize(200, 40);
    label.show();

    QTemporaryDir home;
    QTemporaryDir local;
    QDir(home.path()).mkdir(QStringLiteral("wwwroot"));
    const QString source = local.filePath(QStringLiteral("big.ini"));
    {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray block(1024 * 1024, 't');
        for (qint64 written = 0; written < kFileBytes; written += block.size())
            file.write(block);
    }
    NetTestServer server(QStringLiteral("ftp_server.py"), {home.path(), QStringLiteral("bench"), QStringLiteral("pw")});
    if (!server.isListening()) {
        std::fprintf(stderr, "the FTP server did not start: %s\n", qPrintable(server.log()));
        return 1;
    }

    FtpConnection ftp;
    report(QStringLiteral("idle event loop (1 s)"), measure(label, [] {
               QEventLoop idle;
               QTimer::singleShot(1000, &idle, &QEventLoop::quit);
               idle.exec();
               return true;
           }));
    report(QStringLiteral("connect + cwd"), measure(label, [&] {
               return ftp.connect(server.address(), QStringLiteral("bench"), QStringLiteral("pw")) &&
                      ftp.changeDirectory(QStringLiteral("wwwroot/"));
           }));
    for (int round = 1; round <= 5; ++round) {
        report(QStringLiteral("upload 50 MB #%1").arg(round),
               measure(label,
                       [&] {
                           return ftp.upload(source, QStringLiteral("big.ini")) &&
                                  QFileInfo(home.filePath(QStringLiteral("wwwroot/big.ini"))).size() == kFileBytes;
                       }),
               kFileBytes);
        report(QStringLiteral("download 50 MB #%1").arg(round),
               measure(label,
                       [&] {
                           return ftp.download(QStringLiteral("big.ini"), local.filePath(QStringLiteral("back.ini"))) &&
                                  QFileInfo(local.filePath(QStringLiteral("back.ini"))).size() == kFileBytes;
                       }),
               kFileBytes);
    }
    QTemporaryDir cancelDir;
    for (int round = 1; round <= 3; ++round)
        cancelledDownload(QStringLiteral("cancel at full speed #%1").arg(round), server,
                          cancelDir.filePath(QStringLiteral("big.ini")), 40 * round);
    NetTestServer slow(QStringLiteral("ftp_server.py"), {home.path(), QStringLiteral("bench"), QStringLiteral("pw"),
                                                         QStringLiteral("--rate"), QStringLiteral("2048")});
    for (int round = 1; round <= 3; ++round)
        cancelledDownload(QStringLiteral("cancel at 2 KB/s #%1").arg(round), slow,
                          cancelDir.filePath(QStringLiteral("big.ini")), 1500 + 300 * round);
    return 0;
}
