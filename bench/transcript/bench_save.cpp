// Wall time of "保存(笔录及模板)" for a full 24-pair transcript, from the menu click to the status
// text, on the real window with the engine the program uses.
#include "TestProgram.h"
#include "TestRecords.h"

#include "transcript/FormBinding.h"

#include <QAction>
#include <QLineEdit>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

namespace {

void BM_SaveWordDocument(benchmark::State& state) {
    TestProgram p;
    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[fenye]\nhang1=被询问人：\nhang2=询问人：\n"));
    if (!p.start()) {
        state.SkipWithError("start-up failed");
        return;
    }
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    transcript::fillForm(p.w(), r);
    bool first = true;
    for (auto _ : state) {
        p.status().clear();
        if (!first)
            p.env.dialogs.answerNext(Dialogs::Answer::Yes); // overwrite
        p.env.dialogs.answerNext(Dialogs::Answer::No);      // preview
        first = false;
        p.w().actSaveTranscript->trigger();
        if (!p.status().startsWith(QStringLiteral("笔录WORD文件以经保存在"))) {
            state.SkipWithError(p.env.dialogs.messageTexts().join(" / ").toStdString().c_str());
            return;
        }
    }
}
BENCHMARK(BM_SaveWordDocument)->Unit(benchmark::kMillisecond);

} // namespace
