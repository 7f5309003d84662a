#include "transcript/ReadAlong.h"

#include "transcript/word/PageLayout.h"

#include <algorithm>

namespace transcript {

PrintedLines printedLines(const ComposedText& composed) {
    PrintedLines printed;
    for (const word::Page& page : word::layOutPages(composed.document)) {
        QStringList lines;
        for (const word::Line& line : page.lines) {
            QString text;
            for (const word::Fragment& fragment : line.fragments)
                text += fragment.text;
            lines << text;
        }
        printed << lines;
    }
    return printed;
}

ReadAlongPage readAlongPage(const ComposedText& composed, std::optional<record::Key> field, qsizetype cursor,
                            const std::optional<ReadBackLines>& readBack) {
    const PrintedLines pages = printedLines(composed);
    ReadAlongPage shown;
    shown.pages = int(pages.size());
    if (pages.isEmpty())
        return shown;
    word::PrintedPlace place{1, 0};
    if (field) {
        const auto start = std::find_if(composed.fields.begin(), composed.fields.end(),
                                        [&](const FieldStart& f) { return f.field == *field; });
        if (start != composed.fields.end() && start->paragraph < composed.document.paragraphs.size()) {
            const qsizetype length = composed.document.paragraphs[start->paragraph].text().size();
            const qsizetype at = std::clamp(start->offset + std::max<qsizetype>(cursor, 0), qsizetype(0), length);
            place = word::placeOf(composed.document, start->paragraph, at);
        }
    }
    shown.page = std::clamp(place.page, 1, shown.pages);
    shown.currentLine = place.line;
    shown.lines = pages[shown.page - 1];
    if (readBack)
        shown.changedLines = changedLines(readBack->pages, pages, readBack->furniture)[shown.page - 1];
    return shown;
}

QString pageHeading(const ReadAlongPage& page) {
    return QStringLiteral("第 %1 页 / 共 %2 页").arg(page.page).arg(page.pages);
}

} // namespace transcript
