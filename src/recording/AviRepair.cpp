// Walks the RIFF structure avimux writes: a first "RIFF AVI " list with the header list and a movi
// list of frame chunks, then (OpenDML, past 1 GB) further "RIFF AVIX" lists, each with a movi list
// that ends in its standard index ix00. A killed muxer leaves the sizes it writes at the start and
// the frames; every finished list before the last keeps its ix00 (and the first one its idx1). The
// file may also be damaged or made up: no size or offset it holds is trusted beyond the file's end,
// and every loop has a bound.
#include "recording/AviRepair.h"
#include "recording/LittleEndian.h"

#include "platform/DurableFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
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
constexpr int kSuperIndexHeader = 24;        // indx up to its entries
constexpr int kSuperIndexEntry = 16;
constexpr int kStandardIndexHeader = 24; // ix00 up to its entries

// Bounds on what a file may make the walks do: chunks looked at before the frames, frames and RIFF
// lists (74 hours at 15 pictures a second, in lists of up to 1 GB), and the block read while
// looking for the next frame past damage.
constexpr int kMaxHeaderChunks = 4096;
constexpr qsizetype kMaxFrames = 4'000'000;
constexpr qsizetype kMaxSegments = 4096;
constexpr qint64 kScanBlock = 1 << 20;

struct Frame {
    qint64 pos; // of the chunk header
    quint32 size;
};

struct Segment {
    qint64 riffPos = 0;
    qint64 moviListPos = -1;
    std::vector<Frame> frames;
    qint64 dataEnd = 0;  // just after the last whole frame
    qint64 ix00Pos = -1; // its standard index, if written
    quint32 ix00Size = 0;
    qint64 idx1Pos = -1;
    quint32 idx1Size = 0;
    qint64 end = 0; // where the next list starts, or the end of the file
};

class AviFile {
public:
    explicit AviFile(const QString& path) : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC)) {
        struct stat st {};
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0)
            m_size = st.st_size;
        else
            m_error = errno;
    }
    ~AviFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    bool isOpen() const { return m_fd >= 0 && m_error == 0; }
    int error() const { return m_error; }
    qint64 size() const { return m_size; }

    QByteArray read(qint64 pos, qint64 length) {
        if (pos < 0 || length < 0 || pos + length > m_size)
            return {};
        QByteArray bytes(length, '\0');
        if (::pread(m_fd, bytes.data(), size_t(length), pos) != length)
            return {};
        return bytes;
    }
    // The id and size of the chunk at pos, when its header lies in the file.
    bool chunk(qint64 pos, QByteArray* id, quint32* size) {
        const QByteArray header = read(pos, 8);
        if (header.size() != 8)
            return false;
        *id = header.left(4);
        *size = qFromLittleEndian<quint32>(header.constData() + 4);
        return true;
    }
    quint32 read32(qint64 pos) {
        const QByteArray bytes = read(pos, 4);
        return bytes.size() == 4 ? qFromLittleEndian<quint32>(bytes.constData()) : 0;
    }
    bool write(qint64 pos, const QByteArray& bytes) {
        if (::pwrite(m_fd, bytes.constData(), size_t(bytes.size()), pos) == bytes.size())
            return true;
        m_error = errno ? errno : EIO;
        return false;
    }
    bool write32(qint64 pos, quint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        return write(pos, QByteArray(bytes, 4));
    }
    bool truncate(qint64 length) {
        if (::ftruncate(m_fd, length) == 0) {
            m_size = length;
            return true;
        }
        m_error = errno;
        return false;
    }
    bool sync() {
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

qint64 padded(qint64 pos, quint32 size) {
    return pos + 8 + size + (size & 1);
}

// The positions in the header list that the repair rewrites.
struct Header {
    qint64 avih = -1;       // avih data
    qint64 strh = -1;       // strh data of the first (video) stream
    qint64 superIndex = -1; // the JUNK reserved for the super index, or the indx written before
    quint32 superIndexSize = 0;
    qint64 dmlh = -1; // OpenDML total frame count
    qint64 moviListPos = -1;
};

// The header list and the lists directly inside it (the first stream list and odml); lists nested
// any deeper are no part of what the muxer writes and are passed by.
void walkHeaderList(AviFile& file, qint64 begin, qint64 end, Header& h) {
    struct Range {
        qint64 begin, end;
        bool top, streamList;
    };
    std::vector<Range> pending{{begin, end, true, false}};
    int looked = 0;
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        QByteArray id;
        quint32 size = 0;
        for (qint64 at = range.begin; at + 8 <= range.end && looked < kMaxHeaderChunks && file.chunk(at, &id, &size);
             at = padded(at, size), ++looked) {
            if (id == "LIST") {
                const QByteArray type = file.read(at + 8, 4);
                // Only the first stream list: the video stream the capture writes.
                const bool streamList = type == "strl" && h.strh < 0;
                if (range.top && (streamList || type == "odml"))
                    pending.push_back({at + 12, std::min(range.end, at + 8 + qint64(size)), false, streamList});
            } else if (id == "avih" && range.top) {
                h.avih = at + 8;
            } else if (id == "strh" && range.streamList) {
                h.strh = at + 8;
            } else if ((id == "JUNK" || id == "indx") && range.streamList) {
                h.superIndex = at;
                h.superIndexSize = size;
            } else if (id == "dmlh") {
                h.dmlh = at + 8;
            }
        }
    }
}

// Frame chunks are the first stream's pictures: "00db" (what the muxer writes, Motion JPEG included)
// or "00dc".
bool isFrameId(QByteArrayView id) {
    return id == "00db" || id == "00dc";
}

class MoviWalker {
public:
    MoviWalker(AviFile& file, bool jpeg) : m_file(file), m_jpeg(jpeg) {}

    // Frames and index chunks of a segment's movi list, up to the next RIFF list or the end; damage
    // in between is passed over to the next frame. Returns where the next RIFF list starts, or -1.
    qint64 walk(Segment& segment, qsizetype& framesSoFar, qint64& damaged) {
        QByteArray id;
        quint32 size = 0;
        qint64 at = segment.moviListPos + 12;
        segment.dataEnd = at;
        while (framesSoFar < kMaxFrames && m_file.chunk(at, &id, &size)) {
            if (id == "RIFF" && m_file.read(at + 8, 4) == "AVIX")
                return at;
            const bool whole = at + 8 + qint64(size) <= m_file.size();
            if (whole && isFrameId(id) && isWholePicture(at, size)) {
                segment.frames.push_back({at, size});
                ++framesSoFar;
                segment.dataEnd = padded(at, size);
            } else if (whole && id == "ix00") {
                segment.ix00Pos = at;
                segment.ix00Size = size;
            } else if (whole && id == "idx1") {
                segment.idx1Pos = at;
                segment.idx1Size = size;
            } else if (!(whole && id == "JUNK")) {
                // Not a chunk of ours, or one whose size runs past the end: damage when a frame
                // follows, else the end of what was written.
                const qint64 next = nextFrame(at + 1);
                if (next < 0)
                    return -1;
                damaged += next - at;
                at = next;
                continue;
            }
            at = padded(at, size);
        }
        return -1;
    }

private:
    // A Motion-JPEG picture runs from its start marker to its end marker: one cut short (and filled
    // up by whatever followed) or overwritten at either end is no whole frame.
    bool isWholePicture(qint64 pos, quint32 size) {
        return !m_jpeg ||
               (size >= 4 && m_file.read(pos + 8, 2) == "\xFF\xD8" && m_file.read(pos + 8 + size - 2, 2) == "\xFF\xD9");
    }

    // A frame chunk at pos, whose first 10 bytes known holds when they were read already: a frame
    // id, a size within the file and a whole picture.
    bool isFrame(qint64 pos, QByteArrayView known) {
        QByteArray read;
        if (known.size() < 10) {
            read = m_file.read(pos, 10);
            known = read;
        }
        if (known.size() < 10 || !isFrameId(known.first(4)))
            return false;
        const quint32 size = qFromLittleEndian<quint32>(known.data() + 4);
        if (size < 2 || pos + 8 + qint64(size) > m_file.size())
            return false;
        return !m_jpeg || (known.sliced(8, 2) == QByteArrayView("\xFF\xD8", 2) && isWholePicture(pos, size));
    }

    // The first frame chunk at or after from, read block by block; -1 when none follows.
    qint64 nextFrame(qint64 from) {
        static constexpr QByteArrayView kFramePrefix = "00d";
        for (qint64 block = from; block < m_file.size(); block += kScanBlock) {
            // Blocks overlap by a chunk header's length less one, so that no frame id is split.
            const QByteArray bytes = m_file.read(block, std::min(kScanBlock + 7, m_file.size() - block));
            for (qsizetype hit = bytes.indexOf(kFramePrefix); hit >= 0; hit = bytes.indexOf(kFramePrefix, hit + 1)) {
                const QByteArrayView known = QByteArrayView(bytes).sliced(hit);
                if (isFrame(block + hit, known.first(std::min<qsizetype>(10, known.size()))))
                    return block + hit;
            }
        }
        return -1;
    }

    AviFile& m_file;
    const bool m_jpeg;
};

// The idx1 of a one-list file names whole frames only: every entry a chunk of its id and size
// within the file. Entries count from the movi list's type field, or from the file's start.
bool indexIsValid(AviFile& file, const Segment& segment) {
    const qint64 entries = segment.idx1Size / 16;
    if (entries == 0 || qsizetype(entries) > kMaxFrames)
        return false;
    const QByteArray index = file.read(segment.idx1Pos + 8, entries * 16);
    if (index.size() != entries * 16)
        return false;
    const auto chunkAt = [&](qint64 pos, const char* entry) {
        QByteArray id;
        quint32 size = 0;
        return file.chunk(pos, &id, &size) && id == QByteArray(entry, 4) &&
               size == qFromLittleEndian<quint32>(entry + 12) && pos + 8 + qint64(size) <= file.size();
    };
    const qint64 relativeTo = segment.moviListPos + 8;
    const bool relative = chunkAt(relativeTo + qFromLittleEndian<quint32>(index.constData() + 8), index.constData());
    for (qint64 i = 0; i < entries; ++i) {
        const char* entry = index.constData() + i * 16;
        if (!chunkAt((relative ? relativeTo : 0) + qFromLittleEndian<quint32>(entry + 8), entry))
            return false;
    }
    return true;
}

QString causeText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Copies the bytes of the file from pos to its end into a new file of folder, synced, before they are
// cut off. Its path, or empty with *error set.
QString keepTail(AviFile& file, const QString& path, qint64 pos, const QString& folder, int* error) {
    const QString aside = folder + u'/' + QFileInfo(path).fileName() + QStringLiteral(".%1.cut").arg(pos);
    if (const durable::Result made = durable::makeFolder(folder); !made) {
        *error = made.error;
        return {};
    }
    durable::FileWriter writer(aside);
    durable::Result result = writer.open();
    for (qint64 at = pos; result && at < file.size(); at += kScanBlock)
        result = writer.write(file.read(at, std::min(kScanBlock, file.size() - at)));
    if (result && writer.written() != file.size() - pos)
        result = durable::Result::failed(EIO);
    if (result)
        result = writer.commit();
    if (!result) {
        *error = result.error;
        return {};
    }
    return aside;
}

} // namespace

Result repair(const QString& path, const QString& asideFolder) {
    Result result;
    AviFile file(path);
    if (!file.isOpen()) {
        result.error = QStringLiteral("录像文件无法打开：%1").arg(causeText(file.error()));
        return result;
    }
    if (file.size() == 0) {
        result.noFrames = true;
        result.error = QStringLiteral("录像文件是空的，没有一个完整的画面");
        return result;
    }
    if (file.read(0, 4) != "RIFF" || file.read(8, 4) != "AVI ") {
        result.error = QStringLiteral("不是AVI录像文件");
        return result;
    }

    Header header;
    QByteArray id;
    quint32 size = 0;
    int looked = 0;
    for (qint64 at = 12; looked < kMaxHeaderChunks && file.chunk(at, &id, &size); at = padded(at, size), ++looked) {
        if (id != "LIST")
            continue;
        const QByteArray type = file.read(at + 8, 4);
        if (type == "hdrl")
            walkHeaderList(file, at + 12, std::min(file.size(), at + 8 + qint64(size)), header);
        if (type == "movi") {
            header.moviListPos = at;
            break;
        }
    }
    if (header.avih < 0 || header.strh < 0 || header.moviListPos < 0) {
        result.error = QStringLiteral("录像文件的文件头不完整");
        return result;
    }

    // A Motion-JPEG frame is known by its picture's markers too.
    MoviWalker walker(file, file.read(header.strh + 4, 4) == "MJPG");
    std::vector<Segment> segments(1);
    segments[0].moviListPos = header.moviListPos;
    qsizetype frameCount = 0;
    for (;;) {
        Segment& segment = segments.back();
        const qint64 next = walker.walk(segment, frameCount, result.damagedBytes);
        segment.end = next >= 0 ? next : file.size();
        // An OpenDML list starts "RIFF size AVIX LIST size movi"; a start cut off by the kill is dropped.
        if (next < 0 || segments.size() >= std::size_t(kMaxSegments) || file.read(next + 12, 4) != "LIST" ||
            file.read(next + 20, 4) != "movi")
            break;
        Segment following;
        following.riffPos = next;
        following.moviListPos = next + 12;
        segments.push_back(following);
    }
    if (frameCount >= kMaxFrames) {
        result.error = QStringLiteral("录像文件的画面超过 %1 帧，无法修复").arg(kMaxFrames);
        return result;
    }

    std::vector<int> counts;
    quint32 largest = 0;
    for (const Segment& segment : segments) {
        counts.push_back(int(segment.frames.size()));
        result.frames += int(segment.frames.size());
        for (const Frame& frame : segment.frames)
            largest = std::max(largest, frame.size);
    }
    if (result.frames == 0) {
        result.noFrames = true;
        result.error = QStringLiteral("录像文件里没有一个完整的画面");
        return result;
    }
    QByteArray frameId;
    for (const Segment& segment : segments) {
        if (frameId.isEmpty() && !segment.frames.empty())
            frameId = file.read(segment.frames.front().pos, 4);
    }
    const quint32 scale = file.read32(header.strh + 20); // dwScale
    const quint32 rate = file.read32(header.strh + 24);  // dwRate
    if (scale > 0 && rate > 0)
        result.seconds = double(result.frames) * scale / rate;

    // A finished file: its index is valid and the header says there is one. Bytes after a whole
    // file's end are no reason to touch it.
    Segment& last = segments.back();
    const quint32 oldFlags = file.read32(header.avih + 12);
    const bool finished =
        segments.size() == 1
            ? last.idx1Pos >= 0 && indexIsValid(file, last)
            : last.ix00Pos >= 0 && last.riffPos + 8 + qint64(file.read32(last.riffPos + 4)) == file.size();
    if (finished && (oldFlags & kHasIndex)) {
        result.frames = segments.size() == 1 ? int(last.idx1Size / 16) : result.frames;
        result.damagedBytes = 0;
        if (!file.sync())
            result.error = QStringLiteral("录像文件无法写到磁盘上：%1").arg(causeText(file.error()));
        result.ok = result.error.isEmpty();
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
        appendLe16(index, 2);  // longs per entry
        index.append(char(0)); // sub type
        index.append(char(1)); // index of chunks
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
    const auto failed = [&] {
        result.error = QStringLiteral("录像文件无法修复：%1").arg(causeText(file.error()));
        return result;
    };
    // What lies after the last whole frame goes aside before the index takes its place, unless it is
    // that very index (a repair that was cut off before it reached the header).
    const qint64 tail = file.size() - last.dataEnd;
    if (tail > 0 && (tail != index.size() || file.read(last.dataEnd, tail) != index)) {
        int error = 0;
        result.cutAside = keepTail(file, path, last.dataEnd, asideFolder, &error);
        if (result.cutAside.isEmpty()) {
            result.error = QStringLiteral("录像文件末尾的 %1 字节无法另存，没有修复：%2")
                               .arg(tail)
                               .arg(durable::Result::failed(error).text());
            return result;
        }
    }
    const qint64 newEnd = last.dataEnd + index.size();
    if (!file.write(last.dataEnd, index) || !file.truncate(newEnd) || !file.sync())
        return failed();

    // Sizes of every list, now that each ends where the next begins.
    last.end = newEnd;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Segment& segment = segments[i];
        const bool alone = segments.size() == 1;
        // The first list's idx1 lies after its movi list; everything else is inside.
        const qint64 moviEnd = i == 0 && !alone && segment.idx1Pos >= 0 ? segment.idx1Pos
                               : alone                                  ? segment.dataEnd
                                                                        : segment.end;
        if (!file.write32(segment.riffPos + 4, quint32(segment.end - segment.riffPos - 8)) ||
            !file.write32(segment.moviListPos + 4, quint32(moviEnd - segment.moviListPos - 8)))
            return failed();
    }

    if (segments.size() > 1) {
        const qint64 needed = kSuperIndexHeader + kSuperIndexEntry * qint64(segments.size());
        if (header.superIndex < 0 || header.superIndexSize < needed ||
            header.superIndex + 8 + qint64(header.superIndexSize) > file.size()) {
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
    // The flag that marks the file finished goes last, once the counts are on the disk.
    if (!file.write32(header.avih + 16, quint32(counts[0])) ||
        !file.write32(header.strh + 32, quint32(result.frames)) || !file.write32(header.strh + 36, largest) ||
        (header.dmlh >= 0 && !file.write32(header.dmlh, quint32(result.frames))) || !file.sync() ||
        !file.write32(header.avih + 12, oldFlags | kHasIndex) || !file.sync())
        return failed();
    result.ok = true;
    result.repaired = true;
    return result;
}

} // namespace avirepair
