// The read-back of a transcript to the interviewee (宣读核对) and the corrections made to the form after
// it, kept with the inquiry; and the page "更正记录" that lists each correction with its place in the
// printed transcript, for the interviewee to confirm one by one.
#pragma once

#include "transcript/ComposeTranscript.h"
#include "transcript/ReadBackFiles.h"
#include "transcript/TranscriptRecord.h"
#include "transcript/word/Document.h"
#include "transcript/word/DocumentWriter.h"
#include "transcript/word/PageLayout.h"

#include "platform/DurableFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace readback {

// The transcript as it was read back: when, and the document's name and SHA-256 at that moment.
struct ReadBack {
    QDateTime time;
    QString document;
    QString sha256;
    record::TranscriptRecord values;
};

// One change of a field after the read-back.
struct Correction {
    record::Key field;
    QString before;
    QString after;
    QDateTime time;
};

// What an inquiry's record holds since its last read-back.
struct Record {
    std::optional<ReadBack> readBack;
    QList<Correction> corrections;

    // The form as the record knows it: the values read back with every correction since applied.
    record::TranscriptRecord current() const;
};

// The last read-back and the corrections after it; a line torn by a power cut is passed over.
Record parseRecord(const QByteArray& content);
// The file read; a missing file is an empty record, an unreadable one a failure.
Record readRecord(const QString& path, durable::Result* failed = nullptr);
QByteArray readBackLine(const ReadBack& readBack);
QByteArray correctionLine(const Correction& correction);
durable::Result appendLines(const QString& path, const QByteArray& lines);

// The fields that differ, each as a correction made at time, in the order of the form.
QList<Correction> correctionsBetween(const record::TranscriptRecord& before, const record::TranscriptRecord& after,
                                     const QDateTime& time);

// The field's name as the form shows it.
QString fieldLabel(record::Key field);

// A correction with where its field is printed; page 0 when the transcript does not show the field
// (a pair emptied, the remarks).
struct Placed {
    Correction correction;
    word::PrintedPlace place;
};
QList<Placed> placeCorrections(const QList<Correction>& corrections, const transcript::ComposedText& printed);
// "第1页第7行", or "笔录正文中没有" for a field the transcript does not show.
QString placeText(const word::PrintedPlace& place);

// The page "更正记录", in the transcript's page setup: the inquiry, the read-back's time and
// fingerprint, each correction with its page and line, its field, the text before and after and its
// time, and a line for the interviewee's signature or fingerprint beside each; signatures and date
// at the end.
word::Document correctionPage(const QString& inquiry, const ReadBack& readBack, const QList<Placed>& placed);
// Types the page's paragraphs after what the writer holds, the first on a page of its own.
void typeInto(word::DocumentWriter& writer, const word::Document& page);
// The same facts as text, one correction a line, tab-separated, for the hand-over bundle.
QString correctionText(const QString& inquiry, const ReadBack& readBack, const QList<Placed>& placed);

} // namespace readback
