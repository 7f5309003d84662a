// "核对(笔录)" and the question before a print or save, through the real window, its check window and
// the Dialogs seam.
#include "TranscriptProgram.h"

#include "transcript/FieldNames.h"

#include "ui/CheckWindow.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

const QString kPrintQuestion = QStringLiteral("打印提示：| 是/否 打 印 当 前 笔 录 内 容 ？ \r\n");
const QString kCheckQuestion =
    QStringLiteral("核对提示：| 笔录核对发现 1 个问题：\n"
                   "第4问：告知事项不全：没有含“回避”的问答（set.ini [hecha] 规定每份笔录都要告知）"
                   "\n\n签字前是否返回修改？ ");

struct ReviewTest : ::testing::Test {
    TranscriptProgram p;
    CheckWindow& cw = p.program.components().checkWindow;

    void SetUp() override {
        // The question is asked unless set.ini says tixing=0.
        p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[hecha]\ngaozhi1=回避\n"));
        ASSERT_TRUE(p.start());
        record::TranscriptRecord r = testrecords::particulars();
        r[field::IdentityNumber] = "220101198001011238";
        testrecords::fillPairs(r, 1, 3);
        p.setForm(r);
    }
    QStringList listed() const {
        QStringList items;
        for (int i = 0; i < cw.列表问题->count(); ++i)
            items << cw.列表问题->item(i)->text();
        return items;
    }
};

} // namespace

TEST_F(ReviewTest, BeforePrintTheProblemsAreAskedAboutAndEitherAnswerIsFollowed) {
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    p.env.dialogs.answerNext(Dialogs::Answer::Cancel);
    p.w().actPrintTranscript->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList({kPrintQuestion, kCheckQuestion}));
    EXPECT_EQ(p.env.dialogs.messages().last().buttons, Dialogs::Buttons::ReviseOrPrint);
    // 返回修改: nothing printed, the problems listed beside the form.
    EXPECT_TRUE(p.engine->sessions.isEmpty());
    EXPECT_TRUE(cw.isVisible());
    EXPECT_EQ(listed().size(), 1);

    p.env.dialogs.shown.clear();
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    p.w().actPrintTranscript->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList({kPrintQuestion, kCheckQuestion}));
    ASSERT_EQ(p.engine->sessions.size(), 1);
    EXPECT_EQ(p.engine->sessions[0].mid(p.engine->sessions[0].size() - 3), QStringList({"print", "close", "quit"}));

    // The save asks the same, in its own words; tixing=0 asks nothing.
    p.env.dialogs.shown.clear();
    p.w().actSaveTranscript->trigger();
    ASSERT_EQ(p.env.dialogs.messages().size(), 1);
    EXPECT_EQ(p.env.dialogs.messages()[0].buttons, Dialogs::Buttons::ReviseOrSave);
    EXPECT_EQ(p.engine->sessions.size(), 1);
    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[hecha]\ntixing=0\ngaozhi1=回避\n"));
    p.env.dialogs.shown.clear();
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    p.w().actPrintTranscript->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList{kPrintQuestion});
    EXPECT_EQ(p.engine->sessions.size(), 2);
}

TEST_F(ReviewTest, ChoosingAProblemGoesToItsFieldOnItsPageAndTheNumberFillsSexAndAge) {
    QWidget* answer12 = transcript::fieldControl(p.w(), record::answer(12));
    transcript::setControlText(transcript::fieldControl(p.w(), record::question(12)), testrecords::questionText(12));
    transcript::setControlText(transcript::fieldControl(p.w(), record::question(3)), "问：你是否申请回避？");
    p.w().组合框1->setCurrentText(QString());
    p.w().编辑框26->clear();
    p.w().actCheckTranscript->trigger();
    ASSERT_TRUE(cw.isVisible());
    EXPECT_EQ(listed(),
              QStringList({QStringLiteral("性别：性别没有填写：按身份证号码是男（可以按号码填写）"),
                           QStringLiteral("年龄：年龄没有填写：按身份证号码询问当天是32周岁（可以按号码填写）"),
                           QStringLiteral("第12答：第12问没有回答")}));
    EXPECT_TRUE(p.env.dialogs.shown.isEmpty());

    ASSERT_FALSE(p.w().分组框3->isVisible());
    QListWidgetItem* item = cw.列表问题->item(2);
    QTest::mouseClick(cw.列表问题->viewport(), Qt::LeftButton, {}, cw.列表问题->visualItemRect(item).center());
    EXPECT_TRUE(p.w().分组框3->isVisible());
    EXPECT_EQ(p.w().focusWidget(), answer12->focusProxy() ? answer12->focusProxy() : answer12);

    ASSERT_TRUE(cw.按钮填写->isEnabled());
    QTest::mouseClick(cw.按钮填写, Qt::LeftButton);
    EXPECT_EQ(p.w().组合框1->currentText(), QStringLiteral("男"));
    EXPECT_EQ(p.w().编辑框26->text(), QStringLiteral("32"));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("第12答：第12问没有回答")});
    EXPECT_FALSE(cw.按钮填写->isEnabled());
}
