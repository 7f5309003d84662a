// Reads settings key by key from the program directory's set.ini, as GBK text or, when the file
// starts with the UTF-8 byte-order mark, as UTF-8.
#include "Settings.h"

#include "Gbk.h"
#include "IniProfile.h"
#include "ProgramDir.h"

#include <QFile>
#include <QStringDecoder>

namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF");

QByteArray readSettingsFile(const QString& programDir) {
    QFile file(programdir::settingsPath(programDir));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool inRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// The byte structure of GB18030, GBK's superset: ASCII, two-byte characters with a lead byte
// 81-FE and a trail byte 40-7E or 80-FE, four-byte characters 81-FE 30-39 81-FE 30-39; and the
// single byte 80, code page 936's euro sign, which gbk::decode reads as such.
bool isGb18030(const QByteArray& bytes) {
    const auto at = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = at(i);
        if (c <= 0x80) {
            ++i;
        } else if (!inRange(c, 0x81, 0xFE) || i + 1 == n) {
            return false;
        } else if (inRange(at(i + 1), 0x40, 0x7E) || inRange(at(i + 1), 0x80, 0xFE)) {
            i += 2;
        } else if (inRange(at(i + 1), 0x30, 0x39) && i + 3 < n && inRange(at(i + 2), 0x81, 0xFE) &&
                   inRange(at(i + 3), 0x30, 0x39)) {
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

QString ReadSetting(const QString& programDir, const QString& section, const QString& key) {
    const QByteArray content = readSettingsFile(programDir);
    if (!content.startsWith(kUtf8Mark))
        return gbk::decode(ini::lookup(content, gbk::encode(section), gbk::encode(key)));
    // Names are looked up in the file's own encoding. The read limit may cut a UTF-8 character; the
    // decoder keeps such an unfinished tail to itself instead of showing it.
    const QByteArray value = ini::lookup(content.sliced(kUtf8Mark.size()), section.toUtf8(), key.toUtf8());
    QStringDecoder decoder(QStringDecoder::Utf8);
    return decoder.decode(value);
}

QString ReadSetting(const QString& programDir, const setting::Key& key) {
    return ReadSetting(programDir, QString::fromLatin1(key.section), QString::fromLatin1(key.key));
}

QString ReadSetting(const QString& programDir, const setting::List& list, int n) {
    return ReadSetting(programDir, list.section, QLatin1String(list.prefix) + QString::number(n));
}

namespace settings {

QString encodingNote() {
    return QStringLiteral("设置文件set.ini的编码无法识别（不是GBK，也没有UTF-8标记），其中的文字可能显示不正确.");
}

bool hasUnrecognisedEncoding(const QString& programDir) {
    const QByteArray content = readSettingsFile(programDir);
    return !content.startsWith(kUtf8Mark) && !isGb18030(content);
}

} // namespace settings
