// Which PCM formats the recorder accepts.
#include "recording/AudioFormat.h"

bool AudioFormat::isAccepted(int channels, int samplesPerSecond, int bitsPerSample) {
    const bool channelsOk = channels == 1 || channels == 2;
    const bool rateOk =
        samplesPerSecond == 8000 || samplesPerSecond == 11025 || samplesPerSecond == 22050 || samplesPerSecond == 44100;
    const bool bitsOk = bitsPerSample == 8 || bitsPerSample == 16;
    return channelsOk && rateOk && bitsOk;
}
