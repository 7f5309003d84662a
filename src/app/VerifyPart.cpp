// The verify part: fingerprints checked against their files, and hand-over bundles as a whole, on
// QtCore, libzip and libcrypto alone, and the files an evidence sheet's QR text names; the results
// for the files of an inquiry go into the custody log.
#include "CommandTable.h"

#include "archive/BundleCheck.h"
#include "archive/CustodyChecks.h"
#include "archive/EvidenceSheetFacts.h"

#include "transcript/Usage.h"

#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"
#include "platform/SaveRecovery.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

#include <cstdio>

extern "C" Q_DECL_EXPORT int quillon_verify(int argc, char** argv) {
    // A save that was cut off is finished or undone first: the files then are all of one save. One
    // that cannot be is named before the checks, whose results it may explain.
    const durable::Leftovers left = durable::finishInterruptedSavesOf(commandArguments(argc, argv));
    for (const QString& record : left.stopped)
        std::fputs(
            qPrintable(
                QStringLiteral("保存记录 <%1> 所记的保存既不能完成也不能撤销，它的文件原样未动。\n").arg(record)),
            stderr);
    for (const QString& record : left.unreadable)
        std::fputs(qPrintable(QStringLiteral("保存记录 <%1> 无法读取，没有按它完成或撤销保存。\n").arg(record)),
                   stderr);
    // File names are checked by their bytes: a name in another encoding than the locale's must not
    // turn into replacement characters.
    QByteArrayList files;
    QStringList bundles;
    QStringList sheets;
    QString caFile;
    QString sheetFolder;
    for (int i = 2; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--ca" && i + 1 < argc)
            caFile = QFile::decodeName(argv[++i]);
        else if (argument == "--ca")
            return transcript::usageError(QStringLiteral("verify 的 --ca 需要时间戳服务的 CA 证书文件"));
        else if (argument == "--in" && i + 1 < argc)
            sheetFolder = QFile::decodeName(argv[++i]);
        else if (argument == "--in")
            return transcript::usageError(QStringLiteral("verify 的 --in 需要放着证据文件的文件夹"));
        else if (argument.toLower().endsWith(".zip"))
            bundles << QFile::decodeName(argument);
        else if (QFile text(QFile::decodeName(argument));
                 argument == "-" || (text.open(QIODevice::ReadOnly) && archive::isSheetText(text.read(64))))
            sheets << QFile::decodeName(argument);
        else
            files << argument;
    }
    int bundlesVerified = 0;
    if (!bundles.isEmpty() || !sheets.isEmpty()) {
        int programOnly = 1;
        QCoreApplication app(programOnly, argv);
        if (!bundles.isEmpty())
            bundlesVerified = archive::verifyBundleCommand(bundles, caFile);
        for (const QString& sheet : sheets)
            bundlesVerified = std::max(bundlesVerified, archive::verifySheetCommand(sheet, sheetFolder));
        if (files.isEmpty())
            return bundlesVerified;
    }
    // Only a template, document, PDF, recording or capture may belong to an inquiry: a check of any
    // other file needs neither the application object nor the program directory.
    QList<fingerprint::CheckedFile> inquiryFiles;
    const int verified = fingerprint::verifyCommand(files, [&inquiryFiles](const fingerprint::CheckedFile& file) {
        if (archive::mayBelongToInquiry(file.path))
            inquiryFiles << file;
    });
    if (inquiryFiles.isEmpty())
        return std::max(verified, bundlesVerified);
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    const bool recorded = archive::recordChecks(programdir::resolveForCommand(), inquiryFiles);
    return recorded ? std::max(verified, bundlesVerified) : 1;
}
