// The template's keys by what they hold, as the form and the printed transcript name them.
#pragma once

#include "transcript/TranscriptRecord.h"

namespace field {

using record::Key;

// 笔录起至时间: the day, the hour and minute it began, the hour and minute it ended.
inline constexpr Key Year{"num1"};
inline constexpr Key Month{"num2"};
inline constexpr Key Day{"num3"};
inline constexpr Key StartHour{"num4"};
inline constexpr Key StartMinute{"num5"};
inline constexpr Key EndHour{"num6"};
inline constexpr Key EndMinute{"num7"};
// 笔录地点, in two parts: the place set.ini names, and one of its preset places beside it.
inline constexpr Key Place{"num8"};
inline constexpr Key PlaceDetail{"num9"};
// The interviewee: 姓名, 性别, 户籍所在地 (in two parts, as the place), 身份证件种类 and 号码, 年龄,
// 工作单位, 职务, 文化程度, 电话, 住址.
inline constexpr Key IntervieweeName{"num10"};
inline constexpr Key Sex{"num11"};
inline constexpr Key Domicile{"num12"};
inline constexpr Key DomicileDetail{"num13"};
inline constexpr Key IdentityDocument{"num14"};
inline constexpr Key IdentityNumber{"num15"};
inline constexpr Key Age{"num75"};
inline constexpr Key WorkUnit{"num16"};
inline constexpr Key Position{"num17"};
inline constexpr Key Education{"num87"};
inline constexpr Key Telephone{"num18"};
inline constexpr Key Address{"num19"};
// 询问人姓名, 其他参加人, 记录人.
inline constexpr Key InspectorName{"num20"};
inline constexpr Key OtherParticipants{"num21"};
inline constexpr Key Recorder{"num22"};
// The 24 pairs of content lines over the four pages, question then answer.
inline constexpr Key Question1{"num23"};
inline constexpr Key Answer1{"num24"};
inline constexpr Key Question2{"num25"};
inline constexpr Key Answer2{"num26"};
inline constexpr Key Question3{"num27"};
inline constexpr Key Answer3{"num28"};
inline constexpr Key Question4{"num29"};
inline constexpr Key Answer4{"num30"};
inline constexpr Key Question5{"num31"};
inline constexpr Key Answer5{"num32"};
inline constexpr Key Question6{"num33"};
inline constexpr Key Answer6{"num34"};
inline constexpr Key Question7{"num35"};
inline constexpr Key Answer7{"num36"};
inline constexpr Key Question8{"num37"};
inline constexpr Key Answer8{"num38"};
inline constexpr Key Question9{"num39"};
inline constexpr Key Answer9{"num40"};
inline constexpr Key Question10{"num41"};
inline constexpr Key Answer10{"num42"};
inline constexpr Key Question11{"num43"};
inline constexpr Key Answer11{"num44"};
inline constexpr Key Question12{"num45"};
inline constexpr Key Answer12{"num46"};
inline constexpr Key Question13{"num47"};
inline constexpr Key Answer13{"num48"};
inline constexpr Key Question14{"num49"};
inline constexpr Key Answer14{"num50"};
inline constexpr Key Question15{"num51"};
inline constexpr Key Answer15{"num52"};
inline constexpr Key Question16{"num53"};
inline constexpr Key Answer16{"num54"};
inline constexpr Key Question17{"num55"};
inline constexpr Key Answer17{"num56"};
inline constexpr Key Question18{"num57"};
inline constexpr Key Answer18{"num58"};
inline constexpr Key Question19{"num59"};
inline constexpr Key Answer19{"num60"};
inline constexpr Key Question20{"num61"};
inline constexpr Key Answer20{"num62"};
inline constexpr Key Question21{"num63"};
inline constexpr Key Answer21{"num64"};
inline constexpr Key Question22{"num65"};
inline constexpr Key Answer22{"num66"};
inline constexpr Key Question23{"num67"};
inline constexpr Key Answer23{"num68"};
inline constexpr Key Question24{"num69"};
inline constexpr Key Answer24{"num70"};
// 备注, the note panel.
inline constexpr Key Note{"beizu"};

} // namespace field
