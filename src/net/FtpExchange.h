// The "网络功能" commands: the FTP settings panel, template upload and template download.
#pragma once

class FtpConnection;
class MainWindow;
struct FormState;
class QString;
struct Services;

// "FTP笔录服务器配置": brings the settings panel to the window's corner and shows or hides it.
void ToggleFtpPanel(MainWindow& w);
// "笔录上传": uploads a template chosen on disk under the name typed in the panel.
void UploadTemplate(MainWindow& w, Services& s, FormState& form, FtpConnection& ftp);
// "笔录下载": downloads the template named in the panel into the BL directory.
void DownloadTemplate(MainWindow& w, Services& s, FormState& form, FtpConnection& ftp);

// True when the typed template name stays inside its directory and on one line: no "/", "\", "..",
// NUL, CR or LF.
bool isSafeTemplateName(const QString& name);
