#include "transcript/ReadAlong.h"

#include "transcript/word/PageLayout.h"

#include <algorithm>

namespace transcript {

ReadAlongPage readAlongPage(const ComposedText& composed, std::optional<record::Key> field, qsizetype cursor) {
    const QList<word::Page> pages = word::layOutPages(composed.document);
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
    for (const word::Line& line : pages[shown.page - 1].lines) {
        QString text;
        for (const word::Fragment& fragment : line.fragments)
            text += fragment.text;
        shown.lines << text;
    }
    return shown;
}

QString pageHeading(const ReadAlongPage& page) {
    return QStringLiteral("第 %1 页 / 共 %2 页").arg(page.page).arg(page.pages);
}

} // namespace transcript
