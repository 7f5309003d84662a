// The archive window's playback from a time mark: the recording or capture of the mark chosen in
// 表格时间标记, from the moment its line was begun.
#pragma once

#include <QString>
#include <QStringList>

class ArchiveWindow;
class AudioPlayer;
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

// A sound recording plays through the program's own player, a capture through the first desktop
// player found that starts at a given time; with none of them the desktop's handler opens the capture
// and the status says where to go. What cannot be played is said.
void PlayFromChosenMark(ArchiveWindow& aw, Services& s, archive::Scopes& scopes, AudioPlayer& player);
