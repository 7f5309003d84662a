// The export on an archive whose work is done at once.
#include "archive/ExportCommand.h"

#include "archive/CommandLine.h"
#include "archive/Export.h"

#include "transcript/Usage.h"

#include "platform/ProgramDir.h"

#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace archive {

int exportCommand(const QStringList& arguments, const PdfMaker& pdf, const SheetPrinter& paintSheet) {
    QString templatePath;
    QString target;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--out") && i + 1 < arguments.size())
            target = arguments[++i];
        else if (!arguments[i].startsWith(QLatin1String("--")) && templatePath.isEmpty())
            templatePath = arguments[i];
        else
            return transcript::usageError(QStringLiteral("export 不认识的参数 %1").arg(arguments[i]));
    }
    if (templatePath.isEmpty() || target.isEmpty())
        return transcript::usageError(QStringLiteral("export 需要一个笔录模板和 --out FILE.zip"));
    const std::unique_ptr<Archive> archive = consoleArchive(programdir::resolveForCommand());
    archive->refresh();
    QTextStream err(stderr);
    if (!archive->lastSyncError().ok()) {
        err << QStringLiteral("移交包没有导出：笔录档案索引无法使用（%1）").arg(archive->lastSyncError().text)
            << Qt::endl;
        return 1;
    }
    const BundleResult result = exportInquiry(
        *archive, templatePath, target, pdf,
        [](const BundleRequest& request) {
            BundleProgress progress;
            return writeBundle(request, progress, [] { return false; });
        },
        paintSheet);
    if (!result.warning.isEmpty())
        err << QStringLiteral("提示：移交包的清单没有可信时间戳：%1").arg(result.warning) << Qt::endl;
    for (const QString& path : result.missing)
        err << QStringLiteral("提示：证据文件 <%1> 已不存在，没有放入移交包").arg(path) << Qt::endl;
    if (!result.ok) {
        err << QStringLiteral("移交包没有导出：%1").arg(result.error) << Qt::endl;
        return 1;
    }
    QTextStream out(stdout);
    out << QStringLiteral("移交包：") << QFileInfo(target).absoluteFilePath() << Qt::endl;
    for (const QString& name : result.names)
        out << "  " << name << Qt::endl;
    return 0;
}

} // namespace archive
