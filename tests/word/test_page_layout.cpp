// Page capacity on the lines grid (the transcript's 8 body lines on page 1, 20 on later pages),
// SimSun's advances, East Asian line breaking, glyphs painted at their places, the underline
// stopping at the right margin and the footer's place.
#include "DocWriter.h"
#include "NativeDocumentWriter.h"
#include "PageFont.h"
#include "PageLayout.h"
#include "PagePainting.h"
#include "SampleTranscript.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace word;

namespace {

// The transcript as the composition types it into the blank working copy.
Document typedTranscript(int pairs) {
    QTemporaryDir dir;
    const QString blank = dir.filePath("Doc.doc");
    QFile file(blank);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(blankDocumentBytes()) > 0);
    file.close();
    NativeDocumentWriter writer;
    writer.start();
    writer.connect();
    EXPECT_TRUE(writer.open(blank)) << qPrintable(writer.lastError());
    sample::typeTranscript(writer, pairs);
    return *writer.document();
}

int bodyLines(const Page& page) {
    int count = 0;
    for (const Line& line : page.lines) {
        const QString& text = line.fragments.value(0).text;
        count += text.startsWith(QStringLiteral("问：")) || text.startsWith(QStringLiteral("答："));
    }
    return count;
}

TEST(PageLayout, transcriptPagesHoldEightThenTwentyBodyLines) {
    const QList<Page> pages = layOutPages(typedTranscript(24));
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[0].lines.size(), 2 + 7 + 1 + 1 + 8 + 2);
    EXPECT_EQ(bodyLines(pages[0]), 8);
    EXPECT_EQ(pages[1].lines.size(), 22);
    EXPECT_EQ(bodyLines(pages[1]), 20);
    EXPECT_EQ(pages[2].lines.size(), 22);
    for (const Page& page : pages) {
        EXPECT_TRUE(page.lines.last().fragments.value(0).text.contains(sample::kFooterLine2));
        for (const Line& line : page.lines) {
            EXPECT_DOUBLE_EQ(std::fmod(line.top, 312.0), 0.0) << "lines sit on the grid";
            if (line.fragments.value(0).format.halfPoints == 28) {
                EXPECT_DOUBLE_EQ(line.height, 624.0) << "a 14 pt line takes two pitches";
            }
        }
    }
}

// Where the lines of a 14 pt paragraph begin, by text.
QStringList lineTexts(const QString& text) {
    const CharFormat body{false, 28, true};
    const Paragraph paragraph{{Run{text, body}}, Alignment::Left, body};
    const QList<LineExtent> lines = measureParagraph(paragraph, blankDocument().page);
    QStringList texts;
    for (qsizetype i = 0; i < lines.size(); ++i)
        texts << text.mid(lines[i].start, i + 1 < lines.size() ? lines[i + 1].start - lines[i].start : -1);
    return texts;
}

TEST(PageLayout, linesBreakByTheEastAsianRules) {
    // 33 ems of 14 pt fill the body width; the 34th character starts the next line.
    const QString full(33, QChar(0x5B57));
    EXPECT_EQ(lineTexts(full + QStringLiteral("后")), QStringList({full, QStringLiteral("后")}));
    // Closing punctuation never begins a line: the character before it goes along.
    for (const QString& closing : {QStringLiteral("，"), QStringLiteral("。"), QStringLiteral("”")})
        EXPECT_EQ(lineTexts(full + closing + QStringLiteral("后")),
                  QStringList({full.left(32), full.right(1) + closing + QStringLiteral("后")}));
    // Opening punctuation never ends one.
    EXPECT_EQ(lineTexts(full.left(32) + QStringLiteral("“引”")), QStringList({full.left(32), QStringLiteral("“引”")}));
    // Numbers and Latin words are not split.
    EXPECT_EQ(lineTexts(full.left(32) + QStringLiteral("41.6万元")),
              QStringList({full.left(32), QStringLiteral("41.6万元")}));
    EXPECT_EQ(lineTexts(full.left(31) + QStringLiteral("Kelmar市")),
              QStringList({full.left(31), QStringLiteral("Kelmar市")}));
    // Nor is an identity number, nine ems wide, that would reach past the margin.
    for (const QString& number : {QStringLiteral("220101198001011234"), QStringLiteral("22010119800101123X")})
        EXPECT_EQ(lineTexts(full.left(26) + number + QStringLiteral("，")),
                  QStringList({full.left(26), number + QStringLiteral("，")}));
    // Spaces at a line's end hang in the margin.
    EXPECT_EQ(lineTexts(QStringLiteral("问：短") + QString(300, u' ')).size(), 1);
    // A word longer than a line is split at the margin rather than leaving its label alone.
    const QString address = QStringLiteral("https://example.org/") + QString(60, u'a');
    EXPECT_EQ(lineTexts(QStringLiteral("答：") + address),
              QStringList({QStringLiteral("答：") + address.left(63), address.mid(63)}));
}

TEST(PageLayout, charactersAreAsWideAsInSimSun) {
    // Full-width characters one em, half-width characters and spaces half an em.
    Document document = blankDocument();
    Caret caret;
    const CharFormat plain{false, 28, false};
    const CharFormat underlined{false, 28, true};
    typeText(document, caret, QStringLiteral("工作单位："), plain);
    typeText(document, caret, QStringLiteral("宏达建筑公司"), underlined);
    typeText(document, caret, QStringLiteral("   职务："), plain);
    typeText(document, caret, QStringLiteral("Kelmar 2012①αБ"), underlined);
    const Line line = layOutPages(document).first().lines.first();
    ASSERT_EQ(line.fragments.size(), 4);
    EXPECT_DOUBLE_EQ(line.fragments[2].x, 11 * 280.0);
    EXPECT_DOUBLE_EQ(line.fragments[2].width, 1.5 * 280 + 3 * 280) << "\"职务：\" after three half-em spaces";
    EXPECT_DOUBLE_EQ(line.fragments[3].width, 11 * 140.0 + 3 * 280) << "GBK's double-byte symbols are full width";
    // The page footer's blanks, written in by hand, are 31.5 and 26.25 pt wide at 10.5 pt.
    const Paragraph footer{
        {word::Run{QStringLiteral("共"), CharFormat{}}, word::Run{QString(6, u' '), {false, 21, true}},
         word::Run{QStringLiteral("页第"), CharFormat{}}, word::Run{QString(5, u' '), {false, 21, true}}},
        Alignment::Left,
        CharFormat{}};
    Document footerDocument = blankDocument();
    footerDocument.paragraphs = {footer};
    const Line footerLine = layOutPages(footerDocument).first().lines.first();
    ASSERT_EQ(footerLine.fragments.size(), 4);
    EXPECT_DOUBLE_EQ(footerLine.fragments[1].width, 31.5 * 20);
    EXPECT_DOUBLE_EQ(footerLine.fragments[3].width, 26.25 * 20);
}

TEST(PageLayout, glyphsAreDrawnWhereTheLayoutPutThem) {
    Document document = blankDocument();
    document.footer.clear();
    Caret caret;
    const CharFormat body{false, 28, false};
    typeText(document, caret, QStringLiteral("一") + QString(20, u' ') + QStringLiteral("二 Kelmar ——"), body);
    const QList<Page> pages = layOutPages(document);
    QImage image(1191, 1684, QImage::Format_Grayscale8); // a tenth of a twip scale
    image.fill(255);
    QPainter painter(&image);
    painter.scale(0.1, 0.1);
    paintPage(painter, document, pages.first(), PageFace(document));
    painter.end();
    const int top = 1474 / 10;
    const int bottom = top + 624 / 10;
    auto inkIn = [&](qreal fromTwips, qreal toTwips) {
        int dark = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = int(std::ceil((1361 + fromTwips) / 10)); x < int((1361 + toTwips) / 10); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    // 二 sits in its em after 20 half-em spaces, the Latin word fills its six half ems.
    const qreal second = 280 + 20 * 140;
    EXPECT_EQ(inkIn(300, second - 10), 0) << "nothing where the spaces are";
    EXPECT_GT(inkIn(second, second + 280), 0);
    const qreal word = second + 280 + 140;
    EXPECT_EQ(inkIn(second + 290, word - 10), 0);
    EXPECT_GT(inkIn(word, word + 140), 0) << "the word starts at its place";
    EXPECT_GT(inkIn(word + 5 * 140, word + 6 * 140), 0) << "and reaches its end";
    const qreal dashes = word + 7 * 140;
    EXPECT_EQ(inkIn(word + 6 * 140 + 10, dashes - 10), 0);
    EXPECT_EQ(inkIn(dashes + 2 * 280 + 10, 9000), 0);
    // A Chinese dash is one line over both its ems.
    int longest = 0;
    for (int y = top; y < bottom; ++y) {
        int run = 0;
        for (int x = int((1361 + dashes) / 10); x < int((1361 + dashes + 2 * 280) / 10); ++x) {
            run = qGray(image.pixel(x, y)) < 128 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_GE(longest, 2 * 28 - 2);
}

TEST(PageLayout, tabsReachTheNextDefaultTabStop) {
    Document document = blankDocument();
    Caret caret;
    const CharFormat format{false, 28, false};
    typeText(document, caret, QStringLiteral("a\tb\t\tc"), format);
    const QList<Page> pages = layOutPages(document);
    const Line& line = pages.first().lines.first();
    // a, tab to 420, b, tab to 840, tab to 1260, c.
    ASSERT_EQ(line.fragments.size(), 4);
    EXPECT_NEAR(line.fragments[1].x, 420, 0.5);
    EXPECT_NEAR(line.fragments[3].x, 1260, 0.5);
    EXPECT_EQ(line.fragments[3].text, "c");
    EXPECT_DOUBLE_EQ(line.fragments[3].width, 140);
}

TEST(PageLayout, underlineStopsAtTheMarginAndTheFooterSitsAtItsDistance) {
    const Document document = typedTranscript(24);
    const QList<Page> pages = layOutPages(document);
    QImage image(1191, 1684, QImage::Format_Grayscale8); // a tenth of a twip scale
    image.fill(255);
    QPainter painter(&image);
    painter.scale(0.1, 0.1);
    paintPage(painter, document, pages[0], PageFace(document));
    painter.end();
    auto darkIn = [&](int x0, int y0, int x1, int y1) {
        int dark = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    const int rightMargin = (11906 - 1134) / 10;
    EXPECT_EQ(darkIn(rightMargin + 2, 0, image.width(), image.height()), 0) << "nothing beyond the right margin";
    EXPECT_GT(darkIn(rightMargin - 30, 147, rightMargin, 1571), 0) << "underlines reach the margin";
    const int footerBottom = (16838 - 992) / 10;
    EXPECT_GT(darkIn(136, footerBottom - 30, rightMargin, footerBottom), 0) << "footer text above the distance";
    EXPECT_EQ(darkIn(0, footerBottom + 2, image.width(), image.height()), 0) << "nothing below the footer";
    EXPECT_EQ(darkIn(0, 0, image.width(), 1474 / 10 - 1), 0) << "nothing above the top margin";
}

// The print preview records a page and shows it scaled, at its default zoom smaller than the
// half-point underlines: every underline reaching the margin still shows, directly and replayed.
TEST(PageLayout, underlinesShowOnAPageShownAtHalfSize) {
    const Document document = typedTranscript(24);
    const Page page = layOutPages(document).first();
    const PageFace face(document);
    QPicture recorded;
    QPainter recorder(&recorded);
    paintPage(recorder, document, page, face);
    recorder.end();
    const qreal scale = 0.5 * 96 / 1440; // half size on a 96 dpi screen
    for (const bool replayed : {false, true}) {
        QImage image(int(11906 * scale) + 1, int(16838 * scale) + 1, QImage::Format_Grayscale8);
        image.fill(255);
        QPainter painter(&image);
        painter.scale(scale, scale);
        if (replayed)
            painter.drawPicture(0, 0, recorded);
        else
            paintPage(painter, document, page, face);
        painter.end();
        // Rows inked just left of the right margin, each run of them one underline.
        const int x = int((11906 - 1134 - 60) * scale);
        int underlines = 0;
        bool inked = false;
        for (int y = 0; y < image.height(); ++y) {
            const bool dark = qGray(image.pixel(x, y)) < 160;
            underlines += dark && !inked;
            inked = dark;
        }
        EXPECT_EQ(underlines, 6 + 8) << "particulars rows 2 to 7 and eight body lines"
                                     << (replayed ? ", replayed" : "");
    }
}

// The page face holds the document's characters and no others, each glyph named by one character:
// a radical whose glyph is its ideograph's is left to the fallback face.
TEST(PageLayout, thePageFaceIsCutToTheDocumentsCharacters) {
    Document document = blankDocument();
    Caret caret;
    typeText(document, caret, QStringLiteral("询问笔录 人⼈\r\n第二页的龘"), CharFormat{false, 28, false});
    const PageFace face(document);
    const QRawFont page = face.at(280);
    ASSERT_TRUE(page.isValid());
    EXPECT_NE(face.family(), installedPageFamily());
    for (const QChar c : QStringLiteral("询问笔录人龘共页第"))
        EXPECT_NE(page.glyphIndexesForString(c).value(0), 0u) << QString(c).toStdString();
    for (const QChar c : QStringLiteral("⼈鑫淼"))
        EXPECT_EQ(page.glyphIndexesForString(c).value(0), 0u) << QString(c).toStdString();
    const QByteArray maxp = page.fontTable("maxp");
    ASSERT_GE(maxp.size(), 6);
    EXPECT_LT(quint8(maxp[4]) << 8 | quint8(maxp[5]), 50) << "glyphs of the document only";
}

TEST(PageLayout, paintsInACjkSerifFaceWithHalfWidthLatin) {
    const QString family = installedPageFamily();
    EXPECT_TRUE(family == "SimSun" || family == QStringLiteral("宋体") || family.startsWith("Noto Serif CJK"))
        << qPrintable(family);
    // "5%" and "RMB" keep their shapes in their half ems.
    const QRawFont halfWidth = halfWidthFont(1000);
    const QList<quint32> glyphs = halfWidth.glyphIndexesForString(QStringLiteral("RMB5%"));
    ASSERT_FALSE(glyphs.contains(0u));
    for (const QPointF& step : halfWidth.advancesForGlyphIndexes(glyphs))
        EXPECT_NEAR(step.x(), 500, 1);
}

} // namespace
