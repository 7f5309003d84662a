// Repairs the AVI file of a capture whose writer was killed: the muxer writes the frame counts,
// the list sizes and the index only when the stream ends, so strict players refuse such a file.
#pragma once

#include <QString>

namespace avirepair {

struct Result {
    bool ok = false;
    bool repaired = false; // false when the file was finished already
    int frames = 0;        // pictures the file holds
    double seconds = 0;    // its length at the stream's frame rate
    QString error;         // why it could not be repaired, for the user
};

// Rebuilds, in place, what the muxer would have written at the end of the stream: the index of the
// frames the file holds (idx1 for a file of one RIFF list; for an OpenDML file of several, the
// standard index of the last list and the super index in the header), the RIFF and movi sizes, and
// the frame counts of the header. A last frame cut off by the kill is dropped. The index goes to the
// disk before the header points to it, so a repair that is cut off itself can simply run again.
Result repair(const QString& path);

} // namespace avirepair
