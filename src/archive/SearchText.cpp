// Words as FTS5 phrases: each in double quotes, a double quote in it doubled.
#include "archive/SearchText.h"

#include <QRegularExpression>
#include <QStringList>

namespace archive::search {

QString normalized(const QString& text) {
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

std::optional<QByteArray> matchExpression(const QString& typed) {
    static const QRegularExpression gaps(QStringLiteral("\\s+"));
    const QStringList words = normalized(typed).split(gaps, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    QStringList phrases;
    for (QString word : words)
        phrases << u'"' + word.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return phrases.join(QStringLiteral(" AND ")).toUtf8();
}

} // namespace archive::search
