// Results on standard output, causes on standard error.
#include "office/OfficeCommands.h"

#include "archive/CommandLine.h"
#include "office/OfficeSearch.h"
#include "office/OfficeServer.h"
#include "office/Sync.h"

#include <QTextStream>

using namespace archive;

namespace office {

namespace {

// Lines enough for any search an inspector reads through; a word more narrows it.
constexpr int kMostLines = 5000;

} // namespace

int syncCommand(const QString& programDir) {
    static const std::atomic_bool never = false;
    const SyncResult result = syncNow(programDir, never);
    QTextStream(stdout)
        << QStringLiteral("已推送 %1 份笔录，还有 %2 份等待推送。").arg(result.pushed).arg(result.waiting) << Qt::endl;
    if (result.error.ok())
        return 0;
    QTextStream(stderr) << result.error.text() << Qt::endl;
    return 1;
}

int officeSearchCommand(const QString& programDir, const QStringList& words) {
    static const std::atomic_bool never = false;
    pg::Connection connection(&never);
    ServerFacts facts;
    QList<OfficeRow> rows;
    Error error = connectOffice(programDir, connection, &facts, false);
    if (error.ok())
        error = searchOffice(connection, words.join(u' '), kMostLines, &rows);
    if (!error.ok()) {
        QTextStream(stderr) << error.text() << Qt::endl;
        return 1;
    }
    QTextStream out(stdout);
    for (const OfficeRow& row : rows)
        out << inquiryLine(row.row) << '\n';
    out.flush();
    if (rows.size() == kMostLines)
        QTextStream(stderr) << QStringLiteral("提示：只列出了最新的 %1 份，请多给一个词缩小范围").arg(kMostLines)
                            << Qt::endl;
    return 0;
}

} // namespace office
