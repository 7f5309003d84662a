// The archive's commands, on an archive whose work is done at once.
#include "archive/CommandLine.h"

#include "archive/CustodyLog.h"
#include "archive/Export.h"
#include "archive/office/OfficeCommands.h"

#include <QFileInfo>
#include <QTextStream>

namespace archive {

namespace {

int usageError(const QString& text) {
    QTextStream(stderr) << text << QStringLiteral("\n（quillon --help 显示用法）") << Qt::endl;
    return 2;
}

int listInquiries(Archive& archive, const QStringList& words) {
    archive.refresh();
    QTextStream out(stdout);
    QTextStream err(stderr);
    for (const InquiryRow& row : archive.search({words.join(u' '), {}, {}})) {
        out << inquiryLine(row) << '\n';
        if (!row.problem.isEmpty())
            err << QStringLiteral("笔录模板 %1.ini：%2").arg(row.name, row.problem) << Qt::endl;
    }
    out.flush();
    // An index that could not be read or brought up to date has been named on standard error.
    return archive.lastSyncError().ok() ? 0 : 1;
}

int exportBundle(Archive& archive, const QStringList& args, const PdfMaker& pdf) {
    QString templatePath;
    QString target;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            target = args[++i];
        else if (!args[i].startsWith(QLatin1String("--")) && templatePath.isEmpty())
            templatePath = args[i];
        else
            return usageError(QStringLiteral("export 不认识的参数 %1").arg(args[i]));
    }
    if (templatePath.isEmpty() || target.isEmpty())
        return usageError(QStringLiteral("export 需要一个笔录模板和 --out FILE.zip"));
    archive.refresh();
    if (!archive.lastSyncError().ok()) {
        QTextStream(stderr)
            << QStringLiteral("移交包没有导出：笔录档案索引无法使用（%1）").arg(archive.lastSyncError().text)
            << Qt::endl;
        return 1;
    }
    const BundleResult result = exportInquiry(archive, templatePath, target, pdf, [](const BundleRequest& request) {
        BundleProgress progress;
        return writeBundle(request, progress, [] { return false; });
    });
    QTextStream err(stderr);
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

} // namespace

QString inquiryLine(const InquiryRow& row) {
    return QStringList{row.date, row.interviewee, row.unit, row.place, QString::number(row.pairs), row.name}.join(
        u'\t');
}

bool isCommandLine(const QStringList& args) {
    static const QStringList kCommands{"archive", "export", "log", "sync"};
    return args.size() > 1 && kCommands.contains(args[1]);
}

std::unique_ptr<Archive> consoleArchive(const QString& programDir) {
    auto archive = std::make_unique<Archive>(programDir, Archive::Work::AtOnce, [](const QString& text) {
        QTextStream(stderr) << QStringLiteral("提示：") << text << Qt::endl;
    });
    QObject::connect(archive.get(), &Archive::statusNote,
                     [](const QString& text) { QTextStream(stderr) << text << Qt::endl; });
    return archive;
}

int runCommandLine(const QStringList& args, const QString& programDir, const PdfMaker& pdf) {
    const QString command = args.value(1);
    const QStringList rest = args.mid(2);
    if (command == QLatin1String("log")) {
        if (rest != QStringList{QStringLiteral("verify")})
            return usageError(QStringLiteral("log 只有 verify 一个命令"));
        return verifyCommand(programDir);
    }
    if (command == QLatin1String("sync")) {
        if (!rest.isEmpty())
            return usageError(QStringLiteral("sync 不带参数"));
        return office::syncCommand(programDir);
    }
    if (command == QLatin1String("archive") && rest.value(0) == QLatin1String("--office"))
        return office::officeSearchCommand(programDir, rest.mid(1));
    const std::unique_ptr<Archive> archive = consoleArchive(programDir);
    if (command == QLatin1String("export"))
        return exportBundle(*archive, rest, pdf);
    if (rest == QStringList{QStringLiteral("--rebuild")}) {
        archive->rebuild();
        return archive->lastSyncError().ok() ? 0 : 1;
    }
    for (const QString& word : rest)
        if (word.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("archive 不认识的选项 %1").arg(word));
    return listInquiries(*archive, rest);
}

} // namespace archive
