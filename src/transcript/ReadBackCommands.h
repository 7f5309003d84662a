// "核对完毕(宣读)" and the corrections after it: the read-back recorded with the document's
// fingerprint, every later change of the form kept with the inquiry, and the page "更正记录" printed
// after the transcript.
#pragma once

#include "transcript/ReadBack.h"

#include "platform/DurableFile.h"

#include <QString>

#include <optional>

class MainWindow;
struct FormState;
struct Services;

namespace transcript {

struct CommandEnv;

// The inquiry under read-back in the form: its base name and what its record holds. Empty when the
// form holds no inquiry that was read back.
struct ReadBackState {
    QString inquiry;
    readback::Record record;
    // A failure to keep a correction is told once, until a write succeeds again.
    durable::Cause toldFailure = durable::Cause::None;
};

// The page "更正记录" for the transcript as the form now holds it; nothing when nothing was corrected
// since the read-back.
struct CorrectionPage {
    word::Document page;
    QString text;
};
std::optional<CorrectionPage> correctionPageFor(const ReadBackState& state, const record::TranscriptRecord& form,
                                                const CommandEnv& env);

// After a print with the page: its PDF and text kept beside the template and in the custody log. A
// failure is told.
void KeepCorrectionPage(Services& s, const ReadBackState& state, const CorrectionPage& page);

} // namespace transcript

// "核对完毕(宣读)": records that the saved transcript was read back, with the document's SHA-256, and
// follows the form from now on. Refused, saying what to do, without a saved document or when the
// form differs from it.
void ReadBackDone(MainWindow& w, Services& s, FormState& form, transcript::ReadBackState& state);
// Every field that differs from what the record knows kept as a correction, in the record and the
// custody log: when a field loses the focus, every 30 seconds, before a save or a print.
void NoteCorrections(MainWindow& w, Services& s, transcript::ReadBackState& state);
// The inquiry now in the form followed: a template opened, the form recovered, the program started.
// Corrections are noted before the form is replaced, so that a form still as the record knows it
// goes on with its read-back.
void FollowReadBack(MainWindow& w, Services& s, transcript::ReadBackState& state);
// A new transcript: no inquiry is under read-back.
void ForgetReadBack(transcript::ReadBackState& state);
// After a save or print under a new name (its date, unit or interviewee corrected): the record goes
// with the inquiry to the name its files now have.
void CarryReadBack(MainWindow& w, Services& s, transcript::ReadBackState& state);
// The form holds an inquiry that was not read back yet: a recording ending now leaves part of it
// unrecorded.
bool AwaitsReadBack(MainWindow& w, const transcript::ReadBackState& state);
