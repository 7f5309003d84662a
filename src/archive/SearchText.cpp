// Terms are numbers first (a character's code point, or two of them), sorted as numbers, and only
// then written out: a rebuild makes them for every field of ten thousand inquiries.
#include "archive/SearchText.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace archive::search {

namespace {

constexpr int kCodeBits = 21;
constexpr std::uint64_t kPairMark = std::uint64_t(1) << (2 * kCodeBits);
// Four base-36 digits hold every code point (36^4 > 0x10FFFF).
constexpr int kDigitsPerChar = 4;

std::uint64_t pairKey(char32_t first, char32_t second) {
    return kPairMark | (std::uint64_t(first) << kCodeBits) | second;
}

void appendCode(QByteArray& out, char32_t code) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char digits[kDigitsPerChar];
    for (int i = kDigitsPerChar - 1; i >= 0; --i) {
        digits[i] = kDigits[code % 36];
        code /= 36;
    }
    out.append(digits, kDigitsPerChar);
}

void appendTerm(QByteArray& out, std::uint64_t key) {
    const auto mask = (std::uint64_t(1) << kCodeBits) - 1;
    if (key & kPairMark) {
        appendCode(out, char32_t((key >> kCodeBits) & mask));
        appendCode(out, char32_t(key & mask));
    } else {
        appendCode(out, char32_t(key));
    }
}

// Every key of the text's runs without white space.
std::vector<std::uint64_t> keys(const QString& text) {
    std::vector<std::uint64_t> found;
    found.reserve(std::size_t(text.size()) * 2);
    char32_t previous = 0;
    bool inRun = false;
    for (const char32_t code : text.toUcs4()) {
        if (QChar::isSpace(code)) {
            inRun = false;
            continue;
        }
        found.push_back(code);
        if (inRun)
            found.push_back(pairKey(previous, code));
        previous = code;
        inRun = true;
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

// Every term quoted, all of them required.
QByteArray allOf(const std::vector<std::uint64_t>& keys) {
    QByteArray out;
    out.reserve(qsizetype(keys.size()) * (2 * kDigitsPerChar + 7));
    for (const std::uint64_t key : keys) {
        if (!out.isEmpty())
            out += " AND ";
        out += '"';
        appendTerm(out, key);
        out += '"';
    }
    return out;
}

} // namespace

QString normalized(const QString& text) {
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QByteArray terms(const QString& normalizedText) {
    const std::vector<std::uint64_t> all = keys(normalizedText);
    QByteArray out;
    out.reserve(qsizetype(all.size()) * (2 * kDigitsPerChar + 1));
    for (const std::uint64_t key : all) {
        if (!out.isEmpty())
            out += ' ';
        appendTerm(out, key);
    }
    return out;
}

std::optional<Plan> plan(const QString& typed) {
    const QStringList words = normalized(typed).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    std::vector<std::uint64_t> wanted;
    Plan plan;
    for (const QString& word : words) {
        const QList<uint> codes = word.toUcs4();
        if (codes.size() == 1) {
            wanted.push_back(codes.first());
            continue;
        }
        // The pairs of a word of two characters are the word itself; a longer word is checked whole.
        for (qsizetype i = 1; i < codes.size(); ++i)
            wanted.push_back(pairKey(codes[i - 1], codes[i]));
        if (codes.size() > 2)
            plan.substrings << word;
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    plan.match = allOf(wanted);
    return plan;
}

} // namespace archive::search
