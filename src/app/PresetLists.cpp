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
void loadList(QComboBox* box, const QString& programDir, const setting::List& list, Empty empty) {
    for (int n = list.count; n >= 1; --n) {
        const QString value = ReadSetting(programDir, list, n);
        if (empty == Empty::Skip && value.isEmpty())
            continue;
        combolists::insertItem(box, 0, value);
    }
}

QComboBox* control(MainWindow& w, std::string_view name) {
    return w.findChild<QComboBox*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

} // namespace

void LoadPresetLists(MainWindow& w, const QString& programDir) {
    loadList(w.组合框2, programDir, setting::placePresets(), Empty::Insert);
    loadList(w.组合框52, programDir, setting::domicilePresets(), Empty::Insert);
    loadList(w.组合框53, programDir, setting::inspectorNames(), Empty::Insert);
    loadList(w.组合框54, programDir, setting::otherParticipantNames(), Empty::Insert);
    loadList(w.组合框55, programDir, setting::recorderNames(), Empty::Insert);
    for (int n = 1; n <= record::kPairs; ++n) {
        loadList(control(w, record::question(n).control), programDir, setting::questionPresets(n), Empty::Skip);
        loadList(control(w, record::answer(n).control), programDir, setting::answerPresets(n), Empty::Skip);
    }
}
