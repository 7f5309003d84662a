// The full-text tokenizer of the index, "characters": every character of a text is a term of its
// own, in order, so that any word, of one character or of many, is found as a phrase of its
// characters. Chinese has no spaces between words; a word is found wherever it stands in a text.
#pragma once

struct sqlite3;

namespace archive {

// Makes the tokenizer known to a connection; every connection that reads or writes the index
// needs it. False when the full-text module is missing.
bool registerCharacterTokenizer(sqlite3* db);

} // namespace archive
