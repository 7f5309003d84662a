// The menu handlers of video evidence capture ("开始录像取证", "结束录像取证") and the report of a
// capture that ended on its own.
#pragma once

#include <QString>
#include <QStringList>

class MainWindow;
class VideoCapture;
struct Services;

// Shows the capture area and starts a capture into a new file of the BL directory named after the
// current date and time; a running capture is finished first. A capture that cannot start is
// reported and the area hidden again.
void StartCapture(MainWindow& w, Services& s, VideoCapture& capture);
// Hides the capture area and finishes the running capture, if any.
void StopCapture(MainWindow& w, Services& s, VideoCapture& capture);
// Finishes the running capture and removes its file, on the user's word. False when the file could
// not be removed (the user has been told).
bool DiscardCapture(MainWindow& w, Services& s, VideoCapture& capture);
// At the start: each capture whose marker an unclean end left in the recovery folder is repaired
// (frame counts and index rebuilt from its frames), fingerprinted, and the user told.
void RepairInterruptedCaptures(Services& s, const QString& folder, const QStringList& leftovers);
// A capture ended by itself (device lost, write error): hide the area and say so.
void CaptureInterrupted(MainWindow& w, Services& s, const QString& error, const QString& file);
