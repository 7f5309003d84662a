// The elapsed recording time: seconds carry into minutes and minutes into hours, without bound.
#include "recording/RecordingTime.h"

#include <gtest/gtest.h>

namespace {

RecordingTime afterTicks(int ticks)
{
    RecordingTime time;
    for (int i = 0; i < ticks; ++i)
        time.advance();
    return time;
}

} // namespace

TEST(RecordingTime, CarriesIntoMinutesAndHours)
{
    EXPECT_EQ(RecordingTime{}.text(), "0:0:0");
    EXPECT_EQ(afterTicks(59).text(), "0:0:59");
    EXPECT_EQ(afterTicks(60).text(), "0:1:0");
    EXPECT_EQ(afterTicks(61).text(), "0:1:1");
    EXPECT_EQ(afterTicks(3599).text(), "0:59:59");
    EXPECT_EQ(afterTicks(3600).text(), "1:0:0");
    EXPECT_EQ(afterTicks(100 * 3600 + 62).text(), "100:1:2");
}

TEST(RecordingTime, ResetStartsFromZero)
{
    RecordingTime time = afterTicks(3661);
    EXPECT_EQ(time.text(), "1:1:1");
    time.reset();
    EXPECT_EQ(time.text(), "0:0:0");
    time.advance();
    EXPECT_EQ(time.text(), "0:0:1");
}
