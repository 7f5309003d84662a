// Benchmarks of the start-up path: loading all preset lists from a full settings file, and the
// whole start-up from creating the program to the idle window, on the offscreen platform.
#include "TestProgram.h"
#include "app/PresetLists.h"
#include "platform/Settings.h"
#include "ui/ComboLists.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

// Every key of the vocabulary present, with values of realistic length.
QString fullSettings() {
    QString text = QStringLiteral("[biaoti]\nbiaoti1=某某市烟草专卖局询问笔录\n[fengge]\nfengge=1\n[pop]\ntanchu=0\n"
                                  "[biludidian]\ndidian1=Kelmar市\ndidian2=吉林省Kelmar市\n");
    text += QStringLiteral("[Set1]\n");
    for (int n = 1; n <= 25; ++n)
        text += QStringLiteral("didian%1=第%1稽查中队询问室\n").arg(n);
    text += QStringLiteral("[Set2]\n");
    for (int n = 1; n <= 25; ++n)
        text += QStringLiteral("huji%1=第%1街道办事处\n").arg(n);
    for (int section = 1; section <= 3; ++section) {
        text += QStringLiteral("[name%1]\n").arg(section);
        for (int n = 1; n <= 10; ++n)
            text += QStringLiteral("name%1=执法人员%2号\n").arg(n).arg(section * 10 + n);
    }
    for (int line = 1; line <= 24; ++line) {
        text += QStringLiteral("[wenti%1]\n").arg(line);
        for (int n = 1; n <= 10; ++n)
            text += QStringLiteral("wenti%1=问：请你如实说明第%2个情况的经过，包括时间、地点和在场人员？\n")
                        .arg(n)
                        .arg(line);
        text += QStringLiteral("[daan%1]\n").arg(line);
        for (int n = 1; n <= 8; ++n)
            text += QStringLiteral("daan%1=答：情况属实，当时我在店里，具体经过如下所述。\n").arg(n);
    }
    text += QStringLiteral("[fenye]\nhang1=被询问人签名：\nhang2=询问人签名：\n[close]\ncontrol=off\nurl=\n");
    return text;
}

void resetLists(MainWindow& w) {
    for (QComboBox* box : w.findChildren<QComboBox*>())
        combolists::clearItems(box);
}

void LoadPresetListsFull(benchmark::State& state) {
    TestProgram p;
    p.env.writeSettings(fullSettings());
    for (auto _ : state) {
        state.PauseTiming();
        resetLists(p.w());
        state.ResumeTiming();
        LoadPresetLists(p.w(), p.env.programDir());
    }
    state.counters["items_in_组合框2"] = p.w().组合框2->count();
}
BENCHMARK(LoadPresetListsFull)->Unit(benchmark::kMillisecond);

void StartupToIdleWindow(benchmark::State& state) {
    for (auto _ : state) {
        TestProgram p;
        p.env.writeSettings(fullSettings());
        if (!p.start())
            state.SkipWithError("start-up refused");
        QApplication::processEvents();
        benchmark::DoNotOptimize(p.w().isVisible());
    }
}
BENCHMARK(StartupToIdleWindow)->Unit(benchmark::kMillisecond);

} // namespace
