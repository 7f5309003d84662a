// The link table is product configuration: each item's address is fixed here and nowhere else.
#include "WebLinks.h"

#include "FixedTexts.h"
#include "platform/Dialogs.h"
#include "platform/ProductAddresses.h"
#include "platform/Services.h"
#include "platform/Shell.h"

const QList<WebLink>& webLinks() {
    static const QList<WebLink> links{
        {QStringLiteral("吉林省"), QStringLiteral("https://www.jl.tobacco.com.cn/")},
        {QStringLiteral("辽宁省"), QStringLiteral("https://www.ln.tobacco.com.cn/")},
        {QStringLiteral("山西省"), QStringLiteral("https://www.sx.tobacco.com.cn/")},
        {QStringLiteral("河北省"), QStringLiteral("https://www.he.tobacco.com.cn/")},
        {QStringLiteral("江苏省"), QStringLiteral("https://www.js.tobacco.com.cn/")},
        {QStringLiteral("浙江省"), QStringLiteral("https://www.zj.tobacco.com.cn/")},
        {QStringLiteral("安徽省"), QStringLiteral("https://www.ah.tobacco.com.cn/")},
        {QStringLiteral("福建省"), QStringLiteral("https://www.fj.tobacco.com.cn/")},
        {QStringLiteral("江西省"), QStringLiteral("https://www.jx.tobacco.com.cn/")},
        {QStringLiteral("山东省"), QStringLiteral("https://www.sd.tobacco.com.cn/")},
        {QStringLiteral("河南省"), QStringLiteral("https://www.ha.tobacco.com.cn/")},
        {QStringLiteral("湖北省"), QStringLiteral("https://www.hb.tobacco.com.cn/")},
        {QStringLiteral("湖南省"), QStringLiteral("https://www.hn.tobacco.com.cn/")},
        {QStringLiteral("广东省"), QStringLiteral("https://www.gd.tobacco.com.cn/")},
        {QStringLiteral("海南省"), QStringLiteral("https://www.hi.tobacco.com.cn/")},
        {QStringLiteral("四川省"), QStringLiteral("https://www.sc.tobacco.com.cn/")},
        {QStringLiteral("贵州省"), QStringLiteral("https://www.gz.tobacco.com.cn/")},
        {QStringLiteral("云南省"), QStringLiteral("https://www.yn.tobacco.com.cn/")},
        {QStringLiteral("陕西省"), QStringLiteral("https://www.sn.tobacco.com.cn/")},
        {QStringLiteral("甘肃省"), QStringLiteral("https://www.gs.tobacco.com.cn/")},
        {QStringLiteral("青海省"), QStringLiteral("https://www.qh.tobacco.com.cn/")},
        {QStringLiteral("黑龙江省"), QStringLiteral("https://www.hl.tobacco.com.cn/")},
        {QStringLiteral("搜狗拼音下载"), QStringLiteral("https://pinyin.sogou.com/")},
        {QStringLiteral("极点五笔下载"), QStringLiteral("https://www.freewb.org/")},
        {QStringLiteral("官方网站"), QString::fromLatin1(product::kHomeAddress)},
    };
    return links;
}

void OpenWebLink(Services& s, const QString& item) {
    for (const WebLink& link : webLinks()) {
        if (link.item != item)
            continue;
        if (!s.shell.openUrl(link.address))
            s.dialogs.message(QStringLiteral("无 法 打 开 网 页："),
                              QStringLiteral("没 有 可 以 打 开 网 页 的 浏 览 器： %1").arg(link.address));
        return;
    }
    s.dialogs.message(QStringLiteral("无 法 打 开 网 页："), QStringLiteral("菜 单 项 \"%1\" 没 有 网 址.").arg(item));
}

void ShowContact(Services& s) {
    s.dialogs.message(QStringLiteral("作者信息："), help::contactText());
}
