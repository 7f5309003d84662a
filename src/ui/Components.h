// The main window's components without a face of their own (recorder, capture pipeline, FTP
// connection), owned beside MainWindow and handed to the handlers by the event table.
#pragma once

#include "recording/AudioPlayer.h"
#include "recording/AudioRecorder.h"
#include "recording/RecordingTime.h"

struct Components {
    AudioRecorder 录音1;
    AudioPlayer player;
    RecordingTime recordingTime;
};
