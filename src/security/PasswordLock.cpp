// Lock checks and the two password windows' buttons.
#include "PasswordLock.h"

#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "ui/MainWindow.h"
#include "ui/PasswordEntryWindow.h"
#include "ui/PasswordSetWindow.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kFlag = QStringLiteral("TESK");
const QString kPassword = QStringLiteral("MIMA");
const QString kFullWidthSpace = QStringLiteral("　");

bool isSpace(QChar c) { return c == ' ' || c == kFullWidthSpace[0]; }

} // namespace

QString cleanStoredPassword(QString stored)
{
    if (const qsizetype cr = stored.indexOf('\r'); cr >= 0)
        stored.remove(cr, 1);
    if (const qsizetype lf = stored.indexOf('\n'); lf >= 0)
        stored.remove(lf, 1);
    qsizetype begin = 0;
    qsizetype end = stored.size();
    while (begin < end && isSpace(stored[begin]))
        ++begin;
    while (end > begin && isSpace(stored[end - 1]))
        --end;
    return stored.sliced(begin, end - begin);
}

bool isLocked(const QString& flag)
{
    return flag.startsWith('1');
}

bool PasswordGate(Services& s)
{
    if (!isLocked(s.registry.read(kFlag)))
        return true;
    PasswordEntryWindow entry;
    QObject::connect(entry.按钮1, &QPushButton::clicked, &entry, [&] { CheckPasswordEntry(entry, s); });
    s.dialogs.runModal(entry);
    return entry.result() == QDialog::Accepted;
}

void CheckPasswordEntry(PasswordEntryWindow& entry, Services& s)
{
    entry.编辑框2->setText(s.registry.read(kPassword));
    if (entry.编辑框1->text() == cleanStoredPassword(entry.编辑框2->text())) {
        entry.accept();
        return;
    }
    entry.编辑框1->clear();
    s.dialogs.message(QStringLiteral("请 注 意："), QStringLiteral("密码输入错误！ 重新输入..."));
}

void StartPasswordSetting(MainWindow& w, Services& s)
{
    if (isLocked(s.registry.read(kFlag))) {
        s.dialogs.message(QStringLiteral("提 示："), QStringLiteral(" 软件以经加过密码了！"));
        return;
    }
    PasswordSetWindow window(&w);
    QObject::connect(window.按钮1, &QPushButton::clicked, &window, [&] { StorePassword(window, s); });
    s.dialogs.runModal(window);
}

void StorePassword(PasswordSetWindow& window, Services& s)
{
    const QString first = window.编辑框1->text();
    if (first.isEmpty() || first != window.编辑框2->text()) {
        s.dialogs.message(QStringLiteral("请 检 查："), QStringLiteral(" 没有输入密码 或 2遍密码输入不相符！"));
        return;
    }
    // The password goes in first, so a failure never leaves the lock on with an old password.
    if (!s.registry.write(kPassword, first) || !s.registry.write(kFlag, QStringLiteral("1"))) {
        s.dialogs.message(QStringLiteral("提 示："), QStringLiteral(" 加密没有成功！ 密码无法保存到用户配置中，软件下次打开时无需密码。"));
        return;
    }
    s.dialogs.message(QStringLiteral("提 示："), QStringLiteral(" 加密成功！ 软件下次打开时必需输入密码。"));
    window.accept();
}

void SwitchLockOff(Services& s)
{
    if (!s.registry.write(kFlag, QStringLiteral("0"))) {
        s.dialogs.message(QStringLiteral("提 示："), QStringLiteral("软件解密没有成功，锁定标志无法写入用户配置！"));
        return;
    }
    s.dialogs.message(QStringLiteral("提 示："), QStringLiteral("软件解密成功，下次运行软件无需密码！"));
}
