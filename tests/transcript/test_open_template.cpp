// "打开(笔录模板)" through the real window: the dialog, the cancel message and the read rules.
#include "TranscriptProgram.h"

#include <QAction>
#include <QLineEdit>
#include <QTextEdit>

namespace {

TEST(OpenTemplate, CancelShowsWhereTemplatesAreAndChangesNothing) {
    TranscriptProgram p;
    ASSERT_TRUE(p.start());
    p.setForm(testrecords::particulars());
    p.env.dialogs.chooseNext(QString());
    p.w().actOpenTemplate->trigger();

    ASSERT_EQ(p.env.dialogs.fileSpecs.size(), 1);
    EXPECT_EQ(p.env.dialogs.fileSpecs[0].filter, QStringLiteral("*.ini 笔录模板文件|*.ini"));
    EXPECT_EQ(p.env.dialogs.fileSpecs[0].defaultExtension, "ini");
    EXPECT_EQ(p.env.dialogs.messageTexts(),
              QStringList{QStringLiteral("提示：| 没有选择正确的笔录模板 *.ini文件，模板文件保存在 <%1/BL/> 目录中。")
                              .arg(p.env.programDir())});
    EXPECT_EQ(p.form().values, testrecords::particulars().values);
    for (const JournalEvent& event : p.env.journal.events)
        EXPECT_NE(event.kind, JournalEvent::Kind::Opened) << "nothing was opened";
}

TEST(OpenTemplate, WindowsTemplateFillsEveryFieldAndLeavesTheListsAlone) {
    TranscriptProgram p;
    ASSERT_TRUE(p.start());
    record::TranscriptRecord old = testrecords::particulars();
    old["num75"] = "50";
    old["num87"] = QStringLiteral("初中");
    p.setForm(old);
    const QStringList answerList = listItems(p.w().组合框9);

    // Written on Windows: GBK, CR LF, no num75 and num87, a question left empty with its answer.
    const QString path = p.env.programDir() + "/2013.2.3-宏达-张三.ini";
    writeFile(path, gbkFile(QStringLiteral("[set]\nnum1=2013\nnum2=2\nnum3=3\nnum6=11\nnum7=20\nnum9=人民大街\n"
                                           "num10=张三\nnum16=宏达\nnum23=问：你叫什么？\nnum24=答：张三。\n"
                                           "num25=\nnum26=答：没有问题的回答\nnum28=答：会计\nnum70=答：最后\n"
                                           "beizu=案件 经过\n")));
    p.env.dialogs.chooseNext(path);
    p.w().actOpenTemplate->trigger();

    EXPECT_TRUE(p.env.dialogs.messages().isEmpty());
    ASSERT_FALSE(p.env.journal.events.isEmpty());
    EXPECT_EQ(p.env.journal.events.last().kind, JournalEvent::Kind::Opened);
    EXPECT_EQ(p.env.journal.events.last().files, QStringList{path});
    const record::TranscriptRecord r = p.form();
    EXPECT_EQ(r["num1"], "2013");
    EXPECT_EQ(r["num7"], "20");
    EXPECT_EQ(r["num9"], QStringLiteral("人民大街"));
    EXPECT_EQ(r["num10"], QStringLiteral("张三"));
    EXPECT_EQ(r["num23"], QStringLiteral("问：你叫什么？"));
    EXPECT_EQ(r["num26"], QStringLiteral("答：没有问题的回答"));
    EXPECT_EQ(r["num28"], QStringLiteral("答：会计"));
    EXPECT_EQ(p.w().组合框38->currentText(), QStringLiteral("答：最后"));
    EXPECT_EQ(r["beizu"], QStringLiteral("案件 经过"));
    // Missing keys clear their fields, age and education included.
    for (const record::Key key :
         {record::Key("num4"), record::Key("num5"), record::Key("num8"), record::Key("num11"), record::Key("num12"),
          record::Key("num15"), record::Key("num75"), record::Key("num87"), record::Key("num22"), record::Key("num25")})
        EXPECT_TRUE(r[key].isEmpty()) << key.name();
    EXPECT_EQ(listItems(p.w().组合框9), answerList);
}

TEST(OpenTemplate, AFileThatIsNotATemplateClearsTheForm) {
    TranscriptProgram p;
    ASSERT_TRUE(p.start());
    p.setForm(testrecords::particulars());
    const QString path = p.env.programDir() + "/notes.txt";
    writeFile(path, "just some text\r\n");
    p.env.dialogs.chooseNext(path);
    p.w().actOpenTemplate->trigger();
    for (const QString& value : p.form().values)
        EXPECT_TRUE(value.isEmpty());
}

} // namespace
