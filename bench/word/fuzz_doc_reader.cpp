// Feeds the document reader mutated files for a bounded time: bytes flipped, ranges copied,
// truncations, in the container or inside its streams. Each input is written to the crash file
// before it is read, so a crash leaves its reproducer behind.
#include "DocReader.h"
#include "DocStreams.h"
#include "DocWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

namespace {

word::Document seedDocument() {
    word::Document document = word::blankDocument();
    word::Caret caret;
    for (int i = 0; i < 80; ++i)
        word::typeText(document, caret, QStringLiteral("问：第%1行 text\r\n").arg(i),
                       word::CharFormat{i % 2 == 0, 28, i % 3 == 0});
    return document;
}

void mutate(QByteArray& bytes, QRandomGenerator& random) {
    if (bytes.isEmpty())
        return;
    switch (random.bounded(4)) {
    case 0:
        for (int i = 0, n = 1 + random.bounded(16); i < n; ++i)
            bytes[random.bounded(bytes.size())] = char(random.bounded(256));
        break;
    case 1: {
        const qsizetype from = random.bounded(bytes.size());
        const qsizetype to = random.bounded(bytes.size());
        const qsizetype length =
            std::min<qsizetype>({qsizetype(random.bounded(64)), bytes.size() - from, bytes.size() - to});
        bytes.replace(to, length, bytes.mid(from, length));
        break;
    }
    case 2:
        bytes.truncate(random.bounded(bytes.size()));
        break;
    default:
        for (int i = 0, n = 1 + random.bounded(4); i < n; ++i) {
            const qsizetype at = random.bounded(bytes.size() - 3 > 0 ? bytes.size() - 3 : 1);
            const quint32 value = random.bounded(3) == 0 ? 0xFFFFFFFFu : random.generate();
            for (int k = 0; k < 4 && at + k < bytes.size(); ++k)
                bytes[at + k] = char(value >> (8 * k));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args[1].toInt() : 60;
    const QString crashFile = args.size() > 2 ? args[2] : QStringLiteral("fuzz-current.doc");
    QList<QByteArray> seeds{word::writeDoc(seedDocument()), word::blankDocumentBytes()};
    for (int i = 3; i < args.size(); ++i) {
        QFile file(args[i]);
        if (file.open(QIODevice::ReadOnly))
            seeds << file.readAll();
    }
    const word::DocStreams streams = word::buildDocStreams(seedDocument());
    QRandomGenerator random(QRandomGenerator::system()->generate());
    QElapsedTimer timer;
    timer.start();
    long runs = 0;
    long refused = 0;
    while (timer.elapsed() < seconds * 1000LL) {
        QByteArray input;
        if (random.bounded(2)) {
            input = seeds[random.bounded(seeds.size())];
            mutate(input, random);
        } else {
            word::DocStreams damaged = streams;
            mutate(random.bounded(2) ? damaged.table : damaged.wordDocument, random);
            input = word::packDocStreams(damaged);
        }
        QFile file(crashFile);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(input);
            file.close();
        }
        QString error;
        refused += word::readDocumentBytes(input, &error) ? 0 : 1;
        ++runs;
    }
    QFile::remove(crashFile);
    std::printf("%ld inputs read in %d s, %ld refused, no crash\n", runs, seconds, refused);
    return 0;
}
