// The player behind 按钮播放: plays a sound file once on the default audio output, without blocking.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>

struct _GstElement;

class AudioPlayer : public QObject {
    Q_OBJECT
public:
    explicit AudioPlayer(QObject* parent = nullptr);
    ~AudioPlayer() override;

    // Stops what plays and starts the file, fromMs into it. A file that cannot be read or is empty
    // plays nothing and gives false, as does one that cannot be moved to fromMs; a file that is no
    // playable sound starts and ends at once, as if it had played.
    bool play(const QString& path, qint64 fromMs = 0);
    // How far into the file playback is, or -1 when nothing plays or it is not known yet.
    qint64 positionMs() const;
    // Stops playback; harmless when nothing plays.
    void stop();
    bool isPlaying() const { return m_playbin != nullptr; }

signals:
    // The file has played to its end, or playback broke off on its own.
    void finished();

private:
    struct PlayTag;
    void onEnded(quint64 generation);

    _GstElement* m_playbin = nullptr;
    // Counts the plays, so that the end of an earlier one never stops a later one.
    std::atomic<quint64> m_generation{0};
};
