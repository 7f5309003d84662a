// The lock values kept in an owner-only profile file under the user's configuration directory.
#include "Registry.h"

#include "Gbk.h"
#include "IniProfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

namespace {

const QByteArray kSection = QByteArrayLiteral("Software\\ORV");

QString escaped(const QString& value) {
    QString text;
    text.reserve(value.size());
    for (const QChar c : value) {
        if (c == '\\')
            text += QStringLiteral("\\\\");
        else if (c == '\r')
            text += QStringLiteral("\\r");
        else if (c == '\n')
            text += QStringLiteral("\\n");
        else
            text += c;
    }
    return text;
}

// Any other backslash stands for itself, as in a value written by hand.
QString unescaped(const QString& text) {
    QString value;
    value.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] == '\\' && (next == '\\' || next == 'r' || next == 'n')) {
            value += next == 'r' ? QChar('\r') : next == 'n' ? QChar('\n') : QChar('\\');
            ++i;
        } else {
            value += text[i];
        }
    }
    return value;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

IniRegistry::IniRegistry(QString path) : m_path(std::move(path)) {}

QString IniRegistry::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/quillon/registry.ini";
}

QString IniRegistry::read(const QString& name) const {
    return unescaped(readRaw(name));
}

QString IniRegistry::readRaw(const QString& name) const {
    const std::optional<QByteArray> raw = ini::rawValue(readAll(m_path), kSection, gbk::encode(name));
    return raw ? gbk::decode(*raw) : QString();
}

durable::Result IniRegistry::write(const QString& name, const QString& value) {
    // The lock's values are nobody else's business: a new folder and a new file are the user's alone.
    // Ones that exist keep the modes their owner gave them.
    if (durable::Result r = durable::makeFolder(QFileInfo(m_path).absolutePath(), 0700); !r)
        return r;
    // A store that exists but cannot be read is not replaced by one that lacks its other value.
    if (QFileInfo(m_path).isFile() && !QFileInfo(m_path).isReadable())
        return {durable::Cause::Unreadable, EACCES};
    const QByteArray content =
        ini::update(readAll(m_path), kSection, {{gbk::encode(name), gbk::encode(escaped(value))}});
    return durable::writeFile(m_path, content, 0600);
}
