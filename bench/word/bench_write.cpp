// Time to write the full 24-pair transcript (about 60 paragraphs, 300 runs) as a .doc file in
// memory, and to lay it out on pages.
#include "DocWriter.h"
#include "NativeDocumentWriter.h"
#include "PageLayout.h"
#include "SampleTranscript.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

word::Document transcript() {
    word::NativeDocumentWriter writer;
    writer.start();
    writer.connect();
    const QString path = QDir::temp().filePath("bench_word_blank.doc");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(word::blankDocumentBytes());
    file.close();
    writer.open(path);
    QFile::remove(path);
    word::sample::typeTranscript(writer);
    return *writer.document();
}

void writeTranscript(benchmark::State& state) {
    const word::Document document = transcript();
    for (auto _ : state)
        benchmark::DoNotOptimize(word::writeDoc(document));
}
BENCHMARK(writeTranscript)->Unit(benchmark::kMillisecond);

void layOutTranscript(benchmark::State& state) {
    const word::Document document = transcript();
    for (auto _ : state)
        benchmark::DoNotOptimize(word::layOutPages(document));
}
BENCHMARK(layOutTranscript)->Unit(benchmark::kMillisecond);

} // namespace
