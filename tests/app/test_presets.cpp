// Preset lists loaded from set.ini: order, empty items, ignored keys, every box of the mapping.
#include "TestProgram.h"
#include "app/PresetLists.h"
#include "platform/Settings.h"
#include "transcript/TranscriptRecord.h"
#include "ui/ComboLists.h"

#include <gtest/gtest.h>

namespace {

QStringList list(QComboBox* box) {
    return combolists::items(box);
}
QStringList empties(int n) {
    return QStringList(n, QString());
}

} // namespace

TEST(Presets, PlacesAndNamesAlwaysGainTheirFullCount) {
    TestProgram p;
    p.env.writeSettings(QStringLiteral("[Set1]\ndidian1=经理\ndidian2=会计\n[name2]\nname3=王五\n"));
    LoadPresetLists(p.w(), p.env.programDir());
    EXPECT_EQ(list(p.w().组合框2), (QStringList({"经理", "会计"}) + empties(23)));
    EXPECT_EQ(list(p.w().组合框52), empties(25));
    EXPECT_EQ(list(p.w().组合框53), empties(11)); // ten presets ahead of the designed empty item
    EXPECT_EQ(list(p.w().组合框54), (empties(2) + QStringList{"王五"} + empties(7) + QStringList{"无", ""}));
}

TEST(Presets, QuestionsAndAnswersSkipEmptyKeysAndIgnoreKeysBeyondTheirRange) {
    TestProgram p;
    p.env.writeSettings(QStringLiteral("[wenti1]\nwenti2=A\nwenti5=B\nwenti11=never\nwenti3=\n"
                                       "[daan1]\ndaan8=\"  八  \"\ndaan9=never\n"
                                       "[daan3]\ndaan1=甲\n"));
    p.w().组合框4->setEditText(QStringLiteral("typed"));
    LoadPresetLists(p.w(), p.env.programDir());
    EXPECT_EQ(list(p.w().组合框4), QStringList({"A", "B", "问："}));
    EXPECT_EQ(p.w().组合框4->currentText(), "typed");
    EXPECT_EQ(list(p.w().组合框5), QStringList({"  八  ", "答："}));
    EXPECT_EQ(list(p.w().组合框9), QStringList({"甲", "答：会计", "答：农民工", "答："}));
}

TEST(Presets, EverySectionFillsItsOwnLine) {
    TestProgram p;
    QString settings;
    for (int n = 1; n <= 24; ++n)
        settings += QStringLiteral("[wenti%1]\nwenti1=Q%1\n[daan%1]\ndaan1=A%1\n").arg(n);
    p.env.writeSettings(settings);
    LoadPresetLists(p.w(), p.env.programDir());
    for (int n = 1; n <= 24; ++n) {
        auto* question = p.control<QComboBox>(QString::fromUtf8(record::question(n).control.data()));
        auto* answer = p.control<QComboBox>(QString::fromUtf8(record::answer(n).control.data()));
        EXPECT_EQ(question->itemText(0), QStringLiteral("Q%1").arg(n));
        EXPECT_EQ(answer->itemText(0), QStringLiteral("A%1").arg(n));
    }
    // Page 3 runs against the control numbers: pair 11 is 组合框37 and 组合框36.
    EXPECT_EQ(p.w().组合框37->itemText(0), "Q11");
    EXPECT_EQ(p.w().组合框36->itemText(0), "A11");
    EXPECT_EQ(p.w().组合框51->itemText(0), "Q19");
    EXPECT_EQ(p.w().组合框38->itemText(0), "A24");
}

TEST(Presets, MissingSettingsFile) {
    TestProgram p;
    QFile::remove(p.env.programDir() + "/set.ini");
    LoadPresetLists(p.w(), p.env.programDir());
    EXPECT_EQ(list(p.w().组合框2), empties(25));
    EXPECT_EQ(list(p.w().组合框55), (empties(10) + QStringList{"无", ""}));
    EXPECT_EQ(list(p.w().组合框4), QStringList{"问："});
    EXPECT_EQ(ReadSetting(p.env.programDir(), "fenye", "hang1"), "");
}
