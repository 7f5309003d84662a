// Helpers shared by the audio tests: reading WAV files, generating tones, finding the dominant frequency,
// and waiting on a condition with a time limit.
#pragma once

#include "TestServices.h"
#include "recording/AudioFormat.h"
#include "recording/WavFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QtEndian>

#include <cmath>
#include <numbers>
#include <vector>

namespace audiotest {

inline quint32 le32(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

inline quint16 le16(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

// A WAV file of 8000 Hz, 16-bit mono samples, written as a fixture.
inline void writeWav(const QString& path, const QByteArray& samples) {
    writeFile(path, wav::header(AudioFormat{1, 8000, 16}, quint32(samples.size())) + samples);
}

inline std::vector<double> samplesOf(const QByteArray& pcm16le) {
    std::vector<double> out(pcm16le.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(pcm16le.constData() + 2 * i);
    return out;
}

inline double rms(const std::vector<double>& samples) {
    double sum = 0;
    for (double v : samples)
        sum += v * v;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

// The frequency of the strongest bin of a plain DFT over one second taken from the middle of the
// samples (1 Hz resolution), ignoring the constant part.
inline double dominantFrequency(const std::vector<double>& samples, int rate) {
    const size_t n = std::min(samples.size(), size_t(rate));
    if (n < 16)
        return 0;
    const size_t first = (samples.size() - n) / 2;
    std::vector<double> cosTable(n), sinTable(n);
    for (size_t i = 0; i < n; ++i) {
        cosTable[i] = std::cos(2 * std::numbers::pi * double(i) / double(n));
        sinTable[i] = std::sin(2 * std::numbers::pi * double(i) / double(n));
    }
    size_t best = 0;
    double bestPower = -1;
    for (size_t k = 1; k < n / 2; ++k) {
        double re = 0, im = 0;
        size_t index = 0;
        for (size_t i = 0; i < n; ++i) {
            re += samples[first + i] * cosTable[index];
            im -= samples[first + i] * sinTable[index];
            index += k;
            if (index >= n)
                index -= n;
        }
        const double power = re * re + im * im;
        if (power > bestPower) {
            bestPower = power;
            best = k;
        }
    }
    return double(best) * rate / double(n);
}

// A sine tone as 16-bit mono samples.
inline QByteArray tone(double frequency, int rate, double seconds, double amplitude = 12000) {
    const int count = int(rate * seconds);
    QByteArray out(count * 2, '\0');
    for (int i = 0; i < count; ++i) {
        const auto v = qint16(std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate)));
        qToLittleEndian(v, out.data() + 2 * i);
    }
    return out;
}

// Runs the event loop until the condition holds or the limit passes; returns the condition.
template <typename Pred> bool waitUntil(Pred pred, int limitMs = 5000) {
    QDeadlineTimer deadline(limitMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

} // namespace audiotest
