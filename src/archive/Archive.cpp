// The journal's events turned into custody entries and index updates, and the rebuild beside the
// event loop, which works on a connection of its own.
#include "archive/Archive.h"

#include "archive/Locations.h"
#include "archive/TimeStamps.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QSet>

#include <algorithm>

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
    case JournalEvent::Kind::Discarded:
        return custody::kDiscarded;
    case JournalEvent::Kind::SetAside:
        return custody::kSetAside;
    case JournalEvent::Kind::ReadBack:
        return custody::kReadBack;
    case JournalEvent::Kind::Corrected:
        return custody::kCorrected;
    case JournalEvent::Kind::CorrectionsPrinted:
        return custody::kCorrectionsPrinted;
    case JournalEvent::Kind::StoppedEarly:
        return custody::kStoppedEarly;
    case JournalEvent::Kind::Opened:
    case JournalEvent::Kind::NewTranscript:
        break;
    }
    return {};
}

bool isEvidence(JournalEvent::Kind kind) {
    return kind == JournalEvent::Kind::RecordingSaved || kind == JournalEvent::Kind::CaptureFinished ||
           kind == JournalEvent::Kind::CaptureRepaired || kind == JournalEvent::Kind::Discarded ||
           kind == JournalEvent::Kind::SetAside || kind == JournalEvent::Kind::StoppedEarly;
}

} // namespace

Archive::Archive(QString programDir, Work work, std::function<void(const QString&)> tell)
    : m_programDir(std::move(programDir)), m_work(work), m_tell(std::move(tell)), m_index(m_programDir),
      m_custody(m_programDir), m_logEmptyAtStart(QFileInfo(custodyPath(m_programDir)).size() == 0) {}

Archive::~Archive() {
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
    if (m_stamper.joinable())
        m_stamper.join();
}

void Archive::setTell(std::function<void(const QString&)> tell) {
    const std::lock_guard lock(m_lock);
    m_tell = std::move(tell);
}

void Archive::setTimeStampFetch(TimeStampFetch fetch) {
    m_fetchTimeStamp = std::move(fetch);
}

QString Archive::currentInquiry() const {
    const std::lock_guard lock(m_currentLock);
    return m_current;
}

bool Archive::isRebuilding() const {
    const std::lock_guard lock(m_lock);
    return m_worker.joinable();
}

sql::Error Archive::lastSyncError() const {
    const std::lock_guard lock(m_lock);
    return m_syncError;
}

void Archive::record(const JournalEvent& event) {
    const QString name = eventName(event.kind);
    Job job;
    QString inquiry = event.inquiry;
    {
        const std::lock_guard lock(m_currentLock);
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
        if (isEvidence(event.kind) && inquiry.isEmpty())
            inquiry = m_current;
    }
    if (!name.isEmpty()) {
        CustodyEntry entry;
        entry.event = name;
        entry.inquiry = inquiry;
        // Files are read before any lock, so that the saves of a batch hash theirs side by side.
        for (const QString& path : event.files)
            entry.files << custodyFile(m_programDir, path);
        entry.details = event.details;
        for (auto& [key, value] : entry.details)
            if (key == QLatin1String("from"))
                value = storedName(m_programDir, value);
        job.entry = std::move(entry);
    }
    for (const QString& path : event.files)
        if (const QString found = templateOf(m_programDir, path); !found.isEmpty())
            job.templates.insert(found);
    commit(job);
}

bool Archive::log(const QString& event, const QString& inquiry, const QList<CustodyFile>& files,
                  const QList<QPair<QString, QString>>& details, QByteArray* written) {
    CustodyEntry entry;
    entry.event = event;
    entry.inquiry = inquiry;
    entry.files = files;
    entry.details = details;
    Job job;
    job.entry = std::move(entry);
    commit(job);
    if (written)
        *written = job.line;
    return job.written;
}

void Archive::commit(Job& job) {
    std::unique_lock queue(m_queueLock);
    m_queue.push_back(&job);
    while (!job.done) {
        if (m_committing) {
            m_committed.wait(queue);
            continue;
        }
        m_committing = true;
        const std::vector<Job*> jobs = std::exchange(m_queue, {});
        queue.unlock();
        QStringList told;
        write(jobs, told);
        queue.lock();
        for (Job* written : jobs)
            written->done = true;
        m_committing = false;
        m_committed.notify_all();
        // Said once nothing is being written: a message box's event loop may record the next event.
        queue.unlock();
        for (const QString& text : told)
            m_tell(text);
        queue.lock();
    }
}

void Archive::write(const std::vector<Job*>& jobs, QStringList& told) {
    const std::lock_guard lock(m_lock);
    QList<CustodyEntry> entries;
    for (const Job* job : jobs)
        if (job->entry)
            entries << *job->entry;
    // A command on the command line records and leaves the rebuild of an index that was never filled
    // to the window or to `quillon archive`.
    const bool rebuildWhenEmpty = m_work == Work::InBackground;
    if (!entries.isEmpty()) {
        QList<QByteArray> lines;
        const durable::Result written = m_custody.append(entries, &lines);
        qsizetype next = 0;
        for (Job* job : jobs) {
            if (!job->entry)
                continue;
            job->written = written.ok();
            job->line = lines.value(next++);
            if (!written)
                told << QStringLiteral("保管记录没有写成（%1）：<%2>\n这次“%3”已经做完，但没有记入保管记录。")
                            .arg(written.text(), custodyPath(m_programDir), custody::eventText(job->entry->event));
        }
        if (written && ready(rebuildWhenEmpty))
            handle(m_index.readCustodyLog());
        if (written)
            queueTimeStamp(entries, told);
        if (written)
            emit logged();
    }
    QStringList templates;
    for (const Job* job : jobs)
        for (const QString& path : job->templates)
            if (!templates.contains(path))
                templates << path;
    if (!templates.isEmpty() && ready(rebuildWhenEmpty))
        handle(m_index.updateInquiries(templates));
    emit indexChanged();
}

void Archive::queueTimeStamp(const QList<CustodyEntry>& entries, QStringList& told) {
    static const QStringList kStamped{custody::kSaved, custody::kCaptureFinished, custody::kCaptureRepaired,
                                      custody::kExported};
    if (std::none_of(entries.begin(), entries.end(),
                     [](const CustodyEntry& entry) { return kStamped.contains(entry.event); }))
        return;
    QString error;
    if (!timestamps::queue(m_programDir, m_custody.head(), &error)) {
        told << QStringLiteral("可信时间戳没有排上队：%1").arg(error);
        return;
    }
    // Beside the event loop the token is fetched at once, at most once a minute; on the command line
    // `quillon log stamp` fetches it.
    if (m_work != Work::InBackground || !m_fetchTimeStamp || m_stamping.exchange(true))
        return;
    if (m_stamper.joinable())
        m_stamper.join();
    m_stamper = std::thread([this] {
        if (const QString failed = m_fetchTimeStamp(m_programDir); !failed.isEmpty())
            QMetaObject::invokeMethod(
                this,
                [this, text = failed] {
                    emit statusNote(QStringLiteral("可信时间戳暂时没有取得（%1），链头已排队，稍后再取。").arg(text));
                },
                Qt::QueuedConnection);
        m_stamping = false;
    });
}

QList<InquiryRow> Archive::search(const SearchRequest& request, sql::Error* failed) {
    QList<InquiryRow> rows;
    const sql::Error error = search(
        request, [&rows](const InquiryRow& row) { rows.append(row); }, [&rows] { rows.clear(); });
    if (!error)
        rows.clear();
    if (failed)
        *failed = error;
    return rows;
}

sql::Error Archive::search(const SearchRequest& request, const std::function<void(const InquiryRow&)>& each,
                           const std::function<void()>& again) {
    return readAgainWhenDamaged([&] { return m_index.search(request, each); }, again);
}

sql::Error Archive::list(const SearchRequest& request, const std::function<void(const ListedInquiry&)>& each,
                         const std::function<void()>& again) {
    return readAgainWhenDamaged([&] { return m_index.list(request, each); }, again);
}

sql::Error Archive::readAgainWhenDamaged(const std::function<sql::Error()>& read, const std::function<void()>& again) {
    const std::lock_guard lock(m_lock);
    sql::Error error{sql::Failure::Other, QStringLiteral("笔录档案索引无法打开")};
    for (int attempt = 0; attempt < 2 && error.failure != sql::Failure::None; ++attempt) {
        if (!ready(true))
            break;
        if (attempt > 0)
            again();
        error = read();
        handle(error);
        if (m_work == Work::InBackground)
            break;
    }
    return error;
}

std::optional<InquiryRow> Archive::inquiry(const QString& name) {
    const std::lock_guard lock(m_lock);
    std::optional<InquiryRow> row;
    if (ready(true))
        handle(m_index.inquiry(name, &row));
    return row;
}

QList<FileRow> Archive::files(const QString& inquiry) {
    const std::lock_guard lock(m_lock);
    QList<FileRow> rows;
    if (ready(true))
        handle(m_index.files(inquiry, &rows));
    return rows;
}

QList<QByteArray> Archive::custodyLines(const QString& inquiry) {
    const std::lock_guard lock(m_lock);
    QList<CustodyLineRef> refs;
    if (ready(true))
        handle(m_index.custodyLines(inquiry, &refs));
    return m_custody.lines(refs);
}

void Archive::recheck(const QString& inquiry) {
    const std::lock_guard lock(m_lock);
    if (ready(true))
        handle(m_index.recheckFiles(inquiry));
    emit indexChanged();
}

void Archive::refresh() {
    const std::lock_guard lock(m_lock);
    // An index never filled is read in full first.
    if (ready(true))
        startSync(false, {});
}

void Archive::rebuild() {
    const std::lock_guard lock(m_lock);
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
        QString note;
        if (!m_index.privateBecause().isEmpty())
            note = m_index.privateBecause() + QStringLiteral("……");
        else if (!damage.isEmpty())
            note = QStringLiteral(
                       "笔录档案索引已损坏（%1），原文件已移作 archive.sqlite.damaged，正在从 BL 目录和保管记录重建……")
                       .arg(damage);
        // A log that had no line before this program wrote one: nothing ever ran here, so there never
        // was an index (the user's first start).
        else if (m_logEmptyAtStart)
            note = QStringLiteral("正在从 BL 目录建立笔录档案索引……");
        else if (m_index.madeFile())
            note = QStringLiteral("笔录档案索引已被删除，正在从 BL 目录和保管记录重建……");
        else
            note = QStringLiteral("正在从 BL 目录和保管记录建立笔录档案索引……");
        m_logEmptyAtStart = false;
        startSync(true, note);
    }
    return true;
}

void Archive::handle(const sql::Error& error) {
    const QString later = QStringLiteral("笔录文件都在，打开笔录档案时会补上。");
    switch (error.failure) {
    case sql::Failure::None:
        return;
    case sql::Failure::Damaged:
        // Set aside, so that the next open starts an empty index, which ready() has rebuilt.
        if (const sql::Error setAside = m_index.setAside(error.text); !setAside) {
            emit statusNote(QStringLiteral("笔录档案索引已损坏（%1），但%2。").arg(error.text, setAside.text));
            return;
        }
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
    m_worker = std::thread([this, full, path = m_index.databasePath()] {
        Index index(m_programDir, path);
        const sql::Error error = index.sync(full, m_cancel);
        QMetaObject::invokeMethod(
            this,
            [this, error, full] {
                const std::lock_guard lock(m_lock);
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
    if (error.failure == sql::Failure::Damaged && (!full || !m_rebuiltAfterDamage)) {
        m_rebuiltAfterDamage = full;
        handle(error);
    } else if (!error.ok()) {
        emit statusNote(QStringLiteral("笔录档案索引没有建完：%1。下次打开笔录档案时再试。").arg(error.text));
    } else if (full) {
        int count = 0;
        if (const sql::Error counted = m_index.inquiryCount(&count); !counted)
            emit statusNote(QStringLiteral("笔录档案索引已重建，但笔录份数无法读出：%1。").arg(counted.text));
        else
            emit statusNote(QStringLiteral("笔录档案索引已重建：共 %1 份笔录。").arg(count));
    }
    if (error.failure != sql::Failure::Damaged)
        m_rebuiltAfterDamage = false;
    emit indexChanged();
    if (m_nextSync) {
        const bool nextFull = *m_nextSync;
        m_nextSync.reset();
        startSync(nextFull, std::exchange(m_nextNote, QString()));
    }
}

} // namespace archive
