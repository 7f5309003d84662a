// The video capture component: the capture source teed into a live preview and a Motion-JPEG AVI file.
#pragma once

#include "platform/TimeMarks.h"
#include "recording/VideoSource.h"

#include <QDateTime>
#include <QElapsedTimer>
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
        QString error;          // what went wrong, for the user
        bool nameTaken = false; // the start failed because a file of that name exists
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
    // Whether the next captures carry the date and time burned into their pictures (they do unless
    // told otherwise): courts ask for the time of the recording in the picture itself.
    void setTimeOverlay(bool on);
    // The marker a capture into file leaves in folder: it holds the capture file's path.
    static QString markerFile(const QString& folder, const QString& file);

    // Creates file exclusively and captures into it, returning once the source delivers pictures;
    // startTime is when the user started it. A file of that name is never opened (nameTaken): the
    // caller tries the next name. A running capture is finished first (callers that report a capture
    // that could not be finished call stop() themselves). On failure nothing runs, and the file this
    // start created, and only that, is gone.
    Result start(const QString& file, const QDateTime& startTime = QDateTime::currentDateTime());
    // Ends the stream so that the muxer writes the index and the header; a file the muxer could not
    // finish is repaired. Only once the file's data and name are on the disk does its marker go and
    // its fingerprint come. Stopping while idle does nothing and succeeds. The error is a whole
    // sentence.
    Result stop();

    bool isCapturing() const;
    // The file of the running capture, when it started and how long it has run.
    QString file() const;
    QDateTime startTime() const { return m_startTime; }
    qint64 seconds() const;
    // Notes that a line of the form was begun now, at the time the capture has run; nothing while
    // none runs. The marks belong to the last capture started and go with the next start.
    void mark(const QString& line);
    const QList<timemarks::Mark>& marks() const { return m_marks; }
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
    // After the pipeline is gone: the file synced and closed, repaired when the stream did not end,
    // then the marker removed and the fingerprint written. What went wrong, as a sentence for the
    // user, or empty.
    QString completeFile(bool streamEnded);

    QString m_source;
    QString m_recoveryFolder;
    bool m_timeOverlay = true;
    QString m_marker;
    QString m_initError;
    QPointer<QLabel> m_preview;
    std::unique_ptr<Pipeline> m_pipeline;
    QString m_file;
    int m_fd = -1; // the file, created by start(); the muxer writes into it
    QDateTime m_startTime;
    QElapsedTimer m_running;
    int m_framesShown = 0;
    QList<timemarks::Mark> m_marks;
    QTimer m_poll;
};
