// The fixed texts the program carries: exact sizes, CR LF line ends, titles and structure.
#include "TextChecks.h"
#include "help/FixedTexts.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace textchecks;

TEST(FixedTexts, NumeralsOfArticleNumbers) {
    EXPECT_EQ(chineseNumber(1), QStringLiteral("一"));
    EXPECT_EQ(chineseNumber(10), QStringLiteral("十"));
    EXPECT_EQ(chineseNumber(17), QStringLiteral("十七"));
    EXPECT_EQ(chineseNumber(30), QStringLiteral("三十"));
    EXPECT_EQ(chineseNumber(46), QStringLiteral("四十六"));
}

// Each article of the law by its opening words, 1 to 46.
const char* const kArticleOpenings[] = {
    "为实行烟草专卖管理",
    "本法所称烟草专卖品是指",
    "国家对烟草专卖品的生产、销售、进出口依法实行专卖管理",
    "国务院烟草专卖行政主管部门主管全国烟草专卖工作",
    "国家加强对烟草专卖品的科学研究和技术开发",
    "国家在民族自治地方实行烟草专卖管理",
    "本法所称烟叶是指",
    "烟草种植应当因地制宜",
    "烟叶收购计划由县级以上地方人民政府计划部门",
    "烟叶由烟草公司或者其委托单位",
    "省、自治区、直辖市之间的烟叶、复烤烟叶的调拨计划",
    "开办烟草制品生产企业",
    "烟草制品生产企业为扩大生产能力",
    "省、自治区、直辖市的卷烟、雪茄烟年度总产量计划",
    "经营烟草制品批发业务",
    "经营烟草制品零售业务",
    "国务院烟草专卖行政主管部门会同国务院物价主管部门",
    "国家制定卷烟、雪茄烟的焦油含量级标准",
    "禁止在广播电台、电视台、报刊播放、刊登烟草制品广告",
    "卷烟、雪茄烟和有包装的烟丝必须申请商标注册",
    "烟草制品商标标识必须由省级工商行政管理部门指定的企业印制",
    "托运或者自运烟草专卖品",
    "邮寄、异地携带烟叶、烟草制品",
    "个人进入中国境内携带烟草制品",
    "生产卷烟纸、滤嘴棒、烟用丝束、烟草专用机械的企业，必须报",
    "生产卷烟纸、滤嘴棒、烟用丝束、烟草专用机械的企业，应当按照",
    "生产卷烟纸、滤嘴棒、烟用丝束、烟草专用机械的企业，只可",
    "国务院烟草专卖行政主管部门根据国务院规定",
    "在中国境内开办外商投资的烟草制品生产企业",
    "违反本法规定擅自收购烟叶",
    "无准运证或者超过准运证规定的数量",
    "无烟草专卖生产企业许可证生产烟草制品",
    "无烟草专卖批发企业许可证",
    "无烟草专卖零售许可证",
    "生产、销售没有注册商标的卷烟",
    "违反本法第十九条的规定",
    "违反本法第二十一条的规定",
    "倒卖烟草专卖品",
    "伪造、变造、买卖本法规定的",
    "走私烟草专卖品",
    "烟草专卖行政主管部门有权对本法实施情况进行检查",
    "人民法院和处理违法案件的有关部门的工作人员私分没收的烟草制品",
    "烟草专卖行政主管部门和烟草公司的工作人员滥用职权",
    "当事人对烟草专卖行政主管部门和工商行政管理部门作出的行政处罚决定不服",
    "国务院根据本法制定实施条例",
    "本法自1992年1月1日起施行",
};

TEST(FixedTexts, StatuteHasEachArticleOfTheLawInItsChapter) {
    const QByteArray bytes = help::statuteBytes();
    EXPECT_EQ(bytes.size(), 12000);
    EXPECT_TRUE(bytes.startsWith(gbk::encode(QStringLiteral("\r\n第一章 总则\r\n"))));
    EXPECT_TRUE(onlyCrLfLineEnds(bytes));
    EXPECT_TRUE(isCleanGbk(bytes));
    const QString text = gbk::decode(bytes);
    EXPECT_EQ(help::statuteText(), text);

    // The law ends where the appendix with the 2009 amendments begins.
    const qsizetype appendix = text.indexOf(QStringLiteral("附：2009年的修正"));
    ASSERT_GT(appendix, 0);
    const QStringList all = text.left(appendix).split(QStringLiteral("\r\n"));

    // Articles in order, each joined from its wrapped and indented lines; the chapter each opens.
    const QRegularExpression heading(QStringLiteral("^第([一二三四五六七八]+)章 "));
    const QRegularExpression start(QStringLiteral("^ *第([一二三四五六七八九十]+)条　"));
    QStringList chapters, articles;
    QList<int> firstArticleOfChapter;
    for (const QString& line : all) {
        if (const auto match = heading.match(line); match.hasMatch()) {
            chapters << match.captured(1);
            firstArticleOfChapter << int(articles.size()) + 1;
        } else if (const auto match = start.match(line); match.hasMatch()) {
            EXPECT_EQ(match.captured(1), chineseNumber(int(articles.size()) + 1)) << line.toStdString();
            articles << line.mid(match.capturedLength());
        } else if (!articles.isEmpty()) {
            articles.last() += line.trimmed();
        }
    }
    EXPECT_EQ(chapters, QStringList({"一", "二", "三", "四", "五", "六", "七", "八"}));
    // Chapter 3 holds articles 12 to 14, chapter 4 articles 15 to 24.
    EXPECT_EQ(firstArticleOfChapter, QList<int>({1, 7, 12, 15, 25, 28, 30, 45}));
    ASSERT_EQ(articles.size(), qsizetype(std::size(kArticleOpenings)));
    for (qsizetype i = 0; i < articles.size(); ++i)
        EXPECT_TRUE(articles[i].startsWith(QString::fromUtf8(kArticleOpenings[i])))
            << "article " << i + 1 << ": " << articles[i].left(40).toStdString();

    // Article 14 is the law's, with the national corporation's quotas as its second paragraph;
    // article 17 sets the representative cigarettes.
    for (const char* sentence : {"地方人民政府不得向烟草制品生产企业下达超产任务。",
                                 "需要超过年度总产量计划生产卷烟、雪茄烟，必须经国务院烟草专卖行政主管部门批准。",
                                 "全国烟草总公司根据国务院计划部门下达的年度总产量计划"})
        EXPECT_TRUE(articles[13].contains(QString::fromUtf8(sentence))) << sentence;
    EXPECT_TRUE(articles[16].contains(QStringLiteral("代表品")));
    // The penalties of articles 36 and 37 point at the advertising ban and at the trademark labels.
    const auto cited = [&](qsizetype article) -> QString {
        static const QRegularExpression citation(QStringLiteral("^违反本法第(.+)条"));
        const QString number = citation.match(articles[article - 1]).captured(1);
        for (qsizetype n = 1; n <= articles.size(); ++n)
            if (chineseNumber(int(n)) == number)
                return articles[n - 1];
        return {};
    };
    EXPECT_TRUE(cited(36).startsWith(QStringLiteral("禁止在广播电台、电视台、报刊播放、刊登烟草制品广告")));
    EXPECT_TRUE(cited(37).startsWith(QStringLiteral("烟草制品商标标识必须由")));

    // The text of the law is printed as amended; the appendix names the decision.
    EXPECT_FALSE(text.left(appendix).contains(QStringLiteral("投机倒把")));
    EXPECT_FALSE(text.left(appendix).contains(QStringLiteral("治安管理处罚条例")));
    EXPECT_TRUE(text.mid(appendix).contains(QStringLiteral("关于修改部分法律的决定")));
    EXPECT_TRUE(text.mid(appendix).contains(QStringLiteral("治安管理处罚法")));
}

TEST(FixedTexts, CodeOfConductHasItsTitleAndEightClauses) {
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

TEST(FixedTexts, GuideHasItsTitleSixPointsAndTheNotes) {
    const QByteArray bytes = help::guideBytes();
    EXPECT_EQ(bytes.size(), 1343);
    EXPECT_EQ(bytes.count("\r\n"), 27);
    EXPECT_TRUE(onlyCrLfLineEnds(bytes));
    EXPECT_TRUE(isCleanGbk(bytes));
    EXPECT_TRUE(
        bytes.startsWith(gbk::encode(QStringLiteral("\r\n") + QString(28, ' ') + QStringLiteral("监察笔录制作过程"))));

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

TEST(FixedTexts, ContactTextNamesTheProjectNotAPerson) {
    const QString contact = help::contactText();
    EXPECT_TRUE(contact.contains(QStringLiteral("\r\n")));
    EXPECT_TRUE(contact.contains(QStringLiteral("Quillon")));
    EXPECT_TRUE(contact.contains(QStringLiteral("项目组")));
    EXPECT_FALSE(contact.contains(QChar::ReplacementCharacter));
}
