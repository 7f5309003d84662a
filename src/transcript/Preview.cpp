// PreviewDocument: the desktop's handler first, else a print preview painted by our own renderer.
#include "transcript/Preview.h"

#include "transcript/WordEngine.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/Shell.h"
#include "ui/MainWindow.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

void PreviewDocument(MainWindow& w, Services& s, transcript::WordEngine& engine, const QString& path) {
    if (s.shell.openDocument(path))
        return;
    QPrintPreviewDialog preview(&w);
    preview.setObjectName(QStringLiteral("printPreview"));
    preview.setWindowTitle(path);
    bool painted = true;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&](QPrinter* printer) { painted = engine.paint(path, *printer) && painted; });
    s.dialogs.runModal(preview);
    if (!painted)
        s.dialogs.message(QStringLiteral("提 示："), QStringLiteral(" 无法预览笔录文件 <%1> 。 ").arg(path));
}
