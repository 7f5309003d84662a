// Template file names, the name-part check, field cleaning and the template's reads and writes.
#include "transcript/TemplateFile.h"

#include "transcript/FieldNames.h"

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
    record::Key key;
    const char* label;
    bool date;
};

// The fields that make up the file name, named as the form shows them.
constexpr NamePart kNameParts[] = {
    {field::Year, "笔录时间的年份", true},
    {field::Month, "笔录时间的月份", true},
    {field::Day, "笔录时间的日期", true},
    {field::WorkUnit, "工作单位", false},
    {field::IntervieweeName, "被询问人姓名", false},
};

} // namespace

QString baseName(const record::TranscriptRecord& r) {
    return r[field::Year] + '.' + r[field::Month] + '.' + r[field::Day] + '-' + r[field::WorkUnit] + '-' +
           r[field::IntervieweeName];
}

QString templatePath(const QString& programDir, const record::TranscriptRecord& r) {
    return programdir::blDir(programDir) + '/' + baseName(r) + ".ini";
}

QString documentPath(const QString& programDir, const record::TranscriptRecord& r) {
    return programdir::blDir(programDir) + '/' + baseName(r) + ".doc";
}

Outcome checkNameParts(const record::TranscriptRecord& r) {
    QStringList emptyDate;
    for (const NamePart& part : kNameParts) {
        if (part.date && r[part.key].isEmpty())
            emptyDate << QString::fromUtf8(part.label);
    }
    if (!emptyDate.isEmpty())
        return Outcome::failure(
            QStringLiteral("提 示："),
            QStringLiteral(" %1没有添写，不能用作笔录文件名，请添写后再试。 ").arg(emptyDate.join("、")));
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

QString cleanFieldText(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == '\r' || c == '\n') {
            clean += ' ';
            continue;
        }
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(c, text[i + 1]);
        else if (c.isSurrogate())
            continue; // a lone half of a pair
        const bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
        const int width = code > 0xFFFF ? 2 : 1;
        if (!nonCharacter)
            clean += QStringView(text).sliced(i, width);
        i += width - 1;
    }
    return clean;
}

void cleanFields(record::TranscriptRecord& r) {
    for (QString& value : r.values)
        value = cleanFieldText(value);
}

Outcome TemplateSave::prepare(const QString& path, const record::TranscriptRecord& r) {
    QList<ini::Entry> entries;
    entries.reserve(qsizetype(record::kFields.size()));
    for (std::size_t i = 0; i < record::kFields.size(); ++i)
        entries.append({key(record::kFields[i].key.name()), r.values[i]});
    m_path = path;
    if (const durable::Result read =
            ini::updatedProfile(path, QString::fromLatin1(kTemplateSection), entries, &m_bytes);
        !read)
        return templateFailure(path, read);
    return Outcome::success();
}

Outcome templateFailure(const QString& path, const durable::Result& r) {
    return Outcome::failure(QStringLiteral("提 示："),
                            QStringLiteral(" 笔录模板文件没有保存成功（%1）：<%2> ").arg(r.text(), path));
}

Outcome saveTemplate(const QString& path, const record::TranscriptRecord& r) {
    TemplateSave save;
    if (Outcome prepared = save.prepare(path, r); !prepared.ok)
        return prepared;
    if (const durable::Result written = durable::writeFile(path, save.bytes()); !written)
        return templateFailure(path, written);
    return Outcome::success();
}

record::TranscriptRecord readTemplate(const QString& path) {
    QByteArray content;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();
    return parseTemplate(content);
}

record::TranscriptRecord parseTemplate(const QByteArray& content) {
    record::TranscriptRecord r;
    for (const std::size_t i : record::kReadOrder) {
        const std::string_view k = record::kFields[i].key.name();
        r.values[i] = gbk::decode(ini::lookup(content, kTemplateSection, QByteArray(k.data(), qsizetype(k.size()))));
    }
    cleanFields(r);
    return r;
}

} // namespace transcript
