// The lock values kept in an owner-only INI file under the user's configuration directory.
#include "Registry.h"

#include "IniProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kSection = QStringLiteral("Software\\ORV");
}

IniRegistry::IniRegistry(QString path) : m_path(std::move(path)) {}

QString IniRegistry::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/quillon/registry.ini";
}

QString IniRegistry::read(const QString& name) const
{
    return ini::readString(m_path, kSection, name);
}

bool IniRegistry::write(const QString& name, const QString& value)
{
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir))
        return false;
    // The password is kept in clear, so neither the folder nor the file is readable by others.
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!ini::writeString(m_path, kSection, name, value))
        return false;
    return QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
