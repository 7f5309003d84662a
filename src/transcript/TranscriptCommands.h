// The save shared by the menu command and the command line: every check, message and status text, on
// a record instead of the form; and the steps the print commands share with it.
#pragma once

#include "transcript/Outcome.h"
#include "transcript/TranscriptRecord.h"
#include "transcript/word/DocumentWriter.h"

#include "platform/ArchiveJournal.h"

#include <QString>

#include <functional>
#include <optional>

#include <memory>

class Dialogs;

namespace transcript {

class TemplateSave;
class WordEngine;

struct CommandEnv {
    Dialogs& dialogs;
    WordEngine& engine;
    QString programDir;
    // Reads a key of section fenye of set.ini afresh.
    std::function<QString(const QString& key)> footerLine;
    // FindWord: whether a document writer can work.
    std::function<bool()> findWord;
    // Told of each save and print, before it is reported as done.
    ArchiveJournal& journal;
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
    // What the journal is told the save was: Saved, or Composed on the command line.
    JournalEvent::Kind recordAs = JournalEvent::Kind::Saved;
};

// The status text when the user did not let the save replace the earlier document.
inline const QString kNothingReplaced = QStringLiteral("笔录没有保存：原有的笔录WORD文件和模板都没有替换 ");

// A save that was not refused and did not fail.
struct [[nodiscard]] SaveResult {
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
[[nodiscard]] std::optional<SaveResult> saveTranscript(record::TranscriptRecord& r, CommandEnv& env,
                                                       const SaveOptions& options = {});

// Steps of the save and the print commands.

// The checks of the current transcript before anything is composed; the work unit's message is the
// command's own.
bool formComplete(const record::TranscriptRecord& r, Dialogs& dialogs, const QString& workUnitText);

// Tells a failed outcome in a message box; whether it succeeded.
bool report(const Outcome& outcome, Dialogs& dialogs);

// A composed document, closed and the writer quit however the command ends.
class Session {
public:
    explicit Session(WordEngine& engine);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    word::DocumentWriter& writer() { return *m_writer; }

private:
    std::unique_ptr<word::DocumentWriter> m_writer;
};

// ComposeTranscript into the session's writer with the environment's blank document and footer
// lines; a failure is told.
bool compose(Session& session, record::TranscriptRecord& r, CommandEnv& env, TemplateSave& templateSave);

} // namespace transcript
