// The byte-level rules a .doc file must follow (the ones strict readers enforce and lenient ones
// forgive), checked on the writer's streams, and the reader giving back what the writer wrote,
// also from several pieces, 8-bit text and property modifiers as fast-saved files hold them.
#include "Bytes.h"
#include "DocReader.h"
#include "DocStreams.h"
#include "DocWriter.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace word;

namespace {

std::pair<std::uint32_t, std::uint32_t> fibPair(const ByteReader& fib, int index) {
    return {fib.u32(0x9A + 8 * index), fib.u32(0x9A + 8 * index + 4)};
}

Document variedDocument(int paragraphs) {
    Document document = blankDocument();
    Caret caret;
    for (int i = 0; i < paragraphs; ++i) {
        typeText(document, caret, QStringLiteral("段落%1 ").arg(i), CharFormat{i % 2 == 0, 21 + i % 9, false});
        typeText(document, caret, QStringLiteral("underlined %1").arg(i), CharFormat{false, 28, true});
        Paragraph& paragraph = document.paragraphs[caret.paragraph];
        paragraph.alignment = i % 4 == 0 ? Alignment::Centre : Alignment::Left;
        paragraph.lineSpacing = i % 3 == 1 ? 312 * (1 + i % 4) : 0;
        paragraph.rightTab = i % 5 == 2 ? 9411 - i : 0;
        paragraph.pageBreakBefore = i % 7 == 3;
        typeText(document, caret, QStringLiteral("\r\n"), CharFormat{i % 3 == 0, 28, i % 5 == 0});
    }
    return document;
}

// Walks one bin table and its formatting pages, checking coverage and page shape.
void checkFormattingPages(const DocStreams& streams, int pairIndex, bool paragraphs) {
    const ByteReader main(streams.wordDocument);
    const ByteReader table(streams.table);
    const auto [fc, lcb] = fibPair(main, pairIndex);
    ASSERT_GT(fc, 0u) << "bin tables never start the table stream";
    ASSERT_GT(lcb, 0u);
    ASSERT_EQ((lcb - 4) % 8, 0u);
    const std::uint32_t pages = (lcb - 4) / 8;
    const std::uint32_t fcMac = main.u32(0x1C);
    const std::uint32_t cbMac = main.u32(0x40);
    EXPECT_EQ(table.u32(fc), 0x400u);
    EXPECT_EQ(table.u32(fc + 4 * pages), fcMac);
    std::uint32_t expectedStart = 0x400;
    for (std::uint32_t i = 0; i < pages; ++i) {
        const std::uint32_t pn = table.u32(fc + 4 * (pages + 1) + 4 * i);
        const qint64 page = qint64(pn) * 512;
        ASSERT_LE(page + 512, cbMac) << "page " << i;
        const unsigned count = main.u8(page + 511);
        ASSERT_GT(count, 0u);
        ASSERT_LE(count, paragraphs ? 29u : 0x65u);
        EXPECT_EQ(main.u32(page), expectedStart) << "pages share their boundary FC";
        EXPECT_EQ(table.u32(fc + 4 * i), expectedStart);
        const qint64 offsets = page + 4 * (count + 1);
        for (unsigned j = 0; j < count; ++j) {
            const std::uint32_t start = main.u32(page + 4 * j);
            const std::uint32_t end = main.u32(page + 4 * j + 4);
            ASSERT_LT(start, end);
            if (paragraphs) {
                EXPECT_EQ(main.u16(end - 2), 0x0Du) << "a paragraph ends just after its mark";
            }
            const unsigned offset = 2 * main.u8(offsets + j * (paragraphs ? 13 : 1));
            if (offset == 0)
                continue;
            ASSERT_GE(offset, offsets - page + count * (paragraphs ? 13 : 1));
            ASSERT_LT(offset, 511u);
            // The property block parses exactly into whole sprms.
            qint64 at = page + offset;
            qint64 size = main.u8(at);
            if (paragraphs) {
                size = size ? 2 * size - 1 : 2 * main.u8(at + 1);
                at += main.u8(page + offset) ? 1 : 2;
                EXPECT_EQ(main.u16(at), 0u) << "istd Normal";
                at += 2;
                size -= 2;
            } else {
                at += 1;
            }
            ASSERT_LE(at + size, page + 511);
            while (size > 0) {
                const unsigned code = main.u16(at);
                const unsigned spra = code >> 13;
                const qint64 length = spra <= 1   ? 1
                                      : spra == 3 ? 4
                                      : spra == 7 ? 3
                                      : spra == 6 ? 1 + main.u8(at + 2)
                                                  : 2;
                ASSERT_TRUE(code == 0x0835 || code == 0x4A43 || code == 0x4A61 || code == 0x2A3E || code == 0x2403 ||
                            code == 0x2461 || code == 0x2407 || code == 0x2447 || code == 0x6412 || code == 0xC60D)
                    << std::hex << code;
                at += 2 + length;
                size -= 2 + length;
            }
            EXPECT_EQ(size, 0);
        }
        expectedStart = main.u32(page + 4 * count);
    }
    EXPECT_EQ(expectedStart, fcMac);
}

TEST(DocStructure, blankDocumentHasTheExpectedLayout) {
    const DocStreams streams = buildDocStreams(blankDocument());
    const ByteReader main(streams.wordDocument);
    const ByteReader table(streams.table);
    EXPECT_EQ(streams.wordDocument.size(), 4096);
    EXPECT_EQ(main.u16(0), 0xA5ECu);
    EXPECT_EQ(main.u16(2), 0x00C1u);
    EXPECT_EQ(main.u16(0x0A), 0x5200u);
    EXPECT_EQ(main.u32(0x4C), 1u) << "the main text is one CR";
    EXPECT_EQ(main.u32(0x54), 18u) << "footer story, guard CR and the header document's CR";
    EXPECT_EQ(main.u16(0x98), 93u);
    EXPECT_EQ(main.u16(0x400), 0x0Du);

    const auto [clxFc, clxLcb] = fibPair(main, 33);
    EXPECT_EQ(streams.table.mid(clxFc, clxLcb).toHex(), QByteArray("021000000000000000140000000000000400000000"));
    const auto [hddFc, hddLcb] = fibPair(main, 11);
    ASSERT_EQ(hddLcb, 14u * 4);
    QList<std::uint32_t> hdd;
    for (int i = 0; i < 14; ++i)
        hdd << table.u32(hddFc + 4 * i);
    EXPECT_EQ(hdd, (QList<std::uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 17, 17, 17, 19}));
    const QString footer =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(streams.wordDocument.constData() + 0x402), 15);
    EXPECT_EQ(footer, transcriptFooter());
    EXPECT_EQ(fibPair(main, 31).second, 500u) << "Dop97";
    EXPECT_EQ(fibPair(main, 32).second, 42u);
    EXPECT_EQ(fibPair(main, 0), fibPair(main, 1));
    EXPECT_GT(fibPair(main, 15).second, 2u);

    // Section: every geometry value written, Letter paper must not appear.
    const auto [sedFc, sedLcb] = fibPair(main, 6);
    ASSERT_EQ(sedLcb, 8u + 12u);
    const std::uint32_t sepx = table.u32(sedFc + 8 + 2);
    EXPECT_EQ(sepx % 512, 0u);
    EXPECT_EQ(main.u16(sepx), 50u);
    EXPECT_EQ(main.u32(0x40), sepx + 52) << "cbMac ends with the section properties";
    QMap<unsigned, unsigned> sprms;
    for (qint64 at = sepx + 2; at < sepx + 2 + 44; at += 4)
        sprms[main.u16(at)] = main.u16(at + 2);
    EXPECT_EQ(sprms[0xB01F], 11906u);
    EXPECT_EQ(sprms[0xB020], 16838u);
    EXPECT_EQ(sprms[0x9023], 1474u);
    EXPECT_EQ(sprms[0x9024], 1134u);
    EXPECT_EQ(sprms[0xB021], 1361u);
    EXPECT_EQ(sprms[0xB022], 1134u);
    EXPECT_EQ(sprms[0xB017], 851u);
    EXPECT_EQ(sprms[0xB018], 992u);
    EXPECT_EQ(sprms[0x5032], 2u);
    EXPECT_EQ(sprms[0x9031], 312u);
    EXPECT_EQ(main.u16(sepx + 46), 0x7030u);
}

TEST(DocStructure, formattingPagesCoverEveryCharacterOnce) {
    for (int paragraphs : {0, 1, 30, 400}) {
        SCOPED_TRACE(paragraphs);
        const Document document = paragraphs ? variedDocument(paragraphs) : blankDocument();
        const DocStreams streams = buildDocStreams(document);
        const ByteReader main(streams.wordDocument);
        checkFormattingPages(streams, 12, false);
        checkFormattingPages(streams, 13, true);
        const std::uint32_t ccpText = main.u32(0x4C);
        const std::uint32_t ccpHdd = main.u32(0x54);
        EXPECT_EQ(main.u32(0x1C), 0x400 + 2 * (ccpText + ccpHdd + 1)) << "one CR after every story";
        const ByteReader table(streams.table);
        const auto [clx, lcb] = fibPair(main, 33);
        EXPECT_EQ(table.u32(clx + 9), ccpText + ccpHdd + 1);
        EXPECT_EQ(streams.wordDocument.size() % 512, 0);
        EXPECT_GE(streams.wordDocument.size(), 4096);
        EXPECT_FALSE(main.overrun() || table.overrun());
    }
}

TEST(DocStructure, readerGivesBackWhatTheWriterWrote) {
    Document document = variedDocument(300);
    document.footer = QStringLiteral("第一行\r第二行 page");
    document.footerFormat = CharFormat{true, 18, false};
    Caret caret{document.paragraphs.size() - 1, 0};
    typeText(document, caret, QStringLiteral("ctrl\x01\x07 chars\ttab\r\n\r\n"), CharFormat{});
    QString error;
    const std::optional<Document> read = readDocumentBytes(writeDoc(document), &error);
    ASSERT_TRUE(read) << qPrintable(error);
    EXPECT_EQ(read->page, document.page);
    EXPECT_EQ(read->footer, document.footer);
    EXPECT_EQ(read->footerFormat, document.footerFormat);
    ASSERT_EQ(read->paragraphs.size(), document.paragraphs.size());
    for (qsizetype i = 0; i < document.paragraphs.size(); ++i)
        ASSERT_EQ(read->paragraphs[i], document.paragraphs[i]) << i;
    EXPECT_TRUE(read->plainText().contains(QStringLiteral("ctrl chars\ttab")));
}

// Rewrites the piece table as a fast save leaves it: the first six characters as 8-bit text at
// the end of the stream with a property modifier, the rest Unicode in place with a one-sprm
// modifier, the pieces out of file order.
TEST(DocStructure, readerFollowsPiecesOfBothKindsAndTheirModifiers) {
    Document document;
    Caret caret;
    typeText(document, caret, QStringLiteral("Hello world\r\n"), CharFormat{false, 28, true});
    document.paragraphs[caret.paragraph].alignment = Alignment::Centre;
    typeText(document, caret, QStringLiteral("第二段"), CharFormat{false, 28, false});
    DocStreams streams = buildDocStreams(document);

    const std::uint32_t compressedAt = streams.wordDocument.size();
    streams.wordDocument += QByteArray("Hello ") + QByteArray(506, '\0');
    QByteArray clx;
    putU8(clx, 0x01); // property modifier 0: bold, 20 pt
    putU16(clx, 7);
    clx += QByteArray::fromHex("3508014"
                               "34a2800");
    putU8(clx, 0x02);
    putU32(clx, 4 * 3 + 8 * 2);
    putU32(clx, 0);
    putU32(clx, 6);
    putU32(clx, 16);
    putU16(clx, 0);
    putU32(clx, (compressedAt * 2) | 0x40000000);
    putU16(clx, 1); // modifier index 0
    putU16(clx, 0);
    putU32(clx, 0x400 + 12);
    putU16(clx, (0x55 << 1) | (1 << 8)); // bold on, as one short sprm
    setU32(streams.wordDocument, 0x9A + 8 * 33, streams.table.size());
    setU32(streams.wordDocument, 0x9A + 8 * 33 + 4, clx.size());
    setU16(streams.wordDocument, 0x0A, 0x5204); // complex: more than one piece
    streams.table += clx;

    QString error;
    const std::optional<Document> read = readDocumentBytes(packDocStreams(streams), &error);
    ASSERT_TRUE(read) << qPrintable(error);
    ASSERT_EQ(read->paragraphs.size(), 2);
    const Paragraph& first = read->paragraphs[0];
    ASSERT_EQ(first.runs.size(), 2);
    EXPECT_EQ(first.runs[0], (word::Run{"Hello ", CharFormat{true, 40, false}}));
    EXPECT_EQ(first.runs[1], (word::Run{"world", CharFormat{true, 28, true}}));
    EXPECT_EQ(first.alignment, Alignment::Left);
    EXPECT_EQ(read->paragraphs[1].text(), QStringLiteral("第二段"));
    EXPECT_EQ(read->paragraphs[1].runs[0].format, (CharFormat{true, 28, false}));
    EXPECT_EQ(read->paragraphs[1].alignment, Alignment::Centre);
}

} // namespace
