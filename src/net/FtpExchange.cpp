// The "网络功能" commands: the FTP settings panel, template upload and template download.
#include "net/FtpExchange.h"

#include "net/FtpConnection.h"
#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "ui/MainWindow.h"

#include <QGroupBox>
#include <QLineEdit>

namespace {

const QString kRemoteDirectory = QStringLiteral("wwwroot/");
const QString kSettingsCaption = QStringLiteral("请完善FTP服务器配置才可以上传下载：");
const QString kHintCaption = QStringLiteral("提示：");

// The checks both transfers start with; false when one of them stopped the command.
bool checkTransferSettings(MainWindow& w, Services& s, const FtpConnection& ftp)
{
    if (ftp.isBusy()) {
        s.dialogs.message(kHintCaption, QStringLiteral("笔录正在上传或下载，请等这次传输结束后再试。"));
        return false;
    }
    if (w.编辑框20->text().isEmpty() || w.编辑框21->text().isEmpty() || w.编辑框22->text().isEmpty() ||
        w.编辑框23->text().isEmpty()) {
        s.dialogs.message(kSettingsCaption, QStringLiteral("FTP服务器配置没有添写！"));
        return false;
    }
    if (!isSafeTemplateName(w.编辑框23->text())) {
        s.dialogs.message(kSettingsCaption,
                          QStringLiteral("文件名不能含有“/”、“\\”、“..”或空字符，请只填写笔录文件的名称！"));
        return false;
    }
    return true;
}

// Connects with the panel's settings and moves to the template directory. When that directory is
// missing the transfer runs in the login directory, as on the servers the templates are shared on.
bool connectWithPanelSettings(MainWindow& w, FtpConnection& ftp)
{
    if (!ftp.connect(w.编辑框20->text(), w.编辑框21->text(), w.编辑框22->text())) {
        w.编辑框25->setText(QStringLiteral("服务器帐号密码不对.."));
        return false;
    }
    ftp.changeDirectory(kRemoteDirectory);
    return true;
}

QString remoteName(MainWindow& w)
{
    return w.编辑框23->text() + QStringLiteral(".ini");
}

} // namespace

bool isSafeTemplateName(const QString& name)
{
    return !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(u'\0')) &&
           !name.contains(QStringLiteral(".."));
}

void ToggleFtpPanel(MainWindow& w)
{
    w.分组框7->move(1, 0);
    w.分组框7->setVisible(w.分组框7->isHidden());
    if (w.分组框7->isVisibleTo(&w))
        w.分组框7->raise();
}

void UploadTemplate(MainWindow& w, Services& s, FtpConnection& ftp)
{
    if (!checkTransferSettings(w, s, ftp))
        return;
    w.编辑框17->setText(s.dialogs.browse(QStringLiteral(" ")));
    const QString localPath = w.编辑框17->text();
    // The check is on the bytes "ini" anywhere in the path, as the command has always done it.
    if (localPath.isEmpty() || !localPath.contains(QStringLiteral("ini"))) {
        s.dialogs.message(kHintCaption, QStringLiteral("请选择笔录模板文件.ini上传"));
        return;
    }
    if (!connectWithPanelSettings(w, ftp))
        return;
    w.编辑框25->setText(ftp.upload(localPath, remoteName(w)) ? QStringLiteral("笔录模板文件.ini上传FTP服务器成功.")
                                                             : QStringLiteral("笔录上传失败."));
}

void DownloadTemplate(MainWindow& w, Services& s, FtpConnection& ftp)
{
    if (!checkTransferSettings(w, s, ftp))
        return;
    if (!connectWithPanelSettings(w, ftp))
        return;
    const QString localPath = programdir::blDir(s.programDir) + u'/' + remoteName(w);
    w.编辑框25->setText(ftp.download(remoteName(w), localPath) ? QStringLiteral("笔录模板.ini文件下载到 笔录软件的BL目录成功.")
                                                               : QStringLiteral("笔录下载失败."));
}
