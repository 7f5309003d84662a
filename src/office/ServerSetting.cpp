// The connection string checked by libpq's own parser.
#include "office/ServerSetting.h"

#include "platform/Settings.h"

#include <QStringList>

#include <libpq-fe.h>

namespace office {

ServerSetting serverSetting(const QString& programDir) {
    ServerSetting setting;
    const QString value = ReadSetting(programDir, QStringLiteral("archive"), QStringLiteral("server")).trimmed();
    if (value.isEmpty())
        return setting;
    const QByteArray conninfo = value.toUtf8();
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.constData(), &error);
    if (!options) {
        setting.error = {Failure::BadSetting, error ? QString::fromUtf8(error).trimmed() : QStringLiteral("内存不足")};
        PQfreemem(error);
        return setting;
    }
    bool password = false;
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
    return parts.join(u' ');
}

} // namespace office
