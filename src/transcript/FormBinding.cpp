// The form binding: each field's control found by its designer name.
#include "transcript/FormBinding.h"

#include "transcript/InquiryCheck.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>

#include <memory>

namespace transcript {
namespace {

// A long line is shown from its start, so that its "问：" or "答：" stays in sight: setting a text
// leaves the cursor, and with it the view, at the text's end.
void showFromStart(QWidget* control) {
    auto* edit = qobject_cast<QLineEdit*>(control);
    if (auto* combo = qobject_cast<QComboBox*>(control))
        edit = combo->lineEdit();
    if (edit)
        edit->setCursorPosition(0);
}

} // namespace

QWidget* fieldControl(MainWindow& w, const record::Field& field) {
    const QString name = QString::fromUtf8(field.control.data(), qsizetype(field.control.size()));
    QWidget* control = w.findChild<QWidget*>(name);
    Q_ASSERT_X(control, "fieldControl", "a control of the field table is missing from the window");
    return control;
}

QString controlText(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (const auto* text = qobject_cast<const QTextEdit*>(control))
        return text->toPlainText();
    return {};
}

void setControlText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setEditText(text);
    else if (auto* box = qobject_cast<QTextEdit*>(control))
        box->setPlainText(text);
}

record::TranscriptRecord readForm(MainWindow& w) {
    record::TranscriptRecord r;
    for (std::size_t i = 0; i < record::kFields.size(); ++i)
        r.values[i] = controlText(fieldControl(w, record::kFields[i]));
    return r;
}

void fillForm(MainWindow& w, const record::TranscriptRecord& r) {
    for (const std::size_t i : record::kReadOrder) {
        QWidget* control = fieldControl(w, record::kFields[i]);
        setControlText(control, r.values[i]);
        showFromStart(control);
    }
}

void watchLinesBegun(MainWindow& w, const std::function<void(const QString& line)>& begun) {
    const auto watch = [&](const record::Field& field, const QString& line, const QString& prompt) {
        QLineEdit* edit = qobject_cast<QComboBox*>(fieldControl(w, field))->lineEdit();
        // A line is blank while it holds no more than the "问：" or "答：" the form starts it with.
        // Setting a text clears the modified flag and typing sets it, so only the officer's own
        // typing begins a line.
        auto wasBlank = std::make_shared<bool>(check::lineText(edit->text(), prompt).isEmpty());
        QObject::connect(edit, &QLineEdit::textChanged, edit,
                         [edit, line, prompt, begun, wasBlank](const QString& text) {
                             const bool blank = check::lineText(text, prompt).isEmpty();
                             if (*wasBlank && !blank && edit->isModified())
                                 begun(line);
                             *wasBlank = blank;
                         });
    };
    for (int pair = 1; pair <= record::kPairs; ++pair) {
        watch(record::question(pair), QStringLiteral("问%1").arg(pair), QStringLiteral("问："));
        watch(record::answer(pair), QStringLiteral("答%1").arg(pair), QStringLiteral("答："));
    }
}

} // namespace transcript
