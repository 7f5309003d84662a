// The WAV file of a recording: a 44-byte RIFF header followed by the PCM samples, written to disk
// as the samples come so that a program that is killed leaves a playable file.
#pragma once

#include "platform/DurableFile.h"
#include "recording/AudioFormat.h"

#include <QByteArray>
#include <QString>

namespace wav {

constexpr int HeaderSize = 44;
// The RIFF size field (data size + 36) must fit 32 bits.
constexpr qint64 MaxDataSize = 0xFFFFFFFFLL - 36;

// The 44-byte header for dataSize bytes of samples in the given format (all integers little-endian).
QByteArray header(const AudioFormat& format, quint32 dataSize);

// A recording's file while it grows. The header's two size fields are rewritten for the samples
// that have reached the disk, so the header never claims more than the file holds.
// Not thread-safe: the recorder serialises the calls, except that syncData() may run beside append().
class Writer {
public:
    Writer() = default;
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Creates path, which must not exist yet, with the header of an empty recording.
    durable::Result create(const QString& path, const AudioFormat& format);
    // Appends samples; fails with a disk-full cause rather than grow beyond MaxDataSize.
    durable::Result append(const char* data, qint64 size);
    // Forces the samples written so far to the disk.
    durable::Result syncData();
    // Writes the header's sizes for dataSize bytes of samples.
    durable::Result writeSizes(qint64 dataSize);
    // Final sizes, synced, file closed. Harmless when already closed.
    durable::Result finish();

    bool isOpen() const { return m_fd >= 0; }
    // Bytes of samples appended; whole sample frames only in the header.
    qint64 dataSize() const { return m_dataSize; }
    qint64 headerDataSize(qint64 dataSize) const;

private:
    int m_fd = -1;
    AudioFormat m_format;
    qint64 m_dataSize = 0;
};

// What the header of a WAV file says, and what the file holds.
struct Facts {
    bool valid = false; // a RIFF WAVE file with our 44-byte PCM header
    AudioFormat format;
    qint64 headerDataSize = 0;
    qint64 fileDataSize = 0; // the file's length less the header, in whole sample frames
};
Facts readFacts(const QString& path);

// Sets the header's sizes to the samples the file holds: the recording of a program that was killed
// between two header updates. A file whose header already agrees is not touched.
durable::Result settleSizes(const QString& path);

} // namespace wav
