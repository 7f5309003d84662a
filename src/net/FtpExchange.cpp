// The "网络功能" commands: the FTP settings panel, template upload and template download.
#include "net/FtpExchange.h"

#include "net/FtpConnection.h"
#include "net/TransferStatus.h"
#include "platform/ArchiveJournal.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"
#include "platform/SaveTransaction.h"
#include "platform/Services.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>

#include <optional>

namespace {

const QString kRemoteDirectory = QStringLiteral("wwwroot/");
const QString kSettingsCaption = QStringLiteral("请完善FTP服务器配置才可以上传下载：");
const QString kHintCaption = QStringLiteral("提示：");
const QString kUploadFailed = QStringLiteral("笔录上传失败.");
const QString kDownloadFailed = QStringLiteral("笔录下载失败.");

// The checks both transfers start with: the remote file name they work on, or nothing when one of
// them stopped the command. The name is read once: the field stays editable while the transfer
// runs, and a name typed meanwhile must not escape the check.
std::optional<QString> checkTransferSettings(MainWindow& w, Services& s, const FtpConnection& ftp) {
    if (ftp.isBusy()) {
        s.dialogs.message(kHintCaption, QStringLiteral("笔录正在上传或下载，请等这次传输结束后再试。"));
        return std::nullopt;
    }
    const QString name = w.编辑框23->text();
    if (w.编辑框20->text().isEmpty() || w.编辑框21->text().isEmpty() || w.编辑框22->text().isEmpty() ||
        name.isEmpty()) {
        s.dialogs.message(kSettingsCaption, QStringLiteral("FTP服务器配置没有添写！"));
        return std::nullopt;
    }
    if (!isSafeTemplateName(name)) {
        s.dialogs.message(kSettingsCaption,
                          QStringLiteral("文件名不能含有“/”、“\\”、“..”、换行符或空字符，请只填写笔录文件的名称！"));
        return std::nullopt;
    }
    return name + QStringLiteral(".ini");
}

// A failure goes to the status message box and to a message box, with its cause. A cancel is what
// the user asked for: the status bar says it, without a box to close.
void reportFailure(FormState& form, Services& s, const QString& text, bool cancelled = false) {
    form.status = text;
    if (!cancelled)
        s.dialogs.message(kHintCaption, text);
}

// error: what failed, in the connection's words. While the program ends, nobody is left to close a box:
// the status bar alone says it.
void reportTransferFailure(FormState& form, Services& s, const FtpConnection& ftp, const QString& failedText,
                           const QString& error) {
    reportFailure(form, s, failedText + u' ' + error,
                  ftp.lastFailure() == FtpConnection::Failure::Cancelled || ftp.programEnded());
}

// Connects with the panel's settings and moves to the template directory. When that directory is
// missing the transfer runs in the login directory, as on the servers the templates are shared on.
// A failure is told once the status bar no longer shows the transfer.
bool connectWithPanelSettings(MainWindow& w, Services& s, FormState& form, FtpConnection& ftp, TransferStatus& status,
                              const QString& failedText) {
    status.show(QStringLiteral("正在连接FTP服务器 %1 ...").arg(w.编辑框20->text()));
    if (!ftp.connect(w.编辑框20->text(), w.编辑框21->text(), w.编辑框22->text())) {
        status.finish();
        switch (ftp.lastFailure()) {
        case FtpConnection::Failure::LoginRefused:
            reportFailure(form, s, QStringLiteral("服务器帐号密码不对.. ") + ftp.lastError());
            break;
        case FtpConnection::Failure::Cancelled:
            reportTransferFailure(form, s, ftp, failedText, ftp.lastError());
            break;
        default:
            reportFailure(form, s, QStringLiteral("FTP服务器连接失败.. ") + ftp.lastError());
            break;
        }
        return false;
    }
    if (!ftp.changeDirectory(kRemoteDirectory) && ftp.lastFailure() != FtpConnection::Failure::RemoteMissing) {
        status.finish();
        reportTransferFailure(form, s, ftp, failedText, ftp.lastError());
        return false;
    }
    return true;
}

} // namespace

bool isSafeTemplateName(const QString& name) {
    // A line break would also end the FTP command that renames an upload to this name.
    return !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(u'\0')) && !name.contains(u'\r') &&
           !name.contains(u'\n') && !name.contains(QStringLiteral(".."));
}

void ToggleFtpPanel(MainWindow& w) {
    w.分组框7->move(1, 0);
    w.分组框7->setVisible(w.分组框7->isHidden());
    if (w.分组框7->isVisibleTo(&w))
        w.分组框7->raise();
}

void UploadTemplate(MainWindow& w, Services& s, FormState& form, FtpConnection& ftp) {
    const std::optional<QString> remoteName = checkTransferSettings(w, s, ftp);
    if (!remoteName)
        return;
    const QString localPath = s.dialogs.browse(QStringLiteral(" "));
    // The check is on the bytes "ini" anywhere in the path, as the command has always done it.
    if (localPath.isEmpty() || !localPath.contains(QStringLiteral("ini"))) {
        s.dialogs.message(kHintCaption, QStringLiteral("请选择笔录模板文件.ini上传"));
        return;
    }
    TransferStatus status(w, form, ftp);
    if (!connectWithPanelSettings(w, s, form, ftp, status, kUploadFailed))
        return;
    status.showTransfer(QStringLiteral("正在上传 %1").arg(*remoteName));
    const bool uploaded = ftp.upload(localPath, *remoteName);
    status.finish();
    if (uploaded) {
        s.journal.record({JournalEvent::Kind::Uploaded,
                          QFileInfo(localPath).completeBaseName(),
                          {localPath},
                          {{"server", w.编辑框20->text()}, {"remote", kRemoteDirectory + *remoteName}}});
        form.status = QStringLiteral("笔录模板文件.ini上传FTP服务器成功.");
    } else
        reportTransferFailure(form, s, ftp, kUploadFailed, ftp.lastError());
}

void DownloadTemplate(MainWindow& w, Services& s, FormState& form, FtpConnection& ftp) {
    const std::optional<QString> remoteName = checkTransferSettings(w, s, ftp);
    if (!remoteName)
        return;
    const QString blDir = programdir::blDir(s.programDir);
    // BL exists once a transcript has been saved; on a fresh install the first download makes it.
    if (const durable::Result made = durable::makeFolder(blDir); !made) {
        reportFailure(form, s, kDownloadFailed + QStringLiteral(" 无法建立目录 <%1>：%2").arg(blDir, made.text()));
        return;
    }
    const QString local = blDir + u'/' + *remoteName;
    // The template and its fingerprint go into place as a save puts them, together: a kill between
    // the two never leaves the new template beside the old one's fingerprint, which calls it changed.
    durable::SaveTransaction save({local, fingerprint::sidecarPath(local)});
    const auto unwritable = [&](const durable::Result& result) {
        reportFailure(form, s,
                      kDownloadFailed + QStringLiteral(" 无法写入文件 <%1>：%2").arg(save.failedFile(), result.text()));
    };
    if (const durable::Result begun = save.begin(); !begun) {
        unwritable(begun);
        return;
    }
    TransferStatus status(w, form, ftp);
    if (!connectWithPanelSettings(w, s, form, ftp, status, kDownloadFailed))
        return;
    status.showTransfer(QStringLiteral("正在下载 %1").arg(*remoteName));
    const QString staging = save.stagingPath(0);
    const bool downloaded = ftp.download(*remoteName, staging);
    status.finish();
    if (!downloaded) {
        // The user knows the file being written as the template.
        reportTransferFailure(form, s, ftp, kDownloadFailed, ftp.lastError().replace(staging, local));
        return;
    }
    durable::Result written = save.staged(0);
    if (written)
        written = save.stage(1, fingerprint::sidecarLine(save.digest(0), QFileInfo(local).fileName()));
    if (written)
        written = save.commit();
    if (!written) {
        unwritable(written);
        return;
    }
    s.journal.record({JournalEvent::Kind::Downloaded,
                      QFileInfo(local).completeBaseName(),
                      {local},
                      {{"server", w.编辑框20->text()}, {"remote", kRemoteDirectory + *remoteName}}});
    form.status = QStringLiteral("笔录模板.ini文件下载到 笔录软件的BL目录成功.");
}
