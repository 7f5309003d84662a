// The main window's components without a face of their own (recorder, capture pipeline, FTP
// connection), owned beside MainWindow and handed to the handlers by the event table.
#pragma once

#include "recording/VideoCapture.h"

struct Components {
    // The capture pipeline behind the preview area 视频设备1 of MainWindow.
    VideoCapture 视频设备1;
};
