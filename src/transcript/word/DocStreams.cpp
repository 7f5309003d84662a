// The binary layout: FIB, one Unicode piece holding every story, formatting pages, section,
// footer story, style sheet, font table and document properties.
#include "DocStreams.h"

#include "Bytes.h"
#include "DocTables.h"
#include "FormattingPages.h"

#include <QList>

namespace word {

const unsigned char kWordDocumentClassId[16] = {0x06, 0x09, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

namespace {

constexpr std::uint32_t kTextStart = 0x400;
constexpr int kFibPairs = 93;
constexpr int kPage = 512;

enum FibPair {
    StshfOrig = 0,
    Stshf = 1,
    PlcfSed = 6,
    PlcfHdd = 11,
    PlcfBteChpx = 12,
    PlcfBtePapx = 13,
    SttbfFfn = 15,
    Dop = 31,
    SttbfAssoc = 32,
    Clx = 33
};

QByteArray chpxSprms(const CharFormat& format) {
    QByteArray out;
    putSprm8(out, 0x0835, format.bold ? 1 : 0);
    putSprm16(out, 0x4A43, format.halfPoints);
    putSprm16(out, 0x4A61, format.halfPoints);
    putSprm8(out, 0x2A3E, format.underline ? 1 : 0);
    return out;
}

QByteArray papxContent(const Paragraph& paragraph) {
    QByteArray out;
    putU16(out, 0); // istd: Normal
    if (paragraph.alignment == Alignment::Centre) {
        putSprm8(out, 0x2403, 1);
        putSprm8(out, 0x2461, 1);
    }
    if (paragraph.pageBreakBefore)
        putSprm8(out, 0x2407, 1);
    if (paragraph.lineSpacing > 0) {
        // The exact height replaces the grid, which some word processors let win over it. An exact
        // height is written negative, with single-line multiples off.
        putSprm8(out, 0x2447, 0);
        putU16(out, 0x6412);
        putU16(out, std::uint16_t(-paragraph.lineSpacing));
        putU16(out, 0);
    }
    if (paragraph.rightTab > 0) {
        // Tab stops changed: none deleted, one added, right-aligned without leader.
        putU16(out, 0xC60D);
        putU8(out, 5);
        putU8(out, 0);
        putU8(out, 1);
        putU16(out, paragraph.rightTab);
        putU8(out, 2);
    }
    return out;
}

// The text of every story in CP order, with the formatting of each character and paragraph.
struct Layout {
    QString text;
    QList<Span> runs;       // in CPs until converted
    QList<Span> paragraphs; // in CPs until converted
    std::uint32_t ccpText = 0;
    std::uint32_t ccpHdd = 0;
    std::uint32_t footerLength = 0; // footer story including its CR and guard CR
};

void addRun(Layout& layout, const QString& text, const CharFormat& format) {
    layout.text += text;
    layout.runs << Span{std::uint32_t(layout.text.size()), chpxSprms(format)};
}

void endParagraph(Layout& layout, const Paragraph& paragraph) {
    addRun(layout, QStringLiteral("\r"), paragraph.mark);
    layout.paragraphs << Span{std::uint32_t(layout.text.size()), papxContent(paragraph)};
}

QString storyText(const QString& text) {
    QString clean;
    for (QChar c : text)
        if (c == u'\t' || c.unicode() >= 0x20)
            clean += c;
    return clean;
}

Layout layOut(const Document& document) {
    Layout layout;
    for (const Paragraph& paragraph : document.paragraphs) {
        for (const Run& run : paragraph.runs)
            addRun(layout, storyText(run.text), run.format);
        endParagraph(layout, paragraph);
    }
    layout.ccpText = layout.text.size();
    if (!document.footer.isEmpty()) {
        const Paragraph footer{{}, Alignment::Left, document.footerFormat};
        for (const QString& line : document.footer.split(u'\r')) {
            addRun(layout, storyText(line), document.footerFormat);
            endParagraph(layout, footer);
        }
        endParagraph(layout, footer); // guard CR
        layout.footerLength = layout.text.size() - layout.ccpText;
        endParagraph(layout, footer); // end of the header document
        layout.ccpHdd = layout.text.size() - layout.ccpText;
        endParagraph(layout, footer); // after every story
    }
    return layout;
}

QByteArray binTable(const QList<std::uint32_t>& starts, std::uint32_t end, std::uint32_t firstPage) {
    QByteArray out;
    for (std::uint32_t fc : starts)
        putU32(out, fc);
    putU32(out, end);
    for (qsizetype i = 0; i < starts.size(); ++i)
        putU32(out, firstPage + std::uint32_t(i));
    return out;
}

} // namespace

DocStreams buildDocStreams(const Document& document) {
    Layout layout = layOut(document);
    const std::uint32_t cpEnd = layout.text.size();
    auto fcOf = [](std::uint32_t cp) { return kTextStart + 2 * cp; };

    QByteArray wordDocument(kTextStart, '\0');
    wordDocument.reserve(kTextStart + 2 * cpEnd + 8 * kPage);
    for (QChar c : layout.text)
        putU16(wordDocument, c.unicode());
    const std::uint32_t fcMac = wordDocument.size();
    padTo(wordDocument, kPage);

    FkpPacker chpx(false, kTextStart);
    for (const Span& run : layout.runs)
        chpx.add(Span{fcOf(run.fcEnd), run.props});
    FkpPacker papx(true, kTextStart);
    for (const Span& paragraph : layout.paragraphs)
        papx.add(Span{fcOf(paragraph.fcEnd), paragraph.props});

    const std::uint32_t firstChpxPage = wordDocument.size() / kPage;
    for (const QByteArray& page : chpx.finish())
        wordDocument += page;
    const std::uint32_t firstPapxPage = wordDocument.size() / kPage;
    for (const QByteArray& page : papx.finish())
        wordDocument += page;
    const std::uint32_t fcSepx = wordDocument.size();
    wordDocument += sectionProperties(document.page);
    const std::uint32_t cbMac = wordDocument.size();
    padTo(wordDocument, kPage);
    if (wordDocument.size() < 4096)
        wordDocument.append(4096 - wordDocument.size(), '\0');

    QByteArray table;
    QList<std::pair<std::uint32_t, std::uint32_t>> pairs(kFibPairs, {0, 0});
    auto place = [&](int index, const QByteArray& data) {
        pairs[index] = {std::uint32_t(table.size()), std::uint32_t(data.size())};
        table += data;
    };
    place(Stshf, styleSheet());
    pairs[StshfOrig] = pairs[Stshf];

    QByteArray sed;
    putU32(sed, 0);
    putU32(sed, layout.ccpText);
    putU16(sed, 0);
    putU32(sed, fcSepx);
    putU16(sed, 0);
    putU32(sed, 0xFFFFFFFF);
    place(PlcfSed, sed);

    if (layout.ccpHdd > 0) {
        QByteArray hdd;
        for (int i = 0; i < 9; ++i)
            putU32(hdd, 0);
        putU32(hdd, 0);                   // odd footer starts the section's stories
        putU32(hdd, layout.footerLength); // first-page header: empty
        putU32(hdd, layout.footerLength); // first-page footer: empty
        putU32(hdd, layout.ccpHdd - 1);
        putU32(hdd, layout.ccpHdd + 1);
        place(PlcfHdd, hdd);
    }
    place(PlcfBteChpx, binTable(chpx.pageStarts(), chpx.end(), firstChpxPage));
    place(PlcfBtePapx, binTable(papx.pageStarts(), papx.end(), firstPapxPage));
    place(SttbfFfn, fontTable());
    place(Dop, documentProperties());
    place(SttbfAssoc, associations());

    QByteArray clx;
    putU8(clx, 0x02);
    putU32(clx, 16);
    putU32(clx, 0);
    putU32(clx, cpEnd);
    putU16(clx, 0);
    putU32(clx, kTextStart);
    putU16(clx, 0);
    place(Clx, clx);

    // The file information block.
    setU16(wordDocument, 0x000, 0xA5EC);
    setU16(wordDocument, 0x002, 0x00C1);
    setU16(wordDocument, 0x006, 0x0804);
    setU16(wordDocument, 0x00A, 0x5200); // 1Table, extended characters, Far East
    setU16(wordDocument, 0x00C, 0x00BF);
    setU32(wordDocument, 0x018, kTextStart);
    setU32(wordDocument, 0x01C, fcMac);
    setU16(wordDocument, 0x020, 0x000E);
    setU16(wordDocument, 0x03C, 0x0804);
    setU16(wordDocument, 0x03E, 0x0016);
    setU32(wordDocument, 0x040, cbMac);
    setU32(wordDocument, 0x04C, layout.ccpText);
    setU32(wordDocument, 0x054, layout.ccpHdd);
    setU16(wordDocument, 0x098, kFibPairs);
    for (int i = 0; i < kFibPairs; ++i) {
        setU32(wordDocument, 0x09A + 8 * i, pairs[i].first);
        setU32(wordDocument, 0x09A + 8 * i + 4, pairs[i].second);
    }
    setU16(wordDocument, 0x382, 0);

    return DocStreams{wordDocument, table, compObj()};
}

} // namespace word
