// The program's own player of captures: a file played through playbin from a given moment, its
// pictures handed over as images and its sound on the default audio output. No widgets: the player
// window shows what it gives.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class VideoPlayer final : public QObject {
    Q_OBJECT
public:
    explicit VideoPlayer(QObject* parent = nullptr);
    ~VideoPlayer() override;

    // Stops what plays, opens path and plays it from fromMs, once its first picture there is at hand.
    // Empty text when it plays; else why not, as a phrase for the user's sentence ("文件不存在",
    // "缺少GStreamer组件 …", the decoder's own words); nothing then plays.
    [[nodiscard]] QString play(const QString& path, qint64 fromMs = 0);
    // Holds the picture where it is, and goes on from there; after the end, resume starts again from
    // the beginning.
    void pause();
    void resume();
    // Moves to ms, paused or playing. False when the file cannot be moved there.
    bool seek(qint64 ms);
    // Stops playback and lets the file go; harmless when nothing plays.
    void stop();

    bool isOpen() const { return m_pipeline != nullptr; }
    bool isPaused() const { return m_paused; }
    QString file() const { return m_file; }
    // How far into the file the picture is, and how long the file is; -1 when not known.
    qint64 positionMs() const;
    qint64 durationMs() const;
    // The latest picture shown; null before the first.
    const QImage& picture() const { return m_picture; }
    // Parts the file needs that this system lacks, though it plays without them (the sound's
    // decoder, say): "缺少GStreamer组件 …", or empty text.
    QString missingParts() const { return m_missing; }

signals:
    // A new picture, or a new position while the file plays.
    void progressed();
    // The file has played to its end; the last picture stays.
    void finished();
    // Playback broke off (the file damaged past some point, the audio output gone); nothing plays.
    void failed(const QString& error);

private:
    struct Pipeline;

    void poll();
    bool takeLatestPicture();

    std::unique_ptr<Pipeline> m_pipeline;
    QString m_file;
    QString m_missing;
    QImage m_picture;
    quint64 m_pictureTime = ~quint64(0);
    bool m_paused = false;
    bool m_ended = false;
    QTimer m_poll;
};
