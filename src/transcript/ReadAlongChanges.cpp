// The printed lines changed since the read-back: the longest common sequence of the two
// transcripts' text lines, found after their common beginning and end.
#include "transcript/ReadAlongChanges.h"

#include <QSet>

#include <cstdint>
#include <vector>

namespace transcript {

namespace {

// Beyond this many cells the middle of two transcripts that differ at both ends is taken as changed
// throughout, which keeps a keystroke's comparison bounded however long the answers are.
constexpr std::size_t kMostCells = 4'000'000;

struct TextLine {
    QString text;
    int page = 0; // from 0
    int line = 0; // from 0
};

QList<TextLine> textLines(const PrintedLines& pages, const QSet<QString>& furniture) {
    QList<TextLine> lines;
    for (int page = 0; page < pages.size(); ++page)
        for (int line = 0; line < pages[page].size(); ++line) {
            // A line broken at the foot of a page ends with a tab to the margin; filler lines hold nothing else.
            const QString text = pages[page][line].trimmed();
            if (!text.isEmpty() && !furniture.contains(text))
                lines << TextLine{text, page, line};
        }
    return lines;
}

// For each line of now, the line of readBack it is the same as, or -1.
std::vector<qsizetype> matches(const QList<TextLine>& readBack, const QList<TextLine>& now) {
    std::vector<qsizetype> matched(std::size_t(now.size()), -1);
    qsizetype head = 0;
    while (head < readBack.size() && head < now.size() && readBack[head].text == now[head].text) {
        matched[std::size_t(head)] = head;
        ++head;
    }
    qsizetype tail = 0;
    while (tail < readBack.size() - head && tail < now.size() - head &&
           readBack[readBack.size() - 1 - tail].text == now[now.size() - 1 - tail].text) {
        matched[std::size_t(now.size() - 1 - tail)] = readBack.size() - 1 - tail;
        ++tail;
    }
    const std::size_t n = std::size_t(readBack.size() - head - tail);
    const std::size_t m = std::size_t(now.size() - head - tail);
    if (n == 0 || m == 0 || (n + 1) * (m + 1) > kMostCells)
        return matched;
    // common[i][j]: the length of the longest common sequence of the middles from i and j on.
    std::vector<std::uint32_t> common((n + 1) * (m + 1), 0);
    const auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return common[i * (m + 1) + j]; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            at(i, j) = readBack[qsizetype(head + i)].text == now[qsizetype(head + j)].text
                           ? at(i + 1, j + 1) + 1
                           : std::max(at(i + 1, j), at(i, j + 1));
    for (std::size_t i = 0, j = 0; i < n && j < m;) {
        if (readBack[qsizetype(head + i)].text == now[qsizetype(head + j)].text) {
            matched[head + j] = qsizetype(head + i);
            ++i;
            ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    return matched;
}

} // namespace

QList<QList<int>> changedLines(const PrintedLines& readBack, const PrintedLines& now, const QStringList& furniture) {
    QSet<QString> furnitureLines;
    for (const QString& line : furniture)
        furnitureLines.insert(line.trimmed());
    const QList<TextLine> before = textLines(readBack, furnitureLines);
    const QList<TextLine> after = textLines(now, furnitureLines);
    const std::vector<qsizetype> matched = matches(before, after);

    std::vector<std::vector<bool>> marked(std::size_t(now.size()));
    for (int page = 0; page < now.size(); ++page)
        marked[std::size_t(page)].assign(std::size_t(now[page].size()), false);
    const auto mark = [&](int page, int line) { marked[std::size_t(page)][std::size_t(line)] = true; };

    // Each gap between lines found in both: what now stands in it is marked; a gap that only lost lines
    // marks the line after the last one kept, unless that is furniture, else the line kept itself.
    qsizetype lastBefore = -1;
    qsizetype lastAfter = -1;
    for (qsizetype j = 0; j <= after.size(); ++j) {
        const bool end = j == after.size();
        if (!end && matched[std::size_t(j)] < 0) {
            mark(after[j].page, after[j].line);
            continue;
        }
        const qsizetype nextBefore = end ? before.size() : matched[std::size_t(j)];
        const bool lost = nextBefore > lastBefore + 1;
        const bool replaced = j > lastAfter + 1;
        if (lost && !replaced) {
            int page = lastAfter < 0 ? 0 : after[lastAfter].page;
            int line = lastAfter < 0 ? 0 : after[lastAfter].line + 1;
            if (page < now.size() && line >= now[page].size()) {
                ++page;
                line = 0;
            }
            const bool inPlace =
                page < now.size() && line < now[page].size() && !furnitureLines.contains(now[page][line].trimmed());
            if (inPlace)
                mark(page, line);
            else if (lastAfter >= 0)
                mark(after[lastAfter].page, after[lastAfter].line);
            else if (!end)
                mark(after[j].page, after[j].line);
        }
        lastBefore = nextBefore;
        lastAfter = j;
    }

    QList<QList<int>> changed(now.size());
    for (int page = 0; page < now.size(); ++page)
        for (int line = 0; line < now[page].size(); ++line)
            if (marked[std::size_t(page)][std::size_t(line)])
                changed[page] << line + 1;
    return changed;
}

} // namespace transcript
