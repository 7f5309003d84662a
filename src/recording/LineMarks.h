// The handler that marks in the running recordings the moment a question or answer line is begun.
#pragma once

#include <QString>

class AudioRecorder;
class VideoCapture;

// line ("问3", "答3") was begun now: noted in the sound recording and the capture that run.
void MarkLineBegun(AudioRecorder& recorder, VideoCapture& capture, const QString& line);
