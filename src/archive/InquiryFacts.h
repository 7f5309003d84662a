// What the archive keeps of one inquiry, read from its template file, and the start time a capture's
// file name holds.
#pragma once

#include "archive/Locations.h"

#include "transcript/FieldNames.h"

#include <QDateTime>
#include <QString>

namespace archive {

struct InquiryFacts {
    // The template's file name without ".ini": the inquiry's base name year.month.day-unit-name.
    QString name;
    Stamp stamp; // of the template
    record::TranscriptRecord record;
    QString date;   // yyyy-MM-dd; empty when the fields hold no real date
    QString starts; // HH:mm, empty when not a time
    QString ends;
    int pairs = 0; // question and answer pairs holding more than "问：" and "答："
    // Why the template could not be read as one; empty when it could.
    QString problem;

    QString interviewee() const { return record[field::IntervieweeName]; }
    QString unit() const { return record[field::WorkUnit]; }
    QString place() const { return record[field::Place] + record[field::PlaceDetail]; }
    QString inspector() const { return record[field::InspectorName]; }
};

// Reads a template file of any version the program has written (GBK or GB18030, with or without
// num75 and num87).
InquiryFacts readInquiry(const QString& templatePath);
// The same from the template's bytes, kept elsewhere.
InquiryFacts inquiryOf(const QString& name, const QByteArray& content);

// Every field by its template key, as one compact JSON object.
QString fieldsJsonOf(const record::TranscriptRecord& r);
// Every field and the name, one a line, normalized as search compares them.
QString searchTextOf(const InquiryFacts& facts);

// The start of a capture from its file name ("2013年2月3日9时5分.avi", "…(2).avi"); invalid for
// another name.
QDateTime captureStart(const QString& fileName);

} // namespace archive
