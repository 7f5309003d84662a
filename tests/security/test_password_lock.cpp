// The start-up password: the check at start, setting it, switching it off, failing stores, and the
// lock through the real store file, which keeps only the password's hash.
#include "TestProgram.h"
#include "platform/Gbk.h"
#include "security/PasswordLock.h"
#include "ui/PasswordEntryWindow.h"
#include "ui/PasswordSetWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// Scripts the password window: each attempt typed and confirmed in turn, then the window closed.
void typeAtStart(ScriptedDialogs& dialogs, const QStringList& attempts) {
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

// Scripts PasswordSetWindow: both boxes filled and "加 密" pressed; the window closed if it stays.
void typeNewPassword(ScriptedDialogs& dialogs, const QString& first, const QString& second) {
    dialogs.onModal([first, second](QDialog& window) {
        auto& set = static_cast<PasswordSetWindow&>(window);
        set.编辑框1->setText(first);
        set.编辑框2->setText(second);
        set.按钮1->click();
        if (set.result() != QDialog::Accepted) {
            EXPECT_EQ(set.编辑框1->text(), first) << "the window stays with both texts as typed";
            set.reject();
        }
    });
}

bool startWith(const QString& stored, const QStringList& attempts, QStringList* messages = nullptr) {
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

// A program whose lock lives in a real store file holding the given bytes.
struct FileLockedProgram : TestProgram {
    explicit FileLockedProgram(const QByteArray& store) : TestProgram(TestServices::Store::File) {
        QDir().mkpath(QFileInfo(storePath()).absolutePath());
        writeFile(storePath(), store);
    }
    QString storePath() const { return env.root.path() + "/config/quillon/registry.ini"; }
    bool startWith(const QStringList& attempts) {
        typeAtStart(env.dialogs, attempts);
        return start() && w().isVisible();
    }
};

} // namespace

TEST(PasswordLock, StoredPasswordIsCleanedOnlyAsFarAsDescribed) {
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

TEST(PasswordLock, EntryAtStart) {
    const QString secret = hashPassword("secret");
    ASSERT_TRUE(isPasswordHash(secret));
    EXPECT_NE(hashPassword("secret"), secret) << "every hash has its own salt";
    QStringList messages;
    EXPECT_TRUE(startWith(secret, {"secret"}));
    EXPECT_FALSE(startWith(secret, {"Secret"}, &messages)) << "case matters";
    EXPECT_EQ(messages, QStringList{"请 注 意：|密码输入错误！ 重新输入..."});
    EXPECT_TRUE(startWith(secret, {"wrong", "again", "secret"}, &messages));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(startWith(QString(), {""})) << "no stored password: an empty entry opens the program";
    EXPECT_FALSE(startWith(secret, {})) << "closing the window without the password ends the program";
}

TEST(PasswordLock, WindowsOpenWhereTheyBelong) {
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
    const std::unique_ptr<QMessageBox> box = QtDialogs::messageBox(
        QStringLiteral("请 注 意："), QStringLiteral("密码输入错误！ 重新输入..."), Dialogs::Buttons::Ok);
    box->show();
    EXPECT_EQ(box->parentWidget(), &entry);
    const QPoint offset = box->frameGeometry().center() - entry.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    box->close();
    entry.reject();
}

TEST(PasswordLock, WrongEntryClearsTheBox) {
    TestProgram p;
    p.env.registry.values = {{"TESK", "1"}, {"MIMA", hashPassword("pw")}};
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

TEST(PasswordLock, SettingThePassword) {
    TestProgram p;
    ASSERT_TRUE(p.start());
    typeNewPassword(p.env.dialogs, "abc", "abd");
    p.w().actLock->trigger();
    typeNewPassword(p.env.dialogs, "", "");
    p.w().actLock->trigger();
    EXPECT_TRUE(p.env.registry.values.isEmpty());
    typeNewPassword(p.env.dialogs, "新密码", "新密码");
    p.w().actLock->trigger();
    EXPECT_EQ(p.env.registry.values.value("TESK"), "1");
    EXPECT_TRUE(passwordMatches("新密码", p.env.registry.values.value("MIMA")));
    p.w().actLock->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(),
              QStringList({"请 检 查：| 没有输入密码 或 2遍密码输入不相符！",
                           "请 检 查：| 没有输入密码 或 2遍密码输入不相符！",
                           "提 示：| 加密成功！ 软件下次打开时必需输入密码。", "提 示：| 软件以经加过密码了！"}));

    const QString hash = p.env.registry.values.value("MIMA");
    p.w().actUnlock->trigger();
    EXPECT_EQ(p.env.registry.values.value("TESK"), "0");
    EXPECT_EQ(p.env.registry.values.value("MIMA"), hash) << "switching off keeps the password";
    EXPECT_EQ(p.env.dialogs.messageTexts().last(), "提 示：|软件解密成功，下次运行软件无需密码！");
}

TEST(PasswordLock, AStoreThatFailsIsNotReportedAsSuccess) {
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
    for (const QString& message : messages)
        EXPECT_TRUE(message.contains("磁盘空间已满")) << message.toStdString();
}

TEST(PasswordLock, ThroughTheStoreFileAPasswordOpensExactlyAsSetAndIsNeverKeptAsText) {
    // Each password with the text a settings reader would have made of it.
    const QList<QPair<QString, QString>> passwords{{QStringLiteral("\"q\""), QStringLiteral("q")},
                                                   {QStringLiteral(" 密 码 "), QStringLiteral("密 码")},
                                                   {QStringLiteral("a=b\\n;"), QStringLiteral("a=b")}};
    for (const auto& [password, misread] : passwords) {
        SCOPED_TRACE(password.toStdString());
        FileLockedProgram setter("");
        ASSERT_TRUE(setter.start());
        typeNewPassword(setter.env.dialogs, password, password);
        setter.w().actLock->trigger();
        ASSERT_EQ(setter.env.dialogs.messageTexts(), QStringList{"提 示：| 加密成功！ 软件下次打开时必需输入密码。"});
        const QByteArray store = readFile(setter.storePath());
        EXPECT_FALSE(store.contains(gbk::encode(password.trimmed())));
        EXPECT_FALSE(store.contains(password.trimmed().toUtf8()));
        EXPECT_TRUE(store.contains("MIMA=$argon2id$"));

        EXPECT_TRUE(FileLockedProgram(store).startWith({password}));
        EXPECT_FALSE(FileLockedProgram(store).startWith({misread}));
    }
}

TEST(PasswordLock, APlainPasswordLeftByAnOlderVersionOpensOnceAndIsThenReplacedByItsHash) {
    // An older version kept the password as typed and read it trimmed.
    const QByteArray older = gbk::encode(QStringLiteral("[Software\\ORV]\r\nTESK=1\r\nMIMA= 旧密码 \r\n"));
    FileLockedProgram first(older);
    EXPECT_FALSE(FileLockedProgram(older).startWith({"旧密"}));
    ASSERT_TRUE(first.startWith({"旧密码"}));
    const QByteArray migrated = readFile(first.storePath());
    EXPECT_FALSE(migrated.contains(gbk::encode(QStringLiteral("旧密码"))));
    EXPECT_TRUE(migrated.startsWith(gbk::encode(QStringLiteral("[Software\\ORV]\r\nTESK=1\r\nMIMA=$argon2id$"))));
    EXPECT_TRUE(FileLockedProgram(migrated).startWith({"旧密码"}));
    EXPECT_FALSE(FileLockedProgram(migrated).startWith({" 旧密码 "}));

    // That version escaped nothing: a backslash before n stays as it was typed.
    const QByteArray windowsPath = "[Software\\ORV]\r\nTESK=1\r\nMIMA=C:\\new\\r1\r\n";
    EXPECT_TRUE(FileLockedProgram(windowsPath).startWith({"C:\\new\\r1"}));

    // Unlocked, the plain password is replaced at the start all the same, and opens when the flag
    // is set again by hand.
    FileLockedProgram unlocked(gbk::encode(QStringLiteral("[Software\\ORV]\r\nTESK=0\r\nMIMA= 旧密码 \r\n")));
    ASSERT_TRUE(unlocked.start());
    QByteArray hashed = readFile(unlocked.storePath());
    EXPECT_FALSE(hashed.contains(gbk::encode(QStringLiteral("旧密码"))));
    EXPECT_TRUE(hashed.contains("MIMA=$argon2id$"));
    EXPECT_TRUE(FileLockedProgram(hashed.replace("TESK=0", "TESK=1")).startWith({"旧密码"}));

    // The flag is read as it stands: a blank before the 1 leaves the program unlocked.
    EXPECT_TRUE(FileLockedProgram("[Software\\ORV]\r\nTESK= 1\r\n").startWith({}));
}
