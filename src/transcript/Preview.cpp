// PreviewDocument: the desktop's handler first, else a print preview painted by our own renderer.
#include "transcript/Preview.h"

#include "transcript/WordEngine.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/Shell.h"
#include "ui/MainWindow.h"

#include <QDialog>

void PreviewDocument(MainWindow& w, Services& s, transcript::WordEngine& engine, const QString& path) {
    if (s.shell.openDocument(path))
        return;
    const std::shared_ptr<QDialog> preview = engine.makePreview(path, &w);
    if (!preview) {
        s.dialogs.message(QStringLiteral("提 示："), QStringLiteral(" 无法预览笔录文件 <%1> 。 ").arg(path));
        return;
    }
    preview->setObjectName(QStringLiteral("printPreview"));
    preview->setWindowTitle(path);
    s.dialogs.runModal(*preview);
}
