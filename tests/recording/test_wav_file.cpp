// The WAV header field by field, and the file of a recording: never written over an earlier file,
// its header settled to the samples a killed program left.
#include "AudioTestTools.h"

#include "recording/WavFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using audiotest::le16;
using audiotest::le32;

TEST(WavHeader, RecordingFormatFieldByField) {
    const QByteArray h = wav::header(AudioFormat{1, 8000, 16}, 32000);
    ASSERT_EQ(h.size(), 44);
    EXPECT_EQ(h.mid(0, 4), "RIFF");
    EXPECT_EQ(le32(h, 4), 32000u + 36);
    EXPECT_EQ(h.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(h, 16), 16u);
    EXPECT_EQ(le16(h, 20), 1u);
    EXPECT_EQ(le16(h, 22), 1u);
    EXPECT_EQ(le32(h, 24), 8000u);
    EXPECT_EQ(le32(h, 28), 16000u);
    EXPECT_EQ(le16(h, 32), 2u);
    EXPECT_EQ(le16(h, 34), 16u);
    EXPECT_EQ(h.mid(36, 4), "data");
    EXPECT_EQ(le32(h, 40), 32000u);
}

TEST(WavHeader, OtherAcceptedFormatsDeriveRateAndAlignment) {
    const QByteArray stereo = wav::header(AudioFormat{2, 44100, 16}, 0);
    EXPECT_EQ(le16(stereo, 22), 2u);
    EXPECT_EQ(le32(stereo, 24), 44100u);
    EXPECT_EQ(le32(stereo, 28), 176400u);
    EXPECT_EQ(le16(stereo, 32), 4u);
    EXPECT_EQ(le32(stereo, 4), 36u);
    EXPECT_EQ(le32(stereo, 40), 0u);

    const QByteArray bytes8 = wav::header(AudioFormat{1, 11025, 8}, 0xFFFFFFFFu - 36);
    EXPECT_EQ(le32(bytes8, 28), 11025u);
    EXPECT_EQ(le16(bytes8, 32), 1u);
    EXPECT_EQ(le16(bytes8, 34), 8u);
    EXPECT_EQ(le32(bytes8, 4), 0xFFFFFFFFu);
}

TEST(WavFile, ARecordingsFileIsNeverAnEarlierOneAndItsHeaderIsSettledToWhatItHolds) {
    QTemporaryDir dir;
    const QString path = dir.filePath("r.wav");
    const AudioFormat format{1, 8000, 16};
    writeFile(path, "earlier");
    wav::Writer writer;
    EXPECT_EQ(writer.create(path, format).cause, durable::Cause::Other);
    EXPECT_EQ(readFile(path), "earlier");

    // What a program killed between two header updates leaves: 1001 bytes of samples, a header
    // claiming 400, and half a sample frame at the end.
    writeFile(path, wav::header(format, 400) + QByteArray(1001, 'x'));
    ASSERT_TRUE(wav::settleSizes(path));
    const QByteArray settled = readFile(path);
    EXPECT_EQ(settled.left(44), wav::header(format, 1000));
    EXPECT_EQ(settled.size(), 44 + 1001) << "no sample is cut away";
    const wav::Facts facts = wav::readFacts(path);
    EXPECT_TRUE(facts.valid);
    EXPECT_EQ(facts.headerDataSize, 1000);
    EXPECT_EQ(facts.fileDataSize, 1000);

    writeFile(path, "RIFF and nothing more");
    EXPECT_FALSE(wav::settleSizes(path));
    EXPECT_EQ(readFile(path), "RIFF and nothing more");
}
