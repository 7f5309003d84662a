// The per-user value store that holds the start-up lock (key Software\ORV of the current user).
#pragma once

#include <QString>

class Registry {
public:
    virtual ~Registry() = default;
    // Text of a value; a missing store or value reads as empty text.
    virtual QString read(const QString& name) const = 0;
    // Returns false when the value could not be stored.
    virtual bool write(const QString& name, const QString& value) = 0;
};

// The Linux store: an INI file readable by its owner only.
class IniRegistry final : public Registry {
public:
    explicit IniRegistry(QString path);
    // ~/.config/quillon/registry.ini
    static QString defaultPath();

    QString read(const QString& name) const override;
    bool write(const QString& name, const QString& value) override;

private:
    QString m_path;
};
