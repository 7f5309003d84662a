// What the end of the program means for recordings and captures: asked first when the user ends it,
// kept for the next start when the system ends it.
#pragma once

class ArchiveJournal;
class AudioRecorder;
class MainWindow;
struct FormState;
class VideoCapture;
struct Services;

// Closing the window or "退出": a running or paused recording, a recording not yet saved and a
// running capture are each asked about first: save, discard (asked once more, then moved into the
// discarded folder) or go back. False when the user goes back or a save did not happen: the program
// goes on and nothing is lost.
bool MayEndRecordings(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder, VideoCapture& capture);

// A logout or shutdown (SIGTERM): the running capture is finished and told to the journal, and the
// recording is ended with its file complete in the recovery folder, where the next start offers it.
void KeepRecordingsForNextStart(AudioRecorder& recorder, VideoCapture& capture, ArchiveJournal& journal);
