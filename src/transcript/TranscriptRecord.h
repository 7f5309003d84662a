// The 73 fields of a transcript: template key, the form control that holds the field, and the
// order in which a template is written. This table is the only place that maps keys to controls.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

namespace record {

// A template key with the control that holds its field, as the table below writes them.
struct NamedControl {
    std::string_view key;
    std::string_view control; // designer name of the MainWindow control
};

namespace detail {

// In the order a save writes them into a new template file; kFields is this table with checked keys.
inline constexpr std::array<NamedControl, 73> kTable{{
    {"num1", "编辑框1"},
    {"num2", "编辑框2"},
    {"num3", "编辑框3"},
    {"num4", "编辑框4"},
    {"num5", "编辑框5"},
    {"num6", "编辑框6"},
    {"num7", "编辑框7"},
    {"num8", "编辑框8"},
    {"num9", "组合框2"},
    {"num10", "编辑框9"},
    {"num11", "组合框1"},
    {"num12", "编辑框11"},
    {"num13", "组合框52"},
    {"num14", "编辑框12"},
    {"num15", "编辑框10"},
    {"num75", "编辑框26"},
    {"num16", "编辑框14"},
    {"num17", "组合框3"},
    {"num87", "编辑框27"},
    {"num18", "编辑框15"},
    {"num19", "编辑框16"},
    {"num20", "组合框53"},
    {"num21", "组合框54"},
    {"num22", "组合框55"},
    // Content lines, top to bottom over the four pages: question, answer, question, …
    {"num23", "组合框4"},
    {"num24", "组合框5"},
    {"num25", "组合框6"},
    {"num26", "组合框7"},
    {"num27", "组合框8"},
    {"num28", "组合框9"},
    {"num29", "组合框10"},
    {"num30", "组合框11"},
    {"num31", "组合框12"},
    {"num32", "组合框13"},
    {"num33", "组合框14"},
    {"num34", "组合框15"},
    {"num35", "组合框16"},
    {"num36", "组合框17"},
    {"num37", "组合框18"},
    {"num38", "组合框19"},
    {"num39", "组合框20"},
    {"num40", "组合框21"},
    {"num41", "组合框22"},
    {"num42", "组合框23"},
    {"num43", "组合框37"},
    {"num44", "组合框36"},
    {"num45", "组合框35"},
    {"num46", "组合框34"},
    {"num47", "组合框33"},
    {"num48", "组合框32"},
    {"num49", "组合框31"},
    {"num50", "组合框30"},
    {"num51", "组合框29"},
    {"num52", "组合框28"},
    {"num53", "组合框27"},
    {"num54", "组合框26"},
    {"num55", "组合框25"},
    {"num56", "组合框24"},
    {"num57", "组合框49"},
    {"num58", "组合框48"},
    {"num59", "组合框51"},
    {"num60", "组合框50"},
    {"num61", "组合框47"},
    {"num62", "组合框46"},
    {"num63", "组合框45"},
    {"num64", "组合框44"},
    {"num65", "组合框43"},
    {"num66", "组合框42"},
    {"num67", "组合框41"},
    {"num68", "组合框40"},
    {"num69", "组合框39"},
    {"num70", "组合框38"},
    {"beizu", "超级编辑框2"},
}};

constexpr int positionOf(std::string_view key) {
    for (int i = 0; i < int(kTable.size()); ++i) {
        if (kTable[i].key == key)
            return i;
    }
    return -1;
}

// Not constexpr: reaching it while a Key is made is what turns a mistyped key into a compile error.
inline int noSuchTemplateKey() {
    return -1;
}

struct FieldTable;

} // namespace detail

// A template key, checked where it is written: a key the table does not hold does not compile.
// field:: names each one (FieldNames.h); a literal serves where the file format itself is meant.
class Key {
public:
    consteval Key(const char* key)
        : m_index(detail::positionOf(key) >= 0 ? detail::positionOf(key) : detail::noSuchTemplateKey()) {}

    // Position in kFields.
    constexpr std::size_t index() const { return std::size_t(m_index); }
    constexpr std::string_view name() const { return detail::kTable[index()].key; }
    constexpr bool operator==(const Key&) const = default;

private:
    friend struct detail::FieldTable;
    constexpr explicit Key(int index) : m_index(index) {}

    int m_index;
};

struct Field {
    Key key;
    std::string_view control; // designer name of the MainWindow control
};

namespace detail {
struct FieldTable {
    template <std::size_t... I> static constexpr std::array<Field, sizeof...(I)> build(std::index_sequence<I...>) {
        return {{Field{Key(int(I)), kTable[I].control}...}};
    }
};
} // namespace detail

// In the order a save writes them into a new template file.
inline constexpr std::array<Field, 73> kFields = detail::FieldTable::build(std::make_index_sequence<73>());

inline constexpr int kPairs = 24;
// Index in kFields of the first content line.
inline constexpr int kFirstContentLine = 24;

// Pair n (1 … 24): question line num(21+2n), answer line num(22+2n).
constexpr const Field& question(int pair) {
    return kFields[kFirstContentLine + 2 * (pair - 1)];
}
constexpr const Field& answer(int pair) {
    return kFields[kFirstContentLine + 2 * (pair - 1) + 1];
}

// The order in which an opened template fills the form, as positions in kFields: num1 to num70, then
// num75, num87, beizu.
inline constexpr std::array<std::size_t, 73> kReadOrder = [] {
    constexpr std::size_t kLast[] = {Key("num75").index(), Key("num87").index(), Key("beizu").index()};
    std::array<std::size_t, 73> order{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (i != kLast[0] && i != kLast[1] && i != kLast[2])
            order[n++] = i;
    }
    for (const std::size_t i : kLast)
        order[n++] = i;
    return order;
}();

// The values of one transcript, held by position in kFields.
struct TranscriptRecord {
    std::array<QString, 73> values;

    QString& operator[](Key key) { return values[key.index()]; }
    const QString& operator[](Key key) const { return values[key.index()]; }
};

} // namespace record
