// Keeps the typed text of editable combo boxes independent of their lists.
#include "ComboLists.h"

#include <QComboBox>

namespace combolists {

QComboBox* makeEditable(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->setDuplicatesEnabled(true);
    box->setMaxVisibleItems(20);
    return box;
}

void insertItem(QComboBox* box, int position, const QString& item) {
    // Qt makes the first item of an empty list current, which would replace the typed text.
    const QString text = box->currentText();
    const QSignalBlocker block(box);
    box->insertItem(position, item);
    if (box->currentIndex() != -1 || box->currentText() != text) {
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

void clearItems(QComboBox* box) {
    const QString text = box->currentText();
    const QSignalBlocker block(box);
    box->clear();
    box->setEditText(text);
}

QStringList items(const QComboBox* box) {
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

} // namespace combolists
