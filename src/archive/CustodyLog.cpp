// Entries as compact JSON lines, appended under the log's lock, and the check of the chain.
#include "archive/CustodyLog.h"

#include "archive/Locations.h"

#include "platform/Fingerprint.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSysInfo>
#include <QTextStream>

#include <pwd.h>
#include <unistd.h>

namespace archive {

namespace custody {

QString eventText(const QString& event) {
    static const QHash<QString, QString> texts{
        {kComposed, QStringLiteral("生成")},
        {kSaved, QStringLiteral("保存")},
        {kOverwriteDeclined, QStringLiteral("不覆盖文档")},
        {kPrinted, QStringLiteral("打印")},
        {kRecordingSaved, QStringLiteral("录音保存")},
        {kCaptureFinished, QStringLiteral("录像结束")},
        {kCaptureRepaired, QStringLiteral("录像修复")},
        {kUploaded, QStringLiteral("上传")},
        {kDownloaded, QStringLiteral("下载")},
        {kFingerprintChecked, QStringLiteral("校验")},
        {kLinked, QStringLiteral("关联证据")},
        {kUnlinked, QStringLiteral("取消关联")},
        {kExportBegun, QStringLiteral("开始导出")},
        {kExported, QStringLiteral("导出")},
        {kDiscarded, QStringLiteral("放弃")},
        {kSetAside, QStringLiteral("无法修复，移出")},
        {kReadBack, QStringLiteral("宣读核对")},
        {kCorrected, QStringLiteral("宣读后更正")},
        {kCorrectionsPrinted, QStringLiteral("打印更正记录")},
        {kStoppedEarly, QStringLiteral("宣读核对前停止录音录像")},
    };
    return texts.value(event, event);
}

QString userName() {
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(::geteuid());
}

QString detailText(const QString& key) {
    static const QHash<QString, QString> texts{
        {QStringLiteral("printer"), QStringLiteral("打印机")},
        {QStringLiteral("server"), QStringLiteral("服务器")},
        {QStringLiteral("remote"), QStringLiteral("服务器上的文件")},
        {QStringLiteral("from"), QStringLiteral("原来的位置")},
        {QStringLiteral("bundle"), QStringLiteral("移交包")},
        {QStringLiteral("excerpt"), QStringLiteral("摘录的记录")},
        {QStringLiteral("field"), QStringLiteral("栏目")},
        {QStringLiteral("before"), QStringLiteral("原为")},
        {QStringLiteral("after"), QStringLiteral("改为")},
        {QStringLiteral("marks"), QStringLiteral("时间标记")},
        {QStringLiteral("recording"), QStringLiteral("停止的")},
        {QStringLiteral("reason"), QStringLiteral("停止原因")},
    };
    return texts.value(key, key);
}

} // namespace custody

namespace {

// The "previous line" of the first line.
const QString kNoLineBefore = QString(64, u'0');

QString sha256Of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The last line of the log: its bytes, and whether a line feed ends it. Empty for an empty log.
QPair<QByteArray, bool> lastLine(const durable::AppendFile& log) {
    const qint64 size = log.size();
    if (size == 0)
        return {};
    const bool complete = log.read(size - 1, 1) == "\n";
    const qint64 end = complete ? size - 1 : size;
    qint64 start = end;
    // Backwards in growing steps until the line feed before the line.
    for (qint64 step = 4096; start > 0; step *= 2) {
        const qint64 from = std::max<qint64>(0, end - step);
        const qsizetype feed = log.read(from, end - from).lastIndexOf('\n');
        if (feed >= 0) {
            start = from + feed + 1;
            break;
        }
        start = from;
    }
    return {log.read(start, end - start), complete};
}

} // namespace

std::optional<CustodyEntry> CustodyEntry::parse(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();
    if (!o.value(QStringLiteral("event")).isString() || !o.value(QStringLiteral("prev")).isString())
        return std::nullopt;
    CustodyEntry entry;
    entry.time = o.value(QStringLiteral("time")).toString();
    entry.user = o.value(QStringLiteral("user")).toString();
    entry.host = o.value(QStringLiteral("host")).toString();
    entry.event = o.value(QStringLiteral("event")).toString();
    entry.inquiry = o.value(QStringLiteral("inquiry")).toString();
    entry.note = o.value(QStringLiteral("note")).toString();
    entry.previous = o.value(QStringLiteral("prev")).toString();
    for (const QJsonValue file : o.value(QStringLiteral("files")).toArray()) {
        const QJsonObject f = file.toObject();
        entry.files.append({f.value(QStringLiteral("name")).toString(), f.value(QStringLiteral("sha256")).toString(),
                            f.value(QStringLiteral("check")).toString()});
    }
    const QJsonObject details = o.value(QStringLiteral("details")).toObject();
    for (auto it = details.begin(); it != details.end(); ++it)
        entry.details.append({it.key(), it.value().toString()});
    return entry;
}

QByteArray CustodyEntry::line() const {
    QJsonObject o;
    o.insert(QStringLiteral("time"), time);
    o.insert(QStringLiteral("user"), user);
    o.insert(QStringLiteral("host"), host);
    o.insert(QStringLiteral("event"), event);
    o.insert(QStringLiteral("inquiry"), inquiry);
    QJsonArray fileList;
    for (const CustodyFile& file : files) {
        QJsonObject f{{QStringLiteral("name"), file.name}, {QStringLiteral("sha256"), file.sha256}};
        if (!file.check.isEmpty())
            f.insert(QStringLiteral("check"), file.check);
        fileList.append(f);
    }
    o.insert(QStringLiteral("files"), fileList);
    if (!details.isEmpty()) {
        QJsonObject d;
        for (const auto& [key, value] : details)
            d.insert(key, value);
        o.insert(QStringLiteral("details"), d);
    }
    if (!note.isEmpty())
        o.insert(QStringLiteral("note"), note);
    o.insert(QStringLiteral("prev"), previous);
    // Compact JSON escapes every control character: an entry is one line whatever its texts hold.
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

CustodyFile custodyFile(const QString& programDir, const QString& path) {
    return {storedName(programDir, path), QString::fromLatin1(fingerprint::sha256Hex(path))};
}

CustodyLog::CustodyLog(QString programDir) : m_programDir(std::move(programDir)) {}

durable::Result CustodyLog::append(QList<CustodyEntry> entries, QList<QByteArray>* written) {
    durable::AppendFile log(custodyPath(m_programDir));
    if (const durable::Result opened = log.open(); !opened)
        return opened;
    const auto [last, complete] = lastLine(log);
    // The local time with its offset, as ISO 8601 writes it ("+08:00", or "Z" where the zone is UTC).
    const QDateTime now = QDateTime::currentDateTime();
    const QString time = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs);
    QString previous = log.size() == 0 ? kNoLineBefore : sha256Of(last);
    QByteArray bytes;
    QList<QByteArray> made;
    if (log.size() > 0 && !complete) {
        // The torn line stays as it is; the chain goes on from its bytes.
        entries.first().note = QStringLiteral("上一行不完整（写入时中断，如断电），原样保留");
        // What the torn line held is lost: its size and SHA-256 keep the loss in the record.
        entries.first().details << QPair<QString, QString>{QStringLiteral("torn-bytes"), QString::number(last.size())}
                                << QPair<QString, QString>{QStringLiteral("torn-sha256"), sha256Of(last)};
        bytes += '\n';
    }
    for (CustodyEntry& entry : entries) {
        entry.time = time;
        entry.user = custody::userName();
        entry.host = QSysInfo::machineHostName();
        entry.previous = previous;
        const QByteArray line = entry.line();
        previous = sha256Of(line);
        bytes += line + '\n';
        made << line;
    }
    const durable::Result appended = log.append(bytes);
    if (appended) {
        m_head = previous;
        if (written)
            *written = made;
    }
    return appended;
}

QList<QByteArray> CustodyLog::lines(const QList<CustodyLineRef>& refs) const {
    QList<QByteArray> found;
    QFile log(custodyPath(m_programDir));
    if (!log.open(QIODevice::ReadOnly))
        return found;
    for (const CustodyLineRef& ref : refs) {
        if (!log.seek(ref.offset))
            continue;
        const QByteArray line = log.read(ref.length);
        if (line.size() == ref.length)
            found << line;
    }
    return found;
}

namespace {

// Events that look at a file without writing it: the SHA-256 they record is what they saw, and a file
// the log knows keeps the one its last writing recorded, so that a check of a changed file never
// vouches for the change.
bool onlyLooks(const QString& event) {
    static const QStringList kLooking{custody::kOverwriteDeclined,  custody::kPrinted, custody::kUploaded,
                                      custody::kFingerprintChecked, custody::kLinked,  custody::kUnlinked};
    return kLooking.contains(event);
}

// What the log last recorded of a file.
struct Recorded {
    QString sha256;
    int line = 0;
    // Moved out of use into the recovery folder, where it is removed in time: gone is no fault.
    bool mayBeGone = false;
    // A hand-over bundle: moved away once handed over.
    bool exported = false;
};

QString detail(const CustodyEntry& entry, const QString& key) {
    for (const auto& [name, value] : entry.details)
        if (name == key)
            return value;
    return {};
}

} // namespace

bool Verification::ok() const {
    if (brokenLine != 0 || !fileProblems.isEmpty())
        return false;
    for (const WitnessReport& witness : witnesses)
        if (!witness.problems.isEmpty())
            return false;
    return true;
}

Verification verify(const QString& programDir, const QList<Witness>& witnesses) {
    Verification v;
    QFile log(custodyPath(programDir));
    QHash<QString, Recorded> recorded;
    // Every file the log names, in the order it first names them.
    QStringList order;
    QSet<QString> named;
    QString before = kNoLineBefore;
    // A line that is no entry counts when the next one notes it and goes on from its bytes.
    QByteArray pending;
    int pendingLine = 0;
    const bool opened = log.open(QIODevice::ReadOnly);
    while (opened && !log.atEnd()) {
        QByteArray line = log.readLine();
        ++v.lines;
        const bool complete = line.endsWith('\n');
        if (complete) {
            line.chop(1);
            v.chain.append({v.lines, sha256Of(line), {}});
        }
        // After a break the lines are only gathered for the witnesses.
        if (v.brokenLine)
            continue;
        const std::optional<CustodyEntry> entry = CustodyEntry::parse(line);
        if (entry && complete)
            v.chain.last().time = entry->time;
        if (pendingLine) {
            const QString tornSha256 = entry ? detail(*entry, QStringLiteral("torn-sha256")) : QString();
            if (!entry || entry->note.isEmpty() || entry->previous != sha256Of(pending) ||
                (!tornSha256.isEmpty() && tornSha256 != sha256Of(pending))) {
                v.brokenLine = pendingLine;
                v.why = QStringLiteral("不是完整的记录（被改动或写入时中断），下一行也没有注明");
                continue;
            }
            v.notes << QStringLiteral("第 %1 行不完整（写入时中断，%2 字节），第 %3 "
                                      "行已注明并记下它的指纹：那次的记录内容已缺失，原样保留")
                           .arg(pendingLine)
                           .arg(pending.size())
                           .arg(v.lines);
            pendingLine = 0;
        } else if (entry && entry->previous != before) {
            v.brokenLine = v.lines;
            v.why = v.lines == 1
                        ? QStringLiteral("记下的上一行指纹不是日志的开头：前面的记录被删除")
                        : QStringLiteral("记下的上一行指纹与第 %1 行不符：第 %1 行被改动，或其间的记录被删除或调换")
                              .arg(v.lines - 1);
            continue;
        }
        if (!complete) {
            v.brokenLine = v.lines;
            v.why = QStringLiteral("最后一行不完整：写入时中断（如断电），原样保留");
            continue;
        }
        before = sha256Of(line);
        if (!entry) {
            pending = line;
            pendingLine = v.lines;
            continue;
        }
        // A file moved out of use is no longer looked for where it was.
        const bool moved = entry->event == custody::kDiscarded || entry->event == custody::kSetAside;
        for (const auto& [key, value] : entry->details)
            if (moved && key == QLatin1String("from"))
                recorded.remove(value);
        for (const CustodyFile& file : entry->files) {
            if (file.sha256.isEmpty() || (onlyLooks(entry->event) && recorded.contains(file.name)))
                continue;
            if (!named.contains(file.name)) {
                named.insert(file.name);
                order << file.name;
            }
            recorded.insert(file.name, {file.sha256, v.lines, moved, entry->event == custody::kExported});
        }
    }
    if (pendingLine && !v.brokenLine) {
        v.brokenLine = pendingLine;
        v.why = QStringLiteral("不是完整的记录（被改动或写入时中断）");
    }
    for (const QString& name : order) {
        const auto found = recorded.constFind(name);
        if (found == recorded.constEnd())
            continue;
        const QString path = fullPath(programDir, name);
        const bool exists = QFile::exists(path);
        if (!exists && found->mayBeGone)
            continue;
        if (!exists && found->exported) {
            v.handedOver << QStringLiteral("%1（第 %2 行导出后已移走）").arg(name).arg(found->line);
            continue;
        }
        ++v.filesChecked;
        if (!exists)
            v.fileProblems << QStringLiteral("%1: FAILED（文件已不存在，第 %2 行记下过它）").arg(name).arg(found->line);
        else if (QString::fromLatin1(fingerprint::sha256Hex(path)) != found->sha256)
            v.fileProblems << QStringLiteral("%1: FAILED（与第 %2 行记下的指纹不符）").arg(name).arg(found->line);
    }
    for (const Witness& witness : witnesses)
        if (std::optional<WitnessReport> report = witness(programDir, v.chain))
            v.witnesses << *report;
    return v;
}

int verifyCommand(const QString& programDir, const QList<Witness>& witnesses) {
    QTextStream out(stdout);
    const QString path = custodyPath(programDir);
    const Verification v = verify(programDir, witnesses);
    for (const QString& note : v.notes)
        out << QStringLiteral("注意：") << note << Qt::endl;
    if (v.brokenLine)
        out << QStringLiteral("%1: 第 %2 行：%3").arg(path).arg(v.brokenLine).arg(v.why) << Qt::endl;
    for (const QString& problem : v.fileProblems)
        out << problem << Qt::endl;
    for (const QString& bundle : v.handedOver)
        out << QStringLiteral("已移交：") << bundle << Qt::endl;
    bool external = false;
    for (const WitnessReport& w : v.witnesses) {
        external = external || w.external;
        const QString who =
            QStringLiteral("见证 %1（%2%3）")
                .arg(w.name, w.consulted,
                     w.external ? QString() : QStringLiteral("；本机的记录，只能发现意外截短或改动，防不了伪造"));
        for (const QString& problem : w.problems)
            out << who << QStringLiteral("：FAILED，") << problem << Qt::endl;
        if (w.upToLine > 0)
            out << who
                << QStringLiteral("：证明第 1 行到第 %1 行%2与它记下的一致")
                       .arg(w.upToLine)
                       .arg(w.upToTime.isEmpty() ? QString() : QStringLiteral("（%1）").arg(w.upToTime))
                << Qt::endl;
        else if (w.problems.isEmpty())
            out << who << QStringLiteral("：没有可以证明的记录") << Qt::endl;
    }
    if (!external)
        out << QStringLiteral("没有外部见证：这次检查只证明找到的 %1 "
                              "行的次序和内容前后一致，不能证明没有缺失的记录（如被删除的最后几行）。")
                   .arg(v.lines)
            << Qt::endl;
    if (!v.ok())
        out << QStringLiteral("%1: FAILED").arg(path) << Qt::endl;
    else if (v.lines == 0)
        out << QStringLiteral("%1: OK（还没有保管记录）").arg(path) << Qt::endl;
    else
        out << QStringLiteral("%1: OK（%2 条记录，%3 个文件与记下的指纹一致）")
                   .arg(path)
                   .arg(v.lines)
                   .arg(v.filesChecked)
            << Qt::endl;
    return v.ok() ? 0 : 1;
}

std::optional<WitnessReport> indexWitness(const QString& programDir, const QList<ChainLine>& chain) {
    if (!QFileInfo::exists(indexPath(programDir)))
        return std::nullopt;
    WitnessReport report{QStringLiteral("本机索引"), indexPath(programDir), false, 0, {}, {}};
    Index index(programDir);
    LogSeen seen;
    if (const sql::Error read = index.logSeen(&seen); !read) {
        report.problems << QStringLiteral("索引无法读取（%1）").arg(read.text);
        return report;
    }
    if (seen.lines == 0)
        return report;
    if (chain.size() < seen.lines)
        report.problems << QStringLiteral(
                               "索引在 %1 读到日志有 %2 行，现在只有 %3 行：后面的记录被删除，或日志被截短、清空")
                               .arg(seen.time)
                               .arg(seen.lines)
                               .arg(chain.size());
    else if (chain[seen.lines - 1].sha256 != seen.last)
        report.problems << QStringLiteral("第 %1 行与索引在 %2 读到的不同：日志被改写").arg(seen.lines).arg(seen.time);
    else {
        report.upToLine = int(seen.lines);
        report.upToTime = seen.time;
    }
    return report;
}

} // namespace archive
