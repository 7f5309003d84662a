// How the archive finds an inquiry by any piece of its text. Chinese has no spaces between words, so
// every word typed is looked for as a substring of the fields: the index holds every character of
// the text in order (CharacterTokenizer), and a word is the phrase of its characters, so that a
// word of one or two characters, a surname or a name, is found exactly as a longer one is.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace archive::search {

// The text as search compares it: compatibility forms folded (full-width letters and digits become
// ordinary ones) and case folded.
QString normalized(const QString& text);

// The full-text expression for what the user typed: every word, normalized, as a phrase, all of
// them required. Nothing when there is no word.
std::optional<QByteArray> matchExpression(const QString& typed);

} // namespace archive::search
