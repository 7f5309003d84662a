// The small commands of the main window: page switching (also to a field the check names), the note
// panel, the viewer's close button, the exit command, the exit web page and the evidence sheet's print.
#pragma once

class CheckWindow;
class MainWindow;
class RecoverySession;
struct Components;
struct Services;
namespace archive {
class Archive;
}

void ShowSecondPage(MainWindow& w);
void ShowFirstPage(MainWindow& w);
void ToggleCaseNotePanel(MainWindow& w);
// A problem chosen in the check window: the cursor in its field, on the page that holds it.
void GoToCheckedField(MainWindow& w, CheckWindow& cw);
void CloseTextViewer(MainWindow& w);
// Closing the window or "退出": a recording or capture that would be lost is asked about first
// (save, discard, go back). True when the program may end: a clean end, after which the unsaved form
// is not offered again.
bool ConfirmProgramEnd(MainWindow& w, Services& s, Components& c);
// "退出": once ConfirmProgramEnd agrees, ends the event loop with exit code 0.
void ExitProgram(MainWindow& w, Services& s, Components& c);
// A logout or shutdown: the capture finished, the recording and the unsaved form kept in the recovery
// folder for the next start, nothing asked; the event loop ends with exit code 0.
void EndForTermination(MainWindow& w, Components& c);
// At the start: what an unclean end left in the recovery folder: interrupted captures repaired,
// unsaved recordings and the unsaved form offered; or why nothing could be looked for. Discarded
// files past their 30 days go. The form as the start-up left it is the baseline of form recovery.
void OfferRecovery(MainWindow& w, Services& s, Components& c, const RecoverySession& recovery);
// "打印证据校验单": the evidence sheet of the inquiry open in the form, on the default printer.
void PrintEvidenceSheet(Services& s, archive::Archive& archive);
// Run when the main window closes: opens the exit web page when set.ini asks for it.
void OpenExitWebPage(Services& s);
