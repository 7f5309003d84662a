// The page face of a document, cut out of the installed face by HarfBuzz's subsetter with a character
// map of one character per glyph, and the installed faces pages are painted in.
#include "PageFont.h"

#include <QFontDatabase>
#include <QSet>
#include <QtEndian>

#include <fontconfig/fontconfig.h>
#include <hb-subset.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
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
    // Groups and segments come in the order of their characters, as the format asks.
    if (!std::is_sorted(map.begin(), map.end()))
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

// The entries of the face's map for the characters of text, less each stand-in whose glyph
// another character of the whole face maps to.
CharacterMap pageMap(const CharacterMap& face, const QString& text) {
    const QList<uint> characters = text.toUcs4();
    CharacterMap used;
    QSet<quint32> standInGlyphs;
    for (const char32_t c : QSet<uint>(characters.cbegin(), characters.cend())) {
        const auto at = std::lower_bound(face.begin(), face.end(), std::pair<char32_t, quint32>(c, 0));
        if (at == face.end() || at->first != c)
            continue;
        used.push_back(*at);
        if (standsIn(c))
            standInGlyphs.insert(at->second);
    }
    QSet<quint32> ownGlyph;
    if (!standInGlyphs.isEmpty()) {
        for (const auto& [c, glyph] : face)
            if (standInGlyphs.contains(glyph) && !standsIn(c))
                ownGlyph.insert(glyph);
    }
    CharacterMap kept;
    for (const auto& entry : used)
        if (!standsIn(entry.first) || !ownGlyph.contains(entry.second))
            kept.push_back(entry);
    return kept;
}

// A name table with a family of its own, so that the face never stands in for the installed one, and
// one PostScript name for every page face, the name a PDF shows.
QByteArray writeNames(const QString& family) {
    const QList<std::pair<quint16, QString>> names{
        {1, family}, {2, QStringLiteral("Regular")}, {4, family}, {6, QStringLiteral("QuillonPageSerif")}};
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

// HarfBuzz's objects, released with their handles.
struct HbRelease {
    void operator()(hb_blob_t* blob) const { hb_blob_destroy(blob); }
    void operator()(hb_face_t* face) const { hb_face_destroy(face); }
    void operator()(hb_subset_input_t* input) const { hb_subset_input_destroy(input); }
};
template <typename T> using HbHandle = std::unique_ptr<T, HbRelease>;

// A copy of one table of the face; empty when it has none.
QByteArray tableOf(hb_face_t* face, const char* tag) {
    const HbHandle<hb_blob_t> blob(hb_face_reference_table(face, hb_tag_from_string(tag, 4)));
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob.get(), &length);
    return QByteArray(data, qsizetype(length));
}

QFont sized(const QString& family, int pixelSize, bool bold) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

// The families pages are painted in, the first one installed.
const QStringList kPageFamilies{QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC"),
                                QStringLiteral("Noto Serif CJK")};

// Where a face lives, as the font machinery finds it for a family: its file and its index there.
struct FaceLocation {
    QByteArray file;
    unsigned index = 0;
};

std::optional<FaceLocation> locateFace(const QString& family) {
    const QByteArray name = family.toUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::optional<FaceLocation> location;
    FcChar8* file = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
        location = FaceLocation{QByteArray(reinterpret_cast<const char*>(file)), unsigned(index)};
    if (match)
        FcPatternDestroy(match);
    return location;
}

// The installed page face's file found through fontconfig alone, before Qt has read its font database:
// the face of the first of kPageFamilies that a font has.
std::optional<FaceLocation> guessedPageFace() {
    for (const QString& family : kPageFamilies) {
        const QByteArray name = family.toUtf8();
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
        const bool installed = fonts && fonts->nfont > 0;
        if (fonts)
            FcFontSetDestroy(fonts);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
        if (installed)
            return locateFace(family);
    }
    return std::nullopt;
}

// The file of a face, opened (mapped, not read), with its header and Unicode map.
struct InstalledFace {
    HbHandle<hb_face_t> face;
    QByteArray head;
    CharacterMap map;
};

// Each file read once in a run, by the thread that first cuts a face from it.
const InstalledFace& installedFace(const FaceLocation& location) {
    static std::mutex lock;
    static std::map<std::pair<QByteArray, unsigned>, std::unique_ptr<InstalledFace>> opened;
    const std::lock_guard guard(lock);
    std::unique_ptr<InstalledFace>& face = opened[{location.file, location.index}];
    if (!face) {
        const HbHandle<hb_blob_t> blob(hb_blob_create_from_file_or_fail(location.file.constData()));
        face = std::make_unique<InstalledFace>();
        face->face.reset(blob ? hb_face_create(blob.get(), location.index) : nullptr);
        if (face->face) {
            face->head = tableOf(face->face.get(), "head");
            face->map = readCharacterMap(tableOf(face->face.get(), "cmap"));
        }
    }
    return *face;
}

// A page face cut out of a face file, and the header of the face it was cut from.
struct CutFace {
    QByteArray font;
    QByteArray head;
};

// The face cut down to the characters of map, with the tables a page face needs and a name table
// for family; empty when the subsetter fails.
QByteArray subsetFace(hb_face_t* face, const CharacterMap& map, const QString& family) {
    const HbHandle<hb_subset_input_t> input(hb_subset_input_create_or_fail());
    if (!input)
        return {};
    hb_set_t* characters = hb_subset_input_unicode_set(input.get());
    for (const auto& [c, glyph] : map)
        hb_set_add(characters, c);
    // Glyphs are placed one by one: the layout tables, and the glyphs they would pull in, stay out.
    hb_set_t* dropped = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* tag : {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH"})
        hb_set_add(dropped, hb_tag_from_string(tag, 4));
    // Outlines without subroutines take the subsetter a fraction of the time, and a PDF keeps only
    // the outlines anyway.
    hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_DESUBROUTINIZE);
    const HbHandle<hb_face_t> subset(hb_subset_or_fail(face, input.get()));
    if (!subset)
        return {};
    const HbHandle<hb_blob_t> sfnt(hb_face_reference_blob(subset.get()));
    const HbHandle<hb_face_t> made(hb_face_create(sfnt.get(), 0));
    std::map<QByteArray, QByteArray> tables;
    // Outlines, metrics and the character map.
    for (const char* tag : {"CFF ", "glyf", "loca", "head", "hhea", "hmtx", "maxp", "OS/2", "post", "cvt ", "fpgm",
                            "prep", "gasp", "vhea", "vmtx", "VORG", "cmap"}) {
        QByteArray data = tableOf(made.get(), tag);
        if (!data.isEmpty())
            tables.emplace(tag, std::move(data));
    }
    if (!tables.count("head") || !tables.count("cmap") || !(tables.count("CFF ") || tables.count("glyf")))
        return {};
    tables["name"] = writeNames(family);
    return writeFont(tables);
}
// The page face for the characters of text, named family; runs on any thread.
CutFace cutFace(const FaceLocation& location, const QString& text, const QString& family) {
    const InstalledFace& installed = installedFace(location);
    if (!installed.face)
        return {};
    return {subsetFace(installed.face.get(), pageMap(installed.map, text), family), installed.head};
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
        for (const QString& candidate : kPageFamilies)
            if (installed.contains(candidate))
                return candidate;
        return QStringLiteral("serif");
    }();
    return family;
}

PageFace::PageFace(const Document& document) {
    // Each face a family of its own: a preview still replays pages in the face of its document
    // while another document is printed.
    static int faces = 0;
    const QString family = QStringLiteral("Quillon Page Serif %1").arg(++faces);
    const QString text = document.plainText() + document.footer;
    // The face is cut on another thread, from the file fontconfig names, while this one reads Qt's
    // font database and opens the faces pages are painted in besides.
    static const std::optional<FaceLocation> guessed = guessedPageFace();
    std::future<CutFace> cutting;
    if (guessed)
        cutting = std::async(std::launch::async, cutFace, *guessed, text, family);
    const QByteArray head = QRawFont::fromFont(sized(installedPageFamily(), 1000, false)).fontTable("head");
    halfWidthFamily();
    CutFace cut = cutting.valid() ? cutting.get() : CutFace{};
    // The header dates a face: where Qt paints with another face than that file's, the face is cut
    // from the one Qt names.
    if (cut.head != head) {
        const std::optional<FaceLocation> named = locateFace(installedPageFamily());
        cut = named ? cutFace(*named, text, family) : CutFace{};
    }
    if (!cut.font.isEmpty() && !head.isEmpty() && cut.head == head) {
        m_fontId = QFontDatabase::addApplicationFontFromData(cut.font);
        m_family = QFontDatabase::applicationFontFamilies(m_fontId).value(0);
    }
    if (m_family.isEmpty())
        m_family = installedPageFamily();
}

PageFace::~PageFace() {
    if (m_fontId >= 0)
        QFontDatabase::removeApplicationFont(m_fontId);
}

QRawFont PageFace::at(int pixelSize) const {
    return QRawFont::fromFont(sized(m_family, pixelSize, false));
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
