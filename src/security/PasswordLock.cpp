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

#include <sodium.h>

#include <cerrno>

namespace {

const QString kFlag = QStringLiteral("TESK");
const QString kPassword = QStringLiteral("MIMA");
const QString kFullWidthSpace = QStringLiteral("　");

bool isSpace(QChar c) {
    return c == ' ' || c == kFullWidthSpace[0];
}

// Writes the password's hash as MIMA; hashing fails only for want of memory.
durable::Result storeHashOf(const QString& password, Registry& registry) {
    const QString hash = hashPassword(password);
    return hash.isEmpty() ? durable::Result::failed(ENOMEM) : registry.write(kPassword, hash);
}

// A password an older version kept as typed is replaced by its hash, so that its text does not stay
// in the file.
void replacePlainPassword(const QString& password, Services& s) {
    if (const durable::Result r = storeHashOf(password, s.registry); !r)
        s.dialogs.message(QStringLiteral("提 示："),
                          QStringLiteral(" 密码仍以明文保存在用户配置中，无法改存为加密形式：%1 ").arg(r.text()));
}

} // namespace

QString cleanStoredPassword(QString stored) {
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

bool isLocked(const QString& flag) {
    return flag.startsWith('1');
}

QString hashPassword(const QString& password) {
    if (sodium_init() < 0)
        return {};
    const QByteArray bytes = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, bytes.constData(), quint64(bytes.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return {};
    return QString::fromLatin1(hash);
}

bool isPasswordHash(const QString& stored) {
    return stored.startsWith(QLatin1String(crypto_pwhash_STRPREFIX));
}

bool passwordMatches(const QString& typed, const QString& stored) {
    if (!isPasswordHash(stored))
        return typed == stored || typed == cleanStoredPassword(stored);
    if (sodium_init() < 0)
        return false;
    const QByteArray bytes = typed.toUtf8();
    return crypto_pwhash_str_verify(stored.toLatin1().constData(), bytes.constData(), quint64(bytes.size())) == 0;
}

bool PasswordGate(Services& s) {
    if (!isLocked(s.registry.read(kFlag))) {
        // Unlocked, nobody types the password: the one an older version left is hashed as it was set
        // (that version wrote it unescaped), without the blanks that version ignored.
        const QString stored = s.registry.read(kPassword);
        if (!stored.isEmpty() && !isPasswordHash(stored))
            replacePlainPassword(cleanStoredPassword(s.registry.readRaw(kPassword)), s);
        return true;
    }
    PasswordEntryWindow entry;
    QObject::connect(entry.按钮1, &QPushButton::clicked, &entry, [&] { CheckPasswordEntry(entry, s); });
    s.dialogs.runModal(entry);
    return entry.result() == QDialog::Accepted;
}

void CheckPasswordEntry(PasswordEntryWindow& entry, Services& s) {
    const QString stored = s.registry.read(kPassword);
    entry.编辑框2->setText(stored);
    const QString typed = entry.编辑框1->text();
    // An older version wrote the password unescaped: one with a backslash before \, n or r reads
    // back otherwise than it was set, so a plain value is also compared as the file holds it.
    const bool plain = !stored.isEmpty() && !isPasswordHash(stored);
    if (!passwordMatches(typed, stored) && !(plain && passwordMatches(typed, s.registry.readRaw(kPassword)))) {
        entry.编辑框1->clear();
        s.dialogs.message(QStringLiteral("请 注 意："), QStringLiteral("密码输入错误！ 重新输入..."));
        return;
    }
    // Replaced by its hash on the first right entry, as typed.
    if (plain)
        replacePlainPassword(typed, s);
    entry.accept();
}

void StartPasswordSetting(MainWindow& w, Services& s) {
    if (isLocked(s.registry.read(kFlag))) {
        s.dialogs.message(QStringLiteral("提 示："), QStringLiteral(" 软件以经加过密码了！"));
        return;
    }
    PasswordSetWindow window(&w);
    QObject::connect(window.按钮1, &QPushButton::clicked, &window, [&] { StorePassword(window, s); });
    s.dialogs.runModal(window);
}

void StorePassword(PasswordSetWindow& window, Services& s) {
    const QString first = window.编辑框1->text();
    if (first.isEmpty() || first != window.编辑框2->text()) {
        s.dialogs.message(QStringLiteral("请 检 查："), QStringLiteral(" 没有输入密码 或 2遍密码输入不相符！"));
        return;
    }
    // The password goes in first, so a failure never leaves the lock on with an old password.
    durable::Result r = storeHashOf(first, s.registry);
    if (r)
        r = s.registry.write(kFlag, QStringLiteral("1"));
    if (!r) {
        s.dialogs.message(
            QStringLiteral("提 示："),
            QStringLiteral(" 加密没有成功！ 密码无法保存到用户配置中（%1），软件下次打开时无需密码。").arg(r.text()));
        return;
    }
    s.dialogs.message(QStringLiteral("提 示："), QStringLiteral(" 加密成功！ 软件下次打开时必需输入密码。"));
    window.accept();
}

void SwitchLockOff(Services& s) {
    if (const durable::Result r = s.registry.write(kFlag, QStringLiteral("0")); !r) {
        s.dialogs.message(QStringLiteral("提 示："),
                          QStringLiteral("软件解密没有成功，锁定标志无法写入用户配置（%1）！").arg(r.text()));
        return;
    }
    s.dialogs.message(QStringLiteral("提 示："), QStringLiteral("软件解密成功，下次运行软件无需密码！"));
}
