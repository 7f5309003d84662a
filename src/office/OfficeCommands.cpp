// Results on standard output, causes on standard error.
#include "office/OfficeCommands.h"

#include "archive/CommandLine.h"
#include "office/CustodyWitness.h"
#include "office/OfficeSearch.h"
#include "office/OfficeServer.h"
#include "office/ServerSetting.h"
#include "office/Sync.h"

#include "transcript/Usage.h"

#include "platform/ProgramDir.h"

#include <QTextStream>

using namespace archive;

namespace office {

namespace {

// Lines enough for any search an inspector reads through; a word more narrows it.
constexpr int kMostLines = 5000;

} // namespace

int syncCommand(const QStringList& arguments) {
    if (!arguments.isEmpty())
        return transcript::usageError(QStringLiteral("sync 不带参数"));
    static const std::atomic_bool never = false;
    const SyncResult result = syncNow(programdir::resolveForCommand(), never);
    QTextStream(stdout)
        << QStringLiteral("已推送 %1 份笔录，还有 %2 份等待推送。").arg(result.pushed).arg(result.waiting) << Qt::endl;
    if (result.clockAhead != 0)
        QTextStream(stdout) << clockText(result.clockAhead) << Qt::endl;
    if (result.error.ok())
        return 0;
    QTextStream(stderr) << result.error.text() << Qt::endl;
    return 1;
}

int officeSearchCommand(const QStringList& words) {
    static const std::atomic_bool never = false;
    pg::Connection connection(&never);
    ServerFacts facts;
    QList<OfficeRow> rows;
    Error error = connectOffice(programdir::resolveForCommand(), connection, &facts, false);
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

std::optional<archive::WitnessReport> serverWitness(const QString& programDir, const QList<archive::ChainLine>&) {
    const ServerSetting setting = serverSetting(programDir);
    if (!setting.configured())
        return std::nullopt;
    archive::WitnessReport witness;
    witness.name = QStringLiteral("笔录档案服务器上的副本");
    witness.consulted = serverName(setting.conninfo);
    static const std::atomic_bool never = false;
    pg::Connection connection(&never);
    ServerFacts facts;
    WitnessReport report;
    Error error = connectOffice(programDir, connection, &facts, false);
    if (error.ok())
        error = compareWithServer(connection, programDir, &report);
    if (!error.ok()) {
        witness.problems << QStringLiteral("没有能与笔录档案服务器上的副本比对：") + error.text();
        return witness;
    }
    // The server compares by each line's own fingerprint: it vouches for the lines it received,
    // unless one of them is no longer what it received.
    witness.problems = report.findings;
    witness.upToLine = witness.problems.isEmpty() ? report.received : 0;
    return witness;
}

} // namespace office
