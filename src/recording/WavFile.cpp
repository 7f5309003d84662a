// WAV headers, and the file a recording grows in: appended samples, header sizes patched in place.
#include "recording/WavFile.h"
#include "recording/LittleEndian.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wav {

using riff::appendLe16;
using riff::appendLe32;
namespace {

qint64 wholeFrames(qint64 bytes, const AudioFormat& format) {
    const qint64 align = std::max(1, format.blockAlign());
    return std::min(bytes, MaxDataSize) / align * align;
}

// Writes the RIFF and data sizes for dataSize bytes of samples at their offsets.
int patchSizes(int fd, quint32 dataSize) {
    char riff[4];
    char data[4];
    errno = 0;
    qToLittleEndian(dataSize + 36, riff);
    qToLittleEndian(dataSize, data);
    if (::pwrite(fd, riff, 4, 4) != 4 || ::pwrite(fd, data, 4, 40) != 4)
        return errno ? errno : EIO;
    return 0;
}

} // namespace

QByteArray header(const AudioFormat& format, quint32 dataSize) {
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

Writer::~Writer() {
    // Its owner finishes a file it keeps and tells of a failure; one left open here is given up.
    static_cast<void>(finish());
}

durable::Result Writer::create(const QString& path, const AudioFormat& format) {
    // Every writer is finished by its owner before it starts another file.
    static_cast<void>(finish());
    const QByteArray name = QFile::encodeName(path);
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return durable::Result::failed(errno);
    m_format = format;
    m_dataSize = 0;
    const QByteArray empty = header(format, 0);
    errno = 0;
    if (::write(m_fd, empty.constData(), size_t(empty.size())) != empty.size()) {
        const int error = errno ? errno : ENOSPC;
        ::close(m_fd);
        m_fd = -1;
        ::unlink(name.constData());
        return durable::Result::failed(error);
    }
    return {};
}

durable::Result Writer::append(const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return durable::Result::failed(n < 0 ? errno : ENOSPC);
        data += n;
        size -= n;
        m_dataSize += n;
    }
    return {};
}

durable::Result Writer::syncData() {
    return durable::Result::failed(::fdatasync(m_fd) == 0 ? 0 : errno);
}

qint64 Writer::headerDataSize(qint64 dataSize) const {
    return wholeFrames(dataSize, m_format);
}

durable::Result Writer::writeSizes(qint64 dataSize) {
    return durable::Result::failed(patchSizes(m_fd, quint32(headerDataSize(dataSize))));
}

durable::Result Writer::finish() {
    if (m_fd < 0)
        return {};
    durable::Result result = writeSizes(m_dataSize);
    if (result && ::fsync(m_fd) != 0)
        result = durable::Result::failed(errno);
    if (::close(m_fd) != 0 && result)
        result = durable::Result::failed(errno);
    m_fd = -1;
    return result;
}

Facts readFacts(const QString& path) {
    Facts facts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QByteArray h = file.read(HeaderSize);
    if (h.size() < HeaderSize || !h.startsWith("RIFF") || h.mid(8, 8) != "WAVEfmt " || h.mid(36, 4) != "data" ||
        qFromLittleEndian<quint32>(h.constData() + 16) != 16 || qFromLittleEndian<quint16>(h.constData() + 20) != 1)
        return facts;
    facts.format.channels = qFromLittleEndian<quint16>(h.constData() + 22);
    facts.format.samplesPerSecond = int(qFromLittleEndian<quint32>(h.constData() + 24));
    facts.format.bitsPerSample = qFromLittleEndian<quint16>(h.constData() + 34);
    if (!AudioFormat::isAccepted(facts.format.channels, facts.format.samplesPerSecond, facts.format.bitsPerSample))
        return facts;
    facts.valid = true;
    facts.headerDataSize = qFromLittleEndian<quint32>(h.constData() + 40);
    facts.fileDataSize = wholeFrames(file.size() - HeaderSize, facts.format);
    return facts;
}

durable::Result settleSizes(const QString& path) {
    const Facts facts = readFacts(path);
    if (!facts.valid)
        return durable::Result::failed(EINVAL);
    if (facts.headerDataSize == facts.fileDataSize)
        return {};
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return durable::Result::failed(errno);
    int error = patchSizes(fd, quint32(facts.fileDataSize));
    if (!error && ::fsync(fd) != 0)
        error = errno;
    ::close(fd);
    return durable::Result::failed(error);
}

} // namespace wav
