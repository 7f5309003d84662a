// Profile files read and written the way Windows' profile functions do, byte for byte.
#include "IniProfile.h"

#include "Gbk.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace ini {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArrayView trimmedView(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QByteArray trimmed(QByteArrayView text)
{
    return trimmedView(text).toByteArray();
}

// Section and key names compare without regard to ASCII case; the trail byte of a GBK character
// may look like an ASCII letter, so double-byte characters compare exactly.
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x81 && i + 1 < a.size()) {
            if (ca != cb || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        const auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        if (fold(ca) != fold(cb))
            return false;
    }
    return true;
}

// Cuts at the byte limit without leaving half of a double-byte character behind.
QByteArray cutAtLimit(QByteArray value)
{
    if (value.size() <= kReadLimit)
        return value;
    qsizetype end = 0;
    while (end < kReadLimit) {
        const auto c = static_cast<unsigned char>(value[end]);
        const qsizetype width = (c >= 0x81 && end + 1 < value.size()) ? 2 : 1;
        if (end + width > kReadLimit)
            break;
        end += width;
    }
    value.truncate(end);
    return value;
}

struct Line {
    qsizetype begin;    // first byte of the line
    qsizetype end;      // end of the text, before CR LF or LF
    qsizetype next;     // first byte of the following line
};

// The line starting at pos; a final line may lack its line end.
Line lineAt(const QByteArray& content, qsizetype pos)
{
    const qsizetype lf = content.indexOf('\n', pos);
    const qsizetype next = lf < 0 ? content.size() : lf + 1;
    qsizetype end = lf < 0 ? content.size() : lf;
    if (end > pos && content[end - 1] == '\r')
        --end;
    return {pos, end, next};
}

QList<Line> splitLines(const QByteArray& content)
{
    QList<Line> lines;
    for (qsizetype pos = 0; pos < content.size(); pos = lines.last().next)
        lines.append(lineAt(content, pos));
    return lines;
}

// The section name of a header line, or nothing when the line is not a header.
std::optional<QByteArray> sectionName(QByteArrayView line)
{
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

std::optional<KeyLine> keyLine(QByteArrayView line)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return KeyLine{trimmedView(line.first(eq)), line.sliced(eq + 1)};
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool replaceFile(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

QByteArray lookup(const QByteArray& content, const QByteArray& section, const QByteArray& key)
{
    // One pass over the bytes without building a line list: this runs hundreds of times per start.
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < content.size()) {
        const Line line = lineAt(content, pos);
        const QByteArrayView text(content.constData() + line.begin, line.end - line.begin);
        pos = line.next;
        if (const auto name = sectionName(text)) {
            if (inSection)
                return {}; // only the first section of that name counts
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        const auto entry = keyLine(text);
        if (!entry || !sameName(entry->key, key))
            continue;
        QByteArray value = trimmed(entry->rawValue);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        return cutAtLimit(value);
    }
    return {};
}

QByteArray update(const QByteArray& content, const QByteArray& section,
                  const QList<QPair<QByteArray, QByteArray>>& entries)
{
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

QString readString(const QString& path, const QString& section, const QString& key)
{
    return gbk::decode(lookup(readFile(path), gbk::encode(section), gbk::encode(key)));
}

bool writeString(const QString& path, const QString& section, const QString& key, const QString& value)
{
    return writeStrings(path, section, {{key, value}});
}

bool writeStrings(const QString& path, const QString& section, const QList<Entry>& entries)
{
    QList<QPair<QByteArray, QByteArray>> encoded;
    encoded.reserve(entries.size());
    for (const auto& [key, value] : entries)
        encoded.append({gbk::encode(key), gbk::encode(value)});
    return replaceFile(path, update(readFile(path), gbk::encode(section), encoded));
}

} // namespace ini
