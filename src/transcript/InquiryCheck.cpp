// The review of an inquiry on plain values: each rule names itself in its problem's text.
#include "transcript/InquiryCheck.h"

#include "platform/Settings.h"

#include <QRegularExpression>

#include <algorithm>

namespace check {

namespace {

// GB 11643: the weights of the first 17 characters, and the check character for the sum modulo 11.
constexpr int kWeights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
constexpr char kCheckCharacters[] = "10X98765432";

bool allDigits(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString dayText(const QDate& day) {
    return day.toString(QStringLiteral("yyyy年M月d日"));
}

QString timeText(const QTime& time) {
    return time.toString(QStringLiteral("HH:mm"));
}

// The hour and minute fields as a time: invalid when either is empty or not a number.
QTime timeOf(const QString& hour, const QString& minute) {
    const QString h = hour.trimmed();
    const QString m = minute.trimmed();
    return allDigits(h) && allDigits(m) ? QTime(h.toInt(), m.toInt()) : QTime();
}

bool identityApplies(const record::TranscriptRecord& r) {
    const QString kind = r[field::IdentityDocument].trimmed();
    return kind.isEmpty() || kind.contains(QStringLiteral("身份证"));
}

QString sexOf(const Identity& identity) {
    return identity.male ? QStringLiteral("男") : QStringLiteral("女");
}

void checkDate(const record::TranscriptRecord& r, QList<Problem>& problems) {
    for (const record::Key key : {field::Year, field::Month, field::Day})
        if (!allDigits(r[key].trimmed())) {
            problems.append({key, QStringLiteral("询问日期不完整：年、月、日都要用数字填写")});
            return;
        }
    if (!dayOf(r).isValid())
        problems.append(
            {field::Day, QStringLiteral("询问日期 %1年%2月%3日 不是真实的日期")
                             .arg(r[field::Year].trimmed(), r[field::Month].trimmed(), r[field::Day].trimmed())});
}

void checkTimes(const record::TranscriptRecord& r, QList<Problem>& problems) {
    const QTime start = startOf(r);
    if (r[field::StartHour].trimmed().isEmpty() || r[field::StartMinute].trimmed().isEmpty())
        problems.append({field::StartHour, QStringLiteral("开始时间不完整：时和分都要填写")});
    else if (!start.isValid())
        problems.append({field::StartHour, QStringLiteral("开始时间 %1时%2分 不是真实的时间")
                                               .arg(r[field::StartHour].trimmed(), r[field::StartMinute].trimmed())});
    const QTime end = endOf(r);
    if (r[field::EndHour].trimmed().isEmpty() && r[field::EndMinute].trimmed().isEmpty())
        problems.append({field::EndHour, QStringLiteral("结束时间没有填写")});
    else if (r[field::EndHour].trimmed().isEmpty() || r[field::EndMinute].trimmed().isEmpty())
        problems.append({field::EndHour, QStringLiteral("结束时间不完整：时和分都要填写")});
    else if (!end.isValid())
        problems.append({field::EndHour, QStringLiteral("结束时间 %1时%2分 不是真实的时间")
                                             .arg(r[field::EndHour].trimmed(), r[field::EndMinute].trimmed())});
    else if (start.isValid() && end <= start)
        problems.append(
            {field::EndHour, QStringLiteral("结束时间 %1 不晚于开始时间 %2：询问要在开始的同一天、开始之后结束")
                                 .arg(timeText(end), timeText(start))});
}

void checkIdentity(const record::TranscriptRecord& r, QList<Problem>& problems) {
    if (!identityApplies(r))
        return;
    if (r[field::IdentityNumber].trimmed().isEmpty()) {
        problems.append({field::IdentityNumber, QStringLiteral("身份证件号码没有填写")});
        return;
    }
    const QDate day = dayOf(r);
    const IdentityReading reading = readIdentityNumber(r[field::IdentityNumber], day);
    if (!reading.identity) {
        problems.append({field::IdentityNumber, reading.problem});
        return;
    }
    const Identity& identity = *reading.identity;
    const QString sex = r[field::Sex].trimmed();
    if (sex.isEmpty())
        problems.append(
            {field::Sex, QStringLiteral("性别没有填写：按身份证号码是%1（可以按号码填写）").arg(sexOf(identity))});
    else if (sex != sexOf(identity))
        problems.append(
            {field::Sex, QStringLiteral("性别“%1”与身份证号码不符：号码的性别位是%2").arg(sex, sexOf(identity))});
    if (!day.isValid())
        return;
    const int age = ageOn(identity.birth, day);
    static const QRegularExpression years(QStringLiteral("^\\s*(\\d+)"));
    const QRegularExpressionMatch given = years.match(r[field::Age]);
    if (r[field::Age].trimmed().isEmpty())
        problems.append(
            {field::Age, QStringLiteral("年龄没有填写：按身份证号码询问当天是%1周岁（可以按号码填写）").arg(age)});
    else if (!given.hasMatch())
        problems.append({field::Age, QStringLiteral("年龄“%1”不是周岁数").arg(r[field::Age].trimmed())});
    else if (given.captured(1).toInt() != age)
        problems.append({field::Age, QStringLiteral("年龄 %1 与身份证号码不符：出生于%2，询问当天（%3）是%4周岁")
                                         .arg(given.captured(1), dayText(identity.birth), dayText(day))
                                         .arg(age)});
}

void checkParticulars(const record::TranscriptRecord& r, QList<Problem>& problems) {
    const std::pair<record::Key, const char16_t*> required[] = {{field::IntervieweeName, u"被询问人姓名没有填写"},
                                                                {field::WorkUnit, u"工作单位没有填写"},
                                                                {field::Telephone, u"电话没有填写"},
                                                                {field::Address, u"住址没有填写"}};
    for (const auto& [key, text] : required)
        if (r[key].trimmed().isEmpty())
            problems.append({key, QString::fromUtf16(text)});
}

// The field an officer's name stands in: 询问人 unless only 记录人 names them.
record::Key fieldOfOfficer(const record::TranscriptRecord& r, const QString& name) {
    return namesIn(r[field::InspectorName]).contains(name) ? field::InspectorName : field::Recorder;
}

void checkOfficers(const record::TranscriptRecord& r, QList<Problem>& problems) {
    const QStringList officers = officersOf(r);
    if (officers.size() >= 2)
        return;
    const record::Key where = namesIn(r[field::InspectorName]).isEmpty() ? field::InspectorName : field::Recorder;
    problems.append(
        {where, officers.isEmpty()
                    ? QStringLiteral("询问人、记录人中要有至少两名不同的执法人员，现在一名也没有")
                    : QStringLiteral("询问人、记录人中要有至少两名不同的执法人员，现在只有%1").arg(officers.first())});
}

void checkOverlaps(const record::TranscriptRecord& r, const Context& context, QList<Problem>& problems) {
    const QTime start = startOf(r);
    const QTime end = endOf(r);
    if (!dayOf(r).isValid() || !start.isValid() || !end.isValid() || end <= start)
        return;
    const QStringList officers = officersOf(r);
    for (const OtherInquiry& other : context.sameDay) {
        if (!other.starts.isValid() || !other.ends.isValid() || !(other.starts < end && start < other.ends))
            continue;
        for (const QString& name : officers)
            if (other.officers.contains(name))
                problems.append(
                    {fieldOfOfficer(r, name),
                     QStringLiteral("%1在同一时间参加了另一次询问 %2（%3–%4）：一名执法人员不能同时询问两处")
                         .arg(name, other.name, timeText(other.starts), timeText(other.ends))});
    }
}

void checkPairs(const record::TranscriptRecord& r, QList<Problem>& problems) {
    bool anyPair = false;
    for (int pair = 1; pair <= record::kPairs; ++pair) {
        const bool asked = !lineText(r[record::question(pair).key], QStringLiteral("问：")).isEmpty();
        const bool answered = !lineText(r[record::answer(pair).key], QStringLiteral("答：")).isEmpty();
        anyPair = anyPair || (asked && answered);
        if (asked && !answered)
            problems.append({record::answer(pair).key, QStringLiteral("第%1问没有回答").arg(pair)});
        else if (answered && !asked)
            problems.append({record::question(pair).key, QStringLiteral("第%1答没有对应的提问").arg(pair)});
    }
    if (!anyPair)
        problems.append({record::question(1).key, QStringLiteral("笔录中没有问答：至少要有一问一答")});
}

void checkNotices(const record::TranscriptRecord& r, const Rules& rules, QList<Problem>& problems) {
    // A missing notice is added in the first free question line.
    record::Key free = record::question(1).key;
    for (int pair = record::kPairs; pair >= 1; --pair)
        if (lineText(r[record::question(pair).key], QStringLiteral("问：")).isEmpty())
            free = record::question(pair).key;
    for (const QString& phrase : rules.notices) {
        bool found = false;
        for (int pair = 1; pair <= record::kPairs && !found; ++pair)
            found = r[record::question(pair).key].contains(phrase) || r[record::answer(pair).key].contains(phrase);
        if (!found)
            problems.append(
                {free,
                 QStringLiteral("告知事项不全：没有含“%1”的问答（set.ini [hecha] 规定每份笔录都要告知）").arg(phrase)});
    }
}

void checkEvidence(const record::TranscriptRecord& r, const Rules& rules, const Context& context,
                   QList<Problem>& problems) {
    if (context.evidence.isEmpty()) {
        if (rules.recordingRequired)
            problems.append({field::StartHour, QStringLiteral("没有关联录音或录像：set.ini [hecha] luyin=1 "
                                                              "要求每次询问都有录音录像")});
        return;
    }
    const QDate day = dayOf(r);
    const QTime start = startOf(r);
    const QTime end = endOf(r);
    if (!day.isValid() || !start.isValid() || !end.isValid() || end <= start)
        return;
    QList<Evidence> spans;
    for (const Evidence& e : context.evidence) {
        if (e.starts.isValid() && e.ends.isValid())
            spans << e;
        else
            problems.append({field::StartHour, QStringLiteral("关联的录音录像 %1 的起止时间无法确定，"
                                                              "没有核对它是否覆盖询问时间")
                                                   .arg(e.name)});
    }
    if (spans.isEmpty())
        return;
    // Pieces that follow each other without a gap are one recording of the inquiry. Sound recordings
    // and captures are joined alike: a moment is on record when either runs, as an office may keep
    // only one of the two, so a capture stopped while the sound goes on leaves no gap.
    std::sort(spans.begin(), spans.end(), [](const Evidence& a, const Evidence& b) { return a.starts < b.starts; });
    QList<Evidence> joined{spans.first()};
    for (const Evidence& e : spans.mid(1)) {
        if (e.starts <= joined.last().ends.addSecs(1))
            joined.last().ends = std::max(joined.last().ends, e.ends);
        else
            joined << e;
    }
    const QDateTime begins(day, start);
    const QDateTime finishes(day, end);
    // Only what runs during the inquiry counts; a recording of the hour before it bridges nothing.
    QList<Evidence> during;
    for (const Evidence& e : joined)
        if (e.ends >= begins && e.starts < finishes)
            during << e;
    // The form gives minutes: a recording begun within the starting minute covers the start.
    if (during.isEmpty() || during.first().starts >= begins.addSecs(60))
        problems.append(
            {field::StartHour, QStringLiteral("关联的录音录像没有覆盖询问的开始时间 %1").arg(timeText(start))});
    const QString seconds = QStringLiteral("HH:mm:ss");
    for (qsizetype i = 1; i < during.size(); ++i)
        problems.append(
            {field::StartHour, QStringLiteral("关联的录音录像在 %1 至 %2 之间中断，这段询问没有录音录像")
                                   .arg(during[i - 1].ends.toString(seconds), during[i].starts.toString(seconds))});
    if (!during.isEmpty() && during.last().ends < finishes)
        problems.append({field::EndHour, QStringLiteral("关联的录音录像在 %1 中断，没有覆盖到询问的结束时间 %2")
                                             .arg(during.last().ends.toString(seconds), timeText(end))});
}

} // namespace

QString columnOf(record::Key key) {
    const std::pair<record::Key, const char16_t*> columns[] = {{field::Year, u"询问日期"},
                                                               {field::Month, u"询问日期"},
                                                               {field::Day, u"询问日期"},
                                                               {field::StartHour, u"开始时间"},
                                                               {field::StartMinute, u"开始时间"},
                                                               {field::EndHour, u"结束时间"},
                                                               {field::EndMinute, u"结束时间"},
                                                               {field::IntervieweeName, u"姓名"},
                                                               {field::Sex, u"性别"},
                                                               {field::IdentityNumber, u"证件号码"},
                                                               {field::Age, u"年龄"},
                                                               {field::WorkUnit, u"工作单位"},
                                                               {field::Telephone, u"电话"},
                                                               {field::Address, u"住址"},
                                                               {field::InspectorName, u"询问人"},
                                                               {field::Recorder, u"记录人"},
                                                               {field::Place, u"笔录地点"},
                                                               {field::PlaceDetail, u"笔录地点"},
                                                               {field::Domicile, u"户籍所在地"},
                                                               {field::DomicileDetail, u"户籍所在地"},
                                                               {field::IdentityDocument, u"身份证件种类"},
                                                               {field::Position, u"职务"},
                                                               {field::Education, u"文化程度"},
                                                               {field::OtherParticipants, u"其他参加人"},
                                                               {field::Note, u"备注"}};
    for (const auto& [column, text] : columns)
        if (column == key)
            return QString::fromUtf16(text);
    const int line = int(key.index()) - record::kFirstContentLine;
    if (line >= 0 && line < 2 * record::kPairs)
        return (line % 2 == 0 ? QStringLiteral("第%1问") : QStringLiteral("第%1答")).arg(line / 2 + 1);
    return QString::fromUtf8(key.name().data(), qsizetype(key.name().size()));
}

IdentityReading readIdentityNumber(const QString& text, const QDate& latest) {
    const QString number = text.trimmed();
    Identity identity;
    if (number.size() == 18 && allDigits(number.left(17)) && (number[17].isDigit() || number[17].toUpper() == u'X')) {
        int sum = 0;
        for (int i = 0; i < 17; ++i)
            sum += number[i].digitValue() * kWeights[i];
        const QChar expected = QLatin1Char(kCheckCharacters[sum % 11]);
        if (number[17].toUpper() != expected)
            return {std::nullopt,
                    QStringLiteral("身份证号码的校验码不对：按 GB 11643（MOD 11-2）最后一位应为 %1，号码上是 %2")
                        .arg(expected)
                        .arg(number[17])};
        identity.birth = QDate::fromString(number.mid(6, 8), QStringLiteral("yyyyMMdd"));
        identity.male = number[16].digitValue() % 2 == 1;
    } else if (number.size() == 15 && allDigits(number)) {
        // The earlier numbers give the birth year in two digits, all of them 19YY.
        identity.birth = QDate(1900 + number.mid(6, 2).toInt(), number.mid(8, 2).toInt(), number.mid(10, 2).toInt());
        identity.male = number[14].digitValue() % 2 == 1;
    } else {
        return {std::nullopt, QStringLiteral("身份证号码应为 18 位（GB 11643，最后一位可以是 X）或旧的 15 位数字")};
    }
    const QString birthDigits = number.size() == 18 ? number.mid(6, 8) : number.mid(6, 6);
    if (!identity.birth.isValid())
        return {std::nullopt, QStringLiteral("身份证号码中的出生日期 %1 不是真实的日期").arg(birthDigits)};
    if (latest.isValid() && identity.birth > latest)
        return {
            std::nullopt,
            QStringLiteral("身份证号码中的出生日期 %1 晚于询问日期 %2").arg(dayText(identity.birth), dayText(latest))};
    return {identity, {}};
}

int ageOn(const QDate& birth, const QDate& day) {
    int age = day.year() - birth.year();
    if (day.month() < birth.month() || (day.month() == birth.month() && day.day() < birth.day()))
        --age;
    return age;
}

QStringList namesIn(const QString& field) {
    static const QRegularExpression separators(QStringLiteral("[、，,\\s\\x{3000}]+"));
    return field.split(separators, Qt::SkipEmptyParts);
}

QStringList officersOf(const record::TranscriptRecord& r) {
    QStringList officers = namesIn(r[field::InspectorName]) + namesIn(r[field::Recorder]);
    officers.removeDuplicates();
    return officers;
}

bool holdsInquiry(const record::TranscriptRecord& r) {
    if (!r[field::IntervieweeName].trimmed().isEmpty())
        return true;
    for (int pair = 1; pair <= record::kPairs; ++pair)
        if (!lineText(r[record::question(pair).key], QStringLiteral("问：")).isEmpty() ||
            !lineText(r[record::answer(pair).key], QStringLiteral("答：")).isEmpty())
            return true;
    return false;
}

QString lineText(const QString& line, const QString& prompt) {
    QString text = line.trimmed();
    if (text.startsWith(prompt) || text.startsWith(prompt.left(1) + u':'))
        text = text.mid(prompt.size());
    return text.trimmed();
}

QDate dayOf(const record::TranscriptRecord& r) {
    const QString year = r[field::Year].trimmed();
    const QString month = r[field::Month].trimmed();
    const QString day = r[field::Day].trimmed();
    return allDigits(year) && allDigits(month) && allDigits(day) ? QDate(year.toInt(), month.toInt(), day.toInt())
                                                                 : QDate();
}

QTime startOf(const record::TranscriptRecord& r) {
    return timeOf(r[field::StartHour], r[field::StartMinute]);
}

QTime endOf(const record::TranscriptRecord& r) {
    return timeOf(r[field::EndHour], r[field::EndMinute]);
}

Rules rulesOf(const QString& programDir) {
    Rules rules;
    const setting::List notices = setting::noticePhrases();
    for (int n = 1; n <= notices.count; ++n)
        if (const QString phrase = ReadSetting(programDir, notices, n).trimmed(); !phrase.isEmpty())
            rules.notices << phrase;
    rules.recordingRequired = ReadSetting(programDir, setting::RecordingRequired).trimmed() == QLatin1String("1");
    return rules;
}

bool asksBeforeSigning(const QString& programDir) {
    return ReadSetting(programDir, setting::CheckBeforeSigning).trimmed() != QLatin1String("0");
}

QList<Problem> checkInquiry(const record::TranscriptRecord& r, const Rules& rules, const Context& context) {
    QList<Problem> problems;
    checkDate(r, problems);
    checkTimes(r, problems);
    checkIdentity(r, problems);
    checkParticulars(r, problems);
    checkOfficers(r, problems);
    checkOverlaps(r, context, problems);
    checkPairs(r, problems);
    checkNotices(r, rules, problems);
    checkEvidence(r, rules, context, problems);
    return problems;
}

QList<Fill> fillsFromIdentity(const record::TranscriptRecord& r) {
    QList<Fill> fills;
    if (!identityApplies(r))
        return fills;
    const QDate day = dayOf(r);
    const IdentityReading reading = readIdentityNumber(r[field::IdentityNumber], day);
    if (!reading.identity)
        return fills;
    if (r[field::Sex].trimmed().isEmpty())
        fills.append({field::Sex, sexOf(*reading.identity)});
    if (r[field::Age].trimmed().isEmpty() && day.isValid())
        fills.append({field::Age, QString::number(ageOn(reading.identity->birth, day))});
    return fills;
}

} // namespace check
