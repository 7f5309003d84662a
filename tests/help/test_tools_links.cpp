// The tool and link items of the menus and the contact box, through the recording shell.
#include "TestProgram.h"
#include "help/FixedTexts.h"
#include "help/ProgramLaunchers.h"
#include "help/WebLinks.h"

#include <QAction>
#include <QLineEdit>
#include <QSet>

#include <gtest/gtest.h>

namespace {

const QStringList kProvinces{"吉林省", "辽宁省", "山西省", "河北省", "江苏省", "浙江省",  "安徽省", "福建省",
                             "江西省", "山东省", "河南省", "湖北省", "湖南省", "广东省",  "海南省", "四川省",
                             "贵州省", "云南省", "陕西省", "甘肃省", "青海省", "黑龙江省"};

QString addressOf(const QString& item) {
    for (const WebLink& link : webLinks())
        if (link.item == item)
            return link.address;
    return {};
}

} // namespace

TEST(WebLinks, OneTableOfDistinctSecureAddressesInMenuOrder) {
    QStringList items;
    QSet<QString> addresses;
    for (const WebLink& link : webLinks()) {
        items << link.item;
        addresses << link.address;
        EXPECT_TRUE(link.address.startsWith(QStringLiteral("https://"))) << qPrintable(link.address);
    }
    EXPECT_EQ(items, kProvinces + QStringList({"搜狗拼音下载", "极点五笔下载", "官方网站"}));
    EXPECT_EQ(addresses.size(), items.size());
}

TEST(WebLinks, EveryLinkItemOpensItsOwnAddress) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    MainWindow& w = p.w();
    ASSERT_EQ(w.provinceActions.size(), kProvinces.size());
    QStringList expected;
    for (qsizetype i = 0; i < kProvinces.size(); ++i) {
        EXPECT_EQ(w.provinceActions[i]->text(), kProvinces[i]);
        w.provinceActions[i]->trigger();
        expected << addressOf(kProvinces[i]);
    }
    w.actSogouDownload->trigger();
    w.actJidianDownload->trigger();
    w.actHomePage->trigger();
    expected << addressOf("搜狗拼音下载") << addressOf("极点五笔下载") << addressOf("官方网站");
    EXPECT_EQ(p.env.shell.urls, expected);
    EXPECT_FALSE(expected.contains(QString()));
    EXPECT_TRUE(p.env.dialogs.shown.isEmpty());
}

namespace {

// A shell whose browser refuses every address.
class NoBrowserShell final : public Shell {
public:
    bool openUrl(const QString&) override { return false; }
    bool openDocument(const QString&) override { return false; }
    bool startProgram(const QStringList&, const QStringList&) override { return false; }
    std::optional<int> runProgram(const QStringList&, const QStringList&, int) override { return std::nullopt; }
    QString findProgram(const QStringList&) const override { return {}; }
};

} // namespace

TEST(WebLinks, AnAddressNothingOpensIsReported) {
    TestServices env;
    NoBrowserShell shell;
    Services services = env.services;
    Services noBrowser{services.dialogs,    services.clock,          services.registry,   shell,
                       services.programDir, services.executablePath, services.desktopDir, services.cacheDir,
                       services.journal};
    OpenWebLink(noBrowser, QStringLiteral("吉林省"));
    EXPECT_EQ(env.dialogs.messageTexts(),
              QStringList{QStringLiteral("无 法 打 开 网 页：|没 有 可 以 打 开 网 页 的 浏 览 器： ") +
                          addressOf("吉林省")});

    OpenWebLink(env.services, QStringLiteral("没有这一项"));
    EXPECT_EQ(env.dialogs.messageTexts().size(), 2);
    EXPECT_TRUE(env.shell.urls.isEmpty());
}

TEST(Tools, CalculatorAndTextEditorStartTheFirstInstalledProgram) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.env.shell.installed = {"xcalc", "kcalc", "mousepad", "leafpad"};
    p.w().actCalculator->trigger();
    p.w().actTextEditor->trigger();
    EXPECT_EQ(p.env.shell.started, (QList<QStringList>{{"/usr/bin/kcalc"}, {"/usr/bin/mousepad"}}));
    EXPECT_TRUE(p.env.dialogs.shown.isEmpty());
}

TEST(Tools, MissingOrFailingProgramsAreReported) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.w().actCalculator->trigger();
    p.w().actTextEditor->trigger();
    p.env.shell.installed = {"gnome-calculator", "gedit"};
    p.env.shell.failStarts = true;
    p.w().actCalculator->trigger();
    p.w().actTextEditor->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(), (QStringList{"无 法 启 动：|电 脑 没 有 安 装 计 算 器 程 序.",
                                                         "无 法 启 动：|电 脑 没 有 安 装 文 本 编 辑 程 序.",
                                                         "无 法 启 动：|计 算 器 程 序 启 动 失 败.",
                                                         "无 法 启 动：|文 本 编 辑 程 序 启 动 失 败."}));
    EXPECT_TRUE(p.env.shell.started.isEmpty());
}

TEST(Tools, OfficeProgramsNeedAnOfficeSuite) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.w().actWordProcessor->trigger();
    p.w().actSpreadsheet->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(), (QStringList{"无 法 打 印：|电 脑 没 有 安 装 WORD 办 公 软 件.",
                                                         "无 法 打 印：|电 脑 没 有 安 装 ExceL 办 公 软 件."}));
    EXPECT_TRUE(p.env.shell.started.isEmpty());
}

TEST(Tools, OfficeProgramsStartWithTheSuitesModule) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.env.shell.installed = {"libreoffice", "et"};
    p.w().actWordProcessor->trigger();
    p.w().actSpreadsheet->trigger();
    EXPECT_EQ(p.env.shell.started,
              (QList<QStringList>{{"/usr/bin/libreoffice", "--writer"}, {"/usr/bin/libreoffice", "--calc"}}));
    EXPECT_TRUE(p.env.dialogs.shown.isEmpty());
}

TEST(Tools, SpreadsheetNeedsTheWordProcessorLikeTheWordItem) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.env.shell.installed = {"et"};
    p.w().actSpreadsheet->trigger();
    p.w().actWordProcessor->trigger();
    EXPECT_TRUE(p.env.shell.started.isEmpty());
    EXPECT_EQ(p.env.dialogs.messageTexts(), (QStringList{"无 法 打 印：|电 脑 没 有 安 装 ExceL 办 公 软 件.",
                                                         "无 法 打 印：|电 脑 没 有 安 装 WORD 办 公 软 件."}));

    p.env.shell.installed = {"wps", "et"};
    p.w().actSpreadsheet->trigger();
    EXPECT_EQ(p.env.shell.started, (QList<QStringList>{{"/usr/bin/et"}}));
}

TEST(Tools, OfficeProgramThatWillNotStartIsReported) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.env.shell.installed = {"wps", "et"};
    p.env.shell.failStarts = true;
    p.w().actWordProcessor->trigger();
    p.w().actSpreadsheet->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(), (QStringList{"无 法 启 动：|WORD 办 公 软 件 启 动 失 败.",
                                                         "无 法 启 动：|ExceL 办 公 软 件 启 动 失 败."}));
}

TEST(Contact, ShowsTheContactTextInItsBox) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.w().actContact->trigger();
    ASSERT_EQ(p.env.dialogs.messages().size(), 1);
    const ShownBox box = p.env.dialogs.messages().first();
    EXPECT_EQ(box.caption, QStringLiteral("作者信息："));
    EXPECT_EQ(box.text, help::contactText());
    EXPECT_EQ(box.buttons, Dialogs::Buttons::Ok);
}
