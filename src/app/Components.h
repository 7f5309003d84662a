// The main window's components without a face of their own (recorder, capture pipeline, FTP
// connection, document writers), owned beside MainWindow and handed to the handlers by the event table.
#pragma once

#include "archive/CheckContext.h"
#include "archivewindow/InquiryTableModel.h"
#include "archivewindow/Scopes.h"
#include "net/FtpConnection.h"
#include "office/Sync.h"
#include "recording/AudioPlayer.h"
#include "recording/AudioRecorder.h"
#include "recording/RecordingTime.h"
#include "recording/VideoCapture.h"
#include "recording/VideoPlayer.h"
#include "transcript/FormRecovery.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/ReadBackCommands.h"
#include "transcript/word/Printing.h"
#include "ui/ArchiveWindow.h"
#include "ui/CheckWindow.h"
#include "ui/FormState.h"
#include "ui/ReadAlongWindow.h"
#include "ui/VideoPlayerWindow.h"

#include <QTimer>

#include <memory>

class WebClient;
namespace archive {
class Archive;
}

struct Components {
    // formRecoveryFile: this program's own file in the recovery folder; window: the main window,
    // which the archive window and the check window belong to.
    Components(const QString& programDir, const QString& formRecoveryFile, archive::Archive& archive, QWidget* window)
        : inquiries(archive), archiveWindow(&archiveRows, window), archiveScopes(archive), videoPlayerWindow(window),
          checkContext(archive), checkWindow(window), readAlong(window), formRecovery(programDir, formRecoveryFile) {}

    // 录音1: the sound recorder, with the player and the elapsed time of the recording panel.
    AudioRecorder 录音1;
    AudioPlayer player;
    RecordingTime recordingTime;
    // The capture pipeline behind the preview area 视频设备1 of MainWindow.
    VideoCapture 视频设备1;
    // The document writers of the save and print commands.
    std::unique_ptr<transcript::WordEngine> Word程序1 =
        std::make_unique<transcript::NativeWordEngine>(&word::pageRenderer());
    // The one FTP connection, kept from a connect until the next connect replaces it.
    FtpConnection ftp;
    // The program-wide web client, created by main() before the window and destroyed at exit.
    WebClient* webClient = nullptr;
    // The inquiry archive of the program directory, made by main() as the services' journal too, and
    // "笔录档案", the window that shows it.
    archive::Archive& inquiries;
    archive::InquiryTableModel archiveRows;
    ArchiveWindow archiveWindow;
    // The archive window's scopes, 本机 and 全局, whose answers come to archiveWindow.
    archive::Scopes archiveScopes;
    // "录像播放", the program's own player of captures, opened from the archive window's time marks.
    VideoPlayer videoPlayer;
    VideoPlayerWindow videoPlayerWindow;
    // What the check of the inquiry finds in the archive, and "核对笔录", the window of its problems.
    archive::ArchiveCheckContext checkContext;
    CheckWindow checkWindow;
    // "被询问人核对", the interviewee's screen, and the clock that gathers the keystrokes and focus
    // moves of one turn of the event loop into one update of it.
    ReadAlongWindow readAlong;
    QTimer readAlongClock;
    // Pushes to the office archive when set.ini names one; its results go to the main window.
    std::unique_ptr<office::PushLoop> pushLoop;
    // The inquiry read back to the interviewee, whose later corrections are kept; declared before the
    // clock, which the focus's watch on it goes with.
    transcript::ReadBackState readBack;
    // The unsaved form in the recovery folder, and the clock that keeps it there every 30 seconds.
    transcript::FormRecovery formRecovery;
    QTimer formRecoveryClock;
    // The status message and the viewer's file, which the handlers read and write.
    FormState form;
};
