// What a screen reader meets in the real windows: every control it can reach by the keyboard
// announces a name of its own, and captions that label one field are related to it.
#include "TestProgram.h"
#include "ui/PasswordEntryWindow.h"
#include "ui/PasswordSetWindow.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

struct Reachable {
    QString name;
    QWidget* control;
};

// The keyboard-reachable controls of a window, as the accessibility tree presents them. The lists
// that open from combo boxes are windows of their own, and their items are not controls.
void collect(QAccessibleInterface* node, const QWidget& window, QList<Reachable>& found) {
    if (!node || !node->isValid())
        return;
    auto* widget = qobject_cast<QWidget*>(node->object());
    if (widget && widget->window() != &window)
        return;
    if (widget && node->state().focusable)
        found << Reachable{node->text(QAccessible::Name), widget};
    for (int i = 0; i < node->childCount(); ++i)
        collect(node->child(i), window, found);
}

// Checks every reachable control of the window and answers how many there were.
qsizetype expectNamedAndDistinct(QWidget& window) {
    QList<Reachable> found;
    collect(QAccessible::queryAccessibleInterface(&window), window, found);
    QSet<QString> names;
    for (const Reachable& r : found) {
        SCOPED_TRACE(qPrintable(r.control->objectName() + " in " + window.objectName()));
        EXPECT_FALSE(r.name.trimmed().isEmpty()) << "a control without a name";
        // An editable combo box types into its own line edit, which speaks with the box's name.
        if (auto* box = qobject_cast<QComboBox*>(r.control->parentWidget()); box && box->lineEdit() == r.control) {
            EXPECT_EQ(r.name, box->accessibleName());
            continue;
        }
        EXPECT_FALSE(names.contains(r.name)) << "named like another control: " << qPrintable(r.name);
        names << r.name;
    }
    return found.size();
}

bool labelledBy(QWidget* field, QLabel* caption) {
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(field);
    for (const auto& [other, relation] : node->relations(QAccessible::Label))
        if (other->object() == caption)
            return true;
    return false;
}

} // namespace

TEST(Accessibility, EveryReachableControlHasANameOfItsOwn) {
    TestProgram p;
    MainWindow& w = p.w();
    // At least the form's edit boxes, its combo boxes and the 48 lines with their line edits, the
    // recording, FTP and remarks panels, the text viewer and the page buttons.
    EXPECT_GE(expectNamedAndDistinct(w), 17 + 2 * (7 + 48) + 7 + 4 + 1 + 3 + 3);
    EXPECT_EQ(w.编辑框9->accessibleName(), "被询问人姓名");
    EXPECT_EQ(w.组合框1->accessibleName(), "性别");
    EXPECT_EQ(w.组合框4->accessibleName(), "问1");
    EXPECT_EQ(w.组合框5->accessibleName(), "答1");
    EXPECT_EQ(w.组合框38->accessibleName(), "答24");
    EXPECT_TRUE(labelledBy(w.编辑框20, w.标签16));
    EXPECT_TRUE(labelledBy(w.编辑框22, w.标签18));
    EXPECT_TRUE(labelledBy(w.超级编辑框2, w.标签15));

    PasswordEntryWindow entry;
    EXPECT_EQ(expectNamedAndDistinct(entry), 2);
    EXPECT_TRUE(labelledBy(entry.编辑框1, entry.标签1));
    entry.编辑框2->setText("stored");
    EXPECT_NE(QAccessible::queryAccessibleInterface(entry.编辑框2)->text(QAccessible::Value), "stored");

    PasswordSetWindow set;
    EXPECT_EQ(expectNamedAndDistinct(set), 3);

    // 笔录档案: the search, the date range, the list, the commands, the chosen inquiry's files and
    // custody entries, and the window's own buttons.
    EXPECT_GE(expectNamedAndDistinct(p.program.components().archiveWindow), 16);
    // 核对笔录: the list of problems and the window's buttons.
    EXPECT_GE(expectNamedAndDistinct(p.program.components().checkWindow), 3);
    // 录像播放: pause and go on, the position, close.
    EXPECT_EQ(expectNamedAndDistinct(p.program.components().videoPlayerWindow), 3);
}
