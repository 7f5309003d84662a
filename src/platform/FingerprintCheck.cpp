// Fingerprint lists read as `sha256sum -c` reads them (coreutils 9.1): the same lines are accepted,
// names are unescaped the same way, and each line gets the same verdict. Paths stay the bytes the
// system gave, so names in any encoding are found.
#include "Fingerprint.h"

#include <QFile>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fingerprint {

namespace {

constexpr qsizetype kHexDigits = 64;
// Digest, a blank and a name of at least one byte.
constexpr qsizetype kShortestLine = kHexDigits + 2;
constexpr QByteArrayView kTag = "SHA256";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isHex(QByteArrayView digits) {
    for (const char c : digits)
        if (!std::isxdigit(uchar(c)))
            return false;
    return !digits.isEmpty();
}

// "\\\\" is a backslash, "\\n" a line feed and "\\r" a carriage return; any other escape spoils the line.
std::optional<QByteArray> unescaped(QByteArrayView name) {
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            out += name[i];
            continue;
        }
        if (++i == name.size())
            return std::nullopt;
        switch (name[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::optional<ListEntry> entry(QByteArrayView hex, QByteArrayView name, bool escaped) {
    std::optional<QByteArray> realName = escaped ? unescaped(name) : std::optional<QByteArray>(name.toByteArray());
    if (!realName || hex.size() != kHexDigits || !isHex(hex))
        return std::nullopt;
    return ListEntry{hex.toByteArray().toLower(), *realName};
}

// A list's lines in one of two layouts: "DIGEST  NAME" (or "DIGEST *NAME"), and "SHA256 (NAME) = DIGEST"
// as --tag writes them. A list whose first line has a single blank before the name ("DIGEST NAME")
// has that layout throughout.
class ListReader {
public:
    std::optional<ListEntry> read(QByteArrayView line) {
        qsizetype i = 0;
        while (i < line.size() && isBlank(line[i]))
            ++i;
        const bool escaped = i < line.size() && line[i] == '\\';
        if (escaped)
            ++i;
        if (line.sliced(i).startsWith(kTag))
            return tagged(line.sliced(i + kTag.size()), escaped);
        if (line.size() - i < kShortestLine + (i < line.size() && line[i] == '\\'))
            return std::nullopt;
        const QByteArrayView hex = line.sliced(i, kHexDigits);
        i += kHexDigits;
        if (!isBlank(line[i]))
            return std::nullopt;
        ++i;
        if (line.size() - i == 1 || (line[i] != ' ' && line[i] != '*')) {
            if (m_singleBlank == 0)
                return std::nullopt;
            m_singleBlank = 1;
        } else if (m_singleBlank != 1) {
            m_singleBlank = 0;
            ++i; // the mode mark: ' ' text, '*' binary
        }
        return entry(hex, line.sliced(i), escaped);
    }

private:
    static std::optional<ListEntry> tagged(QByteArrayView rest, bool escaped) {
        if (rest.startsWith(' '))
            rest = rest.sliced(1);
        if (!rest.startsWith('('))
            return std::nullopt;
        rest = rest.sliced(1);
        // The name ends at the last ")" of the line.
        const qsizetype close = rest.lastIndexOf(')');
        if (close < 0)
            return std::nullopt;
        qsizetype i = close + 1;
        while (i < rest.size() && isBlank(rest[i]))
            ++i;
        if (i == rest.size() || rest[i] != '=')
            return std::nullopt;
        ++i;
        while (i < rest.size() && isBlank(rest[i]))
            ++i;
        return entry(rest.sliced(i), rest.first(close), escaped);
    }

    int m_singleBlank = -1; // not known yet, 0 no, 1 yes
};

} // namespace

std::vector<ListEntry> readList(const QByteArray& text) {
    std::vector<ListEntry> entries;
    ListReader reader;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (std::optional<ListEntry> e = reader.read(line))
            entries.push_back(std::move(*e));
    }
    return entries;
}

namespace {

// Opened by the path's bytes: a name that is not in the locale's encoding must not be decoded.
std::optional<QByteArray> readAll(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    return file.readAll();
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

bool sameFile(const QByteArray& path, const struct stat& file) {
    struct stat other {};
    return ::stat(path.constData(), &other) == 0 && other.st_dev == file.st_dev && other.st_ino == file.st_ino;
}

// A file that cannot be hashed: missing, or there but unreadable.
Check unhashable(const durable::Result& read) {
    return read.error == ENOENT || read.error == ENOTDIR ? Check::Missing : Check::Unreadable;
}

struct FileVerdict {
    Check check = Check::NoFingerprint;
    // A name the sidecar gives the file, or the one it names instead, when it is not the path given.
    QByteArray otherName;
    // The file's SHA-256, when the check read it.
    QByteArray actual;
};

// The file against the lines of its sidecar that name it. A relative name in the sidecar counts
// from the sidecar's folder, as `sha256sum -c` run in that folder takes it.
FileVerdict checkFile(const QByteArray& path) {
    struct stat file {};
    if (::stat(path.constData(), &file) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? Check::Missing : Check::Unreadable, {}, {}};
    const std::optional<QByteArray> sidecar = readAll(path + ".sha256");
    if (!sidecar)
        return {};
    const QByteArray folder = folderOf(path);
    std::vector<ListEntry> own;
    FileVerdict verdict;
    for (ListEntry& e : readList(*sidecar)) {
        const QByteArray named = e.name.startsWith('/') ? e.name : folder + '/' + e.name;
        if (sameFile(named, file))
            own.push_back(std::move(e));
        else if (verdict.otherName.isEmpty())
            verdict.otherName = e.name;
    }
    if (own.empty())
        return verdict;
    durable::Result read;
    const QByteArray actual = sha256Hex(path, &read);
    if (!read)
        return {unhashable(read), {}, {}};
    verdict.check = Check::Ok;
    verdict.otherName.clear();
    verdict.actual = actual;
    for (const ListEntry& e : own) {
        if (e.hex != actual)
            verdict.check = Check::Changed;
        if (e.name != path.sliced(path.lastIndexOf('/') + 1) && e.name != path && verdict.otherName.isEmpty())
            verdict.otherName = e.name;
    }
    return verdict;
}

// A name as sha256sum prints it: one holding a line feed is escaped, with a backslash before the line.
QByteArray printable(const QByteArray& name) {
    if (!name.contains('\n'))
        return name;
    QByteArray escaped = name;
    escaped.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
    return '\\' + escaped;
}

using Observer = std::function<void(const CheckedFile&)>;

// The verdict printed, and handed to the observer with the file's SHA-256 when it was read.
void print(const QByteArray& name, const QString& verdict, const Observer& checked, const QByteArray& sha256 = {}) {
    const QByteArray line = printable(name) + ": " + verdict.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    if (checked)
        checked({name, sha256, verdict});
}

QString failed(const QString& why) {
    return QStringLiteral("FAILED (%1)").arg(why);
}

bool verifyFile(const QByteArray& path, const Observer& checked) {
    const FileVerdict verdict = checkFile(path);
    const QString otherName = QFile::decodeName(verdict.otherName);
    const auto report = [&](const QString& text) { print(path, text, checked, verdict.actual); };
    switch (verdict.check) {
    case Check::Ok:
        report(otherName.isEmpty() ? QStringLiteral("OK") : QStringLiteral("OK (指纹中记为 %1)").arg(otherName));
        return true;
    case Check::Changed:
        report(failed(QStringLiteral("内容与指纹不符")));
        return false;
    case Check::NoFingerprint:
        report(failed(otherName.isEmpty()
                          ? QStringLiteral("没有指纹：%1.sha256").arg(QFile::decodeName(path))
                          : QStringLiteral("%1.sha256 记的是 %2 的指纹").arg(QFile::decodeName(path), otherName)));
        return false;
    case Check::Missing:
        report(failed(QStringLiteral("文件不存在")));
        return false;
    case Check::Unreadable:
        report(failed(QStringLiteral("文件无法读取")));
        return false;
    }
    return false;
}

// Every file the list names, by the name as written: relative names count from the current folder.
bool verifyList(const QByteArray& list, const Observer& checked) {
    const std::optional<QByteArray> text = readAll(list);
    if (!text) {
        print(list, failed(QStringLiteral("指纹文件无法读取")), {});
        return false;
    }
    const std::vector<ListEntry> entries = readList(*text);
    if (entries.empty()) {
        print(list, failed(QStringLiteral("没有格式正确的指纹行")), {});
        return false;
    }
    bool allOk = true;
    for (const ListEntry& e : entries) {
        durable::Result read;
        const QByteArray actual = sha256Hex(e.name, &read);
        if (!read)
            print(e.name,
                  failed(unhashable(read) == Check::Missing ? QStringLiteral("文件不存在")
                                                            : QStringLiteral("文件无法读取")),
                  checked);
        else if (actual != e.hex)
            print(e.name, failed(QStringLiteral("内容与指纹不符")), checked, actual);
        else
            print(e.name, QStringLiteral("OK"), checked, actual);
        allOk = allOk && read && actual == e.hex;
    }
    return allOk;
}

} // namespace

Check check(const QString& path) {
    return checkFile(QFile::encodeName(path)).check;
}

QByteArray recorded(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    struct stat file {};
    const std::optional<QByteArray> sidecar = readAll(encoded + ".sha256");
    if (!sidecar || ::stat(encoded.constData(), &file) != 0)
        return {};
    const QByteArray folder = folderOf(encoded);
    for (const ListEntry& e : readList(*sidecar))
        if (sameFile(e.name.startsWith('/') ? e.name : folder + '/' + e.name, file))
            return e.hex;
    return {};
}

int verifyCommand(const QByteArrayList& arguments, const std::function<void(const CheckedFile&)>& checked) {
    if (arguments.isEmpty()) {
        std::fputs(
            "用法：quillon verify FILE... | LIST.sha256...\n"
            "  按 FILE.sha256 指纹文件核对每个文件，或按指纹列表 LIST.sha256 核对其中的每个文件，全部一致时返回 0\n",
            stderr);
        return 2;
    }
    bool allOk = true;
    for (const QByteArray& argument : arguments) {
        const bool ok = argument.endsWith(".sha256") ? verifyList(argument, checked) : verifyFile(argument, checked);
        allOk = allOk && ok;
    }
    std::fflush(stdout);
    return allOk ? 0 : 1;
}

} // namespace fingerprint
