// Time of ComposeTranscript for a full 24-pair transcript, with the native writer and with the
// logging double (the composition's own cost, template write included), and of composing and laying
// out 24 pairs of four-line answers (goal: under 5 ms).
#include "LoggingWriter.h"
#include "TestRecords.h"

#include "transcript/ComposeTranscript.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/word/NativeDocumentWriter.h"
#include "transcript/word/PageLayout.h"

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
        benchmark::DoNotOptimize(transcript::ComposeTranscript(*writer, r, input(dir.path(), blank)).ok);
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
        benchmark::DoNotOptimize(transcript::ComposeTranscript(writer, r, input(dir.path(), "blank")).ok);
    }
}
BENCHMARK(BM_ComposeLogging)->Unit(benchmark::kMillisecond);

void BM_ComposeAndLayOutFourLineAnswers(benchmark::State& state) {
    transcript::NativeWordEngine engine;
    QTemporaryDir dir;
    const QByteArray blank = engine.blankDocument();
    record::TranscriptRecord full = testrecords::particulars();
    const QString answer = QStringLiteral("答：我们在二零一二年七月到工地检查，发现公司拖欠二十三名农民工的工资。"
                                          "经核实，拖欠数额共计41.6万元；公司承诺十二月十五日前付清！")
                               .repeated(2);
    for (int pair = 1; pair <= record::kPairs; ++pair) {
        full[record::question(pair).key] = testrecords::questionText(pair);
        full[record::answer(pair).key] = answer;
    }
    qsizetype pages = 0;
    for (auto _ : state) {
        record::TranscriptRecord r = full;
        word::NativeDocumentWriter writer;
        if (!transcript::ComposeTranscript(writer, r, input(dir.path(), blank)).ok) {
            state.SkipWithError("the composition failed");
            return;
        }
        pages = word::layOutPages(*writer.document()).size();
    }
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_ComposeAndLayOutFourLineAnswers)->Unit(benchmark::kMillisecond);

} // namespace
