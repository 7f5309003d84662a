// Reading the FIB, piece table, formatting pages, styles, section and footer of a .doc file.
// Every offset comes from the file and is checked against its stream before use.
#include "DocParser.h"

#include "Bytes.h"
#include "GsfHandle.h"
#include "Sprms.h"

#include <QHash>
#include <QList>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>

namespace word {

namespace {

// Why the file cannot be read, in words for the user.
struct Refusal {
    QString reason;
};

// what names the damaged part.
[[noreturn]] void damaged(const char* what) {
    throw Refusal{QStringLiteral("Word文档已损坏（%1）。").arg(QString::fromUtf8(what))};
}

// Far beyond any transcript; keeps a crafted file from demanding gigabytes.
constexpr qint64 kMaxCharacters = 4 * 1024 * 1024;

std::optional<QByteArray> readStream(GsfInfile* infile, const char* name) {
    GsfHandle<GsfInput> child(gsf_infile_child_by_name(infile, name));
    if (!child)
        return std::nullopt;
    const gsf_off_t size = gsf_input_size(child.get());
    if (size < 0 || size > 256 * 1024 * 1024)
        damaged("数据流长度");
    QByteArray data(qsizetype(size), '\0');
    if (size > 0 && !gsf_input_read(child.get(), size, reinterpret_cast<guint8*>(data.data())))
        damaged("数据流");
    return data;
}

struct Style {
    unsigned kind = 0;
    unsigned base = 0xFFF;
    QByteArray paragraphSprms;
    QByteArray characterSprms;
};

struct FormattedRange {
    std::uint32_t fcStart;
    std::uint32_t fcEnd;
    unsigned istd;
    QByteArray sprms;
};

struct Piece {
    std::uint32_t cpStart;
    std::uint32_t cpEnd;
    std::uint32_t fc;
    bool compressed;
    unsigned prm;
};

char16_t cp1252(unsigned byte) {
    static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    return byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte);
}

class DocParser {
public:
    DocParser(const QByteArray& wordDocument, const QByteArray& table) : m_main(wordDocument), m_table(table) {}

    Document parse() {
        readFib();
        readPieces();
        readStyles();
        m_chpx = readFormattingPages(12, false);
        m_papx = readFormattingPages(13, true);
        Document document;
        document.paragraphs = readStory(0, m_ccpText);
        document.page = readSection();
        document.footer = readFooter(&document.footerFormat);
        return document;
    }

private:
    std::pair<std::uint32_t, std::uint32_t> pair(int index) const {
        if (index >= m_pairCount)
            return {0, 0};
        return {m_main.u32(m_pairsAt + 8 * index), m_main.u32(m_pairsAt + 8 * index + 4)};
    }

    void readFib() {
        const qint64 cswAt = 0x20;
        const qint64 cslwAt = cswAt + 2 + 2 * qint64(m_main.u16(cswAt));
        const qint64 lwAt = cslwAt + 2;
        const unsigned cslw = m_main.u16(cslwAt);
        if (cslw < 6)
            damaged("文件信息块");
        m_ccpText = m_main.u32(lwAt + 12);
        m_ccpFtn = m_main.u32(lwAt + 16);
        m_ccpHdd = m_main.u32(lwAt + 20);
        const qint64 countAt = lwAt + 4 * qint64(cslw);
        m_pairCount = int(m_main.u16(countAt));
        m_pairsAt = countAt + 2;
        if (m_main.overrun() || !m_main.has(m_pairsAt, 8 * qint64(m_pairCount)))
            damaged("文件信息块");
        if (qint64(m_ccpText) + m_ccpFtn + m_ccpHdd > kMaxCharacters)
            throw Refusal{QStringLiteral("文档太长（超过400万字），无法读取。")};
    }

    void readPieces() {
        const auto [fc, lcb] = pair(33);
        if (lcb == 0 || !m_table.has(fc, lcb))
            damaged("文字片段表");
        qint64 at = fc;
        const qint64 end = qint64(fc) + lcb;
        while (at < end) {
            const unsigned kind = m_table.u8(at);
            if (kind == 1) {
                const unsigned size = m_table.u16(at + 1);
                if (!m_table.has(at + 3, size))
                    damaged("属性修改表");
                m_prc << m_table.data().mid(at + 3, size);
                at += 3 + size;
            } else if (kind == 2) {
                const std::uint32_t size = m_table.u32(at + 1);
                if (size < 4 || !m_table.has(at + 5, size) || (size - 4) % 12)
                    damaged("文字片段表");
                const qint64 count = (size - 4) / 12;
                const qint64 cps = at + 5;
                const qint64 pcds = cps + 4 * (count + 1);
                for (qint64 i = 0; i < count; ++i) {
                    const std::uint32_t start = m_table.u32(cps + 4 * i);
                    const std::uint32_t stop = m_table.u32(cps + 4 * i + 4);
                    const std::uint32_t raw = m_table.u32(pcds + 8 * i + 2);
                    if (stop < start || stop > kMaxCharacters * 2)
                        damaged("文字片段表");
                    const bool compressed = raw & 0x40000000;
                    const std::uint32_t offset = raw & 0x3FFFFFFF;
                    m_pieces << Piece{start, stop, compressed ? offset / 2 : offset, compressed,
                                      m_table.u16(pcds + 8 * i + 6)};
                }
                return;
            } else {
                damaged("文字片段表");
            }
        }
        damaged("文字片段表");
    }

    const Piece* pieceAt(std::uint32_t cp) const {
        auto it = std::upper_bound(m_pieces.begin(), m_pieces.end(), cp,
                                   [](std::uint32_t value, const Piece& p) { return value < p.cpStart; });
        if (it == m_pieces.begin())
            return nullptr;
        --it;
        return cp < it->cpEnd ? &*it : nullptr;
    }

    void readStyles() {
        const auto [fc, lcb] = pair(1);
        if (lcb < 4 || !m_table.has(fc, lcb))
            return;
        const qint64 end = qint64(fc) + lcb;
        const unsigned cbStshi = m_table.u16(fc);
        const unsigned cstd = m_table.u16(fc + 2);
        const unsigned cbBase = m_table.u16(fc + 4);
        qint64 at = fc + 2 + cbStshi;
        for (unsigned istd = 0; istd < cstd && at + 2 <= end; ++istd) {
            const unsigned size = m_table.u16(at);
            const qint64 std = at + 2;
            at = std + size;
            Style style;
            if (size >= cbBase && size > 0 && at <= end) {
                style.kind = m_table.u16(std + 2) & 0xF;
                style.base = m_table.u16(std + 2) >> 4;
                const unsigned cupx = m_table.u16(std + 4) & 0xF;
                qint64 upx = std + cbBase;
                upx += 2 + 2 * qint64(m_table.u16(upx)) + 2; // counted name + NUL
                for (unsigned i = 0; i < cupx && upx + 2 <= at; ++i) {
                    upx += (upx - std) % 2;
                    const unsigned cb = m_table.u16(upx);
                    if (upx + 2 + cb > at)
                        break;
                    const QByteArray data = m_table.data().mid(upx + 2, cb);
                    if (style.kind == 1 && i == 0)
                        style.paragraphSprms = data.mid(2);
                    else if ((style.kind == 1 && i == 1) || (style.kind == 2 && i == 0))
                        style.characterSprms = data;
                    upx += 2 + cb;
                }
            }
            m_styles << style;
        }
    }

    // The properties a paragraph style gives, base styles first.
    Props styleProps(unsigned istd, int depth = 0) const {
        if (istd >= unsigned(m_styles.size()) || depth > 10)
            return Props{CharFormat{false, 20, false}, Alignment::Left};
        const Style& style = m_styles[istd];
        Props props = styleProps(style.base, depth + 1);
        const CharFormat inherited = props.format;
        applySprms(style.paragraphSprms, props, inherited);
        applySprms(style.characterSprms, props, inherited);
        return props;
    }

    QList<FormattedRange> readFormattingPages(int pairIndex, bool paragraphs) const {
        QList<FormattedRange> ranges;
        const auto [fc, lcb] = pair(pairIndex);
        if (lcb < 12 || !m_table.has(fc, lcb))
            return ranges;
        const qint64 count = (lcb - 4) / 8;
        for (qint64 i = 0; i < count; ++i) {
            const qint64 page = qint64(m_table.u32(fc + 4 * (count + 1) + 4 * i) & 0x3FFFFF) * 512;
            if (!m_main.has(page, 512))
                continue;
            const unsigned entries = m_main.u8(page + 511);
            if (4 * (entries + 1) + (paragraphs ? 13 : 1) * entries > 511)
                continue;
            for (unsigned j = 0; j < entries; ++j) {
                FormattedRange range{m_main.u32(page + 4 * j), m_main.u32(page + 4 * j + 4), 0, {}};
                const qint64 offset = 2 * qint64(m_main.u8(page + 4 * (entries + 1) + (paragraphs ? 13 : 1) * j));
                if (offset > 0 && offset < 511) {
                    if (paragraphs) {
                        const unsigned cb = m_main.u8(page + offset);
                        const qint64 start = cb ? page + offset + 1 : page + offset + 2;
                        const qint64 length = cb ? 2 * qint64(cb) - 1 : 2 * qint64(m_main.u8(page + offset + 1));
                        if (length >= 2 && start + length <= page + 511) {
                            range.istd = m_main.u16(start);
                            range.sprms = m_main.data().mid(start + 2, length - 2);
                        }
                    } else {
                        const unsigned cb = m_main.u8(page + offset);
                        if (page + offset + 1 + cb <= page + 511)
                            range.sprms = m_main.data().mid(page + offset + 1, cb);
                    }
                }
                ranges << range;
            }
        }
        std::stable_sort(ranges.begin(), ranges.end(),
                         [](const FormattedRange& a, const FormattedRange& b) { return a.fcStart < b.fcStart; });
        return ranges;
    }

    static const FormattedRange* rangeAt(const QList<FormattedRange>& ranges, std::uint32_t fc) {
        auto it = std::upper_bound(ranges.begin(), ranges.end(), fc,
                                   [](std::uint32_t value, const FormattedRange& r) { return value < r.fcStart; });
        if (it == ranges.begin())
            return nullptr;
        --it;
        return fc < it->fcEnd ? &*it : nullptr;
    }

    void applyPiece(const Piece& piece, Props& props, const CharFormat& style) const {
        if (piece.prm & 1) {
            const qsizetype index = piece.prm >> 1;
            if (index < m_prc.size())
                applySprms(m_prc[index], props, style);
            return;
        }
        const unsigned isprm = (piece.prm >> 1) & 0x7F;
        const unsigned value = piece.prm >> 8;
        QByteArray sprm;
        if (isprm == 0x05)
            putU16(sprm, 0x2403);
        else if (isprm == 0x55)
            putU16(sprm, 0x0835);
        else if (isprm == 0x5E)
            putU16(sprm, 0x2A3E);
        else
            return;
        putU8(sprm, value);
        applySprms(sprm, props, style);
    }

    struct Character {
        char16_t code;
        std::uint32_t fc;
        const Piece* piece;
    };

    std::optional<Character> characterAt(std::uint32_t cp) const {
        const Piece* piece = pieceAt(cp);
        if (!piece)
            return std::nullopt;
        const std::uint32_t index = cp - piece->cpStart;
        if (piece->compressed) {
            const std::uint32_t fc = piece->fc + index;
            if (!m_main.has(fc, 1))
                return std::nullopt;
            return Character{cp1252(m_main.u8(fc)), fc, piece};
        }
        const std::uint32_t fc = piece->fc + 2 * index;
        if (!m_main.has(fc, 2))
            return std::nullopt;
        return Character{char16_t(m_main.u16(fc)), fc, piece};
    }

    Props paragraphProps(const Character& mark) const {
        const FormattedRange* range = rangeAt(m_papx, mark.fc);
        const unsigned istd = range ? range->istd : 0;
        Props props = styleProps(istd);
        const CharFormat style = props.format;
        if (range)
            applySprms(range->sprms, props, style);
        applyPiece(*mark.piece, props, style);
        return props;
    }

    CharFormat characterFormat(const Character& c, const Props& paragraph, const CharFormat& style) const {
        Props props{style, paragraph.alignment};
        if (const FormattedRange* range = rangeAt(m_chpx, c.fc)) {
            // A character style first, then the direct formatting.
            forEachSprm(range->sprms, [&](unsigned code, const ByteReader& in, qint64 at) {
                if (code == 0x4A30 && in.u16(at) < unsigned(m_styles.size()))
                    applySprms(m_styles[in.u16(at)].characterSprms, props, style);
            });
            applySprms(range->sprms, props, style);
        }
        applyPiece(*c.piece, props, style);
        return props.format;
    }

    // The paragraphs of the text between two CPs; fields show their result.
    QList<Paragraph> readStory(std::uint32_t from, std::uint32_t to) const {
        QList<Paragraph> paragraphs;
        QList<Character> pending;
        QList<bool> fields; // per open field: true once its result has begun
        for (std::uint32_t cp = from; cp < to; ++cp) {
            const std::optional<Character> c = characterAt(cp);
            if (!c)
                damaged("文字位置");
            const char16_t u = c->code;
            if (u == 0x13) {
                fields << false;
                continue;
            }
            if (u == 0x14 && !fields.isEmpty()) {
                fields.last() = true;
                continue;
            }
            if (u == 0x15 && !fields.isEmpty()) {
                fields.removeLast();
                continue;
            }
            if (fields.contains(false))
                continue;
            if (u == 0x0D || u == 0x07 || u == 0x0C || u == 0x0B) {
                paragraphs << makeParagraph(pending, *c);
                pending.clear();
            } else if (u == 0x09 || u >= 0x20 || u == 0x1E) {
                pending << Character{u == 0x1E ? u'-' : u, c->fc, c->piece};
            }
        }
        if (!pending.isEmpty())
            paragraphs << makeParagraph(pending, pending.last());
        return paragraphs.isEmpty() ? QList<Paragraph>{Paragraph{}} : paragraphs;
    }

    Paragraph makeParagraph(const QList<Character>& characters, const Character& mark) const {
        const Props props = paragraphProps(mark);
        Paragraph paragraph;
        paragraph.alignment = props.alignment;
        paragraph.lineSpacing = props.lineSpacing;
        paragraph.rightTab = props.rightTab;
        paragraph.pageBreakBefore = props.pageBreakBefore;
        paragraph.mark = characterFormat(mark, props, props.format);
        for (const Character& c : characters) {
            const CharFormat format = characterFormat(c, props, props.format);
            if (!paragraph.runs.isEmpty() && paragraph.runs.last().format == format)
                paragraph.runs.last().text += QChar(c.code);
            else
                paragraph.runs << Run{QString(QChar(c.code)), format};
        }
        return paragraph;
    }

    PageSetup readSection() const {
        PageSetup page{12240, 15840, 1440, 1440, 1800, 1800, 720, 720, 0};
        const auto [fc, lcb] = pair(6);
        if (lcb < 16 || !m_table.has(fc, lcb))
            return page;
        const qint64 count = (lcb - 4) / 16;
        const std::uint32_t fcSepx = m_table.u32(fc + 4 * (count + 1) + 2);
        if (fcSepx == 0xFFFFFFFF || !m_main.has(fcSepx, 2))
            return page;
        const unsigned size = m_main.u16(fcSepx);
        if (!m_main.has(fcSepx + 2, size))
            return page;
        int pitch = 0;
        bool grid = false;
        forEachSprm(m_main.data().mid(fcSepx + 2, size), [&](unsigned code, const ByteReader& in, qint64 at) {
            const int value = in.u16(at);
            const int signedValue = std::abs(int(std::int16_t(value)));
            switch (code) {
            case 0xB01F:
                page.pageWidth = value;
                break;
            case 0xB020:
                page.pageHeight = value;
                break;
            case 0xB021:
                page.marginLeft = value;
                break;
            case 0xB022:
                page.marginRight = value;
                break;
            case 0x9023:
                page.marginTop = signedValue;
                break;
            case 0x9024:
                page.marginBottom = signedValue;
                break;
            case 0xB017:
                page.headerDistance = value;
                break;
            case 0xB018:
                page.footerDistance = value;
                break;
            case 0x9031:
                pitch = signedValue;
                break;
            case 0x5032:
                grid = value != 0;
                break;
            default:
                break;
            }
        });
        page.linePitch = grid ? pitch : 0;
        if (page.pageWidth < 1440 || page.pageHeight < 1440 || page.marginLeft + page.marginRight >= page.pageWidth ||
            page.marginTop + page.marginBottom >= page.pageHeight)
            damaged("页面设置");
        return page;
    }

    QString readFooter(CharFormat* format) const {
        const auto [fc, lcb] = pair(11);
        if (m_ccpHdd == 0 || lcb < 4 * 14 || !m_table.has(fc, lcb))
            return {};
        const std::uint32_t start = m_table.u32(fc + 4 * 9);
        const std::uint32_t end = m_table.u32(fc + 4 * 10);
        if (end <= start + 1 || end > m_ccpHdd)
            return {};
        const std::uint32_t base = m_ccpText + m_ccpFtn;
        const QList<Paragraph> paragraphs = readStory(base + start, base + end - 1);
        QStringList lines;
        for (const Paragraph& paragraph : paragraphs)
            lines << paragraph.text();
        *format = paragraphs.first().runs.isEmpty() ? paragraphs.first().mark : paragraphs.first().runs.first().format;
        return lines.join(u'\r');
    }

    ByteReader m_main;
    ByteReader m_table;
    std::uint32_t m_ccpText = 0;
    std::uint32_t m_ccpFtn = 0;
    std::uint32_t m_ccpHdd = 0;
    int m_pairCount = 0;
    qint64 m_pairsAt = 0;
    QList<QByteArray> m_prc;
    QList<Piece> m_pieces;
    QList<Style> m_styles;
    QList<FormattedRange> m_chpx;
    QList<FormattedRange> m_papx;
};

} // namespace

std::optional<Document> parseDoc(const QByteArray& bytes, QString* reason) {
    const std::lock_guard lock(gsfLock());
    gsf_init();
    // A damaged container makes libgsf log a warning per bad block; the caller gets one clear reason.
    static const bool quiet = [] {
        g_log_set_handler(
            "libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        return true;
    }();
    (void)quiet;
    GsfHandle<GsfInput> input(
        gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()), bytes.size(), FALSE));
    GError* gerror = nullptr;
    GsfHandle<GsfInfile> infile(gsf_infile_msole_new(input.get(), &gerror));
    if (gerror)
        g_error_free(gerror);
    if (!infile) {
        *reason = QStringLiteral("文件已损坏或不完整，不是可以读取的Word文档。");
        return std::nullopt;
    }
    try {
        const std::optional<QByteArray> main = readStream(infile.get(), "WordDocument");
        if (!main) {
            *reason = QStringLiteral("不是Word文档。");
            return std::nullopt;
        }
        const ByteReader fib(*main);
        const unsigned ident = fib.u16(0);
        const unsigned nFib = fib.u16(2);
        const unsigned flags = fib.u16(0x0A);
        if (fib.overrun() || (ident != 0xA5EC && ident != 0xA5DC)) {
            *reason = QStringLiteral("不是Word文档。");
            return std::nullopt;
        }
        if (ident == 0xA5DC || nFib < 0xC1) {
            *reason = QStringLiteral("是Word 97以前的旧版本文档，无法读取。");
            return std::nullopt;
        }
        if (flags & 0x0100) {
            *reason = QStringLiteral("文档设有密码（已加密），无法读取。");
            return std::nullopt;
        }
        const std::optional<QByteArray> table = readStream(infile.get(), flags & 0x0200 ? "1Table" : "0Table");
        if (!table)
            damaged("表格数据流");
        return DocParser(*main, *table).parse();
    } catch (const Refusal& refusal) {
        *reason = refusal.reason;
        return std::nullopt;
    }
}

} // namespace word
