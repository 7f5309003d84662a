// The journal's events turned into custody entries and index updates, and the rebuild beside the
// event loop, which works on a connection of its own.
#include "archive/Archive.h"

#include "archive/Locations.h"

#include "platform/ProgramDir.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QSet>

namespace archive {

namespace {

QString eventName(JournalEvent::Kind kind) {
    switch (kind) {
    case JournalEvent::Kind::Composed:
        return custody::kComposed;
    case JournalEvent::Kind::Saved:
        return custody::kSaved;
    case JournalEvent::Kind::OverwriteDeclined:
        return custody::kOverwriteDeclined;
    case JournalEvent::Kind::Printed:
        return custody::kPrinted;
    case JournalEvent::Kind::RecordingSaved:
        return custody::kRecordingSaved;
    case JournalEvent::Kind::CaptureFinished:
        return custody::kCaptureFinished;
    case JournalEvent::Kind::CaptureRepaired:
        return custody::kCaptureRepaired;
    case JournalEvent::Kind::Uploaded:
        return custody::kUploaded;
    case JournalEvent::Kind::Downloaded:
        return custody::kDownloaded;
    case JournalEvent::Kind::Opened:
    case JournalEvent::Kind::NewTranscript:
        break;
    }
    return {};
}

bool isEvidence(JournalEvent::Kind kind) {
    return kind == JournalEvent::Kind::RecordingSaved || kind == JournalEvent::Kind::CaptureFinished ||
           kind == JournalEvent::Kind::CaptureRepaired;
}

// The template of a template, document or PDF in BL/; empty for any other file.
QString templateOf(const QString& programDir, const QString& file) {
    const QFileInfo info(file);
    const QString bl = QFileInfo(programdir::blDir(programDir)).absoluteFilePath();
    const QString suffix = info.suffix().toLower();
    if (info.absolutePath() != bl ||
        (suffix != QLatin1String("ini") && suffix != QLatin1String("doc") && suffix != QLatin1String("pdf")))
        return {};
    return bl + u'/' + info.completeBaseName() + QStringLiteral(".ini");
}

} // namespace

Archive::Archive(QString programDir, Work work, std::function<void(const QString&)> tell)
    : m_programDir(std::move(programDir)), m_work(work), m_tell(std::move(tell)), m_index(m_programDir),
      m_custody(m_programDir) {}

Archive::~Archive() {
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

void Archive::record(const JournalEvent& event) {
    switch (event.kind) {
    case JournalEvent::Kind::Opened:
    case JournalEvent::Kind::Saved:
    case JournalEvent::Kind::Composed:
    case JournalEvent::Kind::OverwriteDeclined:
        m_current = event.inquiry;
        break;
    case JournalEvent::Kind::NewTranscript:
        m_current.clear();
        return;
    default:
        break;
    }
    const QString inquiry = isEvidence(event.kind) && event.inquiry.isEmpty() ? m_current : event.inquiry;
    if (const QString name = eventName(event.kind); !name.isEmpty()) {
        QList<CustodyFile> files;
        for (const QString& path : event.files)
            files << custodyFile(m_programDir, path);
        append(name, inquiry, files, event.details);
    }
    // A command on the command line records and leaves the rebuild of an index that was never filled
    // to the window or to `quillon archive`.
    if (!ready(m_work == Work::InBackground))
        return;
    QSet<QString> templates;
    for (const QString& path : event.files)
        if (const QString found = templateOf(m_programDir, path); !found.isEmpty())
            templates.insert(found);
    for (const QString& path : templates)
        handle(m_index.updateInquiry(path));
    emit indexChanged();
}

bool Archive::append(const QString& event, const QString& inquiry, const QList<CustodyFile>& files,
                     const QList<QPair<QString, QString>>& details) {
    CustodyEntry entry;
    entry.event = event;
    entry.inquiry = inquiry;
    entry.files = files;
    entry.details = details;
    if (const durable::Result written = m_custody.append(entry); !written) {
        m_tell(QStringLiteral("保管记录没有写成（%1）：<%2>\n这次“%3”已经做完，但没有记入保管记录。")
                   .arg(written.text(), custodyPath(m_programDir), custody::eventText(event)));
        return false;
    }
    if (ready(m_work == Work::InBackground))
        handle(m_index.readCustodyLog());
    return true;
}

bool Archive::log(const QString& event, const QString& inquiry, const QList<CustodyFile>& files,
                  const QList<QPair<QString, QString>>& details) {
    const bool written = append(event, inquiry, files, details);
    emit indexChanged();
    return written;
}

QList<InquiryRow> Archive::search(const SearchRequest& request) {
    QList<InquiryRow> rows;
    if (ready(true))
        handle(m_index.search(request, &rows));
    return rows;
}

std::optional<InquiryRow> Archive::inquiry(const QString& name) {
    std::optional<InquiryRow> row;
    if (ready(true))
        handle(m_index.inquiry(name, &row));
    return row;
}

QList<FileRow> Archive::files(const QString& inquiry) {
    QList<FileRow> rows;
    if (ready(true))
        handle(m_index.files(inquiry, &rows));
    return rows;
}

QList<QByteArray> Archive::custodyLines(const QString& inquiry) {
    QList<CustodyLineRef> refs;
    if (ready(true))
        handle(m_index.custodyLines(inquiry, &refs));
    return m_custody.lines(refs);
}

void Archive::recheck(const QString& inquiry) {
    if (ready(true))
        handle(m_index.recheckFiles(inquiry));
    emit indexChanged();
}

void Archive::refresh() {
    // An index never filled is read in full first.
    if (ready(true))
        startSync(false, {});
}

void Archive::rebuild() {
    startSync(true, QStringLiteral("正在从 BL 目录和保管记录重建笔录档案索引……"));
}

bool Archive::ready(bool rebuildWhenEmpty) {
    bool empty = false;
    if (const sql::Error opened = m_index.open(&empty); !opened) {
        handle(opened);
        return false;
    }
    if (empty && rebuildWhenEmpty && !isRebuilding()) {
        const QString& damage = m_index.replacedBecause();
        startSync(true, damage.isEmpty()
                            ? QStringLiteral("笔录档案索引还没有建立或已被删除，正在从 BL 目录和保管记录重建……")
                            : QStringLiteral("笔录档案索引已损坏（%1），已换成新的索引，正在从 BL 目录和保管记录重建……")
                                  .arg(damage));
    }
    return true;
}

void Archive::handle(const sql::Error& error) {
    const QString later = QStringLiteral("笔录文件都在，打开笔录档案时会补上。");
    switch (error.failure) {
    case sql::Failure::None:
        return;
    case sql::Failure::Damaged:
        // The next open replaces the file and ready() has it rebuilt.
        m_index.close();
        ready(true);
        return;
    case sql::Failure::DiskFull:
        emit statusNote(QStringLiteral("笔录档案索引没有更新：磁盘空间已满。") + later);
        return;
    case sql::Failure::Busy:
        emit statusNote(QStringLiteral("笔录档案索引没有更新：另一个程序占用太久。") + later);
        return;
    case sql::Failure::ReadOnly:
    case sql::Failure::Other:
        break;
    }
    emit statusNote(QStringLiteral("笔录档案索引没有更新：%1。").arg(error.text) + later);
}

void Archive::startSync(bool full, const QString& note) {
    if (m_worker.joinable()) {
        m_nextSync = full || m_nextSync.value_or(false);
        if (!note.isEmpty())
            m_nextNote = note;
        return;
    }
    if (!note.isEmpty())
        emit statusNote(note);
    if (m_work == Work::AtOnce) {
        const std::atomic_bool never = false;
        syncFinished(m_index.sync(full, never), full);
        return;
    }
    m_cancel = false;
    m_worker = std::thread([this, full] {
        Index index(m_programDir);
        const sql::Error error = index.sync(full, m_cancel);
        QMetaObject::invokeMethod(
            this,
            [this, error, full] {
                m_worker.join();
                syncFinished(error, full);
            },
            Qt::QueuedConnection);
    });
}

void Archive::syncFinished(const sql::Error& error, bool full) {
    m_syncError = error;
    // A file found damaged while it was being read anew is replaced and read again; a new file that
    // fails in the same way is not tried again and again.
    if (error.failure == sql::Failure::Damaged && !full) {
        handle(error);
    } else if (!error.ok()) {
        emit statusNote(QStringLiteral("笔录档案索引没有建完：%1。下次打开笔录档案时再试。").arg(error.text));
    } else if (full) {
        int count = 0;
        m_index.inquiryCount(&count);
        emit statusNote(QStringLiteral("笔录档案索引已重建：共 %1 份笔录。").arg(count));
    }
    emit indexChanged();
    if (m_nextSync) {
        const bool nextFull = *m_nextSync;
        m_nextSync.reset();
        startSync(nextFull, std::exchange(m_nextNote, QString()));
    }
}

} // namespace archive
