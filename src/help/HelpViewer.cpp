// The text viewer covers the page area and shows one file, whose path is kept for printing.
#include "HelpViewer.h"

#include "FixedTexts.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/Gbk.h"
#include "platform/Services.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

// The viewer shows a file's bytes up to the first zero byte, as GB18030 text; an unreadable file
// shows nothing.
QString viewerText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return gbk::decode(bytes);
}

void showInViewer(MainWindow& w, const QString& path) {
    w.超级编辑框1->setGeometry(1, 64, 1017, 506);
    w.超级编辑框1->setPlainText(viewerText(path));
    // The buttons sit over the viewer's lower edge, so they are raised after it.
    for (QWidget* control :
         {static_cast<QWidget*>(w.超级编辑框1), static_cast<QWidget*>(w.按钮3), static_cast<QWidget*>(w.按钮6)}) {
        control->show();
        control->raise();
    }
}

} // namespace

void ShowGuide(MainWindow& w, Services& s, FormState& form) {
    const QString path = s.cacheDir + QStringLiteral("/js.txt");
    form.viewedFile = path;
    durable::Result r = durable::makeFolder(QFileInfo(path).absolutePath());
    if (r)
        r = durable::writeFile(path, help::guideBytes());
    if (!r)
        s.dialogs.message(QStringLiteral("提 示："),
                          QStringLiteral(" 笔录制作过程文件无法写入 <%1> ：%2 ").arg(path, r.text()));
    showInViewer(w, path);
}

void ShowHelpFile(MainWindow& w, Services& s, FormState& form) {
    const QString path = s.programDir + QStringLiteral("/帮助.txt");
    form.viewedFile = path;
    showInViewer(w, path);
}
