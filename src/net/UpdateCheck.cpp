// "更新软件": asks the product's web server whether a newer version exists.
#include "net/UpdateCheck.h"

#include "net/NetConfig.h"
#include "net/WebClient.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/IniProfile.h"
#include "platform/Services.h"

#include <QDir>

namespace {

const QString kCaption = QStringLiteral("提 示：");

// Why the descriptor cannot be trusted, or empty text when it can.
QString fetchFailure(const WebClient::Outcome& outcome) {
    if (outcome.tooLarge)
        return QStringLiteral("软件更新检查失败！ 更新服务器返回的更新信息过大。。。");
    if (outcome.status >= 400)
        return QStringLiteral("软件更新检查失败！ 更新服务器返回错误 %1。。。").arg(outcome.status);
    if (!outcome.completed)
        return QStringLiteral("软件更新检查失败！ 无法连接更新服务器，请检查网络后再试。。。");
    return QString();
}

} // namespace

void CheckForUpdate(Services& s, WebClient& web) {
    // A second check chosen while one is waiting for the server would only repeat it.
    if (web.isBusy()) {
        s.dialogs.message(kCaption, QStringLiteral("正在检查更新，请稍候。。。"));
        return;
    }
    const QByteArray text = web.FetchText(netconfig::updateAddress());
    // The program is ending: nobody is left to read an answer.
    if (web.lastOutcome().cancelled)
        return;
    const QString failure = fetchFailure(web.lastOutcome());
    if (!failure.isEmpty()) {
        s.dialogs.message(kCaption, failure);
        return;
    }
    const QString path = QDir(s.cacheDir).filePath(QStringLiteral("soft.ini"));
    durable::Result written = durable::makeFolder(s.cacheDir);
    if (written)
        written = durable::writeFile(path, text);
    if (!written) {
        s.dialogs.message(kCaption,
                          QStringLiteral("软件更新检查失败！ 无法写入文件 %1：%2。。。").arg(path, written.text()));
        return;
    }
    if (ini::readString(path, QStringLiteral("set"), QStringLiteral("gengxin")) == QStringLiteral("1"))
        s.dialogs.message(kCaption, QStringLiteral("软件有新版本！ 请到 ") + netconfig::homeAddress() +
                                        QStringLiteral(" 下载新版本使用。。。"));
    else
        s.dialogs.message(kCaption, QStringLiteral("软件暂时没有新版本用于更新！"));
}
