// How the archive finds an inquiry by any piece of its text. Chinese has no spaces between words, so
// every word typed is looked for as a substring: the index holds each single character and each
// pair of neighbouring characters of the text as a term, which answers a word of one or two
// characters exactly and narrows a longer word down to the inquiries that hold all its pairs; those
// are then checked for the whole word.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace archive::search {

// The text as search compares it: compatibility forms folded (full-width letters and digits become
// ordinary ones) and case folded.
QString normalized(const QString& text);

// The index terms of a normalized text: each character and each pair of neighbouring characters
// within a run without white space, written in letters and digits only so that the full-text
// tokenizer takes every term whole; sorted, without repeats, separated by spaces.
QByteArray terms(const QString& normalizedText);

// What a search typed by the user asks of the index.
struct Plan {
    // The full-text expression every hit must match.
    QByteArray match;
    // Words longer than two characters, normalized: each must also be a substring of the text.
    QStringList substrings;
};

// Nothing when the search holds no word.
std::optional<Plan> plan(const QString& typed);

} // namespace archive::search
