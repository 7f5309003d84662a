// The WAV file of a recording: a 44-byte RIFF header followed by the PCM samples.
#pragma once

#include "recording/AudioFormat.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace wav {

constexpr int HeaderSize = 44;
// The RIFF size field (data size + 36) must fit 32 bits.
constexpr qint64 MaxDataSize = 0xFFFFFFFFLL - 36;

// The 44-byte header for dataSize bytes of samples in the given format (all integers little-endian).
QByteArray header(const AudioFormat& format, quint32 dataSize);

// Writes the header and the blocks, concatenated in order, to path. The file is written under a
// temporary name in the same directory and renamed over path only once complete, so an earlier file
// survives a failed write. Returns false with a reason in *error on failure.
bool write(const QString& path, const AudioFormat& format, const std::vector<QByteArray>& blocks, QString* error);

} // namespace wav
