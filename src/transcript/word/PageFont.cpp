// Copying the installed face with a character map of one character per glyph, and the page fonts
// made from the copy.
#include "PageFont.h"

#include <QFontDatabase>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace word {

namespace {

using CharacterMap = std::vector<std::pair<char32_t, quint32>>;

quint16 be16(const QByteArray& data, qsizetype at) {
    return at >= 0 && at + 2 <= data.size() ? qFromBigEndian<quint16>(data.constData() + at) : 0;
}

quint32 be32(const QByteArray& data, qsizetype at) {
    return at >= 0 && at + 4 <= data.size() ? qFromBigEndian<quint32>(data.constData() + at) : 0;
}

void put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToBigEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

// Format 12: groups of consecutive characters on consecutive glyphs.
CharacterMap readFormat12(const QByteArray& cmap, qsizetype at) {
    CharacterMap map;
    const quint32 groups = be32(cmap, at + 12);
    for (quint32 i = 0; i < groups && at + 16 + 12 * qsizetype(i) + 12 <= cmap.size(); ++i) {
        const qsizetype group = at + 16 + 12 * qsizetype(i);
        const quint32 first = be32(cmap, group);
        const quint32 last = std::min<quint32>(be32(cmap, group + 4), 0x10FFFF);
        const quint32 glyph = be32(cmap, group + 8);
        for (quint32 c = first; c <= last; ++c)
            map.emplace_back(c, glyph + (c - first));
    }
    return map;
}

// Format 4: segments of the Basic Multilingual Plane, by offset or through a glyph array.
CharacterMap readFormat4(const QByteArray& cmap, qsizetype at) {
    CharacterMap map;
    const int segments = be16(cmap, at + 6) / 2;
    const qsizetype ends = at + 14;
    const qsizetype starts = ends + 2 * segments + 2;
    const qsizetype deltas = starts + 2 * segments;
    const qsizetype rangeOffsets = deltas + 2 * segments;
    for (int s = 0; s < segments; ++s) {
        const quint16 first = be16(cmap, starts + 2 * s);
        const quint16 last = be16(cmap, ends + 2 * s);
        const quint16 delta = be16(cmap, deltas + 2 * s);
        const quint16 rangeOffset = be16(cmap, rangeOffsets + 2 * s);
        for (quint32 c = first; c <= last && c < 0xFFFF; ++c) {
            quint16 glyph = 0;
            if (rangeOffset == 0) {
                glyph = quint16(c + delta);
            } else {
                glyph = be16(cmap, rangeOffsets + 2 * s + rangeOffset + 2 * (c - first));
                if (glyph != 0)
                    glyph = quint16(glyph + delta);
            }
            if (glyph != 0)
                map.emplace_back(c, glyph);
        }
    }
    return map;
}

// The face's Unicode map, from its full-repertoire table where it has one.
CharacterMap readCharacterMap(const QByteArray& cmap) {
    qsizetype format12 = -1;
    qsizetype format4 = -1;
    const int tables = be16(cmap, 2);
    for (int i = 0; i < tables; ++i) {
        const quint16 platform = be16(cmap, 4 + 8 * i);
        const quint16 encoding = be16(cmap, 6 + 8 * i);
        const qsizetype at = be32(cmap, 8 + 8 * i);
        const bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
        if (!unicode)
            continue;
        if (be16(cmap, at) == 12)
            format12 = at;
        else if (be16(cmap, at) == 4)
            format4 = at;
    }
    CharacterMap map = format12 >= 0  ? readFormat12(cmap, format12)
                       : format4 >= 0 ? readFormat4(cmap, format4)
                                      : CharacterMap();
    std::sort(map.begin(), map.end());
    map.erase(std::unique(map.begin(), map.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
              map.end());
    return map;
}

// Characters that only stand in for another one: control characters, the radicals (drawn like the
// ideographs they come from) and characters that decompose into a single other character
// (compatibility ideographs, the no-break space).
bool standsIn(char32_t c) {
    if (c < 0x20 || (c >= 0x2E80 && c <= 0x2FDF))
        return true;
    const QString decomposition = QChar::decomposition(c);
    return !decomposition.isEmpty() && QStringView(decomposition).toUcs4().size() == 1;
}

// Leaves out every stand-in whose glyph another character maps to.
CharacterMap withOneCharacterPerGlyph(const CharacterMap& map) {
    QSet<quint32> ownGlyph;
    for (const auto& [c, glyph] : map)
        if (!standsIn(c))
            ownGlyph.insert(glyph);
    CharacterMap kept;
    kept.reserve(map.size());
    for (const auto& entry : map)
        if (!standsIn(entry.first) || !ownGlyph.contains(entry.second))
            kept.push_back(entry);
    return kept;
}

// One format 12 table under the Unicode and the Windows full-repertoire encodings, so that no
// Unicode map is synthesised beside it from glyph names.
QByteArray writeCharacterMap(const CharacterMap& map) {
    QByteArray groups;
    quint32 count = 0;
    for (std::size_t i = 0; i < map.size();) {
        std::size_t j = i + 1;
        while (j < map.size() && map[j].first == map[j - 1].first + 1 && map[j].second == map[j - 1].second + 1)
            ++j;
        put32(groups, map[i].first);
        put32(groups, map[j - 1].first);
        put32(groups, map[i].second);
        ++count;
        i = j;
    }
    QByteArray cmap;
    put16(cmap, 0);
    put16(cmap, 2);
    for (const quint16 platform : {0, 3}) {
        put16(cmap, platform);
        put16(cmap, platform == 0 ? 4 : 10);
        put32(cmap, 20);
    }
    put16(cmap, 12);
    put16(cmap, 0);
    put32(cmap, quint32(16 + groups.size()));
    put32(cmap, 0);
    put32(cmap, count);
    return cmap + groups;
}

// A name table with the copy's own family, so that it never stands in for the installed face.
QByteArray writeNames(const QString& family) {
    const QList<std::pair<quint16, QString>> names{
        {1, family}, {2, QStringLiteral("Regular")}, {4, family}, {6, QString(family).remove(u' ')}};
    QByteArray strings;
    QByteArray table;
    put16(table, 0);
    put16(table, quint16(names.size()));
    put16(table, quint16(6 + 12 * names.size()));
    for (const auto& [id, text] : names) {
        QByteArray utf16;
        for (const QChar c : text)
            put16(utf16, c.unicode());
        put16(table, 3);
        put16(table, 1);
        put16(table, 0x409);
        put16(table, id);
        put16(table, quint16(utf16.size()));
        put16(table, quint16(strings.size()));
        strings += utf16;
    }
    return table + strings;
}

quint32 checksum(const QByteArray& table) {
    quint32 sum = 0;
    const qsizetype whole = table.size() / 4 * 4;
    for (qsizetype i = 0; i < whole; i += 4)
        sum += qFromBigEndian<quint32>(table.constData() + i);
    QByteArray tail = table.mid(whole);
    if (!tail.isEmpty()) {
        tail.resize(4, '\0');
        sum += qFromBigEndian<quint32>(tail.constData());
    }
    return sum;
}

QByteArray writeFont(const std::map<QByteArray, QByteArray>& tables) {
    const bool postScriptOutlines = tables.count("CFF ") > 0;
    const auto count = quint16(tables.size());
    quint16 power = 1;
    quint16 log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    qsizetype size = 12 + 16 * count;
    for (const auto& [tag, data] : tables)
        size += (data.size() + 3) / 4 * 4;
    QByteArray font;
    font.reserve(size);
    put32(font, postScriptOutlines ? 0x4F54544F : 0x00010000);
    put16(font, count);
    put16(font, quint16(power * 16));
    put16(font, log2);
    put16(font, quint16(count * 16 - power * 16));
    quint32 offset = 12 + 16 * count;
    for (const auto& [tag, data] : tables) {
        font += tag;
        put32(font, checksum(data));
        put32(font, offset);
        put32(font, quint32(data.size()));
        offset += quint32((data.size() + 3) / 4 * 4);
    }
    for (const auto& [tag, data] : tables) {
        font += data;
        font.append((4 - data.size() % 4) % 4, '\0');
    }
    return font;
}

// The copy of the installed face, registered with the font database; its family, or empty text
// when the face could not be copied.
QString registerCopy(const QString& installed) {
    const QRawFont original = QRawFont::fromFont(QFont(installed));
    if (!original.isValid())
        return {};
    const CharacterMap map = withOneCharacterPerGlyph(readCharacterMap(original.fontTable("cmap")));
    if (map.empty())
        return {};
    const QString family = QStringLiteral("Quillon Page Serif");
    std::map<QByteArray, QByteArray> tables;
    // Outlines and metrics; layout tables are left out, since glyphs are placed one by one.
    for (const char* tag : {"CFF ", "glyf", "loca", "head", "hhea", "hmtx", "maxp", "OS/2", "post", "cvt ", "fpgm",
                            "prep", "gasp", "vhea", "vmtx", "VORG"}) {
        QByteArray data = original.fontTable(tag);
        if (!data.isEmpty())
            tables.emplace(tag, std::move(data));
    }
    if (!tables.count("head") || !(tables.count("CFF ") || tables.count("glyf")))
        return {};
    tables["cmap"] = writeCharacterMap(map);
    tables["name"] = writeNames(family);
    const int id = QFontDatabase::addApplicationFontFromData(writeFont(tables));
    return id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0);
}

// The family pages are painted in: the copy, or the installed face when it could not be copied.
const QString& paintedFamily() {
    static const QString family = [] {
        const QString copy = registerCopy(installedPageFamily());
        return copy.isEmpty() ? installedPageFamily() : copy;
    }();
    return family;
}

QFont sized(const QString& family, int pixelSize, bool bold) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

bool latinIsHalfWidth(const QString& family) {
    const QRawFont face = QRawFont::fromFont(sized(family, 1000, false));
    const QList<quint32> glyphs = face.glyphIndexesForString(QStringLiteral("MW%5a-"));
    if (glyphs.contains(0u))
        return false;
    const QList<QPointF> advances = face.advancesForGlyphIndexes(glyphs);
    return std::all_of(advances.begin(), advances.end(), [](const QPointF& a) { return std::abs(a.x() - 500) < 1; });
}

const QString& halfWidthFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate :
             {installedPageFamily(), QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("WenQuanYi Zen Hei Mono")})
            if (installed.contains(candidate) && latinIsHalfWidth(candidate))
                return candidate;
        return installedPageFamily();
    }();
    return family;
}

} // namespace

QString installedPageFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate : {QStringLiteral("SimSun"), QStringLiteral("宋体"),
                                         QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Serif CJK")})
            if (installed.contains(candidate))
                return candidate;
        return QStringLiteral("serif");
    }();
    return family;
}

QRawFont pageFont(int pixelSize) {
    return QRawFont::fromFont(sized(paintedFamily(), pixelSize, false));
}

QRawFont installedFont(int pixelSize) {
    return QRawFont::fromFont(sized(installedPageFamily(), pixelSize, false));
}

QRawFont halfWidthFont(int pixelSize) {
    return QRawFont::fromFont(sized(halfWidthFamily(), pixelSize, false));
}

QFont fallbackFont(int pixelSize, bool bold) {
    return sized(installedPageFamily(), pixelSize, bold);
}

} // namespace word
