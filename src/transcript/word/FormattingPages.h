// Packs character and paragraph properties into the 512-byte formatted disk pages of a .doc file.
#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace word {

// One stretch of text up to fcEnd (a byte offset in WordDocument) with its property bytes.
struct Span {
    std::uint32_t fcEnd;
    QByteArray props;
};
// One kind of page (character or paragraph): FCs from the front, property blocks from the back,
// the entry count in the last byte; a new page when the next entry does not fit.
class FkpPacker {
public:
    FkpPacker(bool paragraphs, std::uint32_t fcStart) : m_paragraphs(paragraphs), m_fcStart(fcStart) {}

    void add(const Span& span);
    QList<QByteArray> finish();
    const QList<std::uint32_t>& pageStarts() const { return m_pageStarts; }
    std::uint32_t end() const { return m_pageFcEnd; }

private:
    qsizetype blockSize(const QByteArray& props) const;
    qsizetype entrySize() const { return m_paragraphs ? 13 : 1; }
    int maxEntries() const { return m_paragraphs ? 29 : 0x65; }
    bool fits(const Span& extra) const;
    void finishPage();

    bool m_paragraphs;
    std::uint32_t m_fcStart;
    std::uint32_t m_pageFcEnd = 0;
    QList<Span> m_entries;
    QList<QByteArray> m_pages;
    QList<std::uint32_t> m_pageStarts;
};

} // namespace word
