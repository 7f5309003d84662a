// What a capture file holds, read from its AVI header and index and from gst-discoverer-1.0.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

struct AviFacts {
    bool riff = false;       // a RIFF "AVI " file with its header list
    quint32 totalFrames = 0; // avih TotalFrames, written when the muxer finishes the file
    quint32 microSecPerFrame = 0;
    QByteArray streamType;    // strh fccType of the first stream ("vids")
    QByteArray streamHandler; // strh fccHandler ("MJPG")
    quint32 streamLength = 0; // strh length, in frames
    int storedFrames = 0;     // video chunks in the movi list
    bool hasIndex = false;    // an idx1 chunk is present
    int indexEntries = 0;
};

AviFacts readAviFacts(const QString& path);
// A Motion-JPEG capture as the muxer finishes it: the header totals, the stream length and the index
// all agree with the frames stored.
void expectFinishedAvi(const QString& path);

struct DiscovererFacts {
    bool ran = false;
    QString videoCodec; // "Motion JPEG"
    double durationSeconds = -1;
    QString output; // everything it printed, for failure messages
};

DiscovererFacts discover(const QString& path);

// The first picture of a capture file, decoded by GStreamer's own demuxer and decoder (RGB); a null
// image when it could not be decoded.
QImage firstPicture(const QString& path);
// The mean difference of the colour channels of two pictures of one size within area (0 … 255).
double meanDifference(const QImage& a, const QImage& b, const QRect& area);
