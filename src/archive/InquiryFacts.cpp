// A template's fields and the list columns derived from them.
#include "archive/InquiryFacts.h"

#include "archive/SearchText.h"

#include "transcript/InquiryCheck.h"
#include "transcript/TemplateFile.h"

#include "platform/DateTimeText.h"
#include "platform/IniProfile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace archive {

namespace {

// A template larger than this is not one the program wrote: 73 values of at most 10 239 bytes.
constexpr qint64 kLargestTemplate = 1024 * 1024;

// A number as typed: full-width digits ("２０１７", from a Chinese input method) read as digits.
int numberOf(const QString& text, bool* ok = nullptr) {
    return text.normalized(QString::NormalizationForm_KC).trimmed().toInt(ok);
}

// "9" and "5" give "09:05"; empty when the hour is not a number or the time is not a real one.
QString timeText(const QString& hour, const QString& minute) {
    bool hourOk = false;
    bool minuteOk = true;
    const int h = numberOf(hour, &hourOk);
    const int m = minute.trimmed().isEmpty() ? 0 : numberOf(minute, &minuteOk);
    const QTime time(h, m);
    return hourOk && minuteOk && time.isValid() ? time.toString(QStringLiteral("HH:mm")) : QString();
}

bool isTemplate(const QByteArray& content) {
    for (const record::Field& field : record::kFields)
        if (ini::rawValue(content, transcript::kTemplateSection,
                          QByteArray(field.key.name().data(), qsizetype(field.key.name().size()))))
            return true;
    return false;
}

} // namespace

InquiryFacts readInquiry(const QString& templatePath) {
    const QString name = QFileInfo(templatePath).completeBaseName();
    const Stamp stamp = stampOf(templatePath);
    QFile file(templatePath);
    const auto failed = [&](const QString& problem) {
        InquiryFacts facts;
        facts.name = name;
        facts.stamp = stamp;
        facts.problem = problem;
        return facts;
    };
    if (stamp.size > kLargestTemplate)
        return failed(QStringLiteral("文件太大（%1 字节），不是笔录模板").arg(stamp.size));
    if (!file.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("无法读取：%1").arg(file.errorString()));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failed(QStringLiteral("无法读取：%1").arg(file.errorString()));
    InquiryFacts facts = inquiryOf(name, content);
    facts.stamp = stamp;
    return facts;
}

InquiryFacts inquiryOf(const QString& name, const QByteArray& content) {
    InquiryFacts facts;
    facts.name = name;
    if (!isTemplate(content)) {
        facts.problem = QStringLiteral("不是笔录模板：没有 [set] 节的 num1、num2 等键");
        return facts;
    }
    facts.record = transcript::parseTemplate(content);
    const record::TranscriptRecord& r = facts.record;
    const QDate date(numberOf(r[field::Year]), numberOf(r[field::Month]), numberOf(r[field::Day]));
    facts.date = date.isValid() ? date.toString(Qt::ISODate) : QString();
    facts.starts = timeText(r[field::StartHour], r[field::StartMinute]);
    facts.ends = timeText(r[field::EndHour], r[field::EndMinute]);
    for (int pair = 1; pair <= record::kPairs; ++pair)
        // A line holds something when more is left than the "问：" or "答：" the form starts it with.
        if (!check::lineText(r[record::question(pair).key], QStringLiteral("问：")).isEmpty() ||
            !check::lineText(r[record::answer(pair).key], QStringLiteral("答：")).isEmpty())
            ++facts.pairs;
    return facts;
}

QString fieldsJsonOf(const record::TranscriptRecord& r) {
    QJsonObject fields;
    for (std::size_t i = 0; i < record::kFields.size(); ++i)
        fields.insert(
            QString::fromUtf8(record::kFields[i].key.name().data(), qsizetype(record::kFields[i].key.name().size())),
            r.values[i]);
    return QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact));
}

QString searchTextOf(const InquiryFacts& facts) {
    QStringList lines{facts.name};
    for (const QString& value : facts.record.values)
        if (!value.isEmpty())
            lines << value;
    return search::normalized(lines.join(u'\n'));
}

QDateTime captureStart(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^(.+?)(?:\\(\\d+\\))?\\.avi$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    return match.hasMatch() ? datetimetext::parse(match.captured(1)) : QDateTime();
}

} // namespace archive
