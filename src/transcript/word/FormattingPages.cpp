// Packing formatted disk pages.
#include "FormattingPages.h"

#include "Bytes.h"

namespace word {

namespace {

constexpr int kPage = 512;

} // namespace

void FkpPacker::add(const Span& span) {
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

QList<QByteArray> FkpPacker::finish() {
    if (!m_entries.isEmpty())
        finishPage();
    return m_pages;
}

qsizetype FkpPacker::blockSize(const QByteArray& props) const {
    if (props.isEmpty())
        return 0;
    const qsizetype raw = m_paragraphs ? (props.size() % 2 ? 1 : 2) + props.size() : 1 + props.size();
    return raw + raw % 2;
}

bool FkpPacker::fits(const Span& extra) const {
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

void FkpPacker::finishPage() {
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

} // namespace word
