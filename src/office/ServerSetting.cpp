// The connection string checked by libpq's own parser.
#include "office/ServerSetting.h"

#include "platform/Settings.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <algorithm>

#include <libpq-fe.h>

namespace office {

namespace {

// A password as a key's value, up to the next key or the end, quoted or not ("password=a b" holds
// "a b"); and the part after the user in an address.
const QRegularExpression kPasswordKey(QStringLiteral(R"((password\s*=\s*)('(?:[^'\\]|\\.)*'|.*?)(?=\s+\w+\s*=|\s*$))"));
const QRegularExpression kAddressPassword(QStringLiteral(R"((://[^/@:?\s]*:)([^@/?\s]*)(@))"));

// Every password part of the string, as written, as meant, and word by word, so that no message
// that quotes a piece of it shows it.
QStringList secretsIn(const QString& conninfo) {
    QStringList secrets;
    for (auto m = kPasswordKey.globalMatch(conninfo); m.hasNext();) {
        QString value = m.next().captured(2);
        secrets << value;
        if (value.startsWith(u'\'') && value.endsWith(u'\'') && value.size() >= 2)
            value = value.mid(1, value.size() - 2);
        secrets << value << value.split(QRegularExpression(QStringLiteral("\\s+")));
    }
    for (auto m = kAddressPassword.globalMatch(conninfo); m.hasNext();) {
        const QString raw = m.next().captured(2);
        secrets << raw << QUrl::fromPercentEncoding(raw.toUtf8());
    }
    secrets.removeAll(QString());
    return secrets;
}

bool quotesAny(const QString& text, const QStringList& secrets) {
    return std::any_of(secrets.begin(), secrets.end(),
                       [&text](const QString& secret) { return text.contains(secret); });
}

} // namespace

QString maskedConninfo(const QString& conninfo) {
    QString masked = conninfo;
    masked.replace(kPasswordKey, QStringLiteral("\\1***"));
    masked.replace(kAddressPassword, QStringLiteral("\\1***\\3"));
    return masked;
}

ServerSetting serverSetting(const QString& programDir) {
    ServerSetting setting;
    const QString value = ReadSetting(programDir, setting::OfficeServer).trimmed();
    if (value.isEmpty())
        return setting;
    const QStringList secrets = secretsIn(value);
    const QByteArray conninfo = value.toUtf8();
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.constData(), &error);
    if (!options) {
        // libpq's reason quotes the string; it is shown only when it quotes no password.
        const QString reason = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("内存不足");
        PQfreemem(error);
        setting.error = {Failure::BadSetting,
                         QStringLiteral("连接串无法解析%1（%2）")
                             .arg(quotesAny(reason, secrets) ? QString() : "：" + reason, maskedConninfo(value))};
        return setting;
    }
    bool password = !secrets.isEmpty();
    for (PQconninfoOption* option = options; option->keyword; ++option)
        if (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val)
            password = true;
    PQconninfoFree(options);
    if (password)
        setting.error = {Failure::BadSetting,
                         QStringLiteral("不能把口令写在 set.ini 里，请放在 ~/.pgpass（权限 0600）或改用证书登录")};
    else
        setting.conninfo = conninfo;
    return setting;
}

QString serverName(const QByteArray& conninfo) {
    QStringList parts;
    if (PQconninfoOption* options = PQconninfoParse(conninfo.constData(), nullptr)) {
        for (PQconninfoOption* option = options; option->keyword; ++option) {
            const QByteArray key = option->keyword;
            if (option->val && *option->val &&
                (key == "service" || key == "host" || key == "hostaddr" || key == "port" || key == "dbname" ||
                 key == "user"))
                parts << QStringLiteral("%1=%2").arg(QString::fromUtf8(key), QString::fromUtf8(option->val));
        }
        PQconninfoFree(options);
    }
    return maskedConninfo(parts.join(u' '));
}

} // namespace office
