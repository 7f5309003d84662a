// The evidence sheet's facts from the archive, its command, and the check of a sheet's text.
#include "archive/EvidenceSheetFacts.h"

#include "archive/Bundle.h"
#include "archive/CheckContext.h"
#include "archive/CommandLine.h"
#include "archive/InquiryFacts.h"
#include "archive/Locations.h"
#include "archive/TimeMarkList.h"
#include "archive/TimeStampAuthority.h"

#include "transcript/Usage.h"

#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

#include <cstdio>

namespace archive {

namespace {

std::optional<sheet::SheetFile> fileOf(const QString& path, const QString& kind) {
    durable::Result read;
    const QByteArray hex = fingerprint::sha256Hex(path, &read);
    if (hex.isEmpty())
        return std::nullopt;
    return sheet::SheetFile{kind, QFileInfo(path).fileName(), QString::fromLatin1(hex), QFileInfo(path).size()};
}

// The time the head's token vouches for, once its signature and imprint are checked.
QString headTime(const QString& programDir, const QString& head) {
    QFile token(timestamps::tokenPath(programDir, head));
    if (head.isEmpty() || !token.open(QIODevice::ReadOnly))
        return {};
    QString time;
    QString error;
    return timestamps::checkToken(token.readAll(), QByteArray::fromHex(head.toLatin1()),
                                  timestamps::setting(programDir).caFile, &time, &error)
               ? time
               : QString();
}

} // namespace

QString custodyHead(const QString& programDir) {
    QFile log(custodyPath(programDir));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = log.readAll();
    // A torn last line is no entry: the head is the last line a line feed ends.
    text.truncate(text.lastIndexOf('\n'));
    if (text.isEmpty())
        return {};
    const QByteArray last = text.mid(text.lastIndexOf('\n') + 1);
    return QString::fromLatin1(QCryptographicHash::hash(last, QCryptographicHash::Sha256).toHex());
}

std::optional<sheet::Sheet> sheetOf(Archive& archive, const QString& templatePath, QStringList* missing,
                                    QString* error) {
    const InquiryFacts facts = readInquiry(templatePath);
    if (!facts.problem.isEmpty()) {
        *error = QStringLiteral("笔录模板 <%1> %2").arg(templatePath, facts.problem);
        return std::nullopt;
    }
    sheet::Sheet s{facts.name,
                   facts.date,
                   facts.unit(),
                   facts.interviewee(),
                   check::officersOf(facts.record).join(QStringLiteral("、")),
                   {},
                   {},
                   {}};
    const QFileInfo info(templatePath);
    const QString document = info.absolutePath() + u'/' + facts.name + QStringLiteral(".doc");
    if (QFileInfo::exists(document)) {
        const std::optional<sheet::SheetFile> file = fileOf(document, sheet::kDocument);
        if (!file) {
            *error = QStringLiteral("无法读取笔录文件 <%1>").arg(document);
            return std::nullopt;
        }
        s.files << *file;
    }
    const std::optional<sheet::SheetFile> own = fileOf(info.absoluteFilePath(), sheet::kTemplate);
    if (!own) {
        *error = QStringLiteral("无法读取笔录模板 <%1>").arg(templatePath);
        return std::nullopt;
    }
    s.files << *own;
    QSet<QString> listed;
    for (const FileRow& row : archive.files(facts.name)) {
        if (row.how == LinkHow::Unlinked || (row.kind != FileKind::Recording && row.kind != FileKind::Capture))
            continue;
        const QString path = fullPath(archive.programDir(), row.name);
        if (!QFileInfo::exists(path)) {
            *missing << path;
            continue;
        }
        std::optional<sheet::SheetFile> file =
            fileOf(path, row.kind == FileKind::Recording ? sheet::kRecording : sheet::kCapture);
        if (!file) {
            *error = QStringLiteral("证据文件 <%1> 无法读取").arg(path);
            return std::nullopt;
        }
        const check::Evidence runs = evidenceOf(path, row.kind);
        if (runs.starts.isValid())
            file->starts = runs.starts.toString(Qt::ISODate);
        if (runs.starts.isValid() && runs.ends.isValid())
            file->seconds = runs.starts.secsTo(runs.ends);
        s.files << *file;
        listed.insert(row.name);
    }
    // A mark in a file the sheet does not list would vouch for nothing on it.
    for (const RecordingMark& mark : marksOf(archive, facts.name))
        if (listed.contains(mark.file))
            s.marks << mark;
    s.head = custodyHead(archive.programDir());
    s.headTime = headTime(archive.programDir(), s.head);
    return s;
}

int sheetCommand(const QStringList& arguments, const SheetPrinter& print) {
    QString templatePath;
    QString pdf;
    QString printer;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--pdf") && i + 1 < arguments.size())
            pdf = arguments[++i];
        else if (arguments[i] == QLatin1String("--printer") && i + 1 < arguments.size())
            printer = arguments[++i];
        else if (!arguments[i].startsWith(QLatin1String("--")) && templatePath.isEmpty())
            templatePath = arguments[i];
        else
            return transcript::usageError(QStringLiteral("sheet 不认识的参数 %1").arg(arguments[i]));
    }
    if (templatePath.isEmpty())
        return transcript::usageError(QStringLiteral("sheet 需要一个笔录模板"));
    const std::unique_ptr<Archive> archive = consoleArchive(programdir::resolveForCommand());
    archive->refresh();
    QTextStream err(stderr);
    QString error;
    QStringList missing;
    const std::optional<sheet::Sheet> s = sheetOf(*archive, templatePath, &missing, &error);
    for (const QString& path : missing)
        err << QStringLiteral("提示：证据文件 <%1> 已不存在，没有列入证据校验单").arg(path) << Qt::endl;
    if (!s || !print(*s, printer, pdf, &error)) {
        err << QStringLiteral("证据校验单没有生成：%1").arg(error) << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << (pdf.isEmpty() ? QStringLiteral("证据校验单已送到打印机")
                                          : QStringLiteral("证据校验单：%1").arg(QFileInfo(pdf).absoluteFilePath()))
                        << Qt::endl;
    return 0;
}

bool isSheetText(const QByteArray& start) {
    return start.startsWith(sheet::kFirstLine.toLatin1() + '\n') ||
           start.startsWith(sheet::kFirstLine.toLatin1() + "\r\n");
}

int verifySheetCommand(const QString& textPath, const QString& folder) {
    const bool fromInput = textPath == QLatin1String("-");
    QFile file(fromInput ? QString() : textPath);
    const bool opened = fromInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::optional<sheet::Sheet> s =
        opened ? sheet::readSheetText(QString::fromUtf8(file.readAll())) : std::nullopt;
    if (!s) {
        err << QStringLiteral("%1 不是证据校验单的二维码内容（第一行应为“%2”）")
                   .arg(fromInput ? QStringLiteral("标准输入") : textPath, sheet::kFirstLine)
            << Qt::endl;
        return 1;
    }
    QStringList places;
    if (!folder.isEmpty())
        places << folder;
    else {
        if (!fromInput)
            places << QFileInfo(textPath).absolutePath();
        places << programdir::blDir(programdir::resolveForCommand());
    }
    int failed = 0;
    for (const sheet::SheetFile& named : s->files) {
        // An unpacked bundle keeps recordings and captures in folders of their own.
        const QString inBundle = named.kind == sheet::kRecording ? kRecordingFolder
                                 : named.kind == sheet::kCapture ? kCaptureFolder
                                                                 : QString();
        QString path;
        for (const QString& place : places)
            for (const QString& candidate :
                 {QDir(place).filePath(named.name), QDir(place).filePath(inBundle + named.name)})
                if (path.isEmpty() && QFileInfo(candidate).isFile())
                    path = candidate;
        durable::Result read;
        QString verdict;
        if (path.isEmpty())
            verdict = QStringLiteral("FAILED（找不到这个文件：在 %1 里都没有）").arg(places.join(QStringLiteral("、")));
        else if (const qint64 size = QFileInfo(path).size(); size != named.size)
            verdict = QStringLiteral("FAILED（大小 %1 字节，校验单上是 %2 字节）").arg(size).arg(named.size);
        else if (const QByteArray hex = fingerprint::sha256Hex(path, &read); hex.isEmpty())
            verdict = QStringLiteral("FAILED（无法读取：%1）").arg(read.text());
        else if (hex != named.sha256.toLatin1())
            verdict = QStringLiteral("FAILED（SHA-256 与校验单不符）");
        else
            verdict = QStringLiteral("OK");
        failed += verdict != QLatin1String("OK");
        out << (path.isEmpty() ? named.name : path) << ": " << verdict << Qt::endl;
    }
    out << QStringLiteral("证据校验单（%1）：%2 个文件，%3 个不符").arg(s->inquiry).arg(s->files.size()).arg(failed)
        << Qt::endl;
    return failed == 0 ? 0 : 1;
}

} // namespace archive
