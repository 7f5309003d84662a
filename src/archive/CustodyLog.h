// The custody log, custody.log in the program directory: one JSON object a line for everything done
// to an inquiry's files, with the time, the user and the host, each file's SHA-256, and the SHA-256
// of the line before, so that a line edited, removed or moved breaks the chain. It is only ever
// appended to; a last line torn by a power cut is kept as it is and the next entry notes it.
#pragma once

#include "archive/Index.h"

#include "platform/DurableFile.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace archive {

namespace custody {
// The events as the log names them.
inline const QString kComposed = QStringLiteral("composed");
inline const QString kSaved = QStringLiteral("saved");
inline const QString kOverwriteDeclined = QStringLiteral("overwrite-declined");
inline const QString kPrinted = QStringLiteral("printed");
inline const QString kRecordingSaved = QStringLiteral("recording-saved");
inline const QString kCaptureFinished = QStringLiteral("capture-finished");
inline const QString kCaptureRepaired = QStringLiteral("capture-repaired");
inline const QString kUploaded = QStringLiteral("uploaded");
inline const QString kDownloaded = QStringLiteral("downloaded");
inline const QString kFingerprintChecked = QStringLiteral("fingerprint-checked");
inline const QString kLinked = QStringLiteral("linked");
inline const QString kUnlinked = QStringLiteral("unlinked");
// The entry that closes the custody excerpt in a hand-over bundle, written as the bundle is begun:
// "excerpt" in its details holds the SHA-256 of each line before it in the excerpt, so that the
// excerpt is bound into the chain at the head the entry follows. "exported" follows once the
// bundle is in place, with the bundle's own SHA-256, which no line inside it can hold.
inline const QString kExportBegun = QStringLiteral("export-begun");
inline const QString kExported = QStringLiteral("exported");
// A file moved out of use into the recovery folder: given up by the user, or a capture that could not
// be repaired; "from" in the details names where it was.
inline const QString kDiscarded = QStringLiteral("discarded");
inline const QString kSetAside = QStringLiteral("set-aside");
// The transcript read back to the interviewee, with the document's SHA-256 at that moment; each
// change of the form after it ("field", "before", "after"); the page "更正记录" that lists them printed.
inline const QString kReadBack = QStringLiteral("read-back");
inline const QString kCorrected = QStringLiteral("corrected");
inline const QString kCorrectionsPrinted = QStringLiteral("corrections-printed");
inline const QString kStoppedEarly = QStringLiteral("stopped-early");

// The event in the words the archive window shows ("保存", "录音保存", …); the name itself when unknown.
QString eventText(const QString& event);
// The same for the keys of an event's details ("printer" is "打印机").
QString detailText(const QString& key);
// The operating-system user the entries name.
QString userName();
} // namespace custody

struct CustodyFile {
    QString name;   // as the index stores it
    QString sha256; // empty when the file could not be read
    // For a fingerprint check: its result ("一致", "与指纹不符", …).
    QString check = {};
};

struct CustodyEntry {
    QString time; // ISO 8601 with the zone
    QString user;
    QString host;
    QString event;
    QString inquiry;
    QList<CustodyFile> files;
    QList<QPair<QString, QString>> details;
    QString note;     // what the writer found wrong with the line before
    QString previous; // SHA-256 of the line before

    // Nothing when the line is no complete entry.
    static std::optional<CustodyEntry> parse(const QByteArray& line);
    QByteArray line() const;
};

// A file's entry: its stored name and its SHA-256 now.
CustodyFile custodyFile(const QString& programDir, const QString& path);

class CustodyLog {
public:
    explicit CustodyLog(QString programDir);

    // Appends the entry with the time, the user, the host and the chain; synced before it returns.
    // Several programs append to one log in turn; entries given together are written with one sync.
    // written: the lines as they went into the log.
    durable::Result append(QList<CustodyEntry> entries, QList<QByteArray>* written = nullptr);
    // The SHA-256 of the last line the last append() wrote: the chain's head.
    const QString& head() const { return m_head; }
    // The lines the index points at, in the order given.
    QList<QByteArray> lines(const QList<CustodyLineRef>& refs) const;

private:
    QString m_programDir;
    QString m_head;
};

// A line of the log as the check found it: its number, the SHA-256 of its bytes and its time.
struct ChainLine {
    int number = 0;
    QString sha256;
    QString time;
};

// What a record kept apart from the log vouches for: that the log's lines up to upToLine are the
// ones it saw at upToTime; what it found otherwise is in problems.
struct WitnessReport {
    QString name;      // "本机索引", "可信时间戳", "单位档案库"
    QString consulted; // what was looked at: a file, a server
    // Kept outside this desktop, where whoever rewrites the log cannot rewrite it too.
    bool external = true;
    int upToLine = 0; // 0: vouches for no line
    QString upToTime;
    QStringList problems;
};

// A witness compares the lines found with its own record; nothing when it is not set up.
using Witness = std::function<std::optional<WitnessReport>(const QString& programDir, const QList<ChainLine>& chain)>;

// What a check of the whole log found.
struct Verification {
    int lines = 0;
    // Every complete line, those after a break included, for the witnesses.
    QList<ChainLine> chain;
    // The first line where the chain breaks, and why; 0 when it holds to the end.
    int brokenLine = 0;
    QString why;
    // Lines torn earlier that the next entry notes: kept, not a break, but what they held is lost.
    QStringList notes;
    int filesChecked = 0;
    // Files that no longer match the SHA-256 the log last recorded for them, with why.
    QStringList fileProblems;
    // Hand-over bundles moved away after their export: handed over, not missing.
    QStringList handedOver;
    QList<WitnessReport> witnesses;

    bool ok() const;
};

Verification verify(const QString& programDir, const QList<Witness>& witnesses = {});

// The index's record of the log (LogSeen): a local witness, which catches a log cut short by
// accident but not a forger.
std::optional<WitnessReport> indexWitness(const QString& programDir, const QList<ChainLine>& chain);

// `quillon log verify`: the chain from the first line to the last, every file the log names against
// its last recorded SHA-256, then each witness. Prints what was proved: the verdict, every problem,
// and which witnesses vouch for which lines, or that none outside this desktop does; 0 when all
// holds, 1 otherwise.
int verifyCommand(const QString& programDir, const QList<Witness>& witnesses);

} // namespace archive
