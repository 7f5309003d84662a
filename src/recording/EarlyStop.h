// A recording or capture that ends while its inquiry is under way and not yet read back leaves part
// of the inquiry unrecorded: the stop asks once, and the answer goes into the custody log.
#pragma once

class AudioRecorder;
class MainWindow;
class VideoCapture;
struct FormState;
struct Services;

// 按钮4: stops and saves the recording, asking first while the inquiry awaits its read-back.
void StopRecordingAsked(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder, bool awaitsReadBack);
// 停止录像: the same for the running capture.
void StopCaptureAsked(MainWindow& w, Services& s, VideoCapture& capture, bool awaitsReadBack);
