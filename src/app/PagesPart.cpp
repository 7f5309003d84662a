// The pages part: the commands that paint pages (compose with a PDF, print, the hand-over bundle with
// the PDF of its pages, the evidence sheet), on the GUI application without the window's other libraries.
#include "CommandTable.h"

#include "archive/CommandLine.h"
#include "archive/EvidenceSheetFacts.h"
#include "archive/ExportCommand.h"
#include "transcript/CommandLine.h"
#include "transcript/DocumentPdf.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/PrintCommandLine.h"
#include "transcript/SheetPage.h"
#include "transcript/word/Printing.h"

#include <QGuiApplication>

namespace {

// Fonts and printing need the GUI application, offscreen where no display is set; it takes none of
// the command's arguments.
template <typename Command> int withGuiApplication(char** argv, Command command) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int programOnly = 1;
    QGuiApplication app(programOnly, argv);
    return command();
}

std::unique_ptr<ArchiveJournal> journal(const QString& programDir) {
    return archive::consoleArchive(programDir);
}

} // namespace

extern "C" Q_DECL_EXPORT int quillon_compose(int argc, char** argv) {
    return withGuiApplication(
        argv, [&] { return transcript::composeCommand(commandArguments(argc, argv), journal, &word::pageRenderer()); });
}

extern "C" Q_DECL_EXPORT int quillon_print(int argc, char** argv) {
    return withGuiApplication(argv, [&] { return transcript::printCommand(commandArguments(argc, argv), journal); });
}

extern "C" Q_DECL_EXPORT int quillon_export(int argc, char** argv) {
    return withGuiApplication(argv, [&] {
        return archive::exportCommand(
            commandArguments(argc, argv),
            [](const QString& document, const QString& pdf, QString* error) {
                transcript::NativeWordEngine engine(&word::pageRenderer());
                return transcript::writeDocumentPdf(engine, document, pdf, error);
            },
            sheet::printSheet);
    });
}

extern "C" Q_DECL_EXPORT int quillon_sheet(int argc, char** argv) {
    return withGuiApplication(argv,
                              [&] { return archive::sheetCommand(commandArguments(argc, argv), sheet::printSheet); });
}
