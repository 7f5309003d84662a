// Writes WAV files: the RIFF header and the recorded blocks.
#include "recording/WavFile.h"

#include <QSaveFile>
#include <QtEndian>

namespace wav {
namespace {

void appendLe32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendLe16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

} // namespace

QByteArray header(const AudioFormat& format, quint32 dataSize)
{
    QByteArray out;
    out.reserve(HeaderSize);
    out.append("RIFF", 4);
    appendLe32(out, dataSize + 36);
    out.append("WAVEfmt ", 8);
    appendLe32(out, 16);
    appendLe16(out, 1); // PCM
    appendLe16(out, quint16(format.channels));
    appendLe32(out, quint32(format.samplesPerSecond));
    appendLe32(out, quint32(format.bytesPerSecond()));
    appendLe16(out, quint16(format.blockAlign()));
    appendLe16(out, quint16(format.bitsPerSample));
    out.append("data", 4);
    appendLe32(out, dataSize);
    return out;
}

bool write(const QString& path, const AudioFormat& format, const std::vector<QByteArray>& blocks, QString* error)
{
    qint64 dataSize = 0;
    for (const QByteArray& block : blocks)
        dataSize += block.size();
    if (dataSize > MaxDataSize) {
        *error = QStringLiteral("录音太长，超出WAV文件的容量");
        return false;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    bool ok = file.write(header(format, quint32(dataSize))) == HeaderSize;
    for (auto it = blocks.begin(); ok && it != blocks.end(); ++it)
        ok = file.write(*it) == it->size();
    if (!ok) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace wav
