// The fixed texts the program carries: exact sizes, CR LF line ends, titles and structure.
#include "TextChecks.h"
#include "help/FixedTexts.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace textchecks;

TEST(FixedTexts, NumeralsOfArticleNumbers)
{
    EXPECT_EQ(chineseNumber(1), QStringLiteral("一"));
    EXPECT_EQ(chineseNumber(10), QStringLiteral("十"));
    EXPECT_EQ(chineseNumber(17), QStringLiteral("十七"));
    EXPECT_EQ(chineseNumber(30), QStringLiteral("三十"));
    EXPECT_EQ(chineseNumber(46), QStringLiteral("四十六"));
}

TEST(FixedTexts, StatuteIsTheWholeLawInItsFixedForm)
{
    const QByteArray bytes = help::statuteBytes();
    EXPECT_EQ(bytes.size(), 11884);
    EXPECT_TRUE(bytes.startsWith(gbk::encode(QStringLiteral("\r\n第一章 总则\r\n"))));
    EXPECT_TRUE(onlyCrLfLineEnds(bytes));
    EXPECT_TRUE(isCleanGbk(bytes));
    EXPECT_EQ(help::statuteText(), gbk::decode(bytes));

    // Chapters 1 to 8 and articles 1 to 46, each once and in order; an article begins its line.
    const QStringList all = lines(bytes);
    QStringList chapters;
    QList<int> articleLines;
    const QRegularExpression article(QStringLiteral("^ *第([一二三四五六七八九十]+)条　"));
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].startsWith(QStringLiteral("第")) && all[i].contains(QStringLiteral("章 ")))
            chapters << all[i].section(' ', 0, 0);
        const auto match = article.match(all[i]);
        if (match.hasMatch()) {
            EXPECT_EQ(match.captured(1), chineseNumber(int(articleLines.size()) + 1)) << all[i].toStdString();
            articleLines << int(i);
        }
    }
    QStringList expectedChapters;
    for (int n = 1; n <= 8; ++n)
        expectedChapters << QStringLiteral("第%1章").arg(chineseNumber(n));
    EXPECT_EQ(chapters, expectedChapters);
    ASSERT_EQ(articleLines.size(), 46);
    EXPECT_TRUE(all.at(articleLines.first()).contains(QStringLiteral("为实行烟草专卖管理")));
    EXPECT_TRUE(all.at(articleLines.last()).contains(QStringLiteral("本法自1992年1月1日起施行")));

    // Article 14 is the law's: the provinces' annual plan, each factory's plan from the provincial
    // authority without higher quotas from local government, and approval for exceeding it.
    QString article14;
    for (qsizetype i = articleLines[13]; i < articleLines[14]; ++i)
        article14 += all[i].trimmed(); // the text is wrapped into indented lines
    for (const char* sentence : {"省、自治区、直辖市的卷烟、雪茄烟年度总产量计划由国务院计划部门下达。",
                                 "地方人民政府不得向烟草制品生产企业下达超产任务。",
                                 "需要超过年度总产量计划生产卷烟、雪茄烟，必须经国务院烟草专卖行政主管部门批准。"})
        EXPECT_TRUE(article14.contains(QString::fromUtf8(sentence))) << sentence;

    // The appendix with the 2009 amendments follows the last article.
    const QString text = gbk::decode(bytes);
    const qsizetype appendix = text.indexOf(QStringLiteral("附：2009年的修正"));
    ASSERT_GT(appendix, text.indexOf(QStringLiteral("第四十六条")));
    const QString amendments = text.mid(appendix);
    EXPECT_TRUE(amendments.contains(QStringLiteral("关于修改部分法律的决定")));
    EXPECT_TRUE(amendments.contains(QStringLiteral("治安管理处罚法")));
    // The text of the law is printed as amended.
    EXPECT_FALSE(text.left(appendix).contains(QStringLiteral("投机倒把")));
    EXPECT_FALSE(text.left(appendix).contains(QStringLiteral("治安管理处罚条例")));
}

TEST(FixedTexts, CodeOfConductHasItsTitleAndEightClauses)
{
    const QByteArray bytes = help::conductBytes();
    EXPECT_EQ(bytes.size(), 804);
    EXPECT_TRUE(onlyCrLfLineEnds(bytes));
    EXPECT_TRUE(isCleanGbk(bytes));
    EXPECT_EQ(help::conductText(), gbk::decode(bytes));

    const QStringList all = lines(bytes);
    ASSERT_FALSE(all.isEmpty());
    EXPECT_EQ(all.first(), QString(26, ' ') + QStringLiteral("烟草专卖准则"));

    QList<qsizetype> clauseLines;
    for (qsizetype i = 1; i < all.size(); ++i) {
        if (all[i].startsWith(QStringLiteral("（"))) {
            EXPECT_TRUE(all[i].startsWith(QStringLiteral("（%1）").arg(chineseNumber(int(clauseLines.size()) + 1))))
                << all[i].toStdString();
            EXPECT_GT(all[i].size(), 10) << "a clause has its wording";
            clauseLines << i;
        } else {
            EXPECT_TRUE(all[i].isEmpty()) << "only clauses and empty lines follow the title";
        }
    }
    ASSERT_EQ(clauseLines.size(), 8);
    for (qsizetype k = 1; k < clauseLines.size(); ++k)
        EXPECT_EQ(clauseLines[k] - clauseLines[k - 1], 2) << "one empty line between clauses";
    EXPECT_EQ(clauseLines.last(), all.size() - 1) << "the eighth clause ends the text";
}

TEST(FixedTexts, GuideHasItsTitleSixPointsAndTheNotes)
{
    const QByteArray bytes = help::guideBytes();
    EXPECT_EQ(bytes.size(), 1343);
    EXPECT_EQ(bytes.count("\r\n"), 27);
    EXPECT_TRUE(onlyCrLfLineEnds(bytes));
    EXPECT_TRUE(isCleanGbk(bytes));
    EXPECT_TRUE(bytes.startsWith(gbk::encode(QStringLiteral("\r\n") + QString(28, ' ') + QStringLiteral("监察笔录制作过程"))));

    const QStringList all = lines(bytes);
    QList<qsizetype> points;
    qsizetype notes = -1;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].contains(QRegularExpression(QStringLiteral("^[0-9]、"))))
            points << i;
        if (all[i].startsWith(QStringLiteral("注意事项：")))
            notes = i;
    }
    ASSERT_EQ(points.size(), 6);
    for (qsizetype k = 0; k < points.size(); ++k)
        EXPECT_TRUE(all[points[k]].startsWith(QStringLiteral("%1、").arg(k + 1)));
    EXPECT_GT(notes, points.last());
    const QString text = gbk::decode(bytes);
    for (const char* topic : {"一份笔录只记录一名被询问人", "一问一答", "七个要素", "签名", "更正", "以上笔录我已看过"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(topic))) << topic;
}

TEST(FixedTexts, ContactTextNamesTheProjectNotAPerson)
{
    const QString contact = help::contactText();
    EXPECT_TRUE(contact.contains(QStringLiteral("\r\n")));
    EXPECT_TRUE(contact.contains(QStringLiteral("Quillon")));
    EXPECT_TRUE(contact.contains(QStringLiteral("项目组")));
    EXPECT_FALSE(contact.contains(QChar::ReplacementCharacter));
}
