// The save and print handlers: the form read into a record, the shared work, the result on the form.
#include "transcript/WordCommands.h"

#include "transcript/FormBinding.h"
#include "transcript/InquiryReview.h"
#include "transcript/Preview.h"
#include "transcript/ReadBackCommands.h"
#include "transcript/TranscriptPrint.h"
#include "transcript/WordEngine.h"

#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "platform/Settings.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QLineEdit>

using namespace transcript;

namespace {

CommandEnv environment(Services& s, WordEngine& engine) {
    return {s.dialogs,
            engine,
            s.programDir,
            [dir = s.programDir](const QString& key) {
                return ReadSetting(dir, QLatin1String(setting::kFooterSection), key);
            },
            [&engine] { return FindWord(engine); },
            s.journal};
}

// The composition cleans the fields (line breaks become spaces); the form shows what the files hold.
void showCleanedFields(MainWindow& w, const record::TranscriptRecord& r) {
    for (std::size_t i = 0; i < record::kFields.size(); ++i) {
        QWidget* control = fieldControl(w, record::kFields[i]);
        if (controlText(control) != r.values[i])
            setControlText(control, r.values[i]);
    }
}

} // namespace

bool FindWord(WordEngine& engine) {
    return !engine.location().isEmpty();
}

void SaveWordDocument(MainWindow& w, Services& s, FormState& form, WordEngine& engine, CheckWindow& cw,
                      check::ContextSource& context, ReadBackState& readBack) {
    NoteCorrections(w, s, readBack);
    if (!ReviewBeforeSigning(w, s, cw, context, Signing::Save))
        return;
    CommandEnv env = environment(s, engine);
    record::TranscriptRecord r = readForm(w);
    SaveOptions options;
    options.preview = [&](const QString& path) { PreviewDocument(w, s, engine, path); };
    const std::optional<SaveResult> saved = saveTranscript(r, env, options);
    showCleanedFields(w, r);
    if (saved)
        form.status = saved->status;
    if (saved && saved->saved)
        CarryReadBack(w, s, readBack);
}

void PrintTranscript(MainWindow& w, Services& s, FormState& form, WordEngine& engine, CheckWindow& cw,
                     check::ContextSource& context, ReadBackState& readBack) {
    if (s.dialogs.message(QStringLiteral("打印提示："), QStringLiteral(" 是/否 打 印 当 前 笔 录 内 容 ？ \r\n"),
                          Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes) {
        // Only the current transcript is checked: a chosen document is already what it is.
        if (ReviewBeforeSigning(w, s, cw, context, Signing::Print))
            PrintCurrentTranscript(w, s, form, engine, readBack);
    } else
        PrintChosenDocument(w, s, form, engine);
}

void PrintCurrentTranscript(MainWindow& w, Services& s, FormState& form, WordEngine& engine, ReadBackState& readBack) {
    NoteCorrections(w, s, readBack);
    CommandEnv env = environment(s, engine);
    record::TranscriptRecord r = readForm(w);
    const std::optional<CorrectionPage> page = correctionPageFor(readBack, r, env);
    std::function<void(word::DocumentWriter&)> addPages;
    if (page)
        addPages = [&page](word::DocumentWriter& writer) { readback::typeInto(writer, page->page); };
    const std::optional<QString> status = printTranscript(r, env, {}, addPages);
    showCleanedFields(w, r);
    form.status = status.value_or(kPrintFailed);
    if (!status)
        return;
    CarryReadBack(w, s, readBack);
    if (page)
        KeepCorrectionPage(s, readBack, *page);
}

void PrintChosenDocument(MainWindow& w, Services& s, FormState& form, WordEngine& engine) {
    const QString path = s.dialogs.openFile(w.通用对话框3);
    if (path.isEmpty()) {
        s.dialogs.message(QStringLiteral("错误："),
                          QStringLiteral("没有选择正确的笔录文件！笔录WORD文件保存在 <%1/> 目录中。")
                              .arg(programdir::blDir(s.programDir)));
        return;
    }
    PrintDocumentFile(s, form, engine, path);
}

void PrintDocumentFile(Services& s, FormState& form, WordEngine& engine, const QString& path) {
    CommandEnv env = environment(s, engine);
    // A print that did not happen replaces an earlier success.
    form.status = printChosenFile(path, env, s.shell).value_or(kPrintFailed);
}

void PrintViewerDocument(MainWindow& w, Services& s, FormState& form, WordEngine& engine) {
    const QString caption = QStringLiteral("无 法 打 印：");
    PrintResult result = PrintResult::Failed;
    if (FindWord(engine)) {
        CommandEnv env = environment(s, engine);
        result = printFile(form.viewedFile, env, s.shell, caption);
    } else {
        s.dialogs.message(caption, texts::kNoWord);
    }
    switch (result) {
    case PrintResult::Printed:
        w.setStatusText(QStringLiteral("打印成功..."));
        break;
    case PrintResult::HandedToOfficeSuite:
        w.setStatusText(kHandedToOfficeSuite);
        break;
    case PrintResult::Failed:
        // A print that did not happen replaces an earlier success, also in the message box the
        // status line is rendered from every second.
        form.status = kPrintFailed;
        w.setStatusText(kPrintFailed);
        break;
    }
}
