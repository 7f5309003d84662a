// Checked files sorted by the inquiry they belong to, and one custody entry for each inquiry.
#include "archive/CustodyChecks.h"

#include "archive/CustodyLog.h"
#include "archive/Index.h"
#include "archive/Locations.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace archive {

namespace {

bool isEvidence(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("wav") || suffix == QLatin1String("avi");
}

} // namespace

bool mayBelongToInquiry(const QByteArray& path) {
    const QByteArray name = path.toLower();
    for (const char* suffix : {".ini", ".doc", ".pdf", ".wav", ".avi"})
        if (name.endsWith(suffix))
            return true;
    return false;
}

bool recordChecks(const QString& programDir, const QList<fingerprint::CheckedFile>& checked) {
    QTextStream err(stderr);
    QMap<QString, QList<CustodyFile>> byInquiry;
    // Opened at the first recording or capture; empty when the index cannot tell their inquiries.
    std::optional<Index> index;
    QString indexProblem;
    for (const fingerprint::CheckedFile& check : checked) {
        const QString path = QFileInfo(QFile::decodeName(check.path)).absoluteFilePath();
        const CustodyFile file{storedName(programDir, path), QString::fromLatin1(check.sha256), check.verdict};
        if (const QString templatePath = templateOf(programDir, path); !templatePath.isEmpty()) {
            if (QFileInfo::exists(templatePath))
                byInquiry[QFileInfo(templatePath).completeBaseName()] << file;
            continue;
        }
        if (!isEvidence(path))
            continue;
        if (!index && indexProblem.isEmpty()) {
            bool notBuilt = !QFileInfo::exists(indexPath(programDir));
            if (!notBuilt) {
                index.emplace(programDir);
                if (const sql::Error opened = index->open(&notBuilt); !opened) {
                    indexProblem = QStringLiteral("索引无法打开（%1）").arg(opened.text);
                    index.reset();
                }
            }
            if (notBuilt) {
                indexProblem = QStringLiteral("索引还没有建立（打开笔录档案或运行 quillon archive --rebuild 后建立）");
                index.reset();
            }
        }
        QStringList inquiries;
        QString problem = indexProblem;
        if (index) {
            if (const sql::Error found = index->inquiriesOf(file.name, &inquiries); !found)
                problem = QStringLiteral("索引无法读取（%1）").arg(found.text);
        }
        if (!problem.isEmpty()) {
            err << QStringLiteral("提示：笔录档案%1，<%2> 属于哪份笔录无从得知，它的校验结果没有记入保管记录。")
                       .arg(problem, path)
                << Qt::endl;
            continue;
        }
        for (const QString& inquiry : inquiries)
            byInquiry[inquiry] << file;
    }
    bool allWritten = true;
    CustodyLog log(programDir);
    for (auto it = byInquiry.cbegin(); it != byInquiry.cend(); ++it) {
        CustodyEntry entry;
        entry.event = custody::kFingerprintChecked;
        entry.inquiry = it.key();
        entry.files = it.value();
        if (const durable::Result written = log.append({entry}); !written) {
            err << QStringLiteral("提示：保管记录没有写成（%1）：<%2>\n笔录“%3”的校验结果没有记入保管记录。")
                       .arg(written.text(), custodyPath(programDir), it.key())
                << Qt::endl;
            allWritten = false;
        }
    }
    return allWritten;
}

} // namespace archive
