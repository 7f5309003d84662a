// The start-up password: the check at start, setting it, switching it off, failing stores.
#include "TestProgram.h"
#include "security/PasswordLock.h"
#include "ui/PasswordEntryWindow.h"
#include "ui/PasswordSetWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// Scripts the password window: each attempt typed and confirmed in turn, then the window closed.
void typeAtStart(ScriptedDialogs& dialogs, const QStringList& attempts)
{
    dialogs.onModal([attempts](QDialog& window) {
        auto& entry = static_cast<PasswordEntryWindow&>(window);
        for (const QString& attempt : attempts) {
            if (!entry.isVisible() && entry.result() == QDialog::Accepted)
                return;
            entry.编辑框1->setText(attempt);
            entry.按钮1->click();
        }
        if (entry.result() != QDialog::Accepted)
            entry.reject();
    });
}

bool startWith(const QString& stored, const QStringList& attempts, QStringList* messages = nullptr)
{
    TestProgram p;
    p.env.registry.values["TESK"] = "1";
    if (!stored.isNull())
        p.env.registry.values["MIMA"] = stored;
    typeAtStart(p.env.dialogs, attempts);
    const bool started = p.start();
    if (messages)
        *messages = p.env.dialogs.messageTexts();
    return started && p.w().isVisible();
}

} // namespace

TEST(PasswordLock, StoredPasswordIsCleanedOnlyAsFarAsDescribed)
{
    EXPECT_EQ(cleanStoredPassword(" 　abc　 "), "abc");
    EXPECT_EQ(cleanStoredPassword("abc\r\n"), "abc");
    EXPECT_EQ(cleanStoredPassword("a\r\nb\r\n"), "ab\r\n");
    EXPECT_EQ(cleanStoredPassword(" a b "), "a b");
    EXPECT_TRUE(isLocked("1"));
    EXPECT_TRUE(isLocked("1abc"));
    EXPECT_FALSE(isLocked(" 1"));
    EXPECT_FALSE(isLocked("01"));
    EXPECT_FALSE(isLocked(""));
}

TEST(PasswordLock, EntryAtStart)
{
    QStringList messages;
    EXPECT_TRUE(startWith("secret", {"secret"}));
    EXPECT_FALSE(startWith("secret", {"Secret"}, &messages)) << "case matters";
    EXPECT_EQ(messages, QStringList{"请 注 意：|密码输入错误！ 重新输入..."});
    EXPECT_TRUE(startWith("secret", {"wrong", "again", "secret"}, &messages));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(startWith(" 密码 ", {"密码"})) << "the stored text is trimmed";
    EXPECT_FALSE(startWith(" 密码 ", {" 密码 "})) << "the typed text is not";
    EXPECT_TRUE(startWith("pw\r\n", {"pw"}));
    EXPECT_FALSE(startWith("pw\r\n\r\n", {"pw"}));
    EXPECT_TRUE(startWith(QString(), {""})) << "no stored password: an empty entry opens the program";
    EXPECT_FALSE(startWith("pw", {})) << "closing the window without the password ends the program";
}

TEST(PasswordLock, WindowsOpenWhereTheyBelong)
{
    // The main window opens at its designed place, also when the password window came first.
    TestProgram p;
    p.env.registry.values = {{"TESK", "1"}, {"MIMA", "pw"}};
    typeAtStart(p.env.dialogs, {"pw"});
    ASSERT_TRUE(p.start());
    EXPECT_EQ(p.w().frameGeometry().topLeft(), QPoint(50, 50));

    // A box raised by the password window opens centred on it, although the borderless window
    // may have been left inactive.
    PasswordEntryWindow entry;
    entry.move(120, 90);
    entry.open();
    QApplication::setActiveWindow(nullptr);
    const std::unique_ptr<QMessageBox> box =
        QtDialogs::messageBox(QStringLiteral("请 注 意："), QStringLiteral("密码输入错误！ 重新输入..."), Dialogs::Buttons::Ok);
    box->show();
    EXPECT_EQ(box->parentWidget(), &entry);
    const QPoint offset = box->frameGeometry().center() - entry.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    box->close();
    entry.reject();
}

TEST(PasswordLock, WrongEntryClearsTheBox)
{
    TestProgram p;
    p.env.registry.values = {{"TESK", "1"}, {"MIMA", "pw"}};
    QString left;
    p.env.dialogs.onModal([&left](QDialog& window) {
        auto& entry = static_cast<PasswordEntryWindow&>(window);
        entry.编辑框1->setText("nope");
        entry.按钮1->click();
        left = entry.编辑框1->text();
        entry.reject();
    });
    EXPECT_FALSE(p.start());
    EXPECT_EQ(left, "");
}

TEST(PasswordLock, SettingThePassword)
{
    TestProgram p;
    ASSERT_TRUE(p.start());
    const auto fill = [](const QString& a, const QString& b) {
        return [a, b](QDialog& window) {
            auto& set = static_cast<PasswordSetWindow&>(window);
            set.编辑框1->setText(a);
            set.编辑框2->setText(b);
            set.按钮1->click();
            if (set.result() != QDialog::Accepted) {
                EXPECT_EQ(set.编辑框1->text(), a) << "the window stays with both texts as typed";
                set.reject();
            }
        };
    };
    p.env.dialogs.onModal(fill("abc", "abd"));
    p.w().actLock->trigger();
    p.env.dialogs.onModal(fill("", ""));
    p.w().actLock->trigger();
    EXPECT_TRUE(p.env.registry.values.isEmpty());
    p.env.dialogs.onModal(fill("新密码", "新密码"));
    p.w().actLock->trigger();
    EXPECT_EQ(p.env.registry.values.value("TESK"), "1");
    EXPECT_EQ(p.env.registry.values.value("MIMA"), "新密码");
    p.w().actLock->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(),
              QStringList({"请 检 查：| 没有输入密码 或 2遍密码输入不相符！", "请 检 查：| 没有输入密码 或 2遍密码输入不相符！",
                           "提 示：| 加密成功！ 软件下次打开时必需输入密码。", "提 示：| 软件以经加过密码了！"}));

    p.w().actUnlock->trigger();
    EXPECT_EQ(p.env.registry.values.value("TESK"), "0");
    EXPECT_EQ(p.env.registry.values.value("MIMA"), "新密码") << "switching off keeps the password";
    EXPECT_EQ(p.env.dialogs.messageTexts().last(), "提 示：|软件解密成功，下次运行软件无需密码！");
}

TEST(PasswordLock, AStoreThatFailsIsNotReportedAsSuccess)
{
    TestProgram p;
    ASSERT_TRUE(p.start());
    p.env.registry.failWrites = true;
    bool closed = false;
    p.env.dialogs.onModal([&closed](QDialog& window) {
        auto& set = static_cast<PasswordSetWindow&>(window);
        set.编辑框1->setText("pw");
        set.编辑框2->setText("pw");
        set.按钮1->click();
        closed = set.result() == QDialog::Accepted;
        set.reject();
    });
    p.w().actLock->trigger();
    p.w().actUnlock->trigger();
    EXPECT_FALSE(closed);
    const QStringList messages = p.env.dialogs.messageTexts();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_FALSE(messages[0].contains("加密成功"));
    EXPECT_TRUE(messages[0].startsWith("提 示：|"));
    EXPECT_FALSE(messages[1].contains("解密成功"));
}
