// The lines of the printed transcript marked as changed since the read-back, on the real composition
// and page layout: a longer answer marks its own lines and none of those it pushes on to later pages,
// a pair taken out marks the line now in its place.
#include "TestRecords.h"

#include "transcript/ComposeTranscript.h"
#include "transcript/ReadAlong.h"
#include "transcript/ReadAlongChanges.h"

#include <gtest/gtest.h>

namespace {

const QStringList kSignatures{QStringLiteral("被询问人签名："), QStringLiteral("询问人签名：")};

transcript::PrintedLines printed(const record::TranscriptRecord& r) {
    return transcript::printedLines(transcript::composedText(
        r, [](const QString& key) { return key == "hang1" ? kSignatures[0] : kSignatures[1]; }));
}

record::TranscriptRecord inquiry() {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    return r;
}

struct Place {
    int page = 0; // from 0
    int line = 0; // from 1
};

Place lineWith(const transcript::PrintedLines& pages, const QString& words) {
    for (int page = 0; page < pages.size(); ++page)
        for (int line = 0; line < pages[page].size(); ++line)
            if (pages[page][line].contains(words))
                return {page, line + 1};
    return {-1, 0};
}

TEST(ChangedLines, ALongerAnswerMarksItsOwnLinesAndNotThosePushedOnToLaterPages) {
    const record::TranscriptRecord readBack = inquiry();
    record::TranscriptRecord now = readBack;
    now[record::answer(1).key] += QStringLiteral("当时店里还有两名店员在场，货是下午三点左右由一辆白色面包车送来的，"
                                                 "送货的人我不认识，他们走的时候没有留下任何单据。");
    const transcript::PrintedLines before = printed(readBack);
    const transcript::PrintedLines after = printed(now);
    // The pairs at the foot of each page have moved on.
    ASSERT_NE(lineWith(before, testrecords::questionText(24)).line,
              lineWith(after, testrecords::questionText(24)).line);

    const QList<QList<int>> changed = transcript::changedLines(before, after, kSignatures);
    const Place first = lineWith(after, testrecords::answerText(1).chopped(1));
    const Place next = lineWith(after, testrecords::questionText(2));
    ASSERT_EQ(first.page, next.page);
    QList<int> answerLines;
    for (int line = first.line; line < next.line; ++line)
        answerLines << line;
    ASSERT_GT(answerLines.size(), 1);
    EXPECT_EQ(changed[first.page], answerLines);
    for (int page = 0; page < changed.size(); ++page) {
        if (page != first.page) {
            EXPECT_TRUE(changed[page].isEmpty()) << "page " << page + 1;
        }
    }

    EXPECT_EQ(transcript::changedLines(before, before, kSignatures), QList<QList<int>>(before.size()));
}

TEST(ChangedLines, APairTakenOutMarksTheLineNowInItsPlace) {
    const record::TranscriptRecord readBack = inquiry();
    record::TranscriptRecord now = readBack;
    now[record::question(2).key].clear();
    now[record::answer(2).key].clear();
    const transcript::PrintedLines after = printed(now);
    const QList<QList<int>> changed = transcript::changedLines(printed(readBack), after, kSignatures);

    const Place place = lineWith(after, testrecords::questionText(3));
    ASSERT_EQ(lineWith(after, testrecords::answerText(1)).line + 1, place.line);
    QList<QList<int>> expected(after.size());
    expected[place.page] = {place.line};
    EXPECT_EQ(changed, expected);
}

} // namespace
