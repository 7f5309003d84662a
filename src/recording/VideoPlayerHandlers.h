// The handlers of "录像播放", the program's own player window of captures.
#pragma once

#include <QString>

class VideoPlayer;
class VideoPlayerWindow;
struct Services;

// Plays path in the player window from fromMs and shows the window. What cannot be played is said
// in a box naming the file, the moment and why ("录像 <…> 无法从 00:12:41 播放：文件不存在。"), and
// gives false.
bool PlayCaptureInWindow(VideoPlayerWindow& pw, Services& s, VideoPlayer& player, const QString& path, qint64 fromMs);
// Each new picture or position: the picture scaled into 视频画面, the slider (unless held) and the time.
void ShowPlayerProgress(VideoPlayerWindow& pw, const VideoPlayer& player);
// 按钮录像播放: pauses what plays, goes on with what is paused.
void TogglePlayerPause(VideoPlayerWindow& pw, VideoPlayer& player);
// The slider moved by the user: the recording goes to its second.
void SeekPlayerToSlider(VideoPlayerWindow& pw, VideoPlayer& player);
void ShowPlayerEnded(VideoPlayerWindow& pw);
// Playback broke off: said in a box and in the window's status line.
void ReportPlayerFailure(VideoPlayerWindow& pw, Services& s, const VideoPlayer& player, const QString& error);
