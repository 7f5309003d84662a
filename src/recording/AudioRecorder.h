// The sound recorder 录音1: captures PCM from the audio source into memory, saves it as a WAV file.
#pragma once

#include "recording/AudioFormat.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// The source is autoaudiosrc, or the gst-launch description in QUILLON_AUDIO_SOURCE, read at each start.
// Its samples are converted to the chosen format and kept as 4096-byte blocks in arrival order; the
// last block of a recording may be shorter. The blocks stay in memory until the next start.
class AudioRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype BlockSize = 4096;

    explicit AudioRecorder(QObject* parent = nullptr);
    ~AudioRecorder() override;
    AudioRecorder(const AudioRecorder&) = delete;
    AudioRecorder& operator=(const AudioRecorder&) = delete;

    // False, keeping the previous format, unless the values are accepted (see AudioFormat::isAccepted).
    bool setFormat(int channels, int samplesPerSecond, int bitsPerSample);
    AudioFormat format() const { return m_format; }

    // Opens the source and starts capturing a new recording; the previous one is discarded only once
    // the new capture delivers sound. False with lastError() when no device opens or no sound comes.
    bool start();
    // Stops the capture for a while; continuing appends to the same recording with no gap.
    bool pause();
    bool resume();
    // Ends the capture, keeping everything the source delivered; harmless when already stopped.
    bool stop();
    // Stops the capture and writes the recording as a WAV file. False when the file exists and overwrite
    // is false, or when the write fails (lastError() says why); the recording stays in memory either way.
    bool save(const QString& path, bool overwrite);

    QString lastError() const { return m_lastError; }
    // True between a successful start and the stop.
    bool isCapturing() const;
    bool isPaused() const;
    // Bytes captured since the last start; safe to call while recording.
    qint64 recordedBytes() const;
    // The captured blocks in order (sharing their data, no copy).
    std::vector<QByteArray> blocks() const;
    // An error the source reported after a successful start, which ended the capture early.
    QString captureError() const;

signals:
    // The source failed while recording (captureError() says how); what came before is kept.
    void captureFailed();

private:
    struct Capture;

    bool fail(const QString& reason);
    void onCaptureError(quint64 captureId);

    AudioFormat m_format;
    std::unique_ptr<Capture> m_capture;
    quint64 m_captureCount = 0;
    QString m_lastError;
};
