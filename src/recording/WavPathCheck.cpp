// The "wav" check of the path chosen for playback.
#include "recording/WavPathCheck.h"

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

} // namespace

bool containsWavMarker(const QByteArray& gbkPath) {
    const qsizetype n = gbkPath.size();
    qsizetype i = 0;
    while (i < n) {
        if (static_cast<unsigned char>(gbkPath[i]) >= 0x80) {
            i += 2; // lead byte of a double-byte character
            continue;
        }
        if (i + 3 <= n && lower(gbkPath[i]) == 'w' && lower(gbkPath[i + 1]) == 'a' && lower(gbkPath[i + 2]) == 'v')
            return true;
        ++i;
    }
    return false;
}
