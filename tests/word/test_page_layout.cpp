// Page capacity on the lines grid (the transcript's 8 body lines on page 1, 20 on later pages),
// hanging trailing spaces, the underline stopping at the right margin and the footer's place.
#include "DocWriter.h"
#include "NativeDocumentWriter.h"
#include "PageLayout.h"
#include "SampleTranscript.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
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
    // One pair: the filler always tops the count up to 20 lines, which overflows the first page.
    EXPECT_EQ(layOutPages(typedTranscript(1)).size(), 2);
    EXPECT_EQ(layOutPages(typedTranscript(14)).size(), 2);
}

TEST(PageLayout, trailingSpacesHangAndLongTextWraps) {
    Document document = blankDocument();
    Caret caret;
    const CharFormat body{false, 28, true};
    typeText(document, caret, QStringLiteral("问：短") + QString(300, u' ') + "\r\n", body);
    typeText(document, caret, QString(100, QChar(0x5B57)) + "\r\n", body);
    typeText(document, caret, QStringLiteral("word ").repeated(60), body);
    const QList<Page> pages = layOutPages(document);
    ASSERT_EQ(pages.size(), 1);
    const QList<Line>& lines = pages[0].lines;
    const qreal width = 11906 - 1361 - 1134;
    // 1 line of text and spaces, 100 wide characters at 14 pt on lines of 33, then the words.
    ASSERT_GE(lines.size(), 1 + 4 + 2);
    EXPECT_TRUE(lines[0].fragments.last().text.endsWith(QString(300, u' ')));
    EXPECT_TRUE(lines[1].fragments.first().text.startsWith(QChar(0x5B57)));
    for (int i = 1; i <= 4; ++i) {
        qreal used = 0;
        for (const Fragment& fragment : lines[i].fragments)
            used += fragment.width;
        EXPECT_LE(used, width + 1);
    }
    for (qsizetype i = 5; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].fragments.first().text.startsWith(QStringLiteral("word"))) << "words are not split";
}

TEST(PageLayout, spacesAreHalfAChineseCharacterWideAsInSimSun) {
    // Rows and filler lines are measured in spaces: 69 of them fill a line at 14 pt.
    Document document = blankDocument();
    Caret caret;
    const CharFormat body{false, 28, true};
    typeText(document, caret, QStringLiteral("一") + QString(20, u' ') + QStringLiteral("二"), body);
    const Line& line = layOutPages(document).first().lines.first();
    qreal used = 0;
    for (const Fragment& fragment : line.fragments)
        used += fragment.width;
    const qreal wide = QFontMetricsF(fontFor(body)).horizontalAdvance(QStringLiteral("一"));
    EXPECT_NEAR(used, 2 * wide + 20 * 140, 1.0);
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
    EXPECT_NEAR(line.fragments[3].width, QFontMetricsF(fontFor(format)).horizontalAdvance(u'c'), 0.01);
}

TEST(PageLayout, underlineStopsAtTheMarginAndTheFooterSitsAtItsDistance) {
    const Document document = typedTranscript(24);
    const QList<Page> pages = layOutPages(document);
    QImage image(1191, 1684, QImage::Format_Grayscale8); // a tenth of a twip scale
    image.fill(255);
    QPainter painter(&image);
    painter.scale(0.1, 0.1);
    paintPage(painter, document, pages[0]);
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

TEST(PageLayout, usesACjkSerifFont) {
    const QString family = fontFor(CharFormat{}).family();
    EXPECT_TRUE(family == "SimSun" || family == QStringLiteral("宋体") || family.startsWith("Noto Serif CJK"))
        << qPrintable(family);
}

} // namespace
