// Gathering an inquiry's files for its bundle.
#include "archive/Export.h"

#include "archive/Locations.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace archive {

BundleResult exportInquiry(Archive& archive, const QString& templatePath, const QString& target, const PdfMaker& pdf,
                           const BundleWriter& write) {
    const QFileInfo info(templatePath);
    BundleRequest request;
    request.inquiry = info.completeBaseName();
    request.templatePath = info.absoluteFilePath();
    request.documentPath = info.absolutePath() + u'/' + request.inquiry + QStringLiteral(".doc");
    request.target = QFileInfo(target).absoluteFilePath();
    BundleResult result;
    if (!info.isFile()) {
        result.error = QStringLiteral("笔录模板 <%1> 不存在").arg(templatePath);
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
    result = write(request);
    result.missing = missing;
    // The log tells by itself when its entry could not be written.
    if (result.ok)
        archive.log(custody::kExported, request.inquiry, {custodyFile(archive.programDir(), request.target)});
    return result;
}

} // namespace archive
