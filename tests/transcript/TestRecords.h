// Transcript records shared by the transcript tests: a complete form and content lines by pair.
#pragma once

#include "transcript/TranscriptRecord.h"

#include <QString>

#include <ostream>

namespace testrecords {

// set.ini for a test that drives the whole window: no pop-ups, no check reminder, and the two
// signature lines on every page.
inline const QString kQuietSettings =
    QStringLiteral("[pop]\ntanchu=0\n[hecha]\ntixing=0\n[fenye]\nhang1=被询问人签名：\nhang2=询问人签名：\n");

// A form with every particular filled and no content lines.
inline record::TranscriptRecord particulars() {
    record::TranscriptRecord r;
    r["num1"] = "2012";
    r["num2"] = "11";
    r["num3"] = "30";
    r["num4"] = "9";
    r["num5"] = "5";
    r["num6"] = "10";
    r["num7"] = "30";
    r["num8"] = "Kelmar市";
    r["num9"] = "人民大街";
    r["num10"] = "张三";
    r["num11"] = "男";
    r["num12"] = "吉林省Kelmar市";
    r["num13"] = "朝阳区";
    r["num14"] = "身份证";
    r["num15"] = "220101198001011234";
    r["num75"] = "32";
    r["num16"] = "宏达建筑公司";
    r["num17"] = "经理";
    r["num87"] = "大学";
    r["num18"] = "13800000000";
    r["num19"] = "人民大街1号";
    r["num20"] = "李四";
    r["num21"] = "无";
    r["num22"] = "王五";
    return r;
}

inline QString questionText(int pair) {
    return QStringLiteral("问：第%1个问题？").arg(pair);
}
inline QString answerText(int pair) {
    return QStringLiteral("答：第%1个回答。").arg(pair);
}

// Fills pairs first … last with numbered questions and answers.
inline void fillPairs(record::TranscriptRecord& r, int first, int last) {
    for (int pair = first; pair <= last; ++pair) {
        r[record::question(pair).key] = questionText(pair);
        r[record::answer(pair).key] = answerText(pair);
    }
}

} // namespace testrecords

// Readable texts in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
