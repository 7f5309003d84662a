// Repairs the AVI file of a capture whose writer was killed: the muxer writes the frame counts,
// the list sizes and the index only when the stream ends, so strict players refuse such a file.
#pragma once

#include <QString>

namespace avirepair {

struct Result {
    bool ok = false;
    bool repaired = false;   // false when the file was finished already and left as it was
    bool noFrames = false;   // the file holds not one whole picture: nothing to repair
    int frames = 0;          // pictures the file holds
    double seconds = 0;      // its length at the stream's frame rate
    qint64 damagedBytes = 0; // bytes inside the frame list that belong to no whole frame, left in place
    QString cutAside;        // the file the bytes cut from the end were kept in, when any were cut
    QString error;           // why it could not be repaired, for the user
};

// Rebuilds, in place, what the muxer would have written at the end of the stream: the index of the
// frames the file holds (idx1 for a file of one RIFF list; for an OpenDML file of several, the
// standard index of the last list and the super index in the header), the RIFF and movi sizes, and
// the frame counts of the header. Damage in the middle (a block of zeros, a broken chunk header) is
// passed over to the next frame chunk, and every whole frame after it is indexed; the damaged bytes
// stay where they are. The index is written after the last whole frame: whatever followed it (a frame
// cut off by the kill, bytes that are no frame) is first copied into a file of asideFolder. A file
// whose index is already valid is left as it was. Every walk of the file is bounded, whatever it
// holds. The index goes to the disk before the header points to it, so a repair that is cut off
// itself can simply run again.
Result repair(const QString& path, const QString& asideFolder);

} // namespace avirepair
