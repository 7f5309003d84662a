// The check's handlers: the form read, checked against the archive's context, the problems shown.
#include "transcript/InquiryReview.h"

#include "transcript/FormBinding.h"
#include "transcript/InquiryCheck.h"
#include "transcript/TemplateFile.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "ui/CheckWindow.h"
#include "ui/MainWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// The question before signing names this many problems; the window lists them all.
constexpr int kProblemsAsked = 12;

QList<check::Problem> problemsOf(const record::TranscriptRecord& r, Services& s, check::ContextSource& context) {
    return check::checkInquiry(r, check::rulesOf(s.programDir),
                               context.contextOf(transcript::baseName(r), check::dayOf(r)));
}

QString lineOf(const check::Problem& problem) {
    return check::columnOf(problem.field) + QStringLiteral("：") + problem.text;
}

void showProblems(CheckWindow& cw, const record::TranscriptRecord& r, const QList<check::Problem>& problems) {
    cw.列表问题->clear();
    for (const check::Problem& problem : problems) {
        auto* item = new QListWidgetItem(lineOf(problem), cw.列表问题);
        item->setData(CheckWindow::ProblemField, int(problem.field.index()));
    }
    cw.标签核对结果->setText(problems.isEmpty()
                                 ? QStringLiteral("核对完毕，没有发现问题。")
                                 : QStringLiteral("核对发现 %1 个问题，选中一个到笔录中修改：").arg(problems.size()));
    cw.按钮填写->setEnabled(!check::fillsFromIdentity(r).isEmpty());
    cw.show();
    cw.raise();
    cw.activateWindow();
    cw.列表问题->setFocus();
}

} // namespace

void CheckTranscript(MainWindow& w, Services& s, CheckWindow& cw, check::ContextSource& context) {
    const record::TranscriptRecord r = transcript::readForm(w);
    showProblems(cw, r, problemsOf(r, s, context));
}

void FillFromIdentityNumber(MainWindow& w, Services& s, CheckWindow& cw, check::ContextSource& context) {
    for (const check::Fill& fill : check::fillsFromIdentity(transcript::readForm(w)))
        transcript::setControlText(transcript::fieldControl(w, record::kFields[fill.field.index()]), fill.value);
    CheckTranscript(w, s, cw, context);
}

bool ReviewBeforeSigning(MainWindow& w, Services& s, CheckWindow& cw, check::ContextSource& context, Signing signing) {
    if (!check::asksBeforeSigning(s.programDir))
        return true;
    const record::TranscriptRecord r = transcript::readForm(w);
    const QList<check::Problem> problems = problemsOf(r, s, context);
    if (problems.isEmpty())
        return true;
    QStringList lines;
    for (const check::Problem& problem : problems.mid(0, kProblemsAsked))
        lines << lineOf(problem);
    if (problems.size() > kProblemsAsked)
        lines << QStringLiteral("……还有 %1 个问题，见“核对(笔录)”。").arg(problems.size() - kProblemsAsked);
    const bool print = signing == Signing::Print;
    const QString text = QStringLiteral(" 笔录核对发现 %1 个问题：\n%2\n\n签字前是否返回修改？ ")
                             .arg(problems.size())
                             .arg(lines.join(u'\n'));
    if (s.dialogs.message(QStringLiteral("核对提示："), text,
                          print ? Dialogs::Buttons::ReviseOrPrint : Dialogs::Buttons::ReviseOrSave) ==
        Dialogs::Answer::Yes)
        return true;
    showProblems(cw, r, problems);
    return false;
}
