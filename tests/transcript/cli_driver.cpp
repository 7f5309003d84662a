// The command line on its own, as the quillon executable runs it before any window exists.
#include "transcript/CommandLine.h"

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return transcript::runCommandLine(args);
}
