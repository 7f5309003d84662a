// The sound recorder 录音1: captures PCM from the audio source straight into a WAV file on disk.
#pragma once

#include "platform/TimeMarks.h"
#include "recording/AudioFormat.h"

#include <QObject>
#include <QString>

#include <memory>

// The source is autoaudiosrc, or the gst-launch description in QUILLON_AUDIO_SOURCE, read at each
// start. Its samples are converted to the chosen format and appended to the recording's file as they
// come; the header's sizes follow at least once a second, so a killed program leaves a playable WAV
// missing at most the last second, and memory does not grow with the recording's length.
class AudioRecorder : public QObject {
    Q_OBJECT
public:
    explicit AudioRecorder(QObject* parent = nullptr);
    // Finishes the file of a running recording; never removes it.
    ~AudioRecorder() override;
    AudioRecorder(const AudioRecorder&) = delete;
    AudioRecorder& operator=(const AudioRecorder&) = delete;

    // False, keeping the previous format, unless the values are accepted (see AudioFormat::isAccepted).
    bool setFormat(int channels, int samplesPerSecond, int bitsPerSample);
    AudioFormat format() const { return m_format; }

    // Opens the source and starts a new recording into file, which it creates exclusively. The
    // previous recording is let go only once the new capture delivers sound; its file stays where it
    // is. False with lastError() and startFailure() when the file cannot be made (a file of that name
    // is never opened), no device opens or no sound comes; a file this start made is then gone and
    // the previous recording is still the current one.
    bool start(const QString& file);
    enum class StartFailure { None, NameTaken, File, Device };
    StartFailure startFailure() const { return m_startFailure; }
    // Stops the capture for a while; continuing appends to the same recording with no gap.
    bool pause();
    bool resume();
    // Ends the capture, keeping everything the source delivered, and finishes the file (final
    // header, synced, closed); harmless when already stopped. False with lastError() when the file
    // could not be finished: its samples are still there.
    bool stop();
    // Stops the capture and moves the finished file to path: a rename on the same filesystem, else a
    // copy that is read back before the recording's own file goes. False when path exists and
    // overwrite is false, when the file could not be finished (see stop()), or when the move fails
    // (lastError() names the cause); the recording keeps its file then.
    bool save(const QString& path, bool overwrite);
    // Stops a recording that was never saved and lets go of it, leaving its file, with whatever it
    // holds, where it is for the caller to set aside: only on the user's word.
    void release();

    QString lastError() const { return m_lastError; }
    // True between a successful start and the stop.
    bool isCapturing() const;
    bool isPaused() const;
    // A recording exists whose file was never saved (running, paused or stopped).
    bool hasUnsavedRecording() const;
    // The current recording's file: where it is being recorded, or where it was saved.
    QString file() const;
    // Bytes captured since the last start; safe to call while recording.
    qint64 recordedBytes() const;
    // An error the source or the file reported after a successful start, which ended the capture early.
    QString captureError() const;
    // Notes that a line of the form was begun now, at the sound recorded so far; nothing while no
    // capture runs (stopped or paused). The marks belong to the current recording and go with its
    // next start.
    void mark(const QString& line);
    const QList<timemarks::Mark>& marks() const { return m_marks; }

signals:
    // The source or the file failed while recording (captureError() says how); what came before is kept.
    void captureFailed();

private:
    struct Capture;

    bool fail(const QString& reason, StartFailure failure = StartFailure::None);
    void onCaptureError(quint64 captureId);

    AudioFormat m_format;
    std::unique_ptr<Capture> m_capture;
    quint64 m_captureCount = 0;
    QString m_lastError;
    StartFailure m_startFailure = StartFailure::None;
    QList<timemarks::Mark> m_marks;
};
