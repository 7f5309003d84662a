// The archive window's playback from a time mark: the recording or capture of the mark chosen in
// 表格时间标记, from the moment its line was begun.
#pragma once

#include <QString>
#include <QStringList>

class ArchiveWindow;
class AudioPlayer;
class VideoPlayer;
class VideoPlayerWindow;
struct Services;

namespace archive {
struct Scopes;
}

// A desktop player that can start a video part-way: the program and its arguments to play path from
// seconds into it.
struct PlayerStart {
    QString program;
    QStringList arguments;
};
// The players tried, in order; each takes the start time in its own way.
QList<PlayerStart> playersFrom(const QString& path, qint64 seconds);

// The program's players of the archive window: the sound's, and the capture's with its window.
struct MarkPlayers {
    AudioPlayer& sound;
    VideoPlayer& video;
    VideoPlayerWindow& videoWindow;
};

// A sound recording plays through the program's own player, a capture in the program's player
// window; where set.ini's [luxiang] bofang is zhuomian, a capture plays in the first desktop player
// found that starts at a given time, and with none of them the desktop's handler opens it and the
// status says where to go. What cannot be played is said.
void PlayFromChosenMark(ArchiveWindow& aw, Services& s, archive::Scopes& scopes, const MarkPlayers& players);
