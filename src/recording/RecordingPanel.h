// Handlers of the recording panel 分组框5: recording, pausing, saving and playing back, and the
// recording clock 时钟1 with its elapsed-time display.
#pragma once

class AudioPlayer;
class AudioRecorder;
class MainWindow;
struct FormState;
struct RecordingTime;
struct Services;

void OpenRecordingPanel(MainWindow& w, Services& s);
void CloseRecordingPanel(MainWindow& w, Services& s);
void StartRecording(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder, RecordingTime& time);
void PauseRecording(MainWindow& w, Services& s, AudioRecorder& recorder);
void ContinueRecording(MainWindow& w, Services& s, AudioRecorder& recorder);
void StopAndSaveRecording(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder);
// The save dialog, then the stopped recording moved to the chosen name and fingerprinted there.
// False when no name was chosen or the save failed (the user has been told).
bool SaveRecording(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder);
// Asked once more, naming the recording's start and length; on the user's word, stops the recording
// and moves its file into the discarded folder of the recovery folder; the panel is then idle. False
// when the user took it back.
bool DiscardRecording(MainWindow& w, Services& s, AudioRecorder& recorder);
// The recorder's source failed in the middle of a recording.
void RecordingDeviceFailed(MainWindow& w, Services& s, AudioRecorder& recorder);
void AdvanceRecordingTime(MainWindow& w, Services& s, RecordingTime& time);
void PlayRecording(MainWindow& w, Services& s, AudioPlayer& player);
void StopPlayback(MainWindow& w, Services& s, AudioPlayer& player);
