// The inquiry index, archive.sqlite in the program directory: one row per inquiry with its fields,
// its files and their fingerprint states, the evidence that belongs to it, and the custody-log
// lines that name it. It is a cache of the templates in BL/ and of custody.log, never the record:
// a file that is damaged or is not an index is replaced by an empty one and rebuilt from them.
#pragma once

#include "archive/Database.h"
#include "archive/InquiryFacts.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace archive {

enum class FileKind { Template, Document, Pdf, Recording, Capture };

// A file's fingerprint as the index last found it.
enum class FileState { Ok, Changed, NoFingerprint, Unreadable, Missing };

// A file checked against its fingerprint now.
FileState fileStateOf(const QString& path);

// Why a file belongs to an inquiry. Unlinked is a link the user removed: it outweighs the others.
enum class LinkHow { Unlinked = 0, WhileOpen = 1, ByTime = 2, ByHand = 3, Own = 4 };

// The worst fingerprint state of an inquiry's files.
enum class InquiryState { AllMatch = 0, Missing = 1, Changed = 2 };

struct InquiryRow {
    QString name;
    QString date; // yyyy-MM-dd or empty
    QString starts;
    QString ends;
    QString interviewee;
    QString unit;
    QString place;
    QString inspector;
    int pairs = 0;
    int recordings = 0;
    int captures = 0;
    InquiryState state = InquiryState::AllMatch;
    QString problem; // why the template could not be read
};

struct FileRow {
    QString name; // as stored: relative to the program directory inside it
    FileKind kind = FileKind::Template;
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the epoch
    FileState state = FileState::Missing;
    LinkHow how = LinkHow::Own;
};

// An inquiry as a listing prints it, in the index's own UTF-8, valid only while it is handed over.
struct ListedInquiry {
    QByteArrayView date;
    QByteArrayView interviewee;
    QByteArrayView unit;
    QByteArrayView place;
    qint64 pairs = 0;
    QByteArrayView name;
    QByteArrayView problem;
};

struct SearchRequest {
    QString text; // words, each looked for as a substring of any field
    QDate from;   // null: no lower bound
    QDate to;
};

// Where a custody-log line lies in the log.
struct CustodyLineRef {
    qint64 offset = 0;
    qint64 length = 0;
};

// The longest custody log the index read that the log now goes on: the number of its lines, its
// size, the SHA-256 of its last line and when it was read. A local hint, which catches a log cut
// short by accident; whoever can rewrite the log can rewrite the index too.
struct LogSeen {
    qint64 lines = 0;
    qint64 bytes = 0;
    QString last;
    QString time;

    static LogSeen parse(const QString& text);
    QString text() const;
};

class Index {
public:
    // The schema this program reads and writes; a file of a later one is left alone.
    static constexpr int kSchemaVersion = 1;

    // databasePath: another file than the program directory's archive.sqlite (the copy of a read-only
    // program directory's index, built by another thread).
    explicit Index(QString programDir, QString databasePath = {});
    ~Index();

    const QString& programDir() const { return m_programDir; }
    const QString& databasePath() const { return m_databasePath; }

    // Opens archive.sqlite, made when missing. A file that is damaged or holds something else is
    // set aside (archive.sqlite.damaged) for an empty index (under a lock, so that two programs do it
    // once). Reopens when the file was deleted or replaced since. needsRebuild: the index has never
    // been filled completely. Where the program directory or the index cannot be written, the index
    // is read as it is when it is level with BL/ and the custody log, and otherwise built in a
    // temporary file from them: privateBecause() says so.
    sql::Error open(bool* needsRebuild = nullptr);
    void close() { m_db.close(); }
    // The file found damaged while it was used (SQLite said so, or the full-text check failed): set
    // aside as on opening, so that the next open() starts an empty index.
    sql::Error setAside(const QString& why);
    // Why the index is a temporary copy built from the files; empty when it is archive.sqlite.
    const QString& privateBecause() const { return m_privateBecause; }

    // Reads templates again and brings their rows, their own files (template, document, PDF) and
    // fingerprints, their capture links by time and their counts up to date, in one transaction.
    sql::Error updateInquiries(const QStringList& templatePaths);
    // Reads the custody-log lines the index has not seen: links of evidence and the lines of each
    // inquiry. A log that is shorter than what was read, or changed, is read again from its start.
    sql::Error readCustodyLog();
    // Fingerprint states of an inquiry's files found anew, or of the given files.
    sql::Error recheckFiles(const QString& inquiry);

    // Brings the index level with BL/ and custody.log: templates and captures that appeared,
    // changed or disappeared. With full set, every file is read again and the links are taken from
    // the custody log anew. progress(done, total) is called now and then; cancel stops between batches.
    sql::Error sync(bool full, const std::atomic_bool& cancel, const std::function<void(int, int)>& progress = {});

    // Reading: each fills its result and says what went wrong.
    sql::Error search(const SearchRequest& request, QList<InquiryRow>* rows);
    // The same rows handed over one by one as they are read, newest first, none kept: a search may
    // answer every inquiry of the office. On failure the rows handed over are not the answer.
    sql::Error search(const SearchRequest& request, const std::function<void(const InquiryRow&)>& each);
    // The same, only what a listing prints, as SQLite holds it. It reads each page once, and keeps
    // few of them while it reads.
    sql::Error list(const SearchRequest& request, const std::function<void(const ListedInquiry&)>& each);
    sql::Error inquiry(const QString& name, std::optional<InquiryRow>* row);
    // The inquiry's own files and its evidence, unlinked ones included.
    sql::Error files(const QString& inquiry, QList<FileRow>* files);
    sql::Error custodyLines(const QString& inquiry, QList<CustodyLineRef>* lines);
    // The inquiries a recording or capture (its stored name) belongs to, a link removed by hand aside.
    sql::Error inquiriesOf(const QString& file, QStringList* inquiries);
    sql::Error inquiryCount(int* count);
    sql::Error logSeen(LogSeen* seen);
    // The connection open() made, for the tables kept beside the index (the office archive's
    // outbox), which a rebuild leaves alone.
    sql::Connection& connection() { return m_db; }
    // Why the last open() replaced the file: empty when it did not.
    const QString& replacedBecause() const { return m_replacedBecause; }
    // Whether the last open() made the file because there was none.
    bool madeFile() const { return m_madeFile; }

private:
    sql::Error result();
    // The statement of a search reading the given columns, newest first, and stepped by visit().
    // idColumn: where the statement's columns hold the inquiry's id.
    sql::Error searched(const SearchRequest& request, const char* columns, int idColumn,
                        const std::function<void(const sql::Query&)>& visit);
    // A search whose words no inquiry holds: the full-text index checked whole before it is believed.
    sql::Error wordFoundNowhere();
    // Inquiries found in at least one in this many of the archive are read in listing order: reading
    // the whole index in that order costs about what looking up and sorting that many does.
    static constexpr qint64 kFoundShareForListingOrder = 16;
    // A listing reads each page once: with this few kept, each page read takes the memory of one read
    // before it. Kept up to SQLite's 2 MB, every page would take memory new to the process, which
    // costs the system a fault for each 4 KB, more than reading the page.
    static constexpr qint64 kListingPages = 32;
    bool replacedBehindUs() const;
    sql::Error replaceDamagedFile(quint64 device, quint64 inode);
    // Opened read-only: whether the index is level with BL/ and the custody log.
    bool levelWithFiles();
    // The folder's modification time and number of entries, which any file made, removed or renamed
    // in it changes.
    QString folderStamp() const;
    // Whether the folder is as the stamp taken or last counted at takenAt (seconds since the epoch)
    // found it. Counting reads the whole folder: a stamp taken or counted after the tick of its time
    // was over is compared by the time alone.
    enum class FolderCheck { Changed, Same, SameCountedAfterItsTick };
    FolderCheck folderAsStamped(const QString& stamp, qint64 takenAt) const;
    void usePrivateCopy(const QString& why);
    // Within a transaction.
    bool storeTemplate(const QString& templatePath);
    bool storeInquiry(const InquiryFacts& facts);
    bool storeOwnFiles(const QString& inquiry);
    bool removeInquiryText(const QString& name);
    bool removeInquiry(const QString& name);
    bool storeFile(const QString& name, FileKind kind, bool force);
    bool linkByTime(const QString& inquiry);
    bool linkCaptureByTime(const QString& name, const QDateTime& start);
    bool updateCounts(const QString& inquiry);
    bool applyCustodyLine(const QByteArray& line, qint64 offset);
    // A recording or capture moved out of use ("from" in the details): no longer any inquiry's.
    bool forgetFile(const QList<QPair<QString, QString>>& details);

    QString m_programDir;
    sql::Connection m_db;
    // The file the connection has open, to notice it being deleted or replaced.
    quint64 m_device = 0;
    quint64 m_inode = 0;
    QString m_replacedBecause;
    bool m_madeFile = false;
    QString m_setAsideBecause;
    QString m_databasePath;
    // Opened without writing (SQLite's immutable open of a read-only share).
    bool m_readOnly = false;
    // The file has the index in listing order, which answers a search newest first unsorted.
    bool m_listingOrder = false;
    QString m_privateBecause;
    std::unique_ptr<QTemporaryDir> m_privateDir;
};

} // namespace archive

// A search may answer every inquiry of the office: a growing list moves its rows as bytes.
Q_DECLARE_TYPEINFO(archive::InquiryRow, Q_RELOCATABLE_TYPE);
