// The "wav" check of the path chosen for playback: any letter case, double-byte characters whole.
#include "platform/Gbk.h"
#include "recording/WavPathCheck.h"

#include <gtest/gtest.h>

TEST(WavPathCheck, WavInAnyLetterCaseAnywhereInThePath) {
    EXPECT_TRUE(containsWavMarker("D:/rec/a.wav"));
    EXPECT_TRUE(containsWavMarker("/home/wavs/notes.txt"));
    EXPECT_TRUE(containsWavMarker("wav"));
    EXPECT_TRUE(containsWavMarker("/rec/rec1.WAV")) << "the save dialog's default extension";
    EXPECT_TRUE(containsWavMarker("D:/a.Wav"));
    EXPECT_FALSE(containsWavMarker("/rec/a.wa"));
    EXPECT_FALSE(containsWavMarker("/rec/a.mp3"));
    EXPECT_FALSE(containsWavMarker(""));
}

TEST(WavPathCheck, ChineseNamesAreSearchedByCharacter) {
    EXPECT_TRUE(containsWavMarker(gbk::encode(QStringLiteral("/录音/询问笔录.wav"))));
    EXPECT_FALSE(containsWavMarker(gbk::encode(QStringLiteral("/录音/询问笔录.mp3"))));
    // 皐 is B0 77: its trail byte is "w", so "皐av" holds the bytes "wav" but not the text.
    const QByteArray trailW = gbk::encode(QStringLiteral("/皐av"));
    ASSERT_TRUE(trailW.contains("wav"));
    EXPECT_FALSE(containsWavMarker(trailW));
    EXPECT_FALSE(containsWavMarker(gbk::encode(QStringLiteral("/皐AV"))));
    EXPECT_TRUE(containsWavMarker(gbk::encode(QStringLiteral("/皐wav"))));
}
