// "新建(笔录)" through the real window: the confirmation, what is cleared, what is reset and kept.
#include "TranscriptProgram.h"

#include "transcript/FieldNames.h"
#include "transcript/TemplateFile.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

const QString kSettings = QStringLiteral("[pop]\ntanchu=0\n[biludidian]\ndidian1=设定的地点\n"
                                         "[Set1]\ndidian1=经理\n[name2]\nname1=赵六\n"
                                         "[wenti1]\nwenti1=问：你的姓名？\n[daan24]\ndaan1=答：是的。\n");

record::TranscriptRecord filledRecord() {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    r["beizu"] = QStringLiteral("备注");
    return r;
}

struct NewTranscriptTest : ::testing::Test {
    TranscriptProgram p;
    void SetUp() override {
        p.env.writeSettings(kSettings);
        ASSERT_TRUE(p.start());
        p.setForm(filledRecord());
        // A page switch keeps the unsaved form in the recovery folder.
        p.w().按钮1->click();
        ASSERT_TRUE(QFile::exists(formRecoveryFile()));
    }
    QString formRecoveryFile() { return p.program.components().formRecovery.file(); }
};

TEST_F(NewTranscriptTest, CancelChangesNothing) {
    p.env.dialogs.answerNext(Dialogs::Answer::Cancel);
    p.w().actNewTranscript->trigger();
    ASSERT_EQ(p.env.dialogs.messages().size(), 1);
    const ShownBox box = p.env.dialogs.messages().first();
    EXPECT_EQ(box.caption, QStringLiteral("提 示："));
    EXPECT_EQ(box.text, QStringLiteral("你确认要新建一份新的笔录？"));
    EXPECT_EQ(box.buttons, Dialogs::Buttons::OkCancel);
    EXPECT_EQ(p.form().values, filledRecord().values);
    EXPECT_EQ(transcript::readTemplate(formRecoveryFile()).values, filledRecord().values);
}

TEST_F(NewTranscriptTest, OkClearsTheFormAndRunsTheStartUpAgain) {
    QDir().mkpath(p.blDir());
    writeFile(p.blDir() + "/old.ini", "[set]\r\n");
    p.w().组合框3->setEditText(QStringLiteral("经理"));
    p.env.clock.time = QDateTime(QDate(2014, 7, 8), QTime(16, 45, 0));
    p.env.dialogs.answerNext(Dialogs::Answer::Ok);
    p.w().actNewTranscript->trigger();

    const record::TranscriptRecord r = p.form();
    // The start-up puts the clock's date and start time back.
    EXPECT_EQ(QStringList({r["num1"], r["num2"], r["num3"], r["num4"], r["num5"]}),
              QStringList({"2014", "7", "8", "16", "45"}));
    for (const record::Key key :
         {field::EndHour, field::EndMinute, field::IntervieweeName, field::IdentityNumber, field::WorkUnit,
          field::Telephone, field::Address, field::PlaceDetail, field::DomicileDetail, field::InspectorName,
          field::OtherParticipants, field::Recorder, field::Note})
        EXPECT_TRUE(r[key].isEmpty()) << key.name();
    for (int pair = 1; pair <= record::kPairs; ++pair) {
        EXPECT_TRUE(r[record::question(pair).key].isEmpty()) << pair;
        EXPECT_TRUE(r[record::answer(pair).key].isEmpty()) << pair;
    }
    EXPECT_EQ(r["num8"], QStringLiteral("设定的地点"));
    EXPECT_EQ(r["num12"], QString()); // didian2 is not set
    EXPECT_EQ(r["num14"], QStringLiteral("身份证"));
    // Kept: post, age, education.
    EXPECT_EQ(r["num17"], QStringLiteral("经理"));
    EXPECT_EQ(r["num75"], "32");
    EXPECT_EQ(r["num87"], QStringLiteral("大学"));

    // Lists: presets above one prefix item; name and place lists hold their presets only.
    EXPECT_EQ(listItems(p.w().组合框4), QStringList({QStringLiteral("问：你的姓名？"), QStringLiteral("问：")}));
    EXPECT_EQ(listItems(p.w().组合框38), QStringList({QStringLiteral("答：是的。"), QStringLiteral("答：")}));
    EXPECT_EQ(listItems(p.w().组合框9), QStringList{QStringLiteral("答：")});
    EXPECT_EQ(listItems(p.w().组合框37), QStringList{QStringLiteral("问：")});
    QStringList names(10);
    names[0] = QStringLiteral("赵六");
    EXPECT_EQ(listItems(p.w().组合框54), names);
    EXPECT_EQ(p.w().组合框2->count(), 25);
    EXPECT_EQ(p.w().组合框2->itemText(0), QStringLiteral("经理"));
    EXPECT_TRUE(QFile::exists(p.blDir() + "/old.ini"));
    EXPECT_FALSE(QFile::exists(formRecoveryFile())) << "a new transcript is nothing to recover";
}

TEST_F(NewTranscriptTest, EmptyWorkUnitClearsWithoutAsking) {
    p.w().编辑框14->clear();
    p.w().actNewTranscript->trigger();
    EXPECT_TRUE(p.env.dialogs.messages().isEmpty());
    EXPECT_TRUE(p.w().编辑框9->text().isEmpty());
    EXPECT_TRUE(p.w().超级编辑框2->toPlainText().isEmpty());
}

TEST_F(NewTranscriptTest, ListsDoNotGrowFromOneTranscriptToTheNext) {
    for (int i = 0; i < 3; ++i) {
        p.w().编辑框14->clear();
        p.w().actNewTranscript->trigger();
    }
    EXPECT_EQ(listItems(p.w().组合框4), QStringList({QStringLiteral("问：你的姓名？"), QStringLiteral("问：")}));
    EXPECT_EQ(p.w().组合框54->count(), 10);
}

} // namespace
