// The start-up sequence and the main window's life: gate, version, shortcut, tips, caption, skin,
// statute window, date, defaults, status clock, pages, note panel, viewer, exit.
#include "TestProgram.h"
#include "app/StartupProcedure.h"
#include "app/StatusClock.h"
#include "help/FixedTexts.h"
#include "platform/Gbk.h"
#include "platform/ProductVersion.h"
#include "platform/SaveIntent.h"
#include "platform/Settings.h"
#include "ui/StatuteWindow.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int modalCount(const ScriptedDialogs& d, const QString& window) {
    int n = 0;
    for (const ShownBox& box : d.shown)
        n += box.kind == QLatin1String("modal") && box.caption == window;
    return n;
}

} // namespace

TEST(Startup, PasswordGateFollowsTheFirstCharacterOfTheFlag) {
    for (const QString flag : {"1", "1abc", "10"}) {
        TestProgram p;
        p.env.registry.values["TESK"] = flag;
        EXPECT_FALSE(p.start()) << "closing the password window ends the program";
        EXPECT_EQ(modalCount(p.env.dialogs, "PasswordEntryWindow"), 1) << flag.toStdString();
        EXPECT_FALSE(p.w().isVisible());
    }
    for (const QString flag : {"", "0", " 1", "2", "01"}) {
        TestProgram p;
        p.env.registry.values["TESK"] = flag;
        EXPECT_TRUE(p.start());
        EXPECT_EQ(modalCount(p.env.dialogs, "PasswordEntryWindow"), 0) << flag.toStdString();
        EXPECT_TRUE(p.w().isVisible());
    }
}

TEST(Startup, SavesCutOffByAKillAreFinishedOrUndoneAndStaleFilesGoEvenBeforeThePassword) {
    TestProgram p;
    const QString bl = QDir(p.env.programDir()).canonicalPath() + "/BL";
    QDir().mkpath(bl);
    const auto digest = [](const QByteArray& bytes) {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    };
    const auto record = [&](const QString& first, const QList<durable::StagedFile>& files) {
        const QString path = bl + '/' + durable::intentFileName(first);
        writeFile(path, durable::encodeIntent({files, {path}}, bl));
    };
    // Killed after its record and the document's rename: the new template still waits beside the earlier one.
    writeFile(bl + "/a.doc", "new document");
    writeFile(bl + "/a.ini", "earlier template");
    writeFile(bl + "/.quillon-999999999-a.part", "new template");
    record(bl + "/a.doc", {{digest("new document"), bl + "/.quillon-999999999-d.part", bl + "/a.doc", true, {}},
                           {digest("new template"), bl + "/.quillon-999999999-a.part", bl + "/a.ini", true, {}}});
    // The same, but the new template is gone: the earlier document comes back from its second name.
    writeFile(bl + "/b.doc", "new document");
    writeFile(bl + "/.quillon-999999999-e.part", "earlier document");
    writeFile(bl + "/b.ini", "earlier template");
    record(bl + "/b.doc", {{digest("new document"), bl + "/.quillon-999999999-f.part", bl + "/b.doc", true,
                            bl + "/.quillon-999999999-e.part"},
                           {digest("new template"), bl + "/.quillon-999999999-g.part", bl + "/b.ini", true, {}}});
    // A temporary file of a program that is gone (no process has that id).
    writeFile(p.program.recovery().folder() + "/.quillon-999999999-x.part", "half");

    p.env.registry.values["TESK"] = "1";
    EXPECT_FALSE(p.start());
    EXPECT_EQ(readFile(bl + "/a.ini"), "new template");
    EXPECT_EQ(readFile(bl + "/b.doc"), "earlier document");
    EXPECT_EQ(readFile(bl + "/b.ini"), "earlier template");
    EXPECT_EQ(QDir(bl).entryList(QDir::Files | QDir::Hidden), QStringList({"a.doc", "a.ini", "b.doc", "b.ini"}));
    EXPECT_FALSE(QFile::exists(p.program.recovery().folder() + "/.quillon-999999999-x.part"));
}

TEST(Startup, ASaveThatCannotBeCompletedAndARecordThatCannotBeReadAreToldAndKept) {
    TestProgram p;
    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n"));
    const QString bl = QDir(p.env.programDir()).canonicalPath() + "/BL";
    // The new template is whole, but a folder has taken its name: it cannot be put in place, and
    // from a whole new file recovery only goes forward.
    QDir().mkpath(bl + "/c.ini/inside");
    writeFile(bl + "/.quillon-999999999-h.part", "new template");
    const QString stopped = bl + '/' + durable::intentFileName(bl + "/c.ini");
    const durable::StagedFile file{QCryptographicHash::hash("new template", QCryptographicHash::Sha256).toHex(),
                                   bl + "/.quillon-999999999-h.part",
                                   bl + "/c.ini",
                                   false,
                                   {}};
    writeFile(stopped, durable::encodeIntent({{file}, {stopped}}, bl));
    const QByteArray stoppedRecord = readFile(stopped);
    // A record no save of this program wrote, whose files nobody can know.
    const QString unreadable = bl + '/' + durable::intentFileName(bl + "/d.doc");
    writeFile(unreadable, "quillon-save 7\nnot a record\n");

    ASSERT_TRUE(p.start());
    const QString setAside = p.program.recovery().folder() + "/unrepaired/" + QFileInfo(unreadable).fileName();
    EXPECT_EQ(
        p.env.dialogs.messageTexts(),
        QStringList({QStringLiteral("提示：|上次保存笔录没有正常结束，这次保存既不能完成也不能撤销：保存记录 <%1>。\n"
                                    "保存记录和它所列的文件原样留在 <%2/>，下次启动时再试。")
                         .arg(stopped, bl),
                     QStringLiteral("提示：|上次保存笔录没有正常结束，保存记录 <%1> 无法读取。\n"
                                    "它已原样移到 <%2>，附上说明。")
                         .arg(unreadable, setAside)}));
    EXPECT_EQ(readFile(stopped), stoppedRecord);
    EXPECT_EQ(readFile(bl + "/.quillon-999999999-h.part"), "new template");
    EXPECT_TRUE(QFileInfo(bl + "/c.ini/inside").isDir());
    EXPECT_FALSE(QFile::exists(unreadable));
    EXPECT_EQ(readFile(setAside), "quillon-save 7\nnot a record\n");
    EXPECT_TRUE(gbk::decode(readFile(setAside + ".txt")).contains(unreadable));

    // The next start tries the stopped save again and tells of it again; the unreadable record is gone.
    p.w().hide();
    p.env.dialogs.shown.clear();
    ASSERT_TRUE(StartupProcedure(p.w(), p.env.services, p.program.components().form));
    ASSERT_EQ(p.env.dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(p.env.dialogs.messageTexts()[0].contains(stopped));
    EXPECT_EQ(readFile(stopped), stoppedRecord);
}

TEST(Startup, ReRunNeverAsksForThePassword) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.env.registry.values["TESK"] = "1";
    EXPECT_TRUE(StartupProcedure(p.w(), p.env.services, p.program.components().form));
    EXPECT_EQ(modalCount(p.env.dialogs, "PasswordEntryWindow"), 0);
}

TEST(Startup, VersionShortcutTipsAndDefaults) {
    TestProgram p;
    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[biludidian]\ndidian2=辽宁省沈阳市\n"));
    p.w().编辑框6->setText("11");
    ASSERT_TRUE(p.start());
    MainWindow& w = p.w();
    const QString versionText = QStringLiteral(" 程 序 版 本 V ") + QLatin1String(product::kVersion);
    EXPECT_EQ(p.status(), versionText);
    EXPECT_EQ(w.statusText(), versionText);
    EXPECT_EQ(w.编辑框1->text(), "2013");
    EXPECT_EQ(w.编辑框2->text(), "2");
    EXPECT_EQ(w.编辑框3->text(), "3");
    EXPECT_EQ(w.编辑框4->text(), "9");
    EXPECT_EQ(w.编辑框5->text(), "5");
    EXPECT_EQ(w.编辑框6->text(), "11") << "the end time is not touched";
    EXPECT_EQ(w.组合框1->currentText(), "男");
    EXPECT_EQ(w.编辑框8->text(), "") << "a missing didian1 empties the place";
    EXPECT_EQ(w.编辑框11->text(), "辽宁省沈阳市");

    const QString launcher = p.env.services.desktopDir + "Quillon.desktop";
    EXPECT_TRUE(readFile(launcher).contains("Exec=\"" + p.env.services.executablePath.toUtf8() + "\""));
    writeFile(launcher, "edited by hand");
    p.env.clock.time = QDateTime(QDate(2013, 2, 3), QTime(10, 0, 0));
    ASSERT_TRUE(StartupProcedure(w, p.env.services, p.program.components().form));
    EXPECT_TRUE(readFile(launcher).startsWith("[Desktop Entry]"));
    EXPECT_EQ(w.编辑框4->text(), "10");
    EXPECT_EQ(w.编辑框5->text(), "0");

    EXPECT_EQ(w.按钮3->toolTip(), "关闭文件界面.");
    EXPECT_EQ(w.按钮1->toolTip(), "返回笔录第二窗口界面.");
    EXPECT_EQ(w.暂停->toolTip(), "停止播放音频文件...");
    EXPECT_EQ(w.编辑框20->toolTip(), "输入FTP服务器的ip地址，比如 xxx.xxx.xxx.xxx");
    EXPECT_EQ(w.图片框1->toolTip(), help::conductText());
    EXPECT_TRUE(w.图片框1->toolTip().contains("烟草专卖准则"));
}

TEST(Startup, CaptionAndSkinFromTheSettings) {
    TestProgram p;
    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[biaoti]\nbiaoti1=ABC\n[fengge]\nfengge=1\n"));
    ASSERT_TRUE(p.start());
    EXPECT_EQ(p.w().windowTitle(), " ABC");
    EXPECT_TRUE(qApp->styleSheet().contains("#7B9EBD"));

    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[fengge]\nfengge=01\n"));
    ASSERT_TRUE(StartupProcedure(p.w(), p.env.services, p.program.components().form));
    EXPECT_EQ(p.w().windowTitle(), " ABC") << "an empty caption keeps the old one";
    EXPECT_TRUE(qApp->styleSheet().contains("#7B9EBD")) << "01 is not a scheme";

    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[fengge]\nfengge=3\n"));
    ASSERT_TRUE(StartupProcedure(p.w(), p.env.services, p.program.components().form));
    EXPECT_TRUE(qApp->styleSheet().contains("#C6C5D7"));
    p.env.writeSettings(QStringLiteral("[pop]\ntanchu=0\n[fengge]\nfengge=4\n"));
    ASSERT_TRUE(StartupProcedure(p.w(), p.env.services, p.program.components().form));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST(Startup, StatuteWindowUnlessSwitchedOffByExactlyZero) {
    for (const auto& [settings, shown] : QList<QPair<QString, int>>{{"", 2},
                                                                    {"[pop]\ntanchu=0\n", 0},
                                                                    {"[pop]\ntanchu=00\n", 2},
                                                                    {"[pop]\ntanchu=no\n", 2},
                                                                    {"[pop]\ntanchu=1\n", 2}}) {
        TestProgram p;
        p.env.writeSettings(settings);
        QString statute;
        const auto read = [&statute](QDialog& window) {
            statute = static_cast<StatuteWindow&>(window).编辑框1->toPlainText();
            static_cast<StatuteWindow&>(window).超级按钮1->click();
        };
        p.env.dialogs.onModal(read);
        p.env.dialogs.onModal(read);
        ASSERT_TRUE(p.start());
        ASSERT_TRUE(
            StartupProcedure(p.w(), p.env.services, p.program.components().form)); // a new transcript shows it again
        EXPECT_EQ(modalCount(p.env.dialogs, "StatuteWindow"), shown) << settings.toStdString();
        if (shown) {
            EXPECT_EQ(statute, help::statuteText().replace("\r\n", "\n"));
            EXPECT_TRUE(statute.startsWith("\n第一章 总则")) << "the statute text is carried by the program";
        }
    }
}

TEST(Startup, SettingsFileFoundWithoutRegardToCaseAndReadInItsEncoding) {
    const QString version = QStringLiteral(" 程 序 版 本 V 2.3");
    const QString note =
        QStringLiteral("设置文件set.ini的编码无法识别（不是GBK，也没有UTF-8标记），其中的文字可能显示不正确.");
    {
        // Carried over from Windows under another case, in GBK with code page 936's euro byte.
        TestProgram p;
        QFile::remove(p.env.programDir() + "/set.ini");
        writeFile(p.env.programDir() + "/SET.INI",
                  gbkFile("[pop]\ntanchu=0\n[biludidian]\ndidian1=长春市\ndidian2=罚款500€\n[Set1]\ndidian1=询问室\n"));
        ASSERT_TRUE(p.start());
        EXPECT_EQ(p.w().编辑框8->text(), "长春市");
        EXPECT_EQ(p.w().编辑框11->text(), "罚款500€");
        EXPECT_EQ(p.w().组合框2->itemText(0), "询问室");
        EXPECT_EQ(p.status(), version) << "valid GBK needs no note";
    }
    {
        // Saved by an editor as UTF-8 with a byte-order mark; a value cut at the read limit keeps
        // whole characters only.
        TestProgram p;
        QFile::remove(p.env.programDir() + "/set.ini");
        const QString longValue = QStringLiteral("a") + QString(4000, QChar(0x4E2D));
        writeFile(p.env.programDir() + "/Set.ini",
                  "\xEF\xBB\xBF" + QStringLiteral("[pop]\r\ntanchu=0\r\n[biaoti]\r\nbiaoti1=询问笔录\r\n"
                                                  "[Set2]\r\nhuji1=吉林省\r\n[fenye]\r\nhang1=%1\r\n")
                                       .arg(longValue)
                                       .toUtf8());
        ASSERT_TRUE(p.start());
        EXPECT_EQ(p.w().windowTitle(), " 询问笔录");
        EXPECT_EQ(p.w().组合框52->itemText(0), "吉林省");
        EXPECT_EQ(ReadSetting(p.env.programDir(), "fenye", "hang1"), longValue.left(1 + 3412));
        EXPECT_EQ(p.status(), version);
    }
    {
        // UTF-8 without the mark is not valid GBK: read as GBK all the same, and said once.
        TestProgram p;
        writeFile(p.env.programDir() + "/set.ini",
                  QStringLiteral("[pop]\r\ntanchu=0\r\n[biludidian]\r\ndidian1=中\r\n").toUtf8());
        ASSERT_TRUE(p.start());
        EXPECT_EQ(p.w().编辑框8->text(), gbk::decode(QStringLiteral("中").toUtf8()));
        EXPECT_EQ(p.status(), version + "    " + note);
        EXPECT_EQ(p.w().statusText(), version + "    " + note);
        ASSERT_TRUE(StartupProcedure(p.w(), p.env.services, p.program.components().form)); // a new transcript
        EXPECT_EQ(p.status(), version);
    }
}

TEST(StatusClock, MessageThenDateAndTime) {
    EXPECT_EQ(statusLine("msg", QDateTime(QDate(2013, 2, 3), QTime(9, 5, 7))),
              "msg              当前日期： 2013年2月3日    9时5分7秒");
    EXPECT_EQ(statusLine("", QDateTime(QDate(2013, 2, 3), QTime(0, 0, 0))),
              QString(14, ' ') + "当前日期： 2013年2月3日    ");

    TestProgram p;
    ASSERT_TRUE(p.start());
    p.status() = "保存了";
    p.env.clock.time = QDateTime(QDate(2020, 12, 31), QTime(23, 0, 0));
    p.w().时钟2->setInterval(5);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return p.w().statusText() == "保存了" + QString(14, ' ') + "当前日期： 2020年12月31日    23时"; }, 2000))
        << p.w().statusText().toStdString();
}

TEST(Pages, SwitchingKeepsEveryTextAndPlacesThePages) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    MainWindow& w = p.w();
    w.组合框4->setEditText("问：甲");
    w.组合框37->setEditText("问：乙");
    w.编辑框9->setText("张三");

    w.按钮1->click();
    EXPECT_TRUE(w.分组框1->isHidden());
    EXPECT_TRUE(w.分组框2->isHidden());
    EXPECT_FALSE(w.按钮1->isEnabled());
    EXPECT_TRUE(w.按钮2->isEnabled());
    EXPECT_EQ(w.分组框3->geometry(), QRect(1, 59, 517, 510));
    EXPECT_EQ(w.分组框4->geometry(), QRect(519, 59, 500, 510));
    EXPECT_TRUE(w.分组框3->isVisible());

    w.按钮2->click();
    EXPECT_TRUE(w.分组框1->isVisible());
    EXPECT_TRUE(w.按钮1->isEnabled());
    EXPECT_FALSE(w.按钮2->isEnabled());
    EXPECT_EQ(w.分组框3->x(), 1660);
    EXPECT_EQ(w.分组框4->x(), 1660);
    EXPECT_FALSE(w.分组框3->isHidden()) << "moved out of sight, not hidden";
    EXPECT_EQ(w.组合框4->currentText(), "问：甲");
    EXPECT_EQ(w.组合框37->currentText(), "问：乙");
    EXPECT_EQ(w.编辑框9->text(), "张三");
}

TEST(Pages, NotePanelTogglesOverTheRightHalfAndViewerCloses) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    MainWindow& w = p.w();
    w.超级编辑框2->setPlainText("备注");
    w.按钮5->click();
    EXPECT_TRUE(w.分组框6->isVisible());
    EXPECT_EQ(w.分组框6->geometry(), QRect(519, 59, 500, 510));
    w.按钮1->click();
    EXPECT_TRUE(w.分组框6->isVisible()) << "the panel stays over the second page";
    w.按钮5->click();
    EXPECT_TRUE(w.分组框6->isHidden());
    EXPECT_EQ(w.超级编辑框2->toPlainText(), "备注");

    w.超级编辑框1->show();
    w.按钮3->show();
    w.按钮6->show();
    w.按钮3->click();
    EXPECT_TRUE(w.超级编辑框1->isHidden());
    EXPECT_TRUE(w.按钮3->isHidden());
    EXPECT_TRUE(w.按钮6->isHidden());
}

TEST(Exit, WebPageOnlyWhenControlIsExactlyOn) {
    for (const auto& [control, opened] : QList<QPair<QString, bool>>{{"on", true}, {"ON", false}, {"", false}}) {
        TestProgram p;
        p.env.writeSettings("[pop]\ntanchu=0\n[close]\ncontrol=" + control + "\nurl=https://example.org/bye\n");
        ASSERT_TRUE(p.start());
        p.w().close();
        EXPECT_EQ(p.env.shell.urls, opened ? QStringList{"https://example.org/bye"} : QStringList());
    }
}

TEST(Exit, ExitCommandEndsTheEventLoopWithCodeZeroWithoutTheWebPage) {
    TestProgram p;
    p.env.writeSettings("[pop]\ntanchu=0\n[close]\ncontrol=on\nurl=https://example.org/bye\n");
    ASSERT_TRUE(p.start());
    QTimer::singleShot(0, p.w().actExit, &QAction::trigger);
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(p.env.shell.urls.isEmpty());
}
