// The 73 fields of a transcript: template key, the form control that holds the field, and the
// order in which a template is written. This table is the only place that maps keys to controls.
#pragma once

#include <QString>

#include <array>
#include <string_view>

namespace record {

struct Field {
    std::string_view key;
    std::string_view control; // designer name of the MainWindow control
};

// In the order a save writes them into a new template file.
inline constexpr std::array<Field, 73> kFields{{
    {"num1", "编辑框1"},   {"num2", "编辑框2"},   {"num3", "编辑框3"},   {"num4", "编辑框4"},
    {"num5", "编辑框5"},   {"num6", "编辑框6"},   {"num7", "编辑框7"},   {"num8", "编辑框8"},
    {"num9", "组合框2"},   {"num10", "编辑框9"},  {"num11", "组合框1"},  {"num12", "编辑框11"},
    {"num13", "组合框52"}, {"num14", "编辑框12"}, {"num15", "编辑框10"}, {"num75", "编辑框26"},
    {"num16", "编辑框14"}, {"num17", "组合框3"},  {"num87", "编辑框27"}, {"num18", "编辑框15"},
    {"num19", "编辑框16"}, {"num20", "组合框53"}, {"num21", "组合框54"}, {"num22", "组合框55"},
    // Content lines, top to bottom over the four pages: question, answer, question, …
    {"num23", "组合框4"},  {"num24", "组合框5"},  {"num25", "组合框6"},  {"num26", "组合框7"},
    {"num27", "组合框8"},  {"num28", "组合框9"},  {"num29", "组合框10"}, {"num30", "组合框11"},
    {"num31", "组合框12"}, {"num32", "组合框13"}, {"num33", "组合框14"}, {"num34", "组合框15"},
    {"num35", "组合框16"}, {"num36", "组合框17"}, {"num37", "组合框18"}, {"num38", "组合框19"},
    {"num39", "组合框20"}, {"num40", "组合框21"}, {"num41", "组合框22"}, {"num42", "组合框23"},
    {"num43", "组合框37"}, {"num44", "组合框36"}, {"num45", "组合框35"}, {"num46", "组合框34"},
    {"num47", "组合框33"}, {"num48", "组合框32"}, {"num49", "组合框31"}, {"num50", "组合框30"},
    {"num51", "组合框29"}, {"num52", "组合框28"}, {"num53", "组合框27"}, {"num54", "组合框26"},
    {"num55", "组合框25"}, {"num56", "组合框24"}, {"num57", "组合框49"}, {"num58", "组合框48"},
    {"num59", "组合框51"}, {"num60", "组合框50"}, {"num61", "组合框47"}, {"num62", "组合框46"},
    {"num63", "组合框45"}, {"num64", "组合框44"}, {"num65", "组合框43"}, {"num66", "组合框42"},
    {"num67", "组合框41"}, {"num68", "组合框40"}, {"num69", "组合框39"}, {"num70", "组合框38"},
    {"beizu", "超级编辑框2"},
}};

inline constexpr int kPairs = 24;
// Index in kFields of the first content line.
inline constexpr int kFirstContentLine = 24;

// Pair n (1 … 24): question line num(21+2n), answer line num(22+2n).
constexpr const Field& question(int pair) { return kFields[kFirstContentLine + 2 * (pair - 1)]; }
constexpr const Field& answer(int pair) { return kFields[kFirstContentLine + 2 * (pair - 1) + 1]; }

// Position of a key in kFields, or -1.
constexpr int indexOf(std::string_view key) {
    for (int i = 0; i < int(kFields.size()); ++i) {
        if (kFields[i].key == key)
            return i;
    }
    return -1;
}

// The order in which an opened template fills the form: num1 to num70, then num75, num87, beizu.
inline constexpr std::array<std::string_view, 73> kReadOrder = [] {
    std::array<std::string_view, 73> order{};
    int n = 0;
    for (const Field& f : kFields) {
        if (f.key != "num75" && f.key != "num87" && f.key != "beizu")
            order[n++] = f.key;
    }
    order[n++] = "num75";
    order[n++] = "num87";
    order[n++] = "beizu";
    return order;
}();

// The values of one transcript, held by position in kFields.
struct TranscriptRecord {
    std::array<QString, 73> values;

    QString& operator[](std::string_view key) { return values.at(std::size_t(indexOf(key))); }
    const QString& operator[](std::string_view key) const { return values.at(std::size_t(indexOf(key))); }
};

} // namespace record
