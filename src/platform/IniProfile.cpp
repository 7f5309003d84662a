// Profile files read and written the way Windows' profile functions do, byte for byte.
#include "IniProfile.h"

#include "Gbk.h"

#include <QFile>

#include <cerrno>

namespace ini {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmedView(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QByteArray trimmed(QByteArrayView text) {
    return trimmedView(text).toByteArray();
}

// Section and key names compare without regard to ASCII case; the trail bytes of a multi-byte
// character may look like ASCII letters, so those characters compare exactly.
bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        const qsizetype width = gbk::charLength(a, i);
        if (width > 1) {
            if (a.sliced(i, width) != b.sliced(i, width))
                return false;
            i += width;
            continue;
        }
        const auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
            return false;
        ++i;
    }
    return true;
}

// Cuts at the byte limit without leaving part of a multi-byte character behind.
QByteArray cutAtLimit(QByteArray value) {
    if (value.size() <= kReadLimit)
        return value;
    qsizetype end = 0;
    while (end < kReadLimit) {
        const qsizetype width = gbk::charLength(value, end);
        if (end + width > kReadLimit)
            break;
        end += width;
    }
    value.truncate(end);
    return value;
}

struct Line {
    qsizetype begin; // first byte of the line
    qsizetype end;   // end of the text, before CR LF or LF
    qsizetype next;  // first byte of the following line
};

// The line starting at pos; a final line may lack its line end.
Line lineAt(const QByteArray& content, qsizetype pos) {
    const qsizetype lf = content.indexOf('\n', pos);
    const qsizetype next = lf < 0 ? content.size() : lf + 1;
    qsizetype end = lf < 0 ? content.size() : lf;
    if (end > pos && content[end - 1] == '\r')
        --end;
    return {pos, end, next};
}

QList<Line> splitLines(const QByteArray& content) {
    QList<Line> lines;
    for (qsizetype pos = 0; pos < content.size(); pos = lines.last().next)
        lines.append(lineAt(content, pos));
    return lines;
}

// The section name of a header line, or nothing when the line is not a header.
std::optional<QByteArray> sectionName(QByteArrayView line) {
    qsizetype first = 0;
    while (first < line.size() && isBlank(line[first]))
        ++first;
    if (first == line.size() || line[first] != '[')
        return std::nullopt;
    const QByteArray text = trimmed(line);
    if (!text.startsWith('['))
        return std::nullopt;
    const qsizetype close = text.indexOf(']');
    return trimmed(QByteArrayView(text).sliced(1, (close < 0 ? text.size() : close) - 1));
}

struct KeyLine {
    QByteArrayView key;
    QByteArrayView rawValue;
};

std::optional<KeyLine> keyLine(QByteArrayView line) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return KeyLine{trimmedView(line.first(eq)), line.sliced(eq + 1)};
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The whole file for an update; a file that exists but cannot be read is not replaced by one that
// lacks its content.
durable::Result readForUpdate(const QString& path, QByteArray* content) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // A file that is there but cannot be read is not replaced by one that lacks its other keys.
        if (file.exists())
            return {durable::Cause::Unreadable, EACCES};
        content->clear();
        return {};
    }
    *content = file.readAll();
    return {};
}

// The value as Windows reads it: blanks around it and one pair of enclosing quotes removed, cut at
// the read limit.
QByteArray readValue(QByteArrayView raw) {
    QByteArray value = trimmed(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return cutAtLimit(value);
}

// The raw value of the first matching key in the first matching section.
std::optional<QByteArrayView> findRaw(const QByteArray& content, const QByteArray& section, const QByteArray& key) {
    // One pass over the bytes without building a line list: this runs hundreds of times per start.
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < content.size()) {
        const Line line = lineAt(content, pos);
        const QByteArrayView text(content.constData() + line.begin, line.end - line.begin);
        pos = line.next;
        if (const auto name = sectionName(text)) {
            if (inSection)
                return std::nullopt; // only the first section of that name counts
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        const auto entry = keyLine(text);
        if (entry && sameName(entry->key, key))
            return entry->rawValue;
    }
    return std::nullopt;
}

} // namespace

QByteArray lookup(const QByteArray& content, const QByteArray& section, const QByteArray& key) {
    const std::optional<QByteArrayView> raw = findRaw(content, section, key);
    return raw ? readValue(*raw) : QByteArray();
}

std::optional<QByteArray> rawValue(const QByteArray& content, const QByteArray& section, const QByteArray& key) {
    const std::optional<QByteArrayView> raw = findRaw(content, section, key);
    return raw ? std::optional<QByteArray>(raw->toByteArray()) : std::nullopt;
}

QByteArray update(const QByteArray& content, const QByteArray& section,
                  const QList<QPair<QByteArray, QByteArray>>& entries) {
    QByteArray result = content;
    for (const auto& [key, value] : entries) {
        const QList<Line> lines = splitLines(result);
        const QByteArray newLine = key + '=' + value;
        qsizetype sectionLine = -1;
        qsizetype lastContentLine = -1; // last non-blank line of the section
        qsizetype keyIndex = -1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArrayView text(result.constData() + lines[i].begin, lines[i].end - lines[i].begin);
            if (const auto name = sectionName(text)) {
                if (sectionLine >= 0)
                    break;
                if (sameName(*name, section)) {
                    sectionLine = i;
                    lastContentLine = i;
                }
                continue;
            }
            if (sectionLine < 0)
                continue;
            if (!trimmed(text).isEmpty())
                lastContentLine = i;
            if (const auto entry = keyLine(text); entry && sameName(entry->key, key)) {
                keyIndex = i;
                break;
            }
        }
        if (keyIndex >= 0) {
            result.replace(lines[keyIndex].begin, lines[keyIndex].end - lines[keyIndex].begin, newLine);
        } else if (sectionLine >= 0) {
            const Line& after = lines[lastContentLine];
            QByteArray insertion = newLine + "\r\n";
            if (after.end == after.next) // the file ends without a line break
                insertion.prepend("\r\n");
            result.insert(after.next, insertion);
        } else {
            if (!result.isEmpty() && !result.endsWith('\n'))
                result.append("\r\n");
            result.append('[' + section + "]\r\n" + newLine + "\r\n");
        }
    }
    return result;
}

QString readString(const QString& path, const QString& section, const QString& key) {
    return gbk::decode(lookup(readFile(path), gbk::encode(section), gbk::encode(key)));
}

durable::Result writeString(const QString& path, const QString& section, const QString& key, const QString& value) {
    return writeStrings(path, section, {{key, value}});
}

durable::Result writeStrings(const QString& path, const QString& section, const QList<Entry>& entries) {
    QByteArray content;
    if (durable::Result r = updatedProfile(path, section, entries, &content); !r)
        return r;
    return durable::writeFile(path, content);
}

durable::Result updatedProfile(const QString& path, const QString& section, const QList<Entry>& entries,
                               QByteArray* content) {
    if (durable::Result r = readForUpdate(path, content); !r)
        return r;
    const QByteArray sectionBytes = gbk::encode(section);
    QList<QPair<QByteArray, QByteArray>> changed;
    changed.reserve(entries.size());
    for (const auto& [key, value] : entries) {
        const QByteArray keyName = gbk::encode(key);
        // A line that already says the same keeps its bytes, whatever encoding or blanks it was written with.
        const std::optional<QByteArrayView> raw = findRaw(*content, sectionBytes, keyName);
        if (!raw || gbk::decode(readValue(*raw)) != value)
            changed.append({keyName, gbk::encode(value)});
    }
    *content = update(*content, sectionBytes, changed);
    return {};
}

} // namespace ini
