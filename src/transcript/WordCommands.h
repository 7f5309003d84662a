// The menu commands that hand the transcript to the document writer: save, print, and print the file
// shown in the text viewer.
#pragma once

#include <QString>

class CheckWindow;
class MainWindow;
struct FormState;
struct Services;

namespace check {
class ContextSource;
}
namespace transcript {
class WordEngine;
struct ReadBackState;
} // namespace transcript

// Whether a writer can work.
bool FindWord(transcript::WordEngine& engine);
// "保存(笔录及模板)", and "打印(笔录)": each asks first when the check of the inquiry finds problems.
// After a read-back, the corrections since are noted first, and a print adds the page "更正记录".
void SaveWordDocument(MainWindow& w, Services& s, FormState& form, transcript::WordEngine& engine, CheckWindow& cw,
                      check::ContextSource& context, transcript::ReadBackState& readBack);
void PrintTranscript(MainWindow& w, Services& s, FormState& form, transcript::WordEngine& engine, CheckWindow& cw,
                     check::ContextSource& context, transcript::ReadBackState& readBack);
void PrintCurrentTranscript(MainWindow& w, Services& s, FormState& form, transcript::WordEngine& engine,
                            transcript::ReadBackState& readBack);
void PrintChosenDocument(MainWindow& w, Services& s, FormState& form, transcript::WordEngine& engine);
// Prints a document file, as a chosen one is printed.
void PrintDocumentFile(Services& s, FormState& form, transcript::WordEngine& engine, const QString& path);
// 按钮6 "打  印" below the text viewer.
void PrintViewerDocument(MainWindow& w, Services& s, FormState& form, transcript::WordEngine& engine);
