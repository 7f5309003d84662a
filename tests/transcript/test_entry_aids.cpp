// The entry aids through the real combo boxes: items offered on list choices, nothing on typing.
#include "TranscriptProgram.h"

#include <QLineEdit>

namespace {

TEST(EntryAids, NameAnswerIsOfferedOnEveryChoice) {
    TranscriptProgram p;
    ASSERT_TRUE(p.start());
    const QStringList before = listItems(p.w().组合框7);
    p.w().组合框7->setEditText(QStringLiteral("答：已有的回答"));

    // Before a name is entered the item is the prefix alone.
    chooseItem(p.w().组合框6, 0);
    p.w().编辑框9->setText(QStringLiteral("张三"));
    chooseItem(p.w().组合框6, 0);
    chooseItem(p.w().组合框6, 0);

    EXPECT_EQ(listItems(p.w().组合框7),
              QStringList({QStringLiteral("答：张三"), QStringLiteral("答：张三"), QStringLiteral("答：")}) + before);
    EXPECT_EQ(p.w().组合框7->currentText(), QStringLiteral("答：已有的回答"));
}

TEST(EntryAids, WorkUnitAnswerAndPersonInChargeQuestionOnEveryChoice) {
    TranscriptProgram p;
    ASSERT_TRUE(p.start());
    const QStringList answersBefore = listItems(p.w().组合框9);
    const QStringList questionsBefore = listItems(p.w().组合框10);
    p.w().编辑框14->setText(QStringLiteral("宏达建筑公司"));
    for (int i = 0; i < 3; ++i)
        chooseItem(p.w().组合框8, 0);

    const QString answer = QStringLiteral("答：宏达建筑公司");
    const QString question = QStringLiteral("问：宏达建筑公司负责人是谁？");
    EXPECT_EQ(listItems(p.w().组合框9), QStringList({answer, answer, answer}) + answersBefore);
    EXPECT_EQ(listItems(p.w().组合框10), QStringList({question, question, question}) + questionsBefore);
    EXPECT_TRUE(p.w().组合框9->currentText().isEmpty());
    EXPECT_TRUE(p.w().组合框10->currentText().isEmpty());

    p.w().编辑框14->clear();
    chooseItem(p.w().组合框8, 0);
    EXPECT_EQ(p.w().组合框9->itemText(0), QStringLiteral("答："));
    EXPECT_EQ(p.w().组合框10->itemText(0), QStringLiteral("问：负责人是谁？"));
}

TEST(EntryAids, TypingIntoTheQuestionLinesAddsNothing) {
    TranscriptProgram p;
    ASSERT_TRUE(p.start());
    p.w().编辑框9->setText(QStringLiteral("张三"));
    p.w().编辑框14->setText(QStringLiteral("宏达"));
    const QStringList seven = listItems(p.w().组合框7);
    const QStringList nine = listItems(p.w().组合框9);
    const QStringList ten = listItems(p.w().组合框10);
    QTest::keyClicks(p.w().组合框6->lineEdit(), "Q: name?");
    QTest::keyClick(p.w().组合框6->lineEdit(), Qt::Key_Return);
    QTest::keyClicks(p.w().组合框8->lineEdit(), "Q: work unit?");
    QTest::keyClick(p.w().组合框8->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(listItems(p.w().组合框7), seven);
    EXPECT_EQ(listItems(p.w().组合框9), nine);
    EXPECT_EQ(listItems(p.w().组合框10), ten);
    EXPECT_EQ(p.w().组合框6->currentText(), "Q: name?");
}

} // namespace
