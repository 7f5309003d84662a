// "打印(笔录)" and 按钮6 through the real window and the Dialogs seam, with a logging word engine.
#include "TranscriptProgram.h"

#include "transcript/TemplateFile.h"

#include "platform/Fingerprint.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kPrintQuestion = QStringLiteral("打印提示：| 是/否 打 印 当 前 笔 录 内 容 ？ \r\n");
const QString kMismatch = QStringLiteral("提 示：|打印笔录文档选择的不匹配 (要选doc文档).   请重新再选。");

struct PrintTest : ::testing::Test {
    TranscriptProgram p;
    QString status;
    void SetUp() override {
        ASSERT_TRUE(p.start());
        record::TranscriptRecord r = testrecords::particulars();
        testrecords::fillPairs(r, 1, 3);
        p.setForm(r);
        status = p.status();
    }
    void print() { p.w().actPrintTranscript->trigger(); }
    QString file(const QString& relative, const QByteArray& content = "text") {
        const QString path = p.env.programDir() + '/' + relative;
        QDir().mkpath(QFileInfo(path).path());
        writeFile(path, content);
        return path;
    }
};

TEST_F(PrintTest, YesPrintsTheCurrentTranscriptAndWritesOnlyTheTemplate) {
    QDir().mkpath(p.blDir());
    const QString doc = transcript::documentPath(p.env.programDir(), p.form());
    writeFile(doc, "earlier");
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    print();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList{kPrintQuestion});
    ASSERT_EQ(p.engine->sessions.size(), 1);
    const QStringList ops = p.engine->sessions[0];
    EXPECT_EQ(ops.mid(ops.size() - 3), QStringList({"print", "close", "quit"}));
    EXPECT_FALSE(ops.join('\n').contains("saveAs"));
    EXPECT_EQ(readFile(doc), "earlier");
    // The template written for the print carries its fingerprint, as a saved one does.
    EXPECT_EQ(fingerprint::check(transcript::templatePath(p.env.programDir(), p.form())), fingerprint::Check::Ok);
    EXPECT_EQ(p.status(), QStringLiteral("打 印 成 功！"));
}

TEST_F(PrintTest, CurrentTranscriptRefusals) {
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    p.engine->name.clear();
    print();
    p.engine->name = "writer";
    p.w().编辑框14->clear();
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    print();
    p.w().编辑框14->setText("x");
    p.w().编辑框6->clear();
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    print();
    EXPECT_EQ(p.env.dialogs.messageTexts(),
              QStringList({kPrintQuestion, QStringLiteral("无法打印：|电 脑 没 有 安 装 WORD 办 公 软 件."),
                           kPrintQuestion, QStringLiteral("提 示：|笔录没有录入完成，工作单位等资料没有添写."),
                           kPrintQuestion, QStringLiteral("提 示：| 笔录结束时间没有添写！ ")}));
    EXPECT_TRUE(p.engine->sessions.isEmpty());
    EXPECT_FALSE(QDir(p.blDir()).exists());
    EXPECT_EQ(p.status(), QStringLiteral("打 印 没 有 成 功！"));
}

TEST_F(PrintTest, FailedPrintIsReportedAndReplacesAnEarlierSuccess) {
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    print();
    ASSERT_EQ(p.status(), QStringLiteral("打 印 成 功！"));
    p.engine->failing << "print";
    p.engine->error = QStringLiteral("没有可用的打印机");
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    print();
    const QStringList texts = p.env.dialogs.messageTexts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[2].startsWith(QStringLiteral("无法打印：|")));
    EXPECT_TRUE(texts[2].contains(QStringLiteral("没有可用的打印机")));
    EXPECT_EQ(p.status(), QStringLiteral("打 印 没 有 成 功！"));
}

TEST_F(PrintTest, NoChoosesADocumentAndCancelIsAnError) {
    p.env.dialogs.answerNext(Dialogs::Answer::No);
    p.env.dialogs.chooseNext(QString());
    print();
    ASSERT_EQ(p.env.dialogs.fileSpecs.size(), 1);
    EXPECT_EQ(p.env.dialogs.fileSpecs[0].filter, QStringLiteral("*.doc 选择要打印的笔录WORD文件|*.doc"));
    EXPECT_EQ(p.env.dialogs.fileSpecs[0].defaultExtension, "ini");
    EXPECT_EQ(p.env.dialogs.messageTexts(),
              QStringList(
                  {kPrintQuestion, QStringLiteral("错误：|没有选择正确的笔录文件！笔录WORD文件保存在 <%1/BL/> 目录中。")
                                       .arg(p.env.programDir())}));
    EXPECT_TRUE(p.engine->sessions.isEmpty());
}

TEST_F(PrintTest, ChosenPathMustContainLowerCaseDoc) {
    const QString upper = file("BL/A.DOC");
    p.env.dialogs.answerNext(Dialogs::Answer::No);
    p.env.dialogs.chooseNext(upper);
    print();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList({kPrintQuestion, kMismatch}));
    EXPECT_TRUE(p.engine->sessions.isEmpty());

    // A text file in a folder whose name holds "doc" is printed.
    const QString text = file("mydocs/notes.txt");
    p.env.dialogs.answerNext(Dialogs::Answer::No);
    p.env.dialogs.chooseNext(text);
    print();
    ASSERT_EQ(p.engine->sessions.size(), 1);
    EXPECT_EQ(p.engine->sessions[0],
              QStringList({"start", "connect", "open " + text, "hide", "print", "close", "quit"}));
    EXPECT_EQ(p.status(), QStringLiteral("打印笔录成功... "));
}

TEST_F(PrintTest, ChosenDocumentWithoutWriterIsRefused) {
    p.engine->name.clear();
    const QString doc = file("BL/a.doc");
    p.env.dialogs.answerNext(Dialogs::Answer::No);
    p.env.dialogs.chooseNext(doc);
    print();
    EXPECT_EQ(p.env.dialogs.messageTexts(),
              QStringList({kPrintQuestion, QStringLiteral("无法打印：|电 脑 没 有 安 装 WORD 办 公 软 件.")}));
}

TEST_F(PrintTest, ChosenFilesThatCannotPrintAreReportedAndNeverCelebrated) {
    p.env.shell.installed << "soffice";
    p.engine->failing << "open";
    auto printChosen = [&](const QString& path) {
        p.env.dialogs.answerNext(Dialogs::Answer::No);
        p.env.dialogs.chooseNext(path);
        print();
        return p.env.dialogs.messages().last();
    };
    // A missing printer is reported before the file is opened.
    p.engine->printerTrouble = QStringLiteral("找不到打印机 X。");
    const QString doc = file("BL/a.doc");
    EXPECT_EQ(printChosen(doc).text, QStringLiteral(" 打印没有成功：找不到打印机 X。 "));
    EXPECT_TRUE(p.engine->sessions.isEmpty());
    EXPECT_EQ(p.status(), QStringLiteral("打 印 没 有 成 功！"));
    p.engine->printerTrouble.clear();

    // A file that is no document never goes to the office suite.
    const QString binary = file("BL/binary.doc", QByteArray("\x01\x02\x00\xFF", 4));
    const ShownBox box = printChosen(binary);
    EXPECT_EQ(box.caption, QStringLiteral("无法打印："));
    EXPECT_TRUE(box.text.contains(binary));
    EXPECT_TRUE(p.env.shell.started.isEmpty());

    // A suite that converts nothing without a window is not asked to.
    p.env.shell.installed = {"wps"};
    const QString text = file("BL/text.doc", "text for the office suite");
    EXPECT_TRUE(printChosen(text).text.contains(QStringLiteral("也没有可以打印它的办公软件")));
    EXPECT_TRUE(p.env.shell.started.isEmpty());

    // A text the office suite turns into nothing is not printed either.
    p.env.shell.installed << "soffice";
    EXPECT_TRUE(printChosen(text).text.contains(QStringLiteral("办公软件也无法打开文件 <%1>").arg(text)));
    ASSERT_EQ(p.env.shell.started.size(), 1);
    EXPECT_TRUE(p.env.shell.started[0].contains("--convert-to"));
    EXPECT_EQ(p.env.shell.started[0].last(), text);
    EXPECT_EQ(p.status(), QStringLiteral("打 印 没 有 成 功！"));
}

TEST_F(PrintTest, ViewerButtonPrintsTheShownFileSetsThePaneDirectlyAndReportsAFailure) {
    const QString help = file("帮助.txt");
    p.program.components().form.viewedFile = help;
    QTest::mouseClick(p.w().按钮6, Qt::LeftButton);
    ASSERT_EQ(p.engine->sessions.size(), 1);
    EXPECT_EQ(p.engine->sessions[0],
              QStringList({"start", "connect", "open " + help, "hide", "print", "close", "quit"}));
    EXPECT_EQ(p.w().statusText(), QStringLiteral("打印成功..."));
    EXPECT_EQ(p.status(), status);

    // A failed print replaces an earlier success.
    p.status() = QStringLiteral("打 印 成 功！");
    p.engine->failing << "print";
    QTest::mouseClick(p.w().按钮6, Qt::LeftButton);
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList{QStringLiteral("无 法 打 印：| 打印没有成功：writer failed ")});
    EXPECT_EQ(p.status(), QStringLiteral("打 印 没 有 成 功！"));
    EXPECT_EQ(p.w().statusText(), QStringLiteral("打 印 没 有 成 功！"));

    p.engine->name.clear();
    QTest::mouseClick(p.w().按钮6, Qt::LeftButton);
    EXPECT_EQ(p.env.dialogs.messageTexts().last(), QStringLiteral("无 法 打 印：|电 脑 没 有 安 装 WORD 办 公 软 件."));
    EXPECT_EQ(p.engine->sessions.size(), 2);
}

} // namespace
