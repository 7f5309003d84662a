// What the office archive's search index holds of a text: every character and every pair of
// adjacent characters, once each. A word of one character is found by that character, a longer
// word by all of its pairs and then by its text itself, so that a surname or a two-character name
// is found as surely as a longer word, and no word depends on the server's idea of a letter.
#pragma once

#include <QString>
#include <QStringList>

namespace office {

// The text's distinct characters and pairs (by code point), leaving out white space and pairs
// across it. The text is normalized as local search normalizes it.
QStringList grams(const QString& normalizedText);

// The grams that a text holding the word must hold: its character for a one-character word, else
// its pairs.
QStringList wordGrams(const QString& normalizedWord);

} // namespace office
