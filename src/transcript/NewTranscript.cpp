// NewTranscript and ClearForm: what a new transcript empties, what it resets and what it keeps.
#include "transcript/NewTranscript.h"

#include "transcript/FormBinding.h"
#include "transcript/TranscriptRecord.h"

#include "platform/ArchiveJournal.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "ui/ComboLists.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>

bool NewTranscript(MainWindow& w, Services& s) {
    if (!w.编辑框14->text().isEmpty() &&
        s.dialogs.message(QStringLiteral("提 示："), QStringLiteral("你确认要新建一份新的笔录？"),
                          Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return false;
    ClearForm(w);
    s.journal.record({JournalEvent::Kind::NewTranscript, {}, {}});
    return true;
}

void ClearForm(MainWindow& w) {
    for (QLineEdit* edit : {w.编辑框1, w.编辑框2, w.编辑框3, w.编辑框4, w.编辑框5, w.编辑框6, w.编辑框7, w.编辑框9,
                            w.编辑框10, w.编辑框14, w.编辑框15, w.编辑框16})
        edit->clear();
    w.超级编辑框2->clear();

    w.编辑框8->setText(QStringLiteral("Kelmar市"));
    w.编辑框11->setText(QStringLiteral("吉林省Kelmar市"));
    w.编辑框12->setText(QStringLiteral("身份证"));

    for (QComboBox* box : {w.组合框2, w.组合框52, w.组合框53, w.组合框54, w.组合框55}) {
        combolists::clearItems(box);
        box->clearEditText();
    }

    for (int pair = 1; pair <= record::kPairs; ++pair) {
        for (const record::Field* line : {&record::question(pair), &record::answer(pair)}) {
            auto* box = qobject_cast<QComboBox*>(transcript::fieldControl(w, *line));
            combolists::clearItems(box);
            box->clearEditText();
            combolists::insertItem(box, 0,
                                   line == &record::question(pair) ? QStringLiteral("问：") : QStringLiteral("答："));
        }
    }
}
