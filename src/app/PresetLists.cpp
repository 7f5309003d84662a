// Loads the preset lists in their fixed order.
#include "PresetLists.h"

#include "platform/Settings.h"
#include "transcript/TranscriptRecord.h"
#include "ui/ComboLists.h"
#include "ui/MainWindow.h"

#include <QComboBox>

namespace {

enum class Empty { Insert, Skip };

// Reads keys prefix+count down to prefix+1 and inserts each at the top, so key 1 ends up first.
void loadList(QComboBox* box, const QString& programDir, const QString& section, const QString& prefix, int count,
              Empty empty)
{
    for (int n = count; n >= 1; --n) {
        const QString value = ReadSetting(programDir, section, prefix + QString::number(n));
        if (empty == Empty::Skip && value.isEmpty())
            continue;
        combolists::insertItem(box, 0, value);
    }
}

QComboBox* control(MainWindow& w, std::string_view name)
{
    return w.findChild<QComboBox*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

} // namespace

void LoadPresetLists(MainWindow& w, const QString& programDir)
{
    loadList(w.组合框2, programDir, "Set1", "didian", 25, Empty::Insert);
    loadList(w.组合框52, programDir, "Set2", "huji", 25, Empty::Insert);
    loadList(w.组合框53, programDir, "name1", "name", 10, Empty::Insert);
    loadList(w.组合框54, programDir, "name2", "name", 10, Empty::Insert);
    loadList(w.组合框55, programDir, "name3", "name", 10, Empty::Insert);
    for (int n = 1; n <= record::kPairs; ++n) {
        const QString number = QString::number(n);
        loadList(control(w, record::question(n).control), programDir, "wenti" + number, "wenti", 10, Empty::Skip);
        loadList(control(w, record::answer(n).control), programDir, "daan" + number, "daan", 8, Empty::Skip);
    }
}
