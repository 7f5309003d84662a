// The fixed tables of a .doc file.
#include "DocTables.h"

#include "Bytes.h"
#include "DocStreams.h"

#include <QList>

namespace word {

namespace {

QByteArray xstz(const QString& name) {
    QByteArray out;
    putU16(out, name.size());
    for (QChar c : name)
        putU16(out, c.unicode());
    putU16(out, 0);
    return out;
}

void putUpx(QByteArray& out, const QByteArray& content) {
    putU16(out, content.size());
    out += content;
    padTo(out, 2);
}

QByteArray styleEntry(unsigned sti, unsigned kind, unsigned next, const QString& name, const QList<QByteArray>& upxs) {
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

QByteArray bytesOf(std::initializer_list<unsigned> values) {
    QByteArray out;
    for (unsigned v : values)
        putU8(out, v);
    return out;
}

QByteArray fontEntry(unsigned flags, unsigned charset, const QByteArray& panose, const QByteArray& signature,
                     const QString& name, const QString& alternate = {}) {
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

} // namespace

QByteArray styleSheet() {
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
            out += styleEntry(0, 1, 0, QStringLiteral("Normal"), {normalPara, normalChar});
        else if (istd == 10)
            out += styleEntry(65, 2, 10, QStringLiteral("Default Paragraph Font"), {QByteArray()});
        else
            putU16(out, 0);
    }
    return out;
}

QByteArray fontTable() {
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

QByteArray documentProperties() {
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

QByteArray sectionProperties(const PageSetup& page) {
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

QByteArray compObj() {
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

QByteArray associations() {
    QByteArray out = bytesOf({0xFF, 0xFF, 0x12, 0x00, 0x00, 0x00});
    out.append(36, '\0');
    return out;
}

} // namespace word
