// The menu handlers of video evidence capture ("开始录像取证", "结束录像取证") and the report of a
// capture that ended on its own.
#pragma once

#include <QString>
#include <QStringList>

class MainWindow;
class VideoCapture;
struct Services;

// Shows the capture area and starts a capture into a new file of the BL directory named after the
// current date and time; a running capture is finished first. Its pictures carry the date and time
// unless set.ini's [luxiang] shijian is 0. A capture that cannot start is reported and the area
// hidden again.
void StartCapture(MainWindow& w, Services& s, VideoCapture& capture);
// Hides the capture area and finishes the running capture, if any.
void StopCapture(MainWindow& w, Services& s, VideoCapture& capture);
// Asked once more, naming the capture's start and length; on the user's word, finishes the running
// capture and moves its file into the discarded folder of the recovery folder. False when the user
// took it back or the file could not be moved (the user has been told); the capture is kept then.
bool DiscardCapture(MainWindow& w, Services& s, VideoCapture& capture);
// At the start: each capture of the BL directory whose marker an unclean end left in the recovery
// folder is repaired (frame counts and index rebuilt from its frames), fingerprinted, and the user
// told. One that cannot be repaired is offered once: set aside, or discarded.
void RepairInterruptedCaptures(Services& s, const QString& folder, const QStringList& leftovers);
// A capture ended by itself (device lost, write error): hide the area and say so.
void CaptureInterrupted(MainWindow& w, Services& s, const VideoCapture& capture, const QString& error,
                        const QString& file);
