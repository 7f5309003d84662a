// The hand-over bundle of one inquiry: one ZIP with the document, the template, a PDF of the pages,
// the linked recordings and captures, their .sha256 fingerprints, the inquiry's custody-log lines,
// the list of their time marks and manifest.sha256 over every file in it, so that
// `sha256sum -c manifest.sha256` in the unpacked folder confirms the lot. Names keep their Chinese
// characters (flagged as UTF-8), big files are streamed from the disk, and the ZIP appears under its
// name only when it is complete and synced.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace archive {

// Writes a PDF of a document's pages through the page renderer, which needs the program's main
// thread: the caller makes the PDF before the bundle is written. False with the reason in error.
using PdfMaker = std::function<bool(const QString& document, const QString& pdf, QString* error)>;

struct BundleRequest {
    QString inquiry;
    QString templatePath;
    QString documentPath; // empty or missing: the inquiry has no document
    QString pdfPath;      // the PDF of the document's pages, named <inquiry>.pdf in the bundle
    QString sheetPdfPath; // the evidence sheet's PDF, kSheetMember in the bundle; empty for none
    // The read-back's record with every correction after it, and the page "更正记录" as last printed
    // with its text: kReadBackMember, kCorrectionsMember, kCorrectionsTextMember; empty for none.
    QString readBackPath;
    QString correctionsPdfPath;
    QString correctionsTextPath;
    QStringList recordings; // full paths
    QStringList captures;
    QList<QByteArray> custodyLines;
    // The time marks of the recordings and captures as a plain text list, kMarksMember in the
    // bundle; empty for none.
    QString marks;
    QString target; // the ZIP file
    // A trusted time-stamp of the manifest's SHA-256, which goes into the bundle as
    // manifest.sha256.tsr; none when no authority is set. An empty token with an error: the bundle
    // is written without it and the error said (warning).
    std::function<QByteArray(const QByteArray& manifestSha256, QString* error)> stamp = {};
};

// How far an export has got; read from another thread while it runs.
struct BundleProgress {
    std::atomic<qint64> done = 0;
    std::atomic<qint64> total = 0;
};

struct BundleResult {
    bool ok = false;
    bool cancelled = false;
    QString error;     // why it failed, in the words of the messages
    QStringList names; // the files in the bundle, manifest.sha256 last
    // Evidence linked to the inquiry that no longer exists, and so is not in the bundle.
    QStringList missing;
    // Why the manifest has no time-stamp although an authority is set.
    QString warning;
};

// The bundle's folders of recordings and of captures.
inline const QString kRecordingFolder = QStringLiteral("录音/");
inline const QString kCaptureFolder = QStringLiteral("录像/");
// The evidence sheet's PDF in a bundle.
inline const QString kSheetMember = QStringLiteral("证据校验单.pdf");
// The read-back's record and the corrections' page and text in a bundle.
inline const QString kReadBackMember = QStringLiteral("宣读核对.json");
inline const QString kCorrectionsMember = QStringLiteral("更正记录.pdf");
inline const QString kCorrectionsTextMember = QStringLiteral("更正记录.txt");
// The list of time marks in a bundle.
inline const QString kMarksMember = QStringLiteral("时间标记.txt");

// The name of the time-stamp of the manifest in a bundle.
inline const QString kManifestToken = QStringLiteral("manifest.sha256.tsr");

// Runs on any thread. cancelled() is asked now and then and stops the export when it answers true;
// a cancelled or failed export leaves nothing under the target's name and an earlier file there
// as it was.
BundleResult writeBundle(const BundleRequest& request, BundleProgress& progress,
                         const std::function<bool()>& cancelled);

} // namespace archive
