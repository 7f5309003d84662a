// The check of an inquiry before it is signed, as a legal officer reviews it: the identity number and
// what it says of the interviewee, the times, the officers, the questions and answers, the notices,
// the particulars, officers in two inquiries at once, and the recordings that cover it.
#pragma once

#include "transcript/FieldNames.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace check {

// One problem found: the field the inspector mends it in, and what is wrong, naming the rule.
struct Problem {
    record::Key field;
    QString text;
};

// The field's caption as the form shows it, for a problem's 栏目.
QString columnOf(record::Key field);

// What an identity number of GB 11643 (18 characters) or the earlier 15 digits says.
struct Identity {
    QDate birth;
    bool male = false;
};
struct IdentityReading {
    std::optional<Identity> identity;
    QString problem; // empty when identity holds
};
// The number read; a birth date after `latest` (the inquiry's day) is refused when latest is valid.
IdentityReading readIdentityNumber(const QString& number, const QDate& latest);
// Full years (周岁) on the day: a year is complete on the birthday itself.
int ageOn(const QDate& birth, const QDate& day);

// The officers named in one field: several names separated by 、，, or blanks.
QStringList namesIn(const QString& field);
// The officers of an inquiry: its 询问人 and 记录人, each once.
QStringList officersOf(const record::TranscriptRecord& r);

// The text of a question or answer line after the "问：" or "答：" the form starts it with.
QString lineText(const QString& line, const QString& prompt);
// The form holds an inquiry: the interviewee is named, or a question or answer is written.
bool holdsInquiry(const record::TranscriptRecord& r);

// The inquiry's day and its start and end, each invalid where the fields do not hold a real one.
QDate dayOf(const record::TranscriptRecord& r);
QTime startOf(const record::TranscriptRecord& r);
QTime endOf(const record::TranscriptRecord& r);

// What set.ini asks of every inquiry ([hecha]).
struct Rules {
    QStringList notices; // phrases, each to appear in some question or answer
    bool recordingRequired = false;
};
Rules rulesOf(const QString& programDir);
// Whether a print or save asks first when the check finds problems.
bool asksBeforeSigning(const QString& programDir);

// Another inquiry of the same day in the archive.
struct OtherInquiry {
    QString name;
    QTime starts;
    QTime ends;
    QStringList officers;
};
// A recording or capture linked to the inquiry, with the time it runs; invalid times when unknown.
struct Evidence {
    QString name;
    QDateTime starts;
    QDateTime ends;
};
// What the archive knows around one inquiry.
struct Context {
    QList<OtherInquiry> sameDay;
    QList<Evidence> evidence;
};
// Where the check finds that context: the archive, which the transcript does not know itself.
class ContextSource {
public:
    virtual ~ContextSource() = default;
    // inquiry: the base name the inquiry is kept under, which is not another inquiry.
    virtual Context contextOf(const QString& inquiry, const QDate& day) = 0;
};

// Every problem of the inquiry, in the order of the form.
QList<Problem> checkInquiry(const record::TranscriptRecord& r, const Rules& rules, const Context& context);

// A field left empty that the identity number fills: 性别, and 年龄 on the inquiry's day.
struct Fill {
    record::Key field;
    QString value;
};
QList<Fill> fillsFromIdentity(const record::TranscriptRecord& r);

} // namespace check
