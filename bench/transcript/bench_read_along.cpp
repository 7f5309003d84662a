// The interviewee's screen "被询问人核对" in the real window on the offscreen platform: the time from
// a keystroke in an answer of the form to the screen having repainted with the new text (median and
// maximum over 200 keystrokes), on a short form and on a full one typed on its second page, before
// and after the read-back (when every keystroke also compares the printout with what was read
// back); and the memory the screen adds, opened and typed in.
#include "TestProgram.h"
#include "TestRecords.h"

#include "transcript/FormBinding.h"
#include "ui/ReadAlongWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kKeystrokes = 200;

// Counts the screen's paints, each once it is done.
struct PaintWatch : QObject {
    int painted = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        watched->event(event);
        ++painted;
        return true;
    }
};

struct Form {
    int pairs;
    int typedPair;
    bool readBack;
};

struct ReadAlongBench : TestProgram {
    explicit ReadAlongBench(const Form& form) {
        env.writeSettings(
            QStringLiteral("[pop]\ntanchu=0\n[hecha]\ntixing=0\n[fenye]\nhang1=被询问人签名：\nhang2=询问人签名：\n"));
        ok = start();
        w().show();
        w().activateWindow();
        ok = ok && QTest::qWaitForWindowActive(&w());
        record::TranscriptRecord r = testrecords::particulars();
        testrecords::fillPairs(r, 1, form.pairs);
        transcript::fillForm(w(), r);
        if (form.readBack) {
            env.dialogs.answerNext(Dialogs::Answer::No); // no preview
            w().actSaveTranscript->trigger();
            w().actReadBackDone->trigger();
            ok = ok && status().startsWith(QStringLiteral("宣读核对已记下"));
        }
        if (form.typedPair > 10)
            w().按钮1->click();
        answer = qobject_cast<QComboBox*>(transcript::fieldControl(w(), record::answer(form.typedPair)))->lineEdit();
    }
    ReadAlongWindow& readAlong() { return program.components().readAlong; }
    bool open() {
        w().actReadAlong->trigger();
        readAlong().installEventFilter(&paints);
        answer->setFocus();
        answer->end(false);
        return QTest::qWaitForWindowExposed(&readAlong()) && QTest::qWaitFor([&] { return answer->hasFocus(); });
    }
    // Milliseconds from the key event to the paint that shows its text.
    double keystroke(QChar c) {
        const QStringList before = readAlong().lines();
        const int painted = paints.painted;
        QElapsedTimer timer;
        timer.start();
        QTest::sendKeyEvent(QTest::Click, answer, Qt::Key_unknown, QString(c), Qt::NoModifier);
        while (paints.painted == painted || readAlong().lines() == before)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        return double(timer.nsecsElapsed()) / 1e6;
    }

    bool ok = false;
    QLineEdit* answer = nullptr;
    PaintWatch paints;
};

void KeystrokeToRepaint(benchmark::State& state, const Form& form) {
    for (auto _ : state) {
        ReadAlongBench b(form);
        if (!b.ok || !b.open()) {
            state.SkipWithError("the program or the read-back did not start");
            return;
        }
        const QString words = QStringLiteral("我当时在店里看见他们把货搬下车");
        std::vector<double> times;
        for (int n = 0; n < kKeystrokes; ++n)
            times.push_back(b.keystroke(words[n % words.size()]));
        std::sort(times.begin(), times.end());
        state.counters["median_ms"] = times[times.size() / 2];
        state.counters["max_ms"] = times.back();
        state.counters["marked_lines"] = double(b.readAlong().changedLines().size());
        state.counters["printed_page_at_end"] = b.readAlong().heading().section(u' ', 1, 1).toDouble();
    }
}
BENCHMARK_CAPTURE(KeystrokeToRepaint, ShortForm, Form{3, 2, false})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeystrokeToRepaint, ShortFormReadBack, Form{3, 2, true})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeystrokeToRepaint, FullFormSecondPage, Form{24, 14, false})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeystrokeToRepaint, FullFormSecondPageReadBack, Form{24, 14, true})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The resident set of the process, in kB, from /proc/self/status.
double residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble();
    return -1;
}

double heapKb() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / 1024;
}

void MemoryAdded(benchmark::State& state) {
    for (auto _ : state) {
        ReadAlongBench b(Form{24, 14, true});
        if (!b.ok) {
            state.SkipWithError("the program or the read-back did not start");
            return;
        }
        QCoreApplication::processEvents();
        const double rss = residentKb();
        const double heap = heapKb();
        if (!b.open()) {
            state.SkipWithError("the screen did not open");
            return;
        }
        state.counters["rss_opened_kB"] = residentKb() - rss;
        state.counters["heap_opened_kB"] = heapKb() - heap;
        for (int n = 0; n < kKeystrokes; ++n)
            b.keystroke(QChar(u'字'));
        state.counters["rss_typed_kB"] = residentKb() - rss;
        state.counters["heap_typed_kB"] = heapKb() - heap;
    }
}
BENCHMARK(MemoryAdded)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
