// The save: the checks before the composition, and the save, close and quit after it; the steps the
// print commands share.
#include "transcript/TranscriptCommands.h"

#include "transcript/ComposeTranscript.h"
#include "transcript/FieldNames.h"
#include "transcript/TemplateFile.h"
#include "transcript/TranscriptSave.h"
#include "transcript/WordEngine.h"

#include "platform/Dialogs.h"

#include <QFileInfo>

namespace transcript {

bool formComplete(const record::TranscriptRecord& r, Dialogs& dialogs, const QString& workUnitText) {
    if (r[field::WorkUnit].isEmpty()) {
        dialogs.message(texts::kHint, workUnitText);
        return false;
    }
    if (r[field::EndHour].isEmpty() || r[field::EndMinute].isEmpty()) {
        dialogs.message(texts::kHint, texts::kEndTimeMissing);
        return false;
    }
    return true;
}

bool report(const Outcome& outcome, Dialogs& dialogs) {
    if (!outcome.ok)
        dialogs.message(outcome.caption, outcome.text);
    return outcome.ok;
}

Session::Session(WordEngine& engine) : m_writer(engine.createWriter()) {}

Session::~Session() {
    m_writer->close();
    m_writer->quit();
}

bool compose(Session& session, record::TranscriptRecord& r, CommandEnv& env, TemplateSave& templateSave) {
    return report(ComposeTranscript(session.writer(), r, {env.programDir, env.engine.blankDocument(), env.footerLine},
                                    templateSave),
                  env.dialogs);
}

std::optional<SaveResult> saveTranscript(record::TranscriptRecord& r, CommandEnv& env, const SaveOptions& options) {
    const QString caption = QStringLiteral("无法保存笔录为Word文档：");
    if (!env.findWord()) {
        env.dialogs.message(caption, texts::kNoWord);
        return std::nullopt;
    }
    if (!formComplete(r, env.dialogs, QStringLiteral(" 笔录没有录入完成，工作单位等资料都没有添写. ")))
        return std::nullopt;

    QString path;
    bool replaced = false;
    bool complete = true;
    {
        TemplateSave templateSave;
        Session session(env.engine);
        if (!compose(session, r, env, templateSave))
            return std::nullopt;
        path = options.documentPath.isEmpty() ? documentPath(env.programDir, r) : options.documentPath;
        TranscriptSave save(caption, path, templateSave.path(), env.journal, options.recordAs);
        if (!report(save.begin(), env.dialogs))
            return std::nullopt;
        // The template pairs with its document: only a Yes replaces either. A No, or a box ended by
        // the program's end, leaves both earlier files as they were.
        replaced = !save.documentExists() || env.dialogs.message(texts::kHint, texts::kOverwrite,
                                                                 Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes;
        if (replaced) {
            if (!report(save.stageDocument(session.writer()), env.dialogs) ||
                !report(save.stageTemplate(templateSave.bytes()), env.dialogs) || !report(save.commit(), env.dialogs))
                return std::nullopt;
            complete = !options.afterSave || options.afterSave(session.writer());
        } else {
            save.decline();
        }
    }
    if (options.preview && env.dialogs.message(texts::kHint, QStringLiteral(" 是 否 对 此 笔 录 文 件 进 行 预 览？ "),
                                               Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes)
        options.preview(path);
    if (!replaced)
        return SaveResult{kNothingReplaced, false, complete};
    // The folder the document went to: BL, or the one the command line was given.
    return SaveResult{QStringLiteral("笔录WORD文件以经保存在 <%1/目录中> ").arg(QFileInfo(path).path()), true,
                      complete};
}

} // namespace transcript
