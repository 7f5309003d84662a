// "保存(笔录及模板)" through the real window and the Dialogs seam, with a logging word engine.
#include "TranscriptProgram.h"

#include "transcript/TemplateFile.h"

#include "platform/Fingerprint.h"
#include "platform/IniProfile.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

const QString kNoWord = QStringLiteral("无法保存笔录为Word文档：|电 脑 没 有 安 装 WORD 办 公 软 件.");
const QString kOverwrite = QStringLiteral("提 示：| 文件以经存在，是否覆盖老文件？ ");
const QString kPreview = QStringLiteral("提 示：| 是 否 对 此 笔 录 文 件 进 行 预 览？ ");

struct SaveTest : ::testing::Test {
    TranscriptProgram p;
    QString status;
    void SetUp() override {
        p.env.writeSettings(
            QStringLiteral("[pop]\ntanchu=0\n[hecha]\ntixing=0\n[fenye]\nhang1=被询问人：\nhang2=询问人：\n"));
        ASSERT_TRUE(p.start());
        record::TranscriptRecord r = testrecords::particulars();
        testrecords::fillPairs(r, 1, 24);
        p.setForm(r);
        status = p.status();
    }
    QString documentPath() { return transcript::documentPath(p.env.programDir(), p.form()); }
    QString templatePath() { return transcript::templatePath(p.env.programDir(), p.form()); }
    QString savedText() { return QStringLiteral("笔录WORD文件以经保存在 <%1/BL/目录中> ").arg(p.env.programDir()); }
    void save() { p.w().actSaveTranscript->trigger(); }
    // Nothing was composed or written and the status stayed.
    void expectNothingDone() {
        EXPECT_FALSE(QDir(p.blDir()).exists());
        EXPECT_TRUE(p.engine->sessions.isEmpty());
        EXPECT_EQ(p.status(), status);
    }
};

TEST_F(SaveTest, RefusedWithoutAWriter) {
    p.engine->name.clear();
    save();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList{kNoWord});
    expectNothingDone();
}

TEST_F(SaveTest, RefusedWithoutWorkUnitOrEndTime) {
    p.w().编辑框14->clear();
    save();
    p.w().编辑框14->setText(QStringLiteral("宏达"));
    p.w().编辑框7->clear();
    save();
    p.w().编辑框7->setText("30");
    p.w().编辑框6->clear();
    save();
    EXPECT_EQ(p.env.dialogs.messageTexts(),
              QStringList({QStringLiteral("提 示：| 笔录没有录入完成，工作单位等资料都没有添写. "),
                           QStringLiteral("提 示：| 笔录结束时间没有添写！ "),
                           QStringLiteral("提 示：| 笔录结束时间没有添写！ ")}));
    expectNothingDone();
}

TEST_F(SaveTest, RefusedNameWritesNothing) {
    p.w().编辑框9->setText(QStringLiteral("../张三"));
    save();
    ASSERT_EQ(p.env.dialogs.messages().size(), 1);
    EXPECT_TRUE(p.env.dialogs.messages()[0].text.contains(QStringLiteral("被询问人姓名")));
    EXPECT_FALSE(QDir(p.blDir()).exists());
    EXPECT_EQ(p.status(), status);
}

TEST_F(SaveTest, SavesTemplateAndDocumentWithTheirFingerprintsThenOffersThePreview) {
    p.w().超级编辑框2->setPlainText(QStringLiteral("第一行\n第二行"));
    // A line break pasted into a single-line field becomes a space, as in the remarks.
    p.w().编辑框16->setText(QStringLiteral("人民大街\r\n1号"));
    // Unsaved, the form is kept in the recovery folder at a page switch; the save ends that.
    const QString recovery = p.program.components().formRecovery.file();
    p.w().按钮1->click();
    ASSERT_TRUE(QFile::exists(recovery));
    p.env.dialogs.answerNext(Dialogs::Answer::No); // preview
    save();
    EXPECT_EQ(p.w().编辑框16->text(), QStringLiteral("人民大街  1号"));
    EXPECT_EQ(ini::readString(templatePath(), "set", "num19"), QStringLiteral("人民大街  1号"));
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList{kPreview});
    EXPECT_EQ(p.env.dialogs.messages()[0].buttons, Dialogs::Buttons::YesNo);
    ASSERT_EQ(p.engine->sessions.size(), 1);
    const QStringList ops = p.engine->sessions[0];
    EXPECT_EQ(ops.mid(0, 4), QStringList({"start", "connect", "open " + p.blDir() + "/Doc.doc", "hide"}));
    // The document is saved beside its place, and put there with the other files of the save.
    EXPECT_TRUE(ops[ops.size() - 3].startsWith("saveAs " + p.blDir() + "/.quillon-")) << ops.join('\n').toStdString();
    EXPECT_EQ(ops.mid(ops.size() - 2), QStringList({"close", "quit"}));
    // The footer lines come from set.ini.
    EXPECT_TRUE(readFile(documentPath()).contains(QStringLiteral("  被询问人：\r\n  询问人：\r\n").toUtf8()));
    EXPECT_EQ(ini::readString(templatePath(), "set", "num70"), testrecords::answerText(24));
    EXPECT_EQ(ini::readString(templatePath(), "set", "beizu"), QStringLiteral("第一行 第二行"));
    EXPECT_EQ(p.w().超级编辑框2->toPlainText(), QStringLiteral("第一行 第二行"));
    EXPECT_TRUE(p.env.shell.documents.isEmpty());
    EXPECT_EQ(p.status(), savedText());
    EXPECT_EQ(fingerprint::check(documentPath()), fingerprint::Check::Ok);
    EXPECT_EQ(fingerprint::check(templatePath()), fingerprint::Check::Ok);
    EXPECT_FALSE(QFile::exists(recovery));
}

TEST_F(SaveTest, OverwriteAnsweredNoKeepsTheEarlierDocumentAndTemplateAndSaysSo) {
    QDir().mkpath(p.blDir());
    writeFile(documentPath(), "earlier");
    writeFile(templatePath(), "[set]\r\nnum1=earlier\r\n");
    p.env.dialogs.answerNext(Dialogs::Answer::No);  // overwrite
    p.env.dialogs.answerNext(Dialogs::Answer::Yes); // preview
    save();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList({kOverwrite, kPreview}));
    EXPECT_EQ(readFile(documentPath()), "earlier");
    EXPECT_EQ(readFile(templatePath()), "[set]\r\nnum1=earlier\r\n") << "the template pairs with its document";
    EXPECT_FALSE(QFile::exists(fingerprint::sidecarPath(documentPath())));
    EXPECT_FALSE(QFile::exists(fingerprint::sidecarPath(templatePath())));
    EXPECT_EQ(QDir(p.blDir()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "nothing left beside them";
    EXPECT_FALSE(p.engine->sessions[0].join('\n').contains("saveAs"));
    EXPECT_EQ(p.engine->sessions[0].mid(p.engine->sessions[0].size() - 2), QStringList({"close", "quit"}));
    EXPECT_EQ(p.env.shell.documents, QStringList{documentPath()});
    EXPECT_EQ(p.status(), QStringLiteral("笔录没有保存：原有的笔录WORD文件和模板都没有替换 "));
}

TEST_F(SaveTest, OverwriteAnsweredYesReplacesTheDocument) {
    QDir().mkpath(p.blDir());
    writeFile(documentPath(), "earlier");
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    p.env.dialogs.answerNext(Dialogs::Answer::No);
    save();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList({kOverwrite, kPreview}));
    EXPECT_NE(readFile(documentPath()), "earlier");
    EXPECT_TRUE(readFile(documentPath()).contains(testrecords::questionText(24).toUtf8()));
}

TEST_F(SaveTest, PreviewFallsBackToOurOwnPrintPreview) {
    p.env.shell.openDocumentResult = false;
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    save();
    EXPECT_EQ(p.env.shell.documents, QStringList{documentPath()});
    QStringList modals;
    for (const ShownBox& box : p.env.dialogs.shown)
        if (box.kind == "modal")
            modals << box.caption;
    EXPECT_EQ(modals, QStringList{"printPreview"});
    EXPECT_EQ(p.engine->previewed, QStringList{documentPath()});
    EXPECT_EQ(p.status(), savedText());
}

TEST_F(SaveTest, FailedSaveIsReportedAndKeepsTheEarlierDocumentAndTemplate) {
    QDir().mkpath(p.blDir());
    writeFile(documentPath(), "earlier");
    writeFile(templatePath(), "[set]\r\nnum1=earlier\r\n");
    p.engine->failing << "saveAs";
    p.engine->error = QStringLiteral("磁盘已满");
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    save();
    const QStringList texts = p.env.dialogs.messageTexts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], kOverwrite);
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("无法保存笔录为Word文档：|")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("磁盘已满")));
    EXPECT_EQ(readFile(documentPath()), "earlier");
    EXPECT_EQ(readFile(templatePath()), "[set]\r\nnum1=earlier\r\n") << "the template lands only with its document";
    EXPECT_EQ(QDir(p.blDir()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "no temporary file left";
    EXPECT_EQ(p.engine->sessions[0].mid(p.engine->sessions[0].size() - 2), QStringList({"close", "quit"}));
    EXPECT_EQ(p.status(), status);
}

TEST_F(SaveTest, WriterThatCannotStartIsReported) {
    p.engine->failing << "start";
    save();
    ASSERT_EQ(p.env.dialogs.messages().size(), 1);
    EXPECT_TRUE(p.env.dialogs.messages()[0].text.contains(p.engine->error));
    EXPECT_FALSE(QFile::exists(documentPath()));
    EXPECT_EQ(p.status(), status);
}

} // namespace
