// Gathering an inquiry's files for its bundle.
#include "archive/Export.h"

#include "archive/Locations.h"
#include "archive/TimeMarkList.h"
#include "archive/TimeStampAuthority.h"

#include "transcript/ReadBackFiles.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QTemporaryDir>

namespace archive {

namespace {

// The PDF of the document's pages made, the bundle written, and the export logged once it is in place.
// facts: the evidence sheet to paint into the bundle; nothing for a bundle without one.
BundleResult finish(Archive& archive, BundleRequest request, const QStringList& missing, const PdfMaker& pdf,
                    const BundleWriter& write, const std::optional<sheet::Sheet>& facts = {},
                    const SheetPrinter& paint = {}) {
    BundleResult result;
    if (!QFileInfo(request.templatePath).isFile()) {
        result.error = QStringLiteral("笔录模板 <%1> 不存在").arg(request.templatePath);
        return result;
    }
    QTemporaryDir work;
    if (QFileInfo::exists(request.documentPath)) {
        QString error;
        request.pdfPath = work.filePath(request.inquiry + QStringLiteral(".pdf"));
        if (!work.isValid() || !pdf(request.documentPath, request.pdfPath, &error)) {
            result.error = QStringLiteral("笔录页面的PDF没有生成：%1").arg(error);
            return result;
        }
    }
    if (facts) {
        QString error;
        request.sheetPdfPath = work.filePath(kSheetMember);
        if (!work.isValid() || !paint(*facts, {}, request.sheetPdfPath, &error)) {
            result.error = QStringLiteral("证据校验单的PDF没有生成：%1").arg(error);
            return result;
        }
    }
    // The excerpt closes with the export itself, bound to the lines before it and to the chain's head.
    QStringList excerpt;
    for (const QByteArray& line : request.custodyLines)
        excerpt << QString::fromLatin1(QCryptographicHash::hash(line, QCryptographicHash::Sha256).toHex());
    QByteArray begun;
    if (!archive.log(custody::kExportBegun, request.inquiry, {},
                     {{QStringLiteral("bundle"), storedName(archive.programDir(), request.target)},
                      {QStringLiteral("excerpt"), excerpt.join(u' ')}},
                     &begun)) {
        result.error = QStringLiteral("这次导出没能记入保管记录，移交包里的保管记录会缺了它");
        return result;
    }
    request.custodyLines << begun;
    if (const timestamps::Setting tsa = timestamps::setting(archive.programDir()); tsa.configured())
        request.stamp = [tsa](const QByteArray& digest, QString* error) {
            return timestamps::stampNow(tsa, digest, error);
        };
    result = write(request);
    result.missing = missing;
    // The log tells by itself when its entry could not be written.
    if (result.ok)
        archive.log(custody::kExported, request.inquiry, {custodyFile(archive.programDir(), request.target)});
    return result;
}

} // namespace

BundleResult exportInquiry(Archive& archive, const QString& templatePath, const QString& target, const PdfMaker& pdf,
                           const BundleWriter& write, const SheetPrinter& paintSheet) {
    const QFileInfo info(templatePath);
    BundleRequest request;
    request.inquiry = info.completeBaseName();
    request.templatePath = info.absoluteFilePath();
    request.documentPath = info.absolutePath() + u'/' + request.inquiry + QStringLiteral(".doc");
    request.target = QFileInfo(target).absoluteFilePath();
    QStringList missing;
    for (const FileRow& file : archive.files(request.inquiry)) {
        const QString path = fullPath(archive.programDir(), file.name);
        if (file.how == LinkHow::Unlinked || (file.kind != FileKind::Recording && file.kind != FileKind::Capture))
            continue;
        if (!QFileInfo::exists(path))
            missing << path;
        else
            (file.kind == FileKind::Recording ? request.recordings : request.captures) << path;
    }
    request.custodyLines = archive.custodyLines(request.inquiry);
    // The read-back and its corrections go with the inquiry when it was read back.
    const auto kept = [](const QString& path) { return QFileInfo::exists(path) ? path : QString(); };
    request.readBackPath = kept(readback::recordPath(archive.programDir(), request.inquiry));
    request.correctionsPdfPath = kept(readback::pagePath(archive.programDir(), request.inquiry));
    request.correctionsTextPath = kept(readback::textPath(archive.programDir(), request.inquiry));
    request.marks = marksText(marksOf(archive, request.inquiry));
    // The sheet vouches for the files as they are now, the ones the bundle holds; evidence that is
    // gone is in missing already. Without a template, finish says so.
    std::optional<sheet::Sheet> facts;
    if (info.isFile()) {
        QString error;
        QStringList gone;
        facts = sheetOf(archive, request.templatePath, &gone, &error);
        if (!facts) {
            BundleResult result;
            result.error = QStringLiteral("证据校验单没有生成：%1").arg(error);
            return result;
        }
    }
    return finish(archive, std::move(request), missing, pdf, write, facts, paintSheet);
}

BundleResult exportFetchedInquiry(Archive& archive, BundleRequest request, const QStringList& missing,
                                  const PdfMaker& pdf, const BundleWriter& write) {
    request.target = QFileInfo(request.target).absoluteFilePath();
    return finish(archive, std::move(request), missing, pdf, write);
}

} // namespace archive
