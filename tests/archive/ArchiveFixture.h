// Program directories with inquiries for the archive tests: templates written as the program's
// earlier versions wrote them, evidence files, and the real quillon executable.
#pragma once

#include "TestServices.h"

#include "platform/Fingerprint.h"
#include "transcript/TranscriptRecord.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>

namespace archivetest {

// The fields of an inquiry that a test cares about; the rest stay empty.
struct Inquiry {
    QString date = QStringLiteral("2013.2.3"); // year.month.day
    QString start = QStringLiteral("9:05");
    QString end = QStringLiteral("10:30");
    QString name;
    QString unit;
    QString place = QStringLiteral("Kelmar市人民大街");
    QString inspector = QStringLiteral("李四");
    QStringList pairs; // question, answer, question, answer, …
};

inline QString baseName(const Inquiry& i) {
    return i.date + u'-' + i.unit + u'-' + i.name;
}

// Writes BL/<base>.ini in GB18030 with CR LF, as every version of the program did; the versions
// before age and education had no num75 and num87. Fingerprinted as a save leaves it.
inline QString writeTemplate(const QString& programDir, const Inquiry& i, bool withAgeAndEducation = true) {
    const QStringList date = i.date.split(u'.');
    const QStringList start = i.start.split(u':');
    const QStringList end = i.end.split(u':');
    QList<QPair<QString, QString>> keys{{"num1", date.value(0)},  {"num2", date.value(1)},  {"num3", date.value(2)},
                                        {"num4", start.value(0)}, {"num5", start.value(1)}, {"num6", end.value(0)},
                                        {"num7", end.value(1)},   {"num8", i.place},        {"num10", i.name},
                                        {"num16", i.unit},        {"num20", i.inspector}};
    if (withAgeAndEducation)
        keys << QPair<QString, QString>{"num75", "40"} << QPair<QString, QString>{"num87", "大学"};
    for (qsizetype n = 0; n < i.pairs.size(); ++n)
        keys << QPair<QString, QString>{QStringLiteral("num%1").arg(23 + n), i.pairs[n]};
    QString text = QStringLiteral("[set]\n");
    for (const auto& [key, value] : keys)
        text += key + u'=' + value + u'\n';
    const QString bl = programDir + QStringLiteral("/BL");
    QDir().mkpath(bl);
    const QString path = bl + u'/' + baseName(i) + QStringLiteral(".ini");
    writeFile(path, gbkFile(text));
    EXPECT_TRUE(fingerprint::write(path));
    return path;
}

// A fingerprinted evidence file of some size.
inline QString writeEvidence(const QString& path, qint64 size = 4096) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QByteArray bytes(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + size);
    writeFile(path, bytes);
    EXPECT_TRUE(fingerprint::write(path));
    return path;
}

struct Ran {
    int exitCode = -1;
    QString out;
    QString err;
};

// The real quillon executable on a program directory.
inline Ran quillon(const QString& programDir, const QStringList& arguments, int timeoutMs = 120000) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUILLON_HOME", programDir);
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillon", arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Chinese comes through the input method, as a committed string.
inline void typeChinese(QWidget* field, const QString& text) {
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QApplication::sendEvent(field, &typed);
}

} // namespace archivetest

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
