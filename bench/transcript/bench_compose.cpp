// Time of ComposeTranscript for a full 24-pair transcript, with the native writer and with the
// logging double (the composition's own cost, template written included).
#include "LoggingWriter.h"
#include "TestRecords.h"

#include "transcript/ComposeTranscript.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/TemplateFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

record::TranscriptRecord fullRecord() {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    r["beizu"] = QStringLiteral("案件经过\r\n详细备注");
    return r;
}

transcript::CompositionInput input(const QString& dir, const QByteArray& blank) {
    return {dir, blank, [](const QString& key) {
                return key == "hang1" ? QStringLiteral("被询问人：") : QStringLiteral("询问人：");
            }};
}

void BM_ComposeNative(benchmark::State& state) {
    transcript::NativeWordEngine engine;
    if (engine.location().isEmpty()) {
        state.SkipWithError("built without the native writer");
        return;
    }
    QTemporaryDir dir;
    const QByteArray blank = engine.blankDocument();
    for (auto _ : state) {
        record::TranscriptRecord r = fullRecord();
        auto writer = engine.createWriter();
        transcript::TemplateSave save;
        benchmark::DoNotOptimize(transcript::ComposeTranscript(*writer, r, input(dir.path(), blank), save).ok);
        benchmark::DoNotOptimize(durable::writeFile(save.path(), save.bytes()).ok());
        writer->close();
        writer->quit();
    }
}
BENCHMARK(BM_ComposeNative)->Unit(benchmark::kMillisecond);

void BM_ComposeLogging(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) {
        record::TranscriptRecord r = fullRecord();
        LoggingWriter writer;
        transcript::TemplateSave save;
        benchmark::DoNotOptimize(transcript::ComposeTranscript(writer, r, input(dir.path(), "blank"), save).ok);
        benchmark::DoNotOptimize(durable::writeFile(save.path(), save.bytes()).ok());
    }
}
BENCHMARK(BM_ComposeLogging)->Unit(benchmark::kMillisecond);

} // namespace
