// The external readers, run as the tests need them.
#include "ReaderTools.h"

#include "DocWriter.h"
#include "NativeDocumentWriter.h"
#include "SampleTranscript.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace word::tools {

std::optional<Output> run(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return std::nullopt;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return std::nullopt;
    }
    return Output{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                  QString::fromUtf8(process.readAllStandardOutput()),
                  QString::fromUtf8(process.readAllStandardError())};
}

bool convertWithLibreOffice(const QStringList& files, const QString& format, const QString& outDir,
                            const QString& profileDir) {
    QStringList arguments{"-env:UserInstallation=" + QUrl::fromLocalFile(profileDir).toString(),
                          "--headless",
                          "--norestore",
                          "--convert-to",
                          format,
                          "--outdir",
                          outDir};
    arguments += files;
    // The exit code says little: the caller checks that the converted files exist.
    return run("soffice", arguments, 240000).has_value();
}

std::optional<QStringList> hwpfDump(const QString& docPath) {
    const QStringList jars{"poi",           "poi-scratchpad", "commons-collections4",
                           "commons-math3", "commons-codec",  "commons-logging"};
    QStringList classPath;
    for (const QString& jar : jars)
        classPath << "/usr/share/java/" + jar + ".jar";
    const QString source = qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/tests/word/HwpfDump.java";
    const std::optional<Output> output = run("java", {"-cp", classPath.join(':'), source, docPath});
    if (!output || output->exitCode != 0)
        return std::nullopt;
    return output->out.split(u'\n', Qt::SkipEmptyParts);
}

Document writeSampleTranscript(const QString& path, int pairs) {
    const QString blank = path + ".blank.doc";
    QFile file(blank);
    if (!file.open(QIODevice::WriteOnly) || file.write(blankDocumentBytes()) <= 0)
        return {};
    file.close();
    NativeDocumentWriter writer;
    writer.start();
    writer.connect();
    if (!writer.open(blank))
        return {};
    sample::typeTranscript(writer, pairs);
    if (!writer.saveAs(path))
        return {};
    QFile::remove(blank);
    return *writer.document();
}

int pdfPageCount(const QString& pdfPath) {
    const std::optional<Output> output = run("pdfinfo", {pdfPath});
    if (!output)
        return 0;
    const QRegularExpressionMatch match = QRegularExpression("Pages:\\s+(\\d+)").match(output->out);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace word::tools

namespace word::tools {

QStringList mergeListing(const QStringList& lines) {
    QStringList merged;
    QString lastKey;
    for (const QString& line : lines) {
        if (!line.startsWith("R ")) {
            merged << line;
            lastKey.clear();
            continue;
        }
        const QStringList parts = line.split(u' ');
        if (parts.size() < 4)
            continue;
        const QString key = parts.mid(0, 4).join(u' ');
        const QString text = line.mid(key.size() + 1);
        if (text.isEmpty())
            continue;
        if (key == lastKey)
            merged.last() += text;
        else
            merged << key + " " + text;
        lastKey = key;
    }
    return merged;
}

QStringList formatListing(const Document& document, bool withMarks) {
    QStringList lines;
    auto run = [&](const CharFormat& f, const QString& text) {
        lines
            << QStringLiteral("R %1 %2 %3 %4").arg(f.bold ? 1 : 0).arg(f.halfPoints).arg(f.underline ? 1 : 0).arg(text);
    };
    for (const Paragraph& paragraph : document.paragraphs) {
        QString line = QStringLiteral("P %1").arg(int(paragraph.alignment));
        if (paragraph.lineSpacing > 0)
            line += QStringLiteral(" line=%1").arg(paragraph.lineSpacing);
        if (paragraph.rightTab > 0)
            line += QStringLiteral(" tab=%1").arg(paragraph.rightTab);
        if (paragraph.pageBreakBefore)
            line += QStringLiteral(" break");
        lines << line;
        for (const Run& r : paragraph.runs)
            run(r.format, r.text);
        if (withMarks)
            run(paragraph.mark, "\\r");
    }
    return mergeListing(lines);
}

} // namespace word::tools
