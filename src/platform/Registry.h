// The per-user value store that holds the start-up lock (key Software\ORV of the current user).
#pragma once

#include "DurableFile.h"

#include <QString>

class Registry {
public:
    virtual ~Registry() = default;
    // Text of a value exactly as it was stored; a missing store or value reads as empty text.
    virtual QString read(const QString& name) const = 0;
    // Text of a value as the store holds it, with no escape undone: how an older version, which
    // escaped nothing, wrote it. The same as read() for a store that escapes nothing.
    virtual QString readRaw(const QString& name) const { return read(name); }
    // Stores the value exactly as given, or says why it could not.
    virtual durable::Result write(const QString& name, const QString& value) = 0;
};

// The Linux store: a profile file readable by its owner only. Unlike a settings file, a value is
// kept as it is: no blanks or quotes are removed, and a backslash, CR and LF are written as \\, \r
// and \n so that every value stays on its line.
class IniRegistry final : public Registry {
public:
    explicit IniRegistry(QString path);
    // ~/.config/quillon/registry.ini
    static QString defaultPath();

    QString read(const QString& name) const override;
    QString readRaw(const QString& name) const override;
    durable::Result write(const QString& name, const QString& value) override;

private:
    QString m_path;
};
