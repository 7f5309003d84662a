#include "transcript/ReadAlongCommands.h"

#include "transcript/FormBinding.h"
#include "transcript/ReadAlong.h"
#include "transcript/ReadBackCommands.h"

#include "platform/Services.h"
#include "platform/SettingKeys.h"
#include "platform/Settings.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"
#include "ui/ReadAlongWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>

#include <optional>

namespace {

struct Typing {
    std::optional<record::Key> field;
    qsizetype cursor = 0;
};

// The field that has the focus, and where its cursor is.
Typing typingIn(MainWindow& w) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return {};
    for (const record::Field& field : record::kFields) {
        QWidget* control = transcript::fieldControl(w, field);
        if (control != focus && !control->isAncestorOf(focus))
            continue;
        if (auto* text = qobject_cast<QTextEdit*>(control))
            return {field.key, text->textCursor().position()};
        auto* edit = qobject_cast<QLineEdit*>(control);
        if (auto* combo = qobject_cast<QComboBox*>(control))
            edit = combo->lineEdit();
        return {field.key, edit ? edit->cursorPosition() : 0};
    }
    return {};
}

} // namespace

void ToggleReadAlong(MainWindow& w, Services& s, const transcript::ReadBackState& readBack, ReadAlongWindow& window) {
    if (window.isVisible()) {
        window.hide();
    } else {
        window.showOnScreens();
        UpdateReadAlong(w, s, readBack, window);
    }
}

void UpdateReadAlong(MainWindow& w, Services& s, const transcript::ReadBackState& readBack, ReadAlongWindow& window) {
    if (!window.isVisible())
        return;
    record::TranscriptRecord r = transcript::readForm(w);
    const QString programDir = s.programDir;
    const auto footerLine = [&](const QString& key) {
        return ReadSetting(programDir, QLatin1String(setting::kFooterSection), key);
    };
    const transcript::ComposedText composed = transcript::composedText(std::move(r), footerLine);
    // What was read back is printed with today's signature lines, so that only the form's changes show.
    std::optional<transcript::ReadBackLines> readBackLines;
    if (!readBack.inquiry.isEmpty() && readBack.record.readBack)
        readBackLines = transcript::ReadBackLines{
            transcript::printedLines(transcript::composedText(readBack.record.readBack->values, footerLine)),
            {footerLine(QLatin1String(setting::FooterLine1.key)), footerLine(QLatin1String(setting::FooterLine2.key))}};
    const Typing typing = typingIn(w);
    const transcript::ReadAlongPage page =
        transcript::readAlongPage(composed, typing.field, typing.cursor, readBackLines);
    window.showPage(transcript::pageHeading(page), page.lines, page.currentLine, page.changedLines);
}

void ToggleReadAlongBlank(FormState& form, ReadAlongWindow& window) {
    window.setBlank(!window.isBlank());
    form.status = window.isBlank() ? QStringLiteral("被询问人核对已黑屏，再按F12恢复显示。")
                                   : QStringLiteral("被询问人核对已恢复显示。");
}

void EnlargeReadAlong(ReadAlongWindow& window) {
    window.enlarge();
}

void ReduceReadAlong(ReadAlongWindow& window) {
    window.reduce();
}

void FollowScreens(ReadAlongWindow& window) {
    if (window.isVisible())
        window.showOnScreens();
}

namespace transcript {

void watchFormChanges(MainWindow& w, const std::function<void()>& changed) {
    for (const record::Field& field : record::kFields) {
        QWidget* control = fieldControl(w, field);
        if (auto* text = qobject_cast<QTextEdit*>(control)) {
            QObject::connect(text, &QTextEdit::textChanged, &w, changed);
            QObject::connect(text, &QTextEdit::cursorPositionChanged, &w, changed);
            continue;
        }
        auto* edit = qobject_cast<QLineEdit*>(control);
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            edit = combo->lineEdit();
            QObject::connect(combo, &QComboBox::currentTextChanged, &w, changed);
        }
        if (edit) {
            QObject::connect(edit, &QLineEdit::textChanged, &w, changed);
            QObject::connect(edit, &QLineEdit::cursorPositionChanged, &w, changed);
        }
    }
    QObject::connect(qApp, &QApplication::focusChanged, &w, changed);
}

} // namespace transcript
