// The hand-over bundle of an inquiry with a 1 GB capture: how long the export takes and how much
// memory it needs above the program's idle state, which stays flat because files are streamed.
//   bench_export [--benchmark_filter=...]      (QUILLON_BENCH_CAPTURE_MB sets another size)
#include "ProcessMemory.h"

#include "archive/Bundle.h"
#include "platform/Fingerprint.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using bench::memoryMb;
using bench::resetPeak;

void ExportWithLargeCapture(benchmark::State& state) {
    const qint64 megabytes = qEnvironmentVariableIntValue("QUILLON_BENCH_CAPTURE_MB") > 0
                                 ? qEnvironmentVariableIntValue("QUILLON_BENCH_CAPTURE_MB")
                                 : 1024;
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("BL"));
    archive::BundleRequest request;
    request.inquiry = QStringLiteral("2013.2.3-宏达公司-王伟");
    request.templatePath = dir.filePath("BL/" + request.inquiry + ".ini");
    QFile templateFile(request.templatePath);
    templateFile.open(QIODevice::WriteOnly);
    templateFile.write("[set]\r\nnum1=2013\r\n");
    templateFile.close();
    const QString capture = dir.filePath("BL/2013年2月3日9时30分.avi");
    {
        // Video does not compress: random bytes, written a piece at a time.
        QFile file(capture);
        file.open(QIODevice::WriteOnly);
        QByteArray piece(8 << 20, Qt::Uninitialized);
        for (qint64 written = 0; written < megabytes << 20; written += piece.size()) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(piece.data()), piece.size() / 4);
            file.write(piece);
        }
    }
    if (const durable::Result written = fingerprint::write(capture); !written) {
        state.SkipWithError(("the capture's fingerprint: " + written.text()).toStdString().c_str());
        return;
    }
    request.captures << capture;
    request.target = dir.filePath("移交包.zip");
    const double idle = memoryMb("VmRSS:");
    resetPeak();
    for (auto _ : state) {
        archive::BundleProgress progress;
        const archive::BundleResult result = archive::writeBundle(request, progress, [] { return false; });
        if (!result.ok)
            state.SkipWithError(result.error.toStdString().c_str());
    }
    state.counters["capture_MB"] = double(megabytes);
    state.counters["bundle_MB"] = QFileInfo(request.target).size() / 1048576.0;
    state.counters["peak_MB_above_idle"] = memoryMb("VmHWM:") - idle;
}
BENCHMARK(ExportWithLargeCapture)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
