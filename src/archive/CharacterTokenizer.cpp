// A tokenizer for FTS5 through its C interface. Texts reach it normalized already (folded by
// search::normalized), so each character's UTF-8 bytes are its term. A run of white space is a
// term of its own, which no searched word holds, so that a word is never found across a gap.
#include "archive/CharacterTokenizer.h"

#include <sqlite3.h>

#include <algorithm>

namespace archive {

namespace {

// The tokenizer keeps no state: one object, which is never read, serves every table.
char g_tokenizer;

int create(void*, const char**, int, Fts5Tokenizer** tokenizer) {
    *tokenizer = reinterpret_cast<Fts5Tokenizer*>(&g_tokenizer);
    return SQLITE_OK;
}

void destroy(Fts5Tokenizer*) {}

// The length of the UTF-8 sequence that starts with lead; 1 for a byte that starts none.
int sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

bool isSpace(const unsigned char* c, int length) {
    if (length == 1)
        return c[0] == ' ' || c[0] == '\t' || c[0] == '\n' || c[0] == '\r' || c[0] == '\f' || c[0] == '\v';
    // U+3000, the ideographic space of Chinese text.
    return length == 3 && c[0] == 0xE3 && c[1] == 0x80 && c[2] == 0x80;
}

int tokenize(Fts5Tokenizer*, void* context, int, const char* text, int size,
             int (*token)(void*, int, const char*, int, int, int)) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    int at = 0;
    while (at < size) {
        const int length = std::min(sequenceLength(bytes[at]), size - at);
        int end = at + length;
        if (isSpace(bytes + at, length)) {
            while (end < size && isSpace(bytes + end, std::min(sequenceLength(bytes[end]), size - end)))
                end += std::min(sequenceLength(bytes[end]), size - end);
            if (const int result = token(context, 0, " ", 1, at, end); result != SQLITE_OK)
                return result;
        } else if (const int result = token(context, 0, text + at, length, at, end); result != SQLITE_OK) {
            return result;
        }
        at = end;
    }
    return SQLITE_OK;
}

fts5_api* fts5(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

} // namespace

bool registerCharacterTokenizer(sqlite3* db) {
    fts5_api* api = fts5(db);
    if (!api)
        return false;
    fts5_tokenizer tokenizer{create, destroy, tokenize};
    return api->xCreateTokenizer(api, "characters", nullptr, &tokenizer, nullptr) == SQLITE_OK;
}

} // namespace archive
