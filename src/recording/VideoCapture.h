// The video capture component: the capture source teed into a live preview and a Motion-JPEG AVI file.
#pragma once

#include "recording/VideoSource.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class QLabel;

class VideoCapture final : public QObject {
    Q_OBJECT
public:
    struct Result {
        bool ok = true;
        QString error; // what went wrong, for the user
        explicit operator bool() const { return ok; }
    };

    // Binds the capture to a source, a gst-launch description (empty: no capture device).
    explicit VideoCapture(QString sourceDescription = videosource::description(), QObject* parent = nullptr);
    // Finishes a running capture, so that closing the program leaves a complete file.
    ~VideoCapture() override;

    // The label that shows the live picture, scaled to its size when a capture starts.
    void setPreview(QLabel* label);
    // Where a running capture leaves its marker: a capture the program never finished (it was
    // killed) is then found and repaired at the next start. Without a folder there is no marker.
    void setRecoveryFolder(const QString& folder);
    // The marker a capture into file leaves in folder: it holds the capture file's path.
    static QString markerFile(const QString& folder, const QString& file);

    // Starts capturing into file, a file that does not exist yet, and returns once the source
    // delivers pictures. A running capture is finished first (callers that report a capture that
    // could not be finished call stop() themselves). On failure nothing runs and file does not exist.
    Result start(const QString& file);
    // Ends the stream so that the muxer writes the index and the header, then closes the file; a
    // file the muxer could not finish is repaired. The finished file gets its fingerprint and the
    // marker goes. Stopping while idle does nothing and succeeds. The error is a whole sentence.
    Result stop();

    bool isCapturing() const;
    // The file of the running capture.
    QString file() const;
    // Pictures shown in the preview since the capture started.
    int framesShown() const { return m_framesShown; }

signals:
    void frameShown();
    // The capture ended on its own (device lost, write error, end of the source); what was captured
    // is kept in file, finished where the stream still allowed it.
    void interrupted(const QString& error, const QString& file);

private:
    struct Pipeline;

    void poll();
    void showLatestFrame();
    void endAfterInterruption(const QString& error, bool streamEnded);
    // After the pipeline is gone: repair when the stream did not end, fingerprint, marker removed.
    // What went wrong, as a sentence for the user, or empty.
    QString completeFile(const QString& file, bool streamEnded);

    QString m_source;
    QString m_recoveryFolder;
    QString m_marker;
    QString m_initError;
    QPointer<QLabel> m_preview;
    std::unique_ptr<Pipeline> m_pipeline;
    QString m_file;
    int m_framesShown = 0;
    QTimer m_poll;
};
