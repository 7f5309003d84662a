// Marks go to every recording running when a line is begun, so each can be played from that moment.
#include "recording/LineMarks.h"

#include "recording/AudioRecorder.h"
#include "recording/VideoCapture.h"

void MarkLineBegun(AudioRecorder& recorder, VideoCapture& capture, const QString& line) {
    recorder.mark(line);
    capture.mark(line);
}
