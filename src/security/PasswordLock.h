// The optional start-up password, kept as the values TESK (lock flag) and MIMA (the password's
// salted Argon2id hash).
#pragma once

#include <QString>

class MainWindow;
class PasswordEntryWindow;
class PasswordSetWindow;
struct Services;

// A password kept as typed by an older version, as that version compared it: the first CR and the
// first LF removed, then leading and trailing ASCII and full-width spaces.
QString cleanStoredPassword(QString stored);
// The lock is on when the flag's first character is "1".
bool isLocked(const QString& flag);

// What MIMA holds for a password: a salted Argon2id hash in libsodium's string form, from which the
// password cannot be read back. Empty when hashing failed (out of memory).
QString hashPassword(const QString& password);
bool isPasswordHash(const QString& stored);
// Whether the typed text opens the lock: against a hash by verifying it; against a plain value left
// by an older version when it equals that value as typed or as that version cleaned it.
bool passwordMatches(const QString& typed, const QString& stored);

// The check at start: true at once when unlocked, else asks for the password and answers whether
// it was given; the start-up decides what follows. A plain password left by an older version is
// replaced by its hash either way: unlocked at once, locked on the first right entry.
bool PasswordGate(Services& s);
// "确认密码" in PasswordEntryWindow: accepts the window when the password is right, and replaces a
// plain stored password by its hash.
void CheckPasswordEntry(PasswordEntryWindow& entry, Services& s);
// "加密": opens PasswordSetWindow unless a password is already set.
void StartPasswordSetting(MainWindow& w, Services& s);
// "加 密" in PasswordSetWindow.
void StorePassword(PasswordSetWindow& window, Services& s);
// "解密"
void SwitchLockOff(Services& s);
