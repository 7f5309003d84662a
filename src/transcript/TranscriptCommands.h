// The save and print work shared by the menu commands and the command line: every check, message and
// status text, on a record instead of the form.
#pragma once

#include "transcript/Outcome.h"
#include "transcript/TranscriptRecord.h"
#include "transcript/word/DocumentWriter.h"

#include <QString>

#include <functional>
#include <optional>

class Dialogs;
class Shell;

namespace transcript {

class WordEngine;

struct CommandEnv {
    Dialogs& dialogs;
    Shell& shell;
    WordEngine& engine;
    QString programDir;
    // Reads a key of section fenye of set.ini afresh.
    std::function<QString(const QString& key)> footerLine;
    // FindWord: whether a document writer can work (the window shows its name in 编辑框19).
    std::function<bool()> findWord;
};

// The texts the commands share.
namespace texts {
inline const QString kNoWord = QStringLiteral("电 脑 没 有 安 装 WORD 办 公 软 件.");
inline const QString kHint = QStringLiteral("提 示：");
inline const QString kOverwrite = QStringLiteral(" 文件以经存在，是否覆盖老文件？ ");
inline const QString kEndTimeMissing = QStringLiteral(" 笔录结束时间没有添写！ ");
} // namespace texts

struct SaveOptions {
    // Where the document goes; empty: the transcript's document path in the BL directory.
    QString documentPath;
    // Asks " 是 否 对 此 笔 录 文 件 进 行 预 览？ " and runs this on Yes; not asked when empty.
    std::function<void(const QString& path)> preview;
    // Runs on the composed document once the transcript is saved; false when it failed (and was
    // reported).
    std::function<bool(word::DocumentWriter& writer)> afterSave;
};

// The status text when the user did not let the save replace the earlier document.
inline const QString kNothingReplaced = QStringLiteral("笔录没有保存：原有的笔录WORD文件和模板都没有替换 ");

// A save that was not refused and did not fail.
struct SaveResult {
    QString status; // the status text to leave
    // The document, the template and their fingerprints were replaced; false when the user said No
    // to the overwrite question, and every earlier file stayed as it was.
    bool saved = true;
    // afterSave, if any, did its work; a failure has been told.
    bool complete = true;
};

// "保存(笔录及模板)": checks, composition, save of the document, the template and their fingerprints
// as one (asking before an overwrite), close, quit, preview. Nothing when refused or failed (the
// user has been told why).
std::optional<SaveResult> saveTranscript(record::TranscriptRecord& r, CommandEnv& env,
                                         const SaveOptions& options = {});

// Printing the current transcript: checks, composition, template and its fingerprint saved as one,
// print, close, quit.
std::optional<QString> printTranscript(record::TranscriptRecord& r, CommandEnv& env,
                                       const word::PrintTarget& target = {});

// Printing a chosen file, from the writer check on: the "doc" check on the path, then the print.
std::optional<QString> printChosenFile(const QString& path, CommandEnv& env, const word::PrintTarget& target = {});

// The status text a print that did not happen leaves, so that an earlier success no longer shows.
inline const QString kPrintFailed = QStringLiteral("打 印 没 有 成 功！");

enum class PrintResult { Printed, HandedToOfficeSuite, Failed };

// Prints a file: first the printer is checked, then the writer opens, prints, closes and quits. A
// document the writer cannot read but an office suite prints (a compound file, RTF, text) is
// turned into PDF by an installed suite and that is printed. A failure is reported under the
// caption.
PrintResult printFile(const QString& path, CommandEnv& env, const QString& caption,
                      const word::PrintTarget& target = {});
// The status text for a file an office suite prepared for printing.
inline const QString kHandedToOfficeSuite = QStringLiteral("笔录文件已交给办公软件打印... ");

} // namespace transcript
