// OpenTemplate: the chosen template's keys replace the form's texts.
#include "transcript/OpenTemplate.h"

#include "transcript/FormBinding.h"
#include "transcript/TemplateFile.h"

#include "platform/ArchiveJournal.h"
#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "ui/MainWindow.h"

#include <QFileInfo>
#include <QLineEdit>

void OpenTemplate(MainWindow& w, Services& s) {
    const QString path = s.dialogs.openFile(w.通用对话框2);
    if (path.isEmpty()) {
        s.dialogs.message(QStringLiteral("提示："),
                          QStringLiteral(" 没有选择正确的笔录模板 *.ini文件，模板文件保存在 <%1/> 目录中。")
                              .arg(programdir::blDir(s.programDir)));
        return;
    }
    LoadTemplate(w, s, path);
}

void LoadTemplate(MainWindow& w, Services& s, const QString& path) {
    transcript::fillForm(w, transcript::readTemplate(path));
    s.journal.record({JournalEvent::Kind::Opened, QFileInfo(path).completeBaseName(), {path}});
}
