// The help items that open the text viewer: the guide written to js.txt and the help file.
#include "TestProgram.h"
#include "help/FixedTexts.h"
#include "platform/Gbk.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

struct Viewer {
    QTextEdit* text;
    QPushButton* print;
    QPushButton* close;
    // The file it shows, which 按钮6 prints.
    const QString& path;
};

Viewer viewer(TestProgram& p) {
    return {p.control<QTextEdit>("超级编辑框1"), p.control<QPushButton>("按钮6"), p.control<QPushButton>("按钮3"),
            p.program.components().form.viewedFile};
}

void expectShownOverThePages(const Viewer& v) {
    EXPECT_EQ(v.text->geometry(), QRect(1, 64, 1017, 506));
    EXPECT_TRUE(v.text->isVisible());
    EXPECT_TRUE(v.print->isVisible());
    EXPECT_TRUE(v.close->isVisible());
    // The buttons lie over the viewer's lower edge and must stay clickable.
    const QWidget* parent = v.text->parentWidget();
    EXPECT_GT(parent->children().indexOf(v.print), parent->children().indexOf(v.text));
    EXPECT_GT(parent->children().indexOf(v.close), parent->children().indexOf(v.text));
}

} // namespace

TEST(HelpViewer, GuideIsWrittenToTheCacheAndShown) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    const Viewer v = viewer(p);
    ASSERT_FALSE(v.text->isVisible());

    const QString jsPath = p.env.services.cacheDir + "/js.txt";
    p.w().actGuide->trigger();
    EXPECT_EQ(v.path, jsPath);
    EXPECT_EQ(readFile(jsPath), help::guideBytes());
    const QString shown = v.text->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("监察笔录制作过程")));
    EXPECT_TRUE(shown.contains(QStringLiteral("注意事项：")));
    expectShownOverThePages(v);

    // Shown again, the file is written anew and the same text comes back.
    writeFile(jsPath, "changed meanwhile");
    v.text->setPlainText(QStringLiteral("edited"));
    p.w().actGuide->trigger();
    EXPECT_EQ(readFile(jsPath), help::guideBytes());
    EXPECT_EQ(v.text->toPlainText(), shown);
    EXPECT_TRUE(p.env.dialogs.shown.isEmpty());

    // The close button hides all three.
    v.close->click();
    EXPECT_FALSE(v.text->isVisible());
    EXPECT_FALSE(v.print->isVisible());
    EXPECT_FALSE(v.close->isVisible());
}

TEST(HelpViewer, GuideThatCannotBeWrittenIsReported) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    // A directory where js.txt should be: the file cannot be written.
    QDir().mkpath(p.env.services.cacheDir + "/js.txt");
    p.w().actGuide->trigger();
    ASSERT_EQ(p.env.dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(p.env.dialogs.messageTexts().first().startsWith(QStringLiteral("提 示：| 笔录制作过程文件无法写入 <")));
    EXPECT_TRUE(viewer(p).text->isVisible());
}

TEST(HelpViewer, HelpFileIsShownUpToItsFirstZeroByte) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    const Viewer v = viewer(p);
    const QString helpPath = p.env.programDir() + QStringLiteral("/帮助.txt");
    writeFile(helpPath,
              gbkFile(QStringLiteral("第一行\n第二行")) + QByteArray("\0", 1) + gbkFile(QStringLiteral("不显示")));

    p.w().actHelpFile->trigger();
    EXPECT_EQ(v.path, helpPath);
    EXPECT_EQ(v.text->toPlainText(), QStringLiteral("第一行\n第二行"));
    expectShownOverThePages(v);
}

TEST(HelpViewer, HelpItemsReplaceEachOtherInTheOpenViewer) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    const Viewer v = viewer(p);
    const QString helpPath = p.env.programDir() + QStringLiteral("/帮助.txt");
    writeFile(helpPath, gbkFile(QStringLiteral("软件帮助的内容")));

    p.w().actGuide->trigger();
    p.w().actHelpFile->trigger();
    EXPECT_EQ(v.path, helpPath);
    EXPECT_EQ(v.text->toPlainText(), QStringLiteral("软件帮助的内容"));
    p.w().actGuide->trigger();
    EXPECT_EQ(v.path, p.env.services.cacheDir + "/js.txt");
    EXPECT_TRUE(v.text->toPlainText().contains(QStringLiteral("监察笔录制作过程")));
}

TEST(HelpViewer, MissingHelpFileOpensAnEmptyViewer) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    const Viewer v = viewer(p);
    p.w().actGuide->trigger();
    ASSERT_FALSE(v.text->toPlainText().isEmpty());

    p.w().actHelpFile->trigger();
    EXPECT_EQ(v.path, p.env.programDir() + QStringLiteral("/帮助.txt"));
    EXPECT_TRUE(v.text->toPlainText().isEmpty());
    expectShownOverThePages(v);
    EXPECT_TRUE(p.env.dialogs.shown.isEmpty());
}

TEST(HelpViewer, ShippedHelpFileIsShownWhole) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    const QByteArray shipped =
        readFile(qEnvironmentVariable("QUILLON_SOURCE_DIR") + QStringLiteral("/resources/帮助.txt"));
    ASSERT_FALSE(shipped.isEmpty());
    writeFile(p.env.programDir() + QStringLiteral("/帮助.txt"), shipped);
    p.w().actHelpFile->trigger();
    QString expected = gbk::decode(shipped);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(viewer(p).text->toPlainText(), expected);
}
