// The WAV header field by field, and writing through a temporary file that replaces the old one only
// when complete.
#include "AudioTestTools.h"

#include "recording/WavFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using audiotest::le16;
using audiotest::le32;

TEST(WavHeader, RecordingFormatFieldByField)
{
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

TEST(WavHeader, OtherAcceptedFormatsDeriveRateAndAlignment)
{
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

class WavWrite : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir dir;
    const AudioFormat format{1, 8000, 16};
};

TEST_F(WavWrite, HeaderThenBlocksInOrder)
{
    const std::vector<QByteArray> blocks{QByteArray(4096, 'a'), QByteArray(4096, 'b'), QByteArray(100, 'c')};
    QString error;
    ASSERT_TRUE(wav::write(path("r.wav"), format, blocks, &error)) << error.toStdString();
    const QByteArray file = readFile(path("r.wav"));
    ASSERT_EQ(file.size(), 44 + 8292);
    EXPECT_EQ(file.left(44), wav::header(format, 8292));
    EXPECT_EQ(file.mid(44), audiotest::concat(blocks));
    EXPECT_EQ(entries(), QStringList{"r.wav"});
}

TEST_F(WavWrite, EmptyRecordingIsAHeaderAlone)
{
    QString error;
    ASSERT_TRUE(wav::write(path("e.wav"), format, {}, &error));
    EXPECT_EQ(readFile(path("e.wav")), wav::header(format, 0));
}

TEST_F(WavWrite, ReplacesAnOlderFile)
{
    QFile old(path("r.wav"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    QString error;
    ASSERT_TRUE(wav::write(path("r.wav"), format, {QByteArray(10, 'y')}, &error));
    EXPECT_EQ(readFile(path("r.wav")).size(), 54);
}

TEST_F(WavWrite, FailuresAreReportedAndLeaveNothingBehind)
{
    QString error;
    EXPECT_FALSE(wav::write(path("missing/r.wav"), format, {QByteArray(10, 'y')}, &error));
    EXPECT_FALSE(error.isEmpty());

    // The rename onto a directory fails only after the samples went to the temporary file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.wav"));
    error.clear();
    EXPECT_FALSE(wav::write(path("taken.wav"), format, {QByteArray(10, 'y')}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(path("taken.wav")).isDir());
    EXPECT_EQ(entries(), QStringList{"taken.wav"});
}

TEST_F(WavWrite, RefusesMoreThanTheSizeFieldHolds)
{
    // One shared block repeated: 4 GiB of samples without the memory.
    const std::vector<QByteArray> blocks(1024 * 1024 + 1, QByteArray(4096, 'z'));
    QString error;
    EXPECT_FALSE(wav::write(path("huge.wav"), format, blocks, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path("huge.wav")));
}
