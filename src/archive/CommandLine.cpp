// The archive's commands, on an archive whose work is done at once.
#include "archive/CommandLine.h"

#include "archive/CustodyLog.h"

#include "transcript/Usage.h"

#include "platform/ProgramDir.h"

#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace archive {

namespace {

void appendInquiryLine(std::string& lines, const ListedInquiry& row) {
    for (const QByteArrayView field : {row.date, row.interviewee, row.unit, row.place})
        lines.append(field.data(), size_t(field.size())).push_back('\t');
    lines.append(std::to_string(row.pairs)).push_back('\t');
    lines.append(row.name.data(), size_t(row.name.size())).push_back('\n');
}

// An answer's lines, kept in blocks: a long answer is never moved as it grows, and takes no more
// memory than its lines.
class AnswerLines {
public:
    void append(const ListedInquiry& row) {
        if (m_blocks.empty() || m_blocks.back().size() + kRoomForALine > kBlockBytes) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(kBlockBytes);
        }
        appendInquiryLine(m_blocks.back(), row);
    }
    void clear() { m_blocks.clear(); }
    bool write(std::FILE* out) const {
        for (const std::string& block : m_blocks)
            if (std::fwrite(block.data(), 1, block.size(), out) != block.size())
                return false;
        return std::fflush(out) == 0;
    }

private:
    static constexpr size_t kBlockBytes = 256 * 1024;
    // A line longer than this only makes its block grow.
    static constexpr size_t kRoomForALine = 4096;
    std::vector<std::string> m_blocks;
};

int listInquiries(Archive& archive, const QStringList& words) {
    archive.refresh();
    QTextStream err(stderr);
    // The lines as the index's bytes, not as rows: a search may answer every inquiry of the office.
    // They are printed once the answer is whole, since rows read before a damaged page are not the
    // answer.
    AnswerLines lines;
    QStringList problems;
    const sql::Error failed = archive.list(
        {words.join(u' '), {}, {}},
        [&](const ListedInquiry& row) {
            lines.append(row);
            if (!row.problem.isEmpty())
                problems << QStringLiteral("笔录模板 %1.ini：%2")
                                .arg(QString::fromUtf8(row.name), QString::fromUtf8(row.problem));
        },
        [&] {
            lines.clear();
            problems.clear();
        });
    if (!failed) {
        err << QStringLiteral("笔录档案无法查找：%1").arg(failed.text) << Qt::endl;
        return 1;
    }
    if (!lines.write(stdout)) {
        err << QStringLiteral("查找结果没有写完：%1").arg(QString::fromLocal8Bit(std::strerror(errno))) << Qt::endl;
        return 1;
    }
    for (const QString& problem : problems)
        err << problem << Qt::endl;
    // An index that could not be read or brought up to date has been named on standard error.
    return archive.lastSyncError().ok() ? 0 : 1;
}

} // namespace

QString inquiryLine(const InquiryRow& row) {
    const QByteArray date = row.date.toUtf8();
    const QByteArray interviewee = row.interviewee.toUtf8();
    const QByteArray unit = row.unit.toUtf8();
    const QByteArray place = row.place.toUtf8();
    const QByteArray name = row.name.toUtf8();
    std::string line;
    appendInquiryLine(line, {date, interviewee, unit, place, row.pairs, name, {}});
    line.pop_back();
    return QString::fromStdString(line);
}

std::unique_ptr<Archive> consoleArchive(const QString& programDir) {
    auto archive = std::make_unique<Archive>(programDir, Archive::Work::AtOnce, [](const QString& text) {
        QTextStream(stderr) << QStringLiteral("提示：") << text << Qt::endl;
    });
    QObject::connect(archive.get(), &Archive::statusNote,
                     [](const QString& text) { QTextStream(stderr) << text << Qt::endl; });
    return archive;
}

int archiveCommand(const QStringList& arguments) {
    // "--" ends the options: the words after it are searched whatever they begin with.
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = end < 0 ? arguments : arguments.first(end);
    for (const QString& word : options)
        if (word.startsWith(QLatin1String("--")) && options != QStringList{QStringLiteral("--rebuild")})
            return transcript::usageError(QStringLiteral("archive 不认识的选项 %1").arg(word));
    const std::unique_ptr<Archive> archive = consoleArchive(programdir::resolveForCommand());
    if (options == QStringList{QStringLiteral("--rebuild")}) {
        archive->rebuild();
        return archive->lastSyncError().ok() ? 0 : 1;
    }
    return listInquiries(*archive, end < 0 ? arguments : arguments.mid(end + 1));
}

} // namespace archive
