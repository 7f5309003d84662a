// The inquiry archive of one program directory as the program uses it: told of every command's
// events (the journal), it writes the custody log and keeps the index current; it remembers the
// inquiry open in the form, to which saved evidence belongs; and when the index is lost or damaged
// it carries on and rebuilds it from the files, in the background when the program has a window.
// Its functions may be called from several threads: one runs at a time, and events recorded at the
// same moment are written together, with one sync of the custody log.
#pragma once

#include "archive/CustodyLog.h"
#include "archive/Index.h"

#include "platform/ArchiveJournal.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace archive {

class Archive final : public QObject, public ArchiveJournal {
    Q_OBJECT
public:
    // Where long work runs: beside the event loop of a window, or at once (the command line).
    enum class Work { InBackground, AtOnce };

    // tell: says a problem the user must hear about at once, such as a custody entry that could not
    // be written.
    Archive(QString programDir, Work work, std::function<void(const QString&)> tell);
    ~Archive() override;
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    const QString& programDir() const { return m_programDir; }
    // From now on problems are said through tell (the program is ending and nobody reads a box).
    void setTell(std::function<void(const QString&)> tell);
    // Fetches the token of the queued chain head from the time-stamp authority and answers what
    // failed, or nothing. Given by the window, which fetches beside its event loop; a command only
    // queues the head, for `quillon log stamp` or the window to fetch, and links no OpenSSL.
    using TimeStampFetch = std::function<QString(const QString& programDir)>;
    void setTimeStampFetch(TimeStampFetch fetch);

    void record(const JournalEvent& event) override;
    // An entry for the archive's own commands (a check, a link, an export); false when it could not
    // be written, which has been told. written: the line as it went into the log.
    bool log(const QString& event, const QString& inquiry, const QList<CustodyFile>& files,
             const QList<QPair<QString, QString>>& details = {}, QByteArray* written = nullptr);
    // The inquiry open in the form: evidence saved now belongs to it. Empty when none is.
    QString currentInquiry() const;

    // failed: why the rows are not the answer (the index could not be read, or is being rebuilt from
    // nothing beside the event loop); the rows are then empty.
    QList<InquiryRow> search(const SearchRequest& request, sql::Error* failed = nullptr);
    // The rows handed over as they are read, none kept. A file found damaged on the way is set aside
    // and, on the command line, searched once more: again() is called before, and what was handed
    // over until then is not the answer.
    sql::Error search(const SearchRequest& request, const std::function<void(const InquiryRow&)>& each,
                      const std::function<void()>& again);
    // The same, only what a listing prints, as the index holds it.
    sql::Error list(const SearchRequest& request, const std::function<void(const ListedInquiry&)>& each,
                    const std::function<void()>& again);
    std::optional<InquiryRow> inquiry(const QString& name);
    QList<FileRow> files(const QString& inquiry);
    // The inquiry's custody-log lines in the order they were written, as written.
    QList<QByteArray> custodyLines(const QString& inquiry);
    // The fingerprint states of the inquiry's files found anew.
    void recheck(const QString& inquiry);

    // BL/ and the custody log read again for what changed behind the program's back.
    void refresh();
    // The index read anew from every file.
    void rebuild();
    bool isRebuilding() const;
    // How the last refresh or rebuild ended.
    sql::Error lastSyncError() const;

signals:
    // A sentence for the status bar: the index lost and being rebuilt, rebuilt, not written.
    void statusNote(const QString& text);
    // The index holds something new: lists are read again.
    void indexChanged();
    // Entries are in the custody log, synced. Emitted on the thread that recorded them.
    void logged();

private:
    // A reading of the index; a file found damaged is set aside and, on the command line, rebuilt
    // at once: read once more after again().
    sql::Error readAgainWhenDamaged(const std::function<sql::Error()>& read, const std::function<void()>& again);
    // An event on its way into the custody log and the index.
    struct Job {
        std::optional<CustodyEntry> entry; // none for an event the log does not keep
        QSet<QString> templates;           // the templates whose rows it changes
        bool written = false;              // the entry is in the log
        QByteArray line;                   // as written
        bool done = false;
    };
    // Waits until the job is written: by this thread, together with the jobs that wait at the same
    // moment, or by the thread that writes when it comes.
    void commit(Job& job);
    // The entries appended with one sync, the index brought up to date; what could not be written is
    // added to told, to be said once no job is being written.
    void write(const std::vector<Job*>& jobs, QStringList& told);
    // What a failed index operation means: a damaged file is replaced and rebuilt, anything else is
    // noted and caught up with later.
    void handle(const sql::Error& error);
    // The index opened, and rebuilt when it has never been filled and rebuildWhenEmpty is set.
    bool ready(bool rebuildWhenEmpty);
    void startSync(bool full, const QString& note);
    // The chain's head queued for a trusted time-stamp after a save, a capture's end or an export.
    void queueTimeStamp(const QList<CustodyEntry>& entries, QStringList& told);
    void syncFinished(const sql::Error& error, bool full);

    QString m_programDir;
    Work m_work;
    // Held by every function: the saves of a batch record from several threads, and a signal's
    // receiver may call the archive again on the same thread.
    mutable std::recursive_mutex m_lock;
    std::function<void(const QString&)> m_tell;
    Index m_index;
    CustodyLog m_custody;
    // The custody log was missing or empty when the archive was made: the program directory is new.
    bool m_logEmptyAtStart;
    // The inquiry open in the form, kept apart from m_lock so that jobs queue while one is written.
    mutable std::mutex m_currentLock;
    QString m_current;
    // The jobs waiting to be written, and whether a thread is writing.
    std::mutex m_queueLock;
    std::condition_variable m_committed;
    std::vector<Job*> m_queue;
    bool m_committing = false;
    // The sync running beside the event loop, and what is to follow it.
    std::thread m_worker;
    std::atomic_bool m_cancel = false;
    std::optional<bool> m_nextSync; // full or not
    QString m_nextNote;
    sql::Error m_syncError;
    bool m_rebuiltAfterDamage = false;
    // The request for a time-stamp, beside the event loop.
    TimeStampFetch m_fetchTimeStamp;
    std::thread m_stamper;
    std::atomic_bool m_stamping = false;
};

} // namespace archive
