// Characters are code points, as PostgreSQL counts them in UTF-8 text.
#include "office/Grams.h"

#include <QSet>

namespace office {

namespace {

void add(const QList<uint>& points, bool singles, QSet<QString>* found) {
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (QChar::isSpace(points[i]))
            continue;
        if (singles)
            found->insert(QString::fromUcs4(reinterpret_cast<const char32_t*>(&points[i]), 1));
        if (i + 1 < points.size() && !QChar::isSpace(points[i + 1]))
            found->insert(QString::fromUcs4(reinterpret_cast<const char32_t*>(&points[i]), 2));
    }
}

} // namespace

QStringList grams(const QString& normalizedText) {
    QSet<QString> found;
    add(normalizedText.toUcs4(), true, &found);
    return found.values();
}

QStringList wordGrams(const QString& normalizedWord) {
    const QList<uint> points = normalizedWord.toUcs4();
    QSet<QString> found;
    add(points, points.size() == 1, &found);
    return found.values();
}

} // namespace office
