// The sentences of the office archive's failures.
#include "office/OfficeError.h"

namespace office {

QString Error::text() const {
    switch (failure) {
    case Failure::None:
        return {};
    case Failure::NotConfigured:
        return QStringLiteral("没有设置笔录档案服务器：set.ini 的 [archive] 节没有 server 一项。");
    case Failure::BadSetting:
        return QStringLiteral("set.ini 中 [archive] 的 server 设置不能用：%1").arg(detail);
    case Failure::Unreachable:
        return QStringLiteral("连不上笔录档案服务器：%1").arg(detail);
    case Failure::LoginRefused:
        return QStringLiteral("笔录档案服务器拒绝登录：%1\n口令请放在 ~/.pgpass（权限 0600），或用证书登录。")
            .arg(detail);
    case Failure::Untrusted:
        return QStringLiteral("笔录档案服务器的证书没有通过验证，没有连接：%1").arg(detail);
    case Failure::PolicyDenied:
        return QStringLiteral("笔录档案服务器不允许这样做（权限不足）：%1").arg(detail);
    case Failure::SchemaMissing:
        return QStringLiteral("服务器的数据库里还没有笔录档案：请管理员用 office-archive.sql 建立。（%1）").arg(detail);
    case Failure::SchemaTooOld:
        return QStringLiteral("服务器上的笔录档案版本太旧：%1。请管理员用本程序带的 office-archive.sql 升级。")
            .arg(detail);
    case Failure::SchemaTooNew:
        return QStringLiteral("服务器上的笔录档案版本比本程序新：%1。请升级本程序。").arg(detail);
    case Failure::DiskFull:
        return QStringLiteral("笔录档案服务器的磁盘已满：%1").arg(detail);
    case Failure::Stopped:
        return QStringLiteral("程序正在退出，没有做完。");
    case Failure::LocalOutbox:
        return QStringLiteral("本机的待推送记录（archive.sqlite）无法使用：%1").arg(detail);
    case Failure::Other:
        break;
    }
    return QStringLiteral("笔录档案服务器出错：%1").arg(detail);
}

} // namespace office
