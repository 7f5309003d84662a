// Walks the RIFF structure avimux writes: a first "RIFF AVI " list with the header list and a movi
// list of frame chunks, then (OpenDML, past 1 GB) further "RIFF AVIX" lists, each with a movi list
// that ends in its standard index ix00. A killed muxer leaves the sizes it writes at the start and
// the frames; every finished list before the last keeps its ix00 (and the first one its idx1).
#include "recording/AviRepair.h"
#include "recording/LittleEndian.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace avirepair {

using riff::appendLe16;
using riff::appendLe32;
using riff::appendLe64;

namespace {

// Flags and sizes of the AVI structures, as the muxer writes them.
constexpr quint32 kHasIndex = 0x10;          // avih dwFlags: AVIF_HASINDEX
constexpr quint32 kIndexedFrameFlags = 0x12; // idx1 entry flags of a Motion-JPEG frame (a key frame)
constexpr int kSuperIndexHeader = 24;         // indx up to its entries
constexpr int kSuperIndexEntry = 16;
constexpr int kStandardIndexHeader = 24;     // ix00 up to its entries

struct Frame {
    qint64 pos; // of the chunk header
    quint32 size;
};

struct Segment {
    qint64 riffPos = 0;
    qint64 moviListPos = -1;
    std::vector<Frame> frames;
    qint64 dataEnd = 0;      // just after the last whole frame
    qint64 ix00Pos = -1;     // its standard index, if written
    quint32 ix00Size = 0;
    qint64 idx1Pos = -1;
    qint64 end = 0;          // where the next list starts, or the end of the file
};

class AviFile {
public:
    explicit AviFile(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC))
    {
        struct stat st {};
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0)
            m_size = st.st_size;
        else
            m_error = errno;
    }
    ~AviFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    bool isOpen() const { return m_fd >= 0 && m_error == 0; }
    int error() const { return m_error; }
    qint64 size() const { return m_size; }

    QByteArray read(qint64 pos, qint64 length)
    {
        QByteArray bytes(length, '\0');
        if (pos < 0 || pos + length > m_size || ::pread(m_fd, bytes.data(), size_t(length), pos) != length)
            return {};
        return bytes;
    }
    // The id and size of the chunk at pos, when its header lies in the file.
    bool chunk(qint64 pos, QByteArray* id, quint32* size)
    {
        const QByteArray header = read(pos, 8);
        if (header.size() != 8)
            return false;
        *id = header.left(4);
        *size = qFromLittleEndian<quint32>(header.constData() + 4);
        return true;
    }
    bool write(qint64 pos, const QByteArray& bytes)
    {
        if (::pwrite(m_fd, bytes.constData(), size_t(bytes.size()), pos) == bytes.size())
            return true;
        m_error = errno ? errno : EIO;
        return false;
    }
    bool write32(qint64 pos, quint32 value)
    {
        char bytes[4];
        qToLittleEndian(value, bytes);
        return write(pos, QByteArray(bytes, 4));
    }
    bool truncate(qint64 length)
    {
        if (::ftruncate(m_fd, length) == 0) {
            m_size = length;
            return true;
        }
        m_error = errno;
        return false;
    }
    bool sync()
    {
        if (::fsync(m_fd) == 0)
            return true;
        m_error = errno;
        return false;
    }

private:
    int m_fd;
    qint64 m_size = 0;
    int m_error = 0;
};

qint64 padded(qint64 pos, quint32 size)
{
    return pos + 8 + size + (size & 1);
}

bool isFrameId(const QByteArray& id)
{
    return id.size() == 4 && std::isdigit(uchar(id[0])) && std::isdigit(uchar(id[1])) &&
           (id.endsWith("db") || id.endsWith("dc"));
}


// The positions in the header list that the repair rewrites.
struct Header {
    qint64 avih = -1;       // avih data
    qint64 strh = -1;       // strh data of the first (video) stream
    qint64 superIndex = -1; // the JUNK reserved for the super index, or the indx written before
    quint32 superIndexSize = 0;
    qint64 dmlh = -1;       // OpenDML total frame count
    qint64 moviListPos = -1;
};

void walkHeaderList(AviFile& file, qint64 begin, qint64 end, Header& h, bool inStreamList)
{
    QByteArray id;
    quint32 size = 0;
    for (qint64 at = begin; at + 8 <= end && file.chunk(at, &id, &size); at = padded(at, size)) {
        if (id == "LIST") {
            const QByteArray type = file.read(at + 8, 4);
            // Only the first stream list: the video stream the capture writes.
            if ((type == "strl" && h.strh < 0) || type == "odml")
                walkHeaderList(file, at + 12, std::min(end, at + 8 + qint64(size)), h, type == "strl");
        } else if (id == "avih") {
            h.avih = at + 8;
        } else if (id == "strh" && inStreamList) {
            h.strh = at + 8;
        } else if ((id == "JUNK" || id == "indx") && inStreamList) {
            h.superIndex = at;
            h.superIndexSize = size;
        } else if (id == "dmlh") {
            h.dmlh = at + 8;
        }
    }
}

// Frames and index chunks of a segment's movi list, up to the next RIFF list or the first chunk that
// is cut off; returns where the next RIFF list starts, or -1.
qint64 walkSegment(AviFile& file, Segment& segment)
{
    QByteArray id;
    quint32 size = 0;
    qint64 at = segment.moviListPos + 12;
    segment.dataEnd = at;
    while (file.chunk(at, &id, &size)) {
        if (id == "RIFF" && file.read(at + 8, 4) == "AVIX")
            return at;
        if (at + 8 + qint64(size) > file.size())
            break;
        if (isFrameId(id)) {
            segment.frames.push_back({at, size});
            segment.dataEnd = padded(at, size);
        } else if (id == "ix00") {
            segment.ix00Pos = at;
            segment.ix00Size = size;
        } else if (id == "idx1") {
            segment.idx1Pos = at;
        } else if (id != "JUNK") {
            break;
        }
        at = padded(at, size);
    }
    return -1;
}

QString causeText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

Result repair(const QString& path)
{
    Result result;
    AviFile file(path);
    if (!file.isOpen()) {
        result.error = QStringLiteral("录像文件无法打开：%1").arg(causeText(file.error()));
        return result;
    }
    if (file.read(0, 4) != "RIFF" || file.read(8, 4) != "AVI ") {
        result.error = QStringLiteral("不是AVI录像文件");
        return result;
    }

    Header header;
    QByteArray id;
    quint32 size = 0;
    for (qint64 at = 12; file.chunk(at, &id, &size); at = padded(at, size)) {
        if (id != "LIST")
            continue;
        const QByteArray type = file.read(at + 8, 4);
        if (type == "hdrl")
            walkHeaderList(file, at + 12, std::min(file.size(), at + 8 + qint64(size)), header, false);
        if (type == "movi") {
            header.moviListPos = at;
            break;
        }
    }
    if (header.avih < 0 || header.strh < 0 || header.moviListPos < 0) {
        result.error = QStringLiteral("录像文件的文件头不完整");
        return result;
    }

    std::vector<Segment> segments(1);
    segments[0].moviListPos = header.moviListPos;
    for (;;) {
        Segment& segment = segments.back();
        const qint64 next = walkSegment(file, segment);
        segment.end = next >= 0 ? next : file.size();
        // An OpenDML list starts "RIFF size AVIX LIST size movi"; a start cut off by the kill is dropped.
        if (next < 0 || file.read(next + 12, 4) != "LIST" || file.read(next + 20, 4) != "movi")
            break;
        Segment following;
        following.riffPos = next;
        following.moviListPos = next + 12;
        segments.push_back(following);
    }

    const QByteArray frameId = segments[0].frames.empty() ? QByteArray("00db") : file.read(segments[0].frames[0].pos, 4);
    std::vector<int> counts;
    quint32 largest = 0;
    for (const Segment& segment : segments) {
        counts.push_back(int(segment.frames.size()));
        result.frames += int(segment.frames.size());
        for (const Frame& frame : segment.frames)
            largest = std::max(largest, frame.size);
    }
    const QByteArray timing = file.read(header.strh + 20, 8); // dwScale, dwRate
    const quint32 scale = timing.size() == 8 ? qFromLittleEndian<quint32>(timing.constData()) : 0;
    const quint32 rate = timing.size() == 8 ? qFromLittleEndian<quint32>(timing.constData() + 4) : 0;
    if (scale > 0 && rate > 0)
        result.seconds = double(result.frames) * scale / rate;

    // A finished file: its last list ends with the file and holds its index, and the header says so.
    Segment& last = segments.back();
    const QByteArray flags = file.read(header.avih + 12, 4);
    const quint32 oldFlags = flags.size() == 4 ? qFromLittleEndian<quint32>(flags.constData()) : 0;
    const QByteArray declaredLast = file.read(last.riffPos + 4, 4);
    const bool indexed = segments.size() == 1 ? last.idx1Pos >= 0 : last.ix00Pos >= 0;
    if (indexed && (oldFlags & kHasIndex) && declaredLast.size() == 4 &&
        last.riffPos + 8 + qint64(qFromLittleEndian<quint32>(declaredLast.constData())) == file.size()) {
        result.ok = true;
        return result;
    }

    // The index of the last list, written after its last whole frame.
    QByteArray index;
    if (segments.size() == 1) {
        index.append("idx1", 4);
        appendLe32(index, quint32(16 * last.frames.size()));
        for (const Frame& frame : last.frames) {
            index.append(frameId);
            appendLe32(index, kIndexedFrameFlags);
            appendLe32(index, quint32(frame.pos));
            appendLe32(index, frame.size);
        }
    } else {
        index.append("ix00", 4);
        appendLe32(index, quint32(kStandardIndexHeader + 8 * last.frames.size()));
        appendLe16(index, 2);        // longs per entry
        index.append(char(0));       // sub type
        index.append(char(1));       // index of chunks
        appendLe32(index, quint32(last.frames.size()));
        index.append(frameId);
        appendLe64(index, quint64(last.riffPos));
        appendLe32(index, 0);
        for (const Frame& frame : last.frames) {
            appendLe32(index, quint32(frame.pos + 8 - last.riffPos));
            appendLe32(index, frame.size);
        }
        last.ix00Pos = last.dataEnd;
        last.ix00Size = quint32(index.size() - 8);
    }
    const qint64 newEnd = last.dataEnd + index.size();
    const auto failed = [&] {
        result.error = QStringLiteral("录像文件无法修复：%1").arg(causeText(file.error()));
        return result;
    };
    if (!file.write(last.dataEnd, index) || !file.truncate(newEnd) || !file.sync())
        return failed();

    // Sizes of every list, now that each ends where the next begins.
    last.end = newEnd;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Segment& segment = segments[i];
        const bool alone = segments.size() == 1;
        // The first list's idx1 lies after its movi list; everything else is inside.
        const qint64 moviEnd = i == 0 && !alone && segment.idx1Pos >= 0 ? segment.idx1Pos
                               : alone                                ? segment.dataEnd
                                                                      : segment.end;
        if (!file.write32(segment.riffPos + 4, quint32(segment.end - segment.riffPos - 8)) ||
            !file.write32(segment.moviListPos + 4, quint32(moviEnd - segment.moviListPos - 8)))
            return failed();
    }

    if (segments.size() > 1) {
        const qint64 needed = kSuperIndexHeader + kSuperIndexEntry * qint64(segments.size());
        if (header.superIndex < 0 || header.superIndexSize < needed) {
            result.error = QStringLiteral("录像文件太大，文件头里放不下它的索引");
            return result;
        }
        QByteArray super;
        super.append("indx", 4);
        appendLe32(super, header.superIndexSize);
        appendLe16(super, 4);  // longs per entry
        super.append(char(0)); // sub type
        super.append(char(0)); // index of indexes
        appendLe32(super, quint32(segments.size()));
        super.append(frameId);
        super.append(12, '\0');
        for (std::size_t i = 0; i < segments.size(); ++i) {
            if (segments[i].ix00Pos < 0) {
                result.error = QStringLiteral("录像文件第%1段没有索引").arg(i + 1);
                return result;
            }
            appendLe64(super, quint64(segments[i].ix00Pos));
            appendLe32(super, segments[i].ix00Size + 8);
            appendLe32(super, quint32(counts[i]));
        }
        super.append(int(8 + header.superIndexSize - super.size()), '\0');
        if (!file.write(header.superIndex, super))
            return failed();
    }
    if (!file.write32(header.avih + 12, oldFlags | kHasIndex) || !file.write32(header.avih + 16, quint32(counts[0])) ||
        !file.write32(header.strh + 32, quint32(result.frames)) || !file.write32(header.strh + 36, largest) ||
        (header.dmlh >= 0 && !file.write32(header.dmlh, quint32(result.frames))) || !file.sync())
        return failed();
    result.ok = true;
    result.repaired = true;
    return result;
}

} // namespace avirepair
