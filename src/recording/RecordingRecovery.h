// Recordings in the recovery folder: the file a new recording grows in, and the offer, at the next
// start, of a recording an earlier run left there unsaved.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class MainWindow;
struct Services;

// A new file in folder for a recording that starts at start: 录音-20130203-090507.wav, with "-2",
// "-3", … before ".wav" when that name is taken.
QString newRecordingFile(const QString& folder, const QDateTime& start);
// The start time a recording file's name holds; invalid for any other name.
QDateTime recordingStart(const QString& fileName);

// Each recording among the leftovers of the recovery folder is offered with its start time and
// length: saved through the usual dialog, discarded, or kept there for the next start. A header left
// behind by a killed program is brought up to date with the samples the file holds first.
void OfferUnsavedRecordings(MainWindow& w, Services& s, const QString& folder, const QStringList& leftovers);
