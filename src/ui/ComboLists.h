// Editable combo boxes as the form uses them: a typed text plus a list that never changes the text
// on its own.
#pragma once

#include <QString>

class QComboBox;
class QWidget;

namespace combolists {

// An editable box that neither completes typed text nor adds it to the list.
QComboBox* makeEditable(QWidget* parent);
// Inserts an item into the list without touching the text in the edit field.
void insertItem(QComboBox* box, int position, const QString& item);
// Empties the list; the text in the edit field stays.
void clearItems(QComboBox* box);
QStringList items(const QComboBox* box);

} // namespace combolists
