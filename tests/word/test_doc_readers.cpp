// Our .doc files as the independent readers see them: the container, POI's formats, LibreOffice's
// text, PDF and docx, antiword, wvText and catdoc.
#include "DocWriter.h"
#include "PageLayout.h"
#include "ReaderTools.h"
#include "SampleTranscript.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace word;

namespace {

// A document long enough to need several character and paragraph formatting pages.
Document manyRunsDocument() {
    Document document = blankDocument();
    Caret caret;
    for (int i = 0; i < 240; ++i) {
        const CharFormat a{i % 2 == 0, 20 + 2 * (i % 7), i % 3 == 0};
        const CharFormat b{i % 2 != 0, 28, i % 3 != 0};
        typeText(document, caret, QStringLiteral("第%1段 ").arg(i), a);
        typeText(document, caret, QStringLiteral("text %1 文字").arg(i), b);
        document.paragraphs[caret.paragraph].alignment = i % 3 == 0 ? Alignment::Centre : Alignment::Left;
        typeText(document, caret, QStringLiteral("\r\n"), b);
    }
    return document;
}

QString squeeze(QString text) {
    text.remove(QRegularExpression("\\s"));
    return text;
}

// Every paragraph's text appears in the output, in order, whitespace aside.
void expectTextInOrder(const Document& document, const QString& output, const char* reader) {
    const QString haystack = squeeze(output);
    qsizetype at = 0;
    for (const Paragraph& paragraph : document.paragraphs) {
        const QString needle = squeeze(paragraph.text());
        if (needle.isEmpty())
            continue;
        const qsizetype found = haystack.indexOf(needle, at);
        ASSERT_GE(found, 0) << reader << " lost or reordered: " << qPrintable(paragraph.text());
        at = found + needle.size();
    }
}

class DocReaders : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        transcript = new Document(tools::writeSampleTranscript(path("transcript.doc")));
        onePair = new Document(tools::writeSampleTranscript(path("onepair.doc"), 1));
        fourteen = new Document(tools::writeSampleTranscript(path("fourteen.doc"), 14));
        manyRuns = new Document(manyRunsDocument());
        ASSERT_TRUE(saveDoc(*manyRuns, path("manyruns.doc")));
        QFile blank(path("blank.doc"));
        ASSERT_TRUE(blank.open(QIODevice::WriteOnly));
        blank.write(blankDocumentBytes());
    }
    static void TearDownTestSuite() {
        delete transcript;
        delete onePair;
        delete fourteen;
        delete manyRuns;
        delete dir;
    }
    static QString path(const QString& name) { return dir->filePath(name); }
    static QStringList allDocs() {
        return {path("transcript.doc"), path("onepair.doc"), path("fourteen.doc"), path("manyruns.doc"),
                path("blank.doc")};
    }
    static QString readFile(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    static inline QTemporaryDir* dir = nullptr;
    static inline Document* transcript = nullptr;
    static inline Document* onePair = nullptr;
    static inline Document* fourteen = nullptr;
    static inline Document* manyRuns = nullptr;
};

TEST_F(DocReaders, compoundFileIsWellFormedForOlefile) {
    const QString script = QStringLiteral("import olefile,sys\n"
                                          "o=olefile.OleFileIO(sys.argv[1])\n"
                                          "print(sorted('/'.join(e) for e in o.listdir()))\n"
                                          "print(o.root.clsid)\n"
                                          "print(o.get_size('WordDocument'))\n"
                                          "print(o.get_metadata().codepage)\n");
    for (const QString& doc : allDocs()) {
        const auto output = tools::run("/usr/bin/python3", {"-c", script, doc});
        ASSERT_TRUE(output && output->exitCode == 0) << (output ? qPrintable(output->err) : "python3 did not run");
        const QStringList lines = output->out.split(u'\n');
        EXPECT_EQ(lines[0], "['\\x01CompObj', '\\x05SummaryInformation', '1Table', 'WordDocument']");
        EXPECT_EQ(lines[1], "00020906-0000-0000-C000-000000000046");
        EXPECT_GE(lines[2].toInt(), 4096) << "antiword refuses a WordDocument stream in the mini stream";
        EXPECT_EQ(lines[2].toInt() % 512, 0);
        EXPECT_EQ(lines[3], "1200");
    }
}

TEST_F(DocReaders, poiReadsEveryRunAndParagraphAsWritten) {
    for (const auto& [file, document] :
         {std::pair{path("transcript.doc"), transcript}, std::pair{path("manyruns.doc"), manyRuns},
          std::pair{path("onepair.doc"), onePair}}) {
        const std::optional<QStringList> dump = tools::hwpfDump(file);
        ASSERT_TRUE(dump) << "POI could not read " << qPrintable(file);
        ASSERT_FALSE(dump->isEmpty());
        EXPECT_EQ(dump->first(), "SECTION 11906 16838 1474 1134 1361 1134");
        const QStringList expected = tools::formatListing(*document, true);
        const QStringList actual = tools::mergeListing(dump->mid(1));
        for (qsizetype i = 0; i < std::min(expected.size(), actual.size()); ++i)
            ASSERT_EQ(actual[i].toStdString(), expected[i].toStdString()) << qPrintable(file) << " entry " << i;
        EXPECT_EQ(actual.size(), expected.size()) << qPrintable(file);
    }
}

TEST_F(DocReaders, libreOfficeTextHasExactlyOurParagraphs) {
    const QString out = path("txt");
    ASSERT_TRUE(tools::convertWithLibreOffice(allDocs(), "txt:Text (encoded):UTF8", out, path("profile")));
    for (const auto& [name, document] :
         {std::pair{QString("transcript"), transcript}, std::pair{QString("manyruns"), manyRuns},
          std::pair{QString("fourteen"), fourteen}}) {
        QString text = readFile(out + "/" + name + ".txt");
        ASSERT_FALSE(text.isEmpty()) << "no text from " << qPrintable(name);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        text.replace("\r\n", "\n");
        if (text.endsWith(u'\n'))
            text.chop(1);
        EXPECT_EQ(text, document->plainText()) << qPrintable(name);
    }
    const QString blank = readFile(out + "/blank.txt").trimmed();
    EXPECT_TRUE(blank.isEmpty() || blank == QChar(0xFEFF));
}

TEST_F(DocReaders, libreOfficePdfHasAsManyPagesAsOurRenderer) {
    const QString out = path("pdf");
    ASSERT_TRUE(tools::convertWithLibreOffice({path("transcript.doc"), path("onepair.doc"), path("fourteen.doc")},
                                              "pdf", out, path("profile")));
    EXPECT_EQ(tools::pdfPageCount(out + "/transcript.pdf"), 3);
    EXPECT_EQ(layOutPages(*transcript).size(), 3);
    EXPECT_EQ(tools::pdfPageCount(out + "/onepair.pdf"), layOutPages(*onePair).size());
    EXPECT_EQ(tools::pdfPageCount(out + "/fourteen.pdf"), layOutPages(*fourteen).size());
    const auto text = tools::run("pdftotext", {"-layout", out + "/transcript.pdf", "-"});
    ASSERT_TRUE(text);
    EXPECT_EQ(text->out.count(QStringLiteral("页第")), 3) << "the footer is on every page";
    EXPECT_EQ(text->out.count(sample::kFooterLine1), 3);
}

struct DocxContent {
    QStringList listing;
    QString sectPr;
    QString footer;
};

// Paragraph formats and run formats from WordprocessingML, in the listing's shape. A page break
// ending a paragraph counts as the next paragraph's page break before it.
QStringList listDocx(const QString& xml, QString* sectPr) {
    QStringList lines;
    QXmlStreamReader reader(xml);
    struct ParagraphLine {
        qsizetype at = -1;
        bool centred = false;
        QString spacing;
        QString tab;
        bool pageBreak = false;
    } paragraph;
    bool breakPending = false;
    bool inRun = false;
    bool inRunProps = false;
    bool bold = false;
    bool underline = false;
    int size = 0;
    QString text;
    while (!reader.atEnd()) {
        reader.readNext();
        const QString name = reader.qualifiedName().toString();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.isStartElement()) {
            if (name == "w:p") {
                paragraph = ParagraphLine{lines.size(), false, {}, {}, breakPending};
                breakPending = false;
                lines << QString();
            } else if (name == "w:jc") {
                paragraph.centred = attributes.value("w:val") == QLatin1String("center");
            } else if (name == "w:spacing" && attributes.value("w:lineRule") == QLatin1String("exact")) {
                paragraph.spacing = attributes.value("w:line").toString();
            } else if (name == "w:tab" && !inRun && attributes.value("w:val") == QLatin1String("right")) {
                paragraph.tab = attributes.value("w:pos").toString();
            } else if (name == "w:pageBreakBefore") {
                paragraph.pageBreak = true;
            } else if (name == "w:br" && attributes.value("w:type") == QLatin1String("page")) {
                breakPending = true;
            } else if (name == "w:r") {
                inRun = true;
                bold = underline = false;
                size = 0;
                text.clear();
            } else if (name == "w:rPr" && inRun) {
                inRunProps = true;
            } else if (inRunProps && name == "w:b") {
                const auto v = attributes.value("w:val");
                bold = v.isEmpty() || v == QLatin1String("true") || v == QLatin1String("1");
            } else if (inRunProps && name == "w:sz") {
                size = attributes.value("w:val").toInt();
            } else if (inRunProps && name == "w:u") {
                underline = attributes.value("w:val") != QLatin1String("none");
            } else if (inRun && name == "w:t") {
                text += reader.readElementText();
            } else if (inRun && name == "w:tab") {
                text += u'\t';
            } else if (name == "w:sectPr") {
                const qint64 start = reader.characterOffset();
                reader.skipCurrentElement();
                *sectPr = xml.mid(start, reader.characterOffset() - start);
            }
        } else if (reader.isEndElement()) {
            if (name == "w:rPr")
                inRunProps = false;
            if (name == "w:r") {
                inRun = false;
                if (!text.isEmpty())
                    lines
                        << QStringLiteral("R %1 %2 %3 %4").arg(bold ? 1 : 0).arg(size).arg(underline ? 1 : 0).arg(text);
            }
            if (name == "w:p" && paragraph.at >= 0) {
                QString& line = lines[paragraph.at];
                line = paragraph.centred ? "P 1" : "P 0";
                if (!paragraph.spacing.isEmpty())
                    line += " line=" + paragraph.spacing;
                if (!paragraph.tab.isEmpty())
                    line += " tab=" + paragraph.tab;
                if (paragraph.pageBreak)
                    line += " break";
            }
        }
    }
    return tools::mergeListing(lines);
}

TEST_F(DocReaders, libreOfficeDocxHasOurFormatsPageSetupAndFooter) {
    const QString out = path("docx");
    ASSERT_TRUE(tools::convertWithLibreOffice({path("transcript.doc")}, "docx", out, path("profile")));
    const auto document = tools::run("unzip", {"-p", out + "/transcript.docx", "word/document.xml"});
    ASSERT_TRUE(document && !document->out.isEmpty());
    QString sectPr;
    const QStringList listing = listDocx(document->out, &sectPr);
    EXPECT_EQ(listing, tools::formatListing(*transcript, false));
    EXPECT_TRUE(sectPr.contains(QStringLiteral("<w:pgSz w:w=\"11906\" w:h=\"16838\"/>"))) << qPrintable(sectPr);
    for (const char* margin :
         {"w:left=\"1361\"", "w:right=\"1134\"", "w:top=\"1474\"", "w:bottom=\"1134\"", "w:footer=\"992\""})
        EXPECT_TRUE(sectPr.contains(QLatin1String(margin))) << margin;
    EXPECT_TRUE(sectPr.contains("<w:docGrid w:type=\"lines\" w:linePitch=\"312\""));
    const auto footers = tools::run("unzip", {"-p", out + "/transcript.docx", "word/footer*.xml"});
    ASSERT_TRUE(footers);
    QString footerText;
    QXmlStreamReader reader(footers->out);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("t"))
            footerText += reader.readElementText();
    EXPECT_EQ(footerText, transcriptFooter());
}

TEST_F(DocReaders, antiwordWvTextAndCatdocPrintOurText) {
    const auto antiword = tools::run("antiword", {"-m", "UTF-8.txt", "-w", "0", path("transcript.doc")});
    ASSERT_TRUE(antiword && antiword->exitCode == 0) << (antiword ? qPrintable(antiword->err) : "");
    expectTextInOrder(*transcript, antiword->out, "antiword");

    const auto catdoc = tools::run("catdoc", {"-d", "utf-8", "-w", path("transcript.doc")});
    ASSERT_TRUE(catdoc && catdoc->exitCode == 0);
    expectTextInOrder(*transcript, catdoc->out, "catdoc");
    EXPECT_TRUE(squeeze(catdoc->out).contains(squeeze(transcriptFooter())));

    const QString wvOut = path("wv.txt");
    const auto wv = tools::run("wvText", {path("transcript.doc"), wvOut});
    ASSERT_TRUE(wv && wv->exitCode == 0) << (wv ? qPrintable(wv->err) : "");
    expectTextInOrder(*transcript, readFile(wvOut), "wvText");

    const auto many = tools::run("antiword", {"-m", "UTF-8.txt", "-w", "0", path("manyruns.doc")});
    ASSERT_TRUE(many && many->exitCode == 0);
    expectTextInOrder(*manyRuns, many->out, "antiword");
}

} // namespace
