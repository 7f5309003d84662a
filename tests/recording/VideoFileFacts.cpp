// Reads AVI chunks by hand: gst-discoverer-1.0 reports a duration even for a file whose header was
// never finished, so the header and the index are checked directly.
#include "VideoFileFacts.h"

#include <QColor>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

quint32 le32(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

// Walks the chunks between begin and end; lists are entered.
void walk(const QByteArray& data, qsizetype begin, qsizetype end, const QByteArray& list, AviFacts& facts) {
    qsizetype at = begin;
    while (at + 8 <= end) {
        const QByteArray id = data.mid(at, 4);
        const qsizetype size = le32(data, at + 4);
        const qsizetype body = at + 8;
        if (body + size > end)
            return;
        if (id == "LIST" && size >= 4) {
            walk(data, body + 4, body + size, data.mid(body, 4), facts);
        } else if (id == "avih" && size >= 20) {
            facts.microSecPerFrame = le32(data, body);
            facts.totalFrames = le32(data, body + 16);
        } else if (id == "strh" && size >= 36 && facts.streamType.isEmpty()) {
            facts.streamType = data.mid(body, 4);
            facts.streamHandler = data.mid(body + 4, 4);
            facts.streamLength = le32(data, body + 32);
        } else if (id == "idx1") {
            facts.hasIndex = true;
            facts.indexEntries = int(size / 16);
        } else if (list == "movi" && (id.endsWith("db") || id.endsWith("dc"))) {
            ++facts.storedFrames;
        }
        at = body + size + (size & 1);
    }
}

} // namespace

AviFacts readAviFacts(const QString& path) {
    AviFacts facts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QByteArray data = file.readAll();
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "AVI ")
        return facts;
    facts.riff = true;
    walk(data, 12, data.size(), "AVI ", facts);
    return facts;
}

void expectFinishedAvi(const QString& path) {
    const AviFacts avi = readAviFacts(path);
    ASSERT_TRUE(avi.riff) << path.toStdString();
    EXPECT_EQ(avi.streamType, "vids");
    EXPECT_EQ(avi.streamHandler, "MJPG");
    EXPECT_GT(avi.storedFrames, 0);
    EXPECT_EQ(avi.totalFrames, quint32(avi.storedFrames));
    EXPECT_EQ(avi.streamLength, quint32(avi.storedFrames));
    EXPECT_TRUE(avi.hasIndex);
    EXPECT_EQ(avi.indexEntries, avi.storedFrames);
}

DiscovererFacts discover(const QString& path) {
    DiscovererFacts facts;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("gst-discoverer-1.0"), {QStringLiteral("-v"), path});
    if (!process.waitForFinished(60000))
        return facts;
    facts.ran = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    facts.output = QString::fromUtf8(process.readAll());
    static const QRegularExpression codec(QStringLiteral("video codec: ([^\\n]+)"));
    static const QRegularExpression duration(QStringLiteral("Duration: (\\d+):(\\d+):(\\d+(?:\\.\\d+)?)"));
    if (const auto m = codec.match(facts.output); m.hasMatch())
        facts.videoCodec = m.captured(1).trimmed();
    if (const auto m = duration.match(facts.output); m.hasMatch())
        facts.durationSeconds =
            m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 + m.captured(3).toDouble();
    return facts;
}

QImage firstPicture(const QString& path) {
    gst_init(nullptr, nullptr);
    GstElement* pipeline = gst_parse_launch(
        "filesrc name=src ! avidemux ! jpegdec ! videoconvert ! video/x-raw,format=RGB ! appsink name=sink", nullptr);
    if (!pipeline)
        return {};
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(src);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    QImage picture;
    if (GstSample* sample = gst_app_sink_try_pull_preroll(GST_APP_SINK(sink), 10 * GST_SECOND)) {
        GstVideoInfo info;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
            gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            picture = QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                             GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB888)
                          .copy();
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return picture;
}

double meanDifference(const QImage& a, const QImage& b, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue());
        }
    return sum / (3.0 * area.width() * area.height());
}
