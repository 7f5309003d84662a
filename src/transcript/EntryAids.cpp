// The entry aids: items inserted on top of the next lines' lists, the lines' texts left alone.
#include "transcript/EntryAids.h"

#include "ui/ComboLists.h"
#include "ui/MainWindow.h"

#include <QLineEdit>

void AddNameAnswer(MainWindow& w) {
    combolists::insertItem(w.组合框7, 0, QStringLiteral("答：") + w.编辑框9->text());
}

void AddWorkUnitItems(MainWindow& w) {
    const QString workUnit = w.编辑框14->text();
    combolists::insertItem(w.组合框9, 0, QStringLiteral("答：") + workUnit);
    combolists::insertItem(w.组合框10, 0, QStringLiteral("问：") + workUnit + QStringLiteral("负责人是谁？"));
}
