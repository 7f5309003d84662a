// The binary layout: FIB, one Unicode piece holding every story, formatting pages, section,
// footer story, style sheet, font table and document properties.
#include "DocStreams.h"

#include "Bytes.h"

#include <QList>

namespace word {

const unsigned char kWordDocumentClassId[16] = {0x06, 0x09, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

namespace {

constexpr std::uint32_t kTextStart = 0x400;
constexpr int kFibPairs = 93;
constexpr int kPage = 512;

enum FibPair {
    StshfOrig = 0, Stshf = 1, PlcfSed = 6, PlcfHdd = 11, PlcfBteChpx = 12, PlcfBtePapx = 13,
    SttbfFfn = 15, Dop = 31, SttbfAssoc = 32, Clx = 33
};

enum FontIndex { TimesNewRoman = 0, SimSun = 3 };

void putSprm16(QByteArray& out, unsigned sprm, unsigned operand)
{
    putU16(out, sprm);
    putU16(out, operand);
}

void putSprm8(QByteArray& out, unsigned sprm, unsigned operand)
{
    putU16(out, sprm);
    putU8(out, operand);
}

QByteArray chpxSprms(const CharFormat& format)
{
    QByteArray out;
    putSprm8(out, 0x0835, format.bold ? 1 : 0);
    putSprm16(out, 0x4A43, format.halfPoints);
    putSprm16(out, 0x4A61, format.halfPoints);
    putSprm8(out, 0x2A3E, format.underline ? 1 : 0);
    return out;
}

QByteArray papxContent(Alignment alignment)
{
    QByteArray out;
    putU16(out, 0); // istd: Normal
    if (alignment == Alignment::Centre) {
        putSprm8(out, 0x2403, 1);
        putSprm8(out, 0x2461, 1);
    }
    return out;
}

struct Span {
    std::uint32_t fcEnd;
    QByteArray props;
};

// One formatted kind of page (character or paragraph): FCs from the front, property blocks from
// the back, the entry count in the last byte.
class FkpPacker {
public:
    FkpPacker(bool paragraphs, std::uint32_t fcStart) : m_paragraphs(paragraphs), m_fcStart(fcStart) {}

    void add(const Span& span)
    {
        if (!m_entries.isEmpty() && m_entries.last().props == span.props && !m_paragraphs) {
            m_entries.last().fcEnd = span.fcEnd;
            m_pageFcEnd = span.fcEnd;
            return;
        }
        if (!fits(span)) {
            finishPage();
            m_fcStart = m_pageFcEnd;
        }
        m_entries << span;
        m_pageFcEnd = span.fcEnd;
    }

    QList<QByteArray> finish()
    {
        if (!m_entries.isEmpty())
            finishPage();
        return m_pages;
    }

    const QList<std::uint32_t>& pageStarts() const { return m_pageStarts; }
    std::uint32_t end() const { return m_pageFcEnd; }

private:
    qsizetype blockSize(const QByteArray& props) const
    {
        if (props.isEmpty())
            return 0;
        const qsizetype raw = m_paragraphs ? (props.size() % 2 ? 1 : 2) + props.size() : 1 + props.size();
        return raw + raw % 2;
    }

    qsizetype entrySize() const { return m_paragraphs ? 13 : 1; }
    int maxEntries() const { return m_paragraphs ? 29 : 0x65; }

    bool fits(const Span& extra) const
    {
        QList<QByteArray> blocks;
        qsizetype back = 0;
        auto count = [&](const QByteArray& props) {
            if (!props.isEmpty() && !blocks.contains(props)) {
                blocks << props;
                back += blockSize(props);
            }
        };
        for (const Span& span : m_entries)
            count(span.props);
        count(extra.props);
        const qsizetype n = m_entries.size() + 1;
        return n <= maxEntries() && 4 * (n + 1) + entrySize() * n + back <= 510;
    }

    void finishPage()
    {
        QByteArray page(kPage, '\0');
        const qsizetype n = m_entries.size();
        qsizetype at = 0;
        setU32(page, at, m_fcStart);
        for (const Span& span : m_entries)
            setU32(page, at += 4, span.fcEnd);
        const qsizetype offsetsAt = 4 * (n + 1);
        qsizetype top = 510; // blocks have even sizes and end below the count byte
        QList<QByteArray> blocks;
        QList<qsizetype> blockAt;
        for (qsizetype i = 0; i < n; ++i) {
            const QByteArray& props = m_entries[i].props;
            qsizetype offset = 0;
            if (!props.isEmpty()) {
                const qsizetype known = blocks.indexOf(props);
                if (known >= 0) {
                    offset = blockAt[known];
                } else {
                    top -= blockSize(props);
                    offset = top;
                    QByteArray block;
                    if (m_paragraphs) {
                        if (props.size() % 2) {
                            putU8(block, (props.size() + 1) / 2);
                        } else {
                            putU8(block, 0);
                            putU8(block, props.size() / 2);
                        }
                    } else {
                        putU8(block, props.size());
                    }
                    block += props;
                    page.replace(offset, block.size(), block);
                    blocks << props;
                    blockAt << offset;
                }
            }
            page[offsetsAt + i * entrySize()] = char(offset / 2);
        }
        page[511] = char(n);
        m_pages << page;
        m_pageStarts << m_fcStart;
        m_entries.clear();
    }

    bool m_paragraphs;
    std::uint32_t m_fcStart;
    std::uint32_t m_pageFcEnd = 0;
    QList<Span> m_entries;
    QList<QByteArray> m_pages;
    QList<std::uint32_t> m_pageStarts;
};

// The text of every story in CP order, with the formatting of each character and paragraph.
struct Layout {
    QString text;
    QList<Span> runs;       // in CPs until converted
    QList<Span> paragraphs; // in CPs until converted
    std::uint32_t ccpText = 0;
    std::uint32_t ccpHdd = 0;
    std::uint32_t footerLength = 0; // footer story including its CR and guard CR
};

void addRun(Layout& layout, const QString& text, const CharFormat& format)
{
    layout.text += text;
    layout.runs << Span{std::uint32_t(layout.text.size()), chpxSprms(format)};
}

void endParagraph(Layout& layout, const CharFormat& mark, Alignment alignment)
{
    addRun(layout, QStringLiteral("\r"), mark);
    layout.paragraphs << Span{std::uint32_t(layout.text.size()), papxContent(alignment)};
}

QString storyText(const QString& text)
{
    QString clean;
    for (QChar c : text)
        if (c == u'\t' || c.unicode() >= 0x20)
            clean += c;
    return clean;
}

Layout layOut(const Document& document)
{
    Layout layout;
    for (const Paragraph& paragraph : document.paragraphs) {
        for (const Run& run : paragraph.runs)
            addRun(layout, storyText(run.text), run.format);
        endParagraph(layout, paragraph.mark, paragraph.alignment);
    }
    layout.ccpText = layout.text.size();
    if (!document.footer.isEmpty()) {
        for (const QString& line : document.footer.split(u'\r')) {
            addRun(layout, storyText(line), document.footerFormat);
            endParagraph(layout, document.footerFormat, Alignment::Left);
        }
        endParagraph(layout, document.footerFormat, Alignment::Left); // guard CR
        layout.footerLength = layout.text.size() - layout.ccpText;
        endParagraph(layout, document.footerFormat, Alignment::Left); // end of the header document
        layout.ccpHdd = layout.text.size() - layout.ccpText;
        endParagraph(layout, document.footerFormat, Alignment::Left); // after every story
    }
    return layout;
}

QByteArray xstz(const QString& name)
{
    QByteArray out;
    putU16(out, name.size());
    for (QChar c : name)
        putU16(out, c.unicode());
    putU16(out, 0);
    return out;
}

void putUpx(QByteArray& out, const QByteArray& content)
{
    putU16(out, content.size());
    out += content;
    padTo(out, 2);
}

QByteArray std_(unsigned sti, unsigned kind, unsigned next, const QString& name, const QList<QByteArray>& upxs)
{
    QByteArray body;
    putU16(body, sti);
    putU16(body, kind | (0xFFF << 4));
    putU16(body, upxs.size() | (next << 4));
    putU16(body, 0); // bchUpe, patched below
    putU16(body, 0);
    body += xstz(name);
    for (const QByteArray& upx : upxs)
        putUpx(body, upx);
    setU16(body, 6, body.size());
    QByteArray out;
    putU16(out, body.size());
    return out + body;
}

QByteArray styleSheet()
{
    QByteArray out;
    putU16(out, 18);
    putU16(out, 15);     // cstd
    putU16(out, 0x000A); // cbSTDBaseInFile
    putU16(out, 1);      // fStdStylenamesWritten
    putU16(out, 0x5B);   // stiMaxWhenSaved
    putU16(out, 15);     // istdMaxFixedWhenSaved
    putU16(out, 0);      // nVerBuiltInNamesWhenSaved
    putU16(out, TimesNewRoman);
    putU16(out, SimSun);
    putU16(out, TimesNewRoman);

    QByteArray normalPara;
    putU16(normalPara, 0);
    putSprm8(normalPara, 0x2447, 1); // snap to the document grid
    QByteArray normalChar;
    putSprm16(normalChar, 0x4A4F, TimesNewRoman);
    putSprm16(normalChar, 0x4A50, SimSun);
    putSprm16(normalChar, 0x4A51, TimesNewRoman);
    putSprm16(normalChar, 0x4A43, CharFormat{}.halfPoints);
    putSprm16(normalChar, 0x4A61, CharFormat{}.halfPoints);
    putSprm16(normalChar, 0x486D, 0x0409);
    putSprm16(normalChar, 0x486E, 0x0804);
    putSprm16(normalChar, 0x4873, 0x0409);
    putSprm16(normalChar, 0x4874, 0x0804);

    for (int istd = 0; istd < 15; ++istd) {
        if (istd == 0)
            out += std_(0, 1, 0, QStringLiteral("Normal"), {normalPara, normalChar});
        else if (istd == 10)
            out += std_(65, 2, 10, QStringLiteral("Default Paragraph Font"), {QByteArray()});
        else
            putU16(out, 0);
    }
    return out;
}

QByteArray bytesOf(std::initializer_list<unsigned> values)
{
    QByteArray out;
    for (unsigned v : values)
        putU8(out, v);
    return out;
}

QByteArray fontEntry(unsigned flags, unsigned charset, const QByteArray& panose, const QByteArray& signature,
                     const QString& name, const QString& alternate = {})
{
    QByteArray ffn;
    putU8(ffn, flags);
    putU16(ffn, 400);
    putU8(ffn, charset);
    putU8(ffn, alternate.isEmpty() ? 0 : name.size() + 1);
    ffn += panose;
    ffn += signature.isEmpty() ? QByteArray(24, '\0') : signature;
    for (QChar c : name)
        putU16(ffn, c.unicode());
    putU16(ffn, 0);
    if (!alternate.isEmpty()) {
        for (QChar c : alternate)
            putU16(ffn, c.unicode());
        putU16(ffn, 0);
    }
    QByteArray out;
    putU8(out, ffn.size());
    return out + ffn;
}

QByteArray fontTable()
{
    QByteArray out;
    putU16(out, 5);
    putU16(out, 0);
    out += fontEntry(0x16, 0, bytesOf({2, 2, 6, 3, 5, 4, 5, 2, 3, 4}), {}, QStringLiteral("Times New Roman"));
    out += fontEntry(0x16, 2, bytesOf({5, 5, 1, 2, 1, 7, 6, 2, 5, 7}), {}, QStringLiteral("Symbol"));
    out += fontEntry(0x26, 0, bytesOf({2, 0x0B, 6, 4, 2, 2, 2, 2, 2, 4}), {}, QStringLiteral("Arial"));
    out += fontEntry(0x06, 134, bytesOf({2, 1, 6, 0, 3, 1, 1, 1, 1, 1}),
                     bytesOf({3, 0, 0, 0, 0, 0, 0x0E, 8, 0x10, 0, 0, 0, 0, 0, 0, 0, 1, 0, 4, 0, 0, 0, 0, 0}),
                     QStringLiteral("SimSun"), QStringLiteral("宋体"));
    out += fontEntry(0x12, 1, bytesOf({2, 4, 5, 3, 5, 4, 6, 3, 2, 4}), {}, QStringLiteral("Cambria Math"));
    return out;
}

QByteArray documentProperties()
{
    QByteArray dop(500, '\0');
    setU16(dop, 0x00, 0x0022); // widow control, single-sided pages
    setU16(dop, 0x02, 0x0004);
    setU32(dop, 0x04, 0x188C0801);
    setU16(dop, 0x0A, 420); // default tab stop
    setU16(dop, 0x0E, 360);
    setU16(dop, 0x20, 1);
    setU16(dop, 0x34, 0x0004);
    setU16(dop, 0x36, 0x0003);
    setU16(dop, 0x52, 0x0321); // print layout view, 100 %
    setU16(dop, 0x19A, 0x0012);
    return dop;
}

QByteArray sectionProperties(const PageSetup& page)
{
    QByteArray sprms;
    putSprm16(sprms, 0xB01F, page.pageWidth);
    putSprm16(sprms, 0xB020, page.pageHeight);
    putSprm16(sprms, 0xB021, page.marginLeft);
    putSprm16(sprms, 0xB022, page.marginRight);
    putSprm16(sprms, 0x9023, std::uint16_t(page.marginTop));
    putSprm16(sprms, 0x9024, std::uint16_t(page.marginBottom));
    putSprm16(sprms, 0xB025, 0);
    putSprm16(sprms, 0xB017, page.headerDistance);
    putSprm16(sprms, 0xB018, page.footerDistance);
    putSprm16(sprms, 0x5032, page.linePitch > 0 ? 2 : 0); // grid of lines only
    putSprm16(sprms, 0x9031, page.linePitch > 0 ? page.linePitch : 360);
    putU16(sprms, 0x7030);
    putU32(sprms, 0);
    QByteArray out;
    putU16(out, sprms.size());
    return out + sprms;
}

QByteArray compObj()
{
    QByteArray out;
    putU32(out, 0xFFFE0001);
    putU32(out, 0x00000A03);
    putU32(out, 0xFFFFFFFF);
    out.append(reinterpret_cast<const char*>(kWordDocumentClassId), 16);
    auto lengthPrefixed = [&](const char* text) {
        putU32(out, std::uint32_t(qstrlen(text) + 1));
        out.append(text, qstrlen(text) + 1);
    };
    lengthPrefixed("Microsoft Word 97-2003 Document");
    lengthPrefixed("MSWordDoc");
    lengthPrefixed("Word.Document.8");
    putU32(out, 0x71B239F4);
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 0);
    return out;
}

QByteArray binTable(const QList<std::uint32_t>& starts, std::uint32_t end, std::uint32_t firstPage)
{
    QByteArray out;
    for (std::uint32_t fc : starts)
        putU32(out, fc);
    putU32(out, end);
    for (qsizetype i = 0; i < starts.size(); ++i)
        putU32(out, firstPage + std::uint32_t(i));
    return out;
}

} // namespace

DocStreams buildDocStreams(const Document& document)
{
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
        putU32(hdd, 0);                    // odd footer starts the section's stories
        putU32(hdd, layout.footerLength);  // first-page header: empty
        putU32(hdd, layout.footerLength);  // first-page footer: empty
        putU32(hdd, layout.ccpHdd - 1);
        putU32(hdd, layout.ccpHdd + 1);
        place(PlcfHdd, hdd);
    }
    place(PlcfBteChpx, binTable(chpx.pageStarts(), chpx.end(), firstChpxPage));
    place(PlcfBtePapx, binTable(papx.pageStarts(), papx.end(), firstPapxPage));
    place(SttbfFfn, fontTable());
    place(Dop, documentProperties());
    QByteArray assoc = bytesOf({0xFF, 0xFF, 0x12, 0x00, 0x00, 0x00});
    assoc.append(36, '\0');
    place(SttbfAssoc, assoc);

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
