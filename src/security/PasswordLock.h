// The optional start-up password, kept as the values TESK (lock flag) and MIMA (password).
#pragma once

#include <QString>

class MainWindow;
class PasswordEntryWindow;
class PasswordSetWindow;
struct Services;

// The stored password as it is compared: the first CR and the first LF removed, then leading and
// trailing ASCII and full-width spaces.
QString cleanStoredPassword(QString stored);
// The lock is on when the flag's first character is "1".
bool isLocked(const QString& flag);

// The check at start: true at once when unlocked, else asks for the password and answers whether
// it was given; the start-up decides what follows.
bool PasswordGate(Services& s);
// "确认密码" in PasswordEntryWindow: accepts the window when the password is right.
void CheckPasswordEntry(PasswordEntryWindow& entry, Services& s);
// "加密": opens PasswordSetWindow unless a password is already set.
void StartPasswordSetting(MainWindow& w, Services& s);
// "加 密" in PasswordSetWindow.
void StorePassword(PasswordSetWindow& window, Services& s);
// "解密"
void SwitchLockOff(Services& s);
