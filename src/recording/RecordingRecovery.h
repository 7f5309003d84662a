// Recordings in the recovery folder: the file a new recording grows in, and the offer, at the next
// start, of a recording an earlier run left there unsaved.
#pragma once

#include "platform/SetAside.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class MainWindow;
struct FormState;
struct Services;

// The file in folder for a recording that starts at start: 录音-20130203-090507.wav for n = 1; a later
// recording of the same second takes n = 2, "-2" before ".wav", and so on.
QString recordingFileName(const QString& folder, const QDateTime& start, int n = 1);
// The start time a recording file's name holds; invalid for any other name.
QDateTime recordingStart(const QString& fileName);

// The second question before a recording is given up, naming its start time and length; true when
// the user answers "放弃".
bool ConfirmDiscardRecording(Services& s, const QString& file, qint64 seconds);

// Moves a recording or capture the user gave up into the discarded folder of the recovery folder
// and tells the journal where it went; a move that failed is returned untold.
setaside::Moved DiscardEvidence(Services& s, const QString& file);

// Each recording among the leftovers of the recovery folder is offered with its start time and
// length: saved through the usual dialog, discarded into the discarded folder once the user has said
// so twice, or kept there for the next start. The offer mentions discarded files still held. A
// header left behind by a killed program is brought up to date with the samples the file holds first.
void OfferUnsavedRecordings(MainWindow& w, Services& s, FormState& form, const QString& folder,
                            const QStringList& leftovers);
