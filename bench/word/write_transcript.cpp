// Writes the 24-pair transcript to a .doc file, and the same content as HTML for an office suite
// to convert, so that the two can be timed against each other.
#include "DocWriter.h"
#include "NativeDocumentWriter.h"
#include "SampleTranscript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

QString html(const word::Document& document) {
    QString out = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\n");
    for (const word::Paragraph& paragraph : document.paragraphs) {
        out += paragraph.alignment == word::Alignment::Centre ? "<p align=\"center\">" : "<p>";
        for (const word::Run& run : paragraph.runs) {
            QString text = run.text.toHtmlEscaped();
            text.replace(u' ', QChar(0xA0));
            out += QStringLiteral("<span style=\"font-size:%1pt;font-family:SimSun;%2%3\">%4</span>")
                       .arg(run.format.halfPoints / 2.0)
                       .arg(run.format.bold ? "font-weight:bold;" : "")
                       .arg(run.format.underline ? "text-decoration:underline;" : "")
                       .arg(text);
        }
        out += "</p>\n";
    }
    return out + "</body></html>\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: write_transcript OUT.doc [--html OUT.html] [--repeat N]\n");
        return 2;
    }
    word::NativeDocumentWriter writer;
    writer.start();
    writer.connect();
    const QString blank = args[1] + ".blank.doc";
    QFile blankFile(blank);
    if (!blankFile.open(QIODevice::WriteOnly) || blankFile.write(word::blankDocumentBytes()) <= 0)
        return 1;
    blankFile.close();
    if (!writer.open(blank)) {
        std::fprintf(stderr, "%s\n", qPrintable(writer.lastError()));
        return 1;
    }
    QFile::remove(blank);
    word::sample::typeTranscript(writer);
    int repeat = 1;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        if (args[i] == "--html") {
            QFile file(args[i + 1]);
            if (!file.open(QIODevice::WriteOnly))
                return 1;
            file.write(html(*writer.document()).toUtf8());
        } else if (args[i] == "--repeat") {
            repeat = std::max(1, args[i + 1].toInt());
        }
    }
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeat; ++i)
        if (!writer.saveAs(args[1])) {
            std::fprintf(stderr, "%s\n", qPrintable(writer.lastError()));
            return 1;
        }
    std::printf("%.3f ms per document\n", timer.nsecsElapsed() / 1e6 / repeat);
    return 0;
}
