// Time of composing a 24-pair transcript whose answers take four printed lines each and laying it
// out on pages (goal: under 5 ms), template write included.
#include "TestRecords.h"

#include "transcript/ComposeTranscript.h"
#include "transcript/TemplateFile.h"
#include "transcript/word/DocWriter.h"
#include "transcript/word/NativeDocumentWriter.h"
#include "transcript/word/PageLayout.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_ComposeAndLayOutFourLineAnswers(benchmark::State& state) {
    QTemporaryDir dir;
    const transcript::CompositionInput in{dir.path(), word::blankDocumentBytes(), [](const QString& key) {
                                              return key == "hang1" ? QStringLiteral("被询问人签名：")
                                                                    : QStringLiteral("询问人签名：");
                                          }};
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
        transcript::TemplateSave save;
        if (!transcript::ComposeTranscript(writer, r, in, save).ok || !durable::writeFile(save.path(), save.bytes())) {
            state.SkipWithError("the composition failed");
            return;
        }
        pages = word::layOutPages(*writer.document()).size();
    }
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_ComposeAndLayOutFourLineAnswers)->Unit(benchmark::kMillisecond);

} // namespace
