// Template file names, the name-part check, remarks flattening and the template's reads and writes.
#include "transcript/TemplateFile.h"

#include "platform/Gbk.h"
#include "platform/IniProfile.h"
#include "platform/ProgramDir.h"

#include <QFile>

namespace transcript {

namespace {

QString key(std::string_view k) {
    return QString::fromUtf8(k.data(), qsizetype(k.size()));
}

struct NamePart {
    std::string_view key;
    const char* label;
};

// The fields that make up the file name, named as the form shows them.
constexpr NamePart kNameParts[] = {
    {"num1", "笔录时间的年份"}, {"num2", "笔录时间的月份"}, {"num3", "笔录时间的日期"},
    {"num16", "工作单位"},      {"num10", "被询问人姓名"},
};

} // namespace

QString baseName(const record::TranscriptRecord& r) {
    return r["num1"] + '.' + r["num2"] + '.' + r["num3"] + '-' + r["num16"] + '-' + r["num10"];
}

QString templatePath(const QString& programDir, const record::TranscriptRecord& r) {
    return programdir::blDir(programDir) + '/' + baseName(r) + ".ini";
}

QString documentPath(const QString& programDir, const record::TranscriptRecord& r) {
    return programdir::blDir(programDir) + '/' + baseName(r) + ".doc";
}

Outcome checkNameParts(const record::TranscriptRecord& r) {
    for (const NamePart& part : kNameParts) {
        const QString& text = r[part.key];
        if (text.contains('/') || text.contains('\\') || text.contains(QChar(0)) || text.contains(".."))
            return Outcome::failure(
                QStringLiteral("提 示："),
                QStringLiteral(" %1中含有“/”、“\\”、“..”或空字符，不能用作笔录文件名，请修改后再试。 ")
                    .arg(QString::fromUtf8(part.label)));
    }
    return Outcome::success();
}

QString flattenRemarks(const QString& remarks) {
    QString flat = remarks;
    flat.replace('\r', ' ');
    flat.replace('\n', ' ');
    return flat;
}

Outcome saveTemplate(const QString& path, const record::TranscriptRecord& r) {
    QList<ini::Entry> entries;
    entries.reserve(qsizetype(record::kFields.size()));
    for (std::size_t i = 0; i < record::kFields.size(); ++i)
        entries.append({key(record::kFields[i].key), r.values[i]});
    if (!ini::writeStrings(path, QString::fromLatin1(kTemplateSection), entries))
        return Outcome::failure(QStringLiteral("提 示："),
                                QStringLiteral(" 笔录模板文件没有保存成功，请检查磁盘空间和目录权限：<%1> ").arg(path));
    return Outcome::success();
}

record::TranscriptRecord readTemplate(const QString& path) {
    QByteArray content;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();
    record::TranscriptRecord r;
    for (std::string_view k : record::kReadOrder)
        r[k] = gbk::decode(ini::lookup(content, kTemplateSection, QByteArray(k.data(), qsizetype(k.size()))));
    return r;
}

} // namespace transcript
