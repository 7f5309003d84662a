// Seams for tests: a fixed clock, an in-memory or file registry, a recording shell, a temporary program
// directory, and the Services bundle built from them.
#pragma once

#include "ScriptedDialogs.h"
#include "platform/ArchiveJournal.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Shell.h"

#include <QMap>
#include <QSet>
#include <QTemporaryDir>

class FixedClock final : public Clock {
public:
    QDateTime time = QDateTime(QDate(2013, 2, 3), QTime(9, 5, 0));
    QDateTime now() const override { return time; }
};

class MemoryRegistry final : public Registry {
public:
    QMap<QString, QString> values;
    bool failWrites = false;
    QString read(const QString& name) const override { return values.value(name); }
    durable::Result write(const QString& name, const QString& value) override;
};

class FakeShell final : public Shell {
public:
    QStringList urls;
    QStringList documents;
    QList<QStringList> started; // program path followed by its arguments
    QSet<QString> installed;    // program names that findProgram finds
    bool failStarts = false;
    bool openDocumentResult = true;
    std::optional<int> runExitCode = 0; // what runProgram answers for an installed program

    bool openUrl(const QString& address) override;
    bool openDocument(const QString& path) override;
    bool startProgram(const QStringList& candidates, const QStringList& arguments) override;
    std::optional<int> runProgram(const QStringList& candidates, const QStringList& arguments, int timeoutMs) override;
    QString findProgram(const QStringList& candidates) const override;
};

// The archive's seam in tests: keeps every event it is told, and passes it on to the real archive
// when a test sets one.
class RecordingJournal final : public ArchiveJournal {
public:
    QList<JournalEvent> events;
    ArchiveJournal* forward = nullptr;
    void record(const JournalEvent& event) override {
        events << event;
        if (forward)
            forward->record(event);
    }
};

// Text of a settings or template file: encoded as GBK, LF turned into CR LF.
QByteArray gbkFile(const QString& text);
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

struct TestServices {
    // Where the lock's values live: in memory, or in the real store file registryFile.
    enum class Store { Memory, File };
    explicit TestServices(Store store = Store::Memory);

    QTemporaryDir root;
    ScriptedDialogs dialogs;
    FixedClock clock;
    MemoryRegistry registry;
    IniRegistry registryFile{root.path() + QStringLiteral("/config/quillon/registry.ini")};
    FakeShell shell;
    RecordingJournal journal;
    Services services;

    QString programDir() const { return services.programDir; }
    // Writes set.ini of the program directory from text (GBK, CR LF).
    void writeSettings(const QString& text) const;
};
