// The menu handlers of video evidence capture ("开始录像取证", "结束录像取证") and the report of a
// capture that ended on its own.
#pragma once

#include <QString>

class MainWindow;
class VideoCapture;
struct Services;

// Shows the capture area and starts a capture into a new file of the BL directory named after the
// current date and time; a running capture is finished first. A capture that cannot start is
// reported and the area hidden again.
void StartCapture(MainWindow& w, Services& s, VideoCapture& capture);
// Hides the capture area and finishes the running capture, if any.
void StopCapture(MainWindow& w, Services& s, VideoCapture& capture);
// A capture ended by itself (device lost, write error): hide the area and say so.
void CaptureInterrupted(MainWindow& w, Services& s, const QString& error, const QString& file);
