// `quillon compose` on its own, as the program's compose part runs it. With QUILLON_TEST_STOP_AT=N it
// stops itself right after the N-th step of the durable write path (a write, sync, rename, link or
// removal): killed, or only halted when QUILLON_TEST_STOP_SIGNAL=STOP, so that a test can look at
// every state a kill or a hung save leaves behind. Its journal keeps nothing: the tests read the files
// the save writes. Usage: transcript_cli_driver compose ARGUMENTS...
#include "transcript/CommandLine.h"

#include "platform/DurableFile.h"

#include <QCoreApplication>

#include <csignal>

namespace {

int g_stopAt = 0;
int g_steps = 0;
int g_signal = SIGKILL;

void countStep() {
    if (++g_steps == g_stopAt)
        std::raise(g_signal);
}

class NoJournal final : public ArchiveJournal {
public:
    void record(const JournalEvent&) override {}
};

} // namespace

int main(int argc, char** argv) {
    g_stopAt = qEnvironmentVariableIntValue("QUILLON_TEST_STOP_AT");
    if (qgetenv("QUILLON_TEST_STOP_SIGNAL") == "STOP")
        g_signal = SIGSTOP;
    if (g_stopAt > 0)
        durable::setStepHook(countStep);
    QCoreApplication app(argc, argv);
    return transcript::composeCommand(app.arguments().mid(2), [](const QString&) -> std::unique_ptr<ArchiveJournal> {
        return std::make_unique<NoJournal>();
    });
}
