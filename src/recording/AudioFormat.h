// The PCM format of a recording: channels, sample rate and sample size, as the wave input accepts them.
#pragma once

#include <QtGlobal>

struct AudioFormat {
    int channels = 1;
    int samplesPerSecond = 8000;
    int bitsPerSample = 16;

    int blockAlign() const { return channels * bitsPerSample / 8; }
    int bytesPerSecond() const { return samplesPerSecond * blockAlign(); }

    // Only channels 1 or 2, rates 8000, 11025, 22050 or 44100 and 8 or 16 bits are accepted.
    static bool isAccepted(int channels, int samplesPerSecond, int bitsPerSample);
};
