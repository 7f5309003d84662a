// The command line on its own, as the quillon executable runs it before any window exists; its
// journal keeps nothing, the tests read the files the commands write.
#include "transcript/CommandLine.h"

namespace {

class NoJournal final : public ArchiveJournal {
public:
    void record(const JournalEvent&) override {}
};

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return transcript::runCommandLine(
        args, [](const QString&) -> std::unique_ptr<ArchiveJournal> { return std::make_unique<NoJournal>(); });
}
