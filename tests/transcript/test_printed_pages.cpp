// Transcripts with real answers composed and printed through the CUPS PDF queue: every page ends
// with the two signature lines right above the page footer, no page starts with them, the text is
// whole, in order and in its own characters, and the saved document lays out on the same pages. The
// office suite shows the saved document on the same pages.
#include "CupsQueue.h"
#include "ReaderTools.h"
#include "TestRecords.h"
#include "TestServices.h"

#include "transcript/ConsoleDialogs.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/TranscriptCommands.h"
#include "transcript/word/DocReader.h"
#include "transcript/word/NativeDocumentWriter.h"
#include "transcript/word/PageLayout.h"

#include "transcript/word/Printing.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kHang1 = QStringLiteral("被询问人签名：");
const QString kHang2 = QStringLiteral("询问人签名：");
// The body's bottom and a 14 pt line on the lines grid, in points: the page footer sits below.
constexpr double kBodyBottom = (16838 - 992 - 1.44 * 210) / 20.0;
constexpr double kLine = 31.2;

// Answer text of about the given number of em, with the punctuation and numbers of real answers.
QString prose(int ems) {
    const QString source = QStringLiteral("我们在二零一二年七月到工地检查，发现公司拖欠二十三名农民工的工资。"
                                          "经核实，拖欠数额共计41.6万元；公司承诺十二月十五日前付清！");
    QString text;
    while (text.size() < ems)
        text += source;
    return QStringLiteral("答：") + text.left(ems);
}

QString question(int pair) {
    return QStringLiteral("问：第%1个问题，请说明当时的情况？").arg(pair);
}

struct Word {
    QString text;
    double yMin = 0;
    double yMax = 0;
};

QList<QList<Word>> wordsByPage(const QString& pdf) {
    QProcess process;
    process.start("pdftotext", {"-bbox", pdf, "-"});
    EXPECT_TRUE(process.waitForFinished(60000));
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression item(
        R"re(<page |<word xMin="[0-9.]+" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="([0-9.]+)">([^<]*)</word>)re");
    QList<QList<Word>> pages;
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(0).startsWith("<page"))
            pages.append(QList<Word>());
        else if (!pages.isEmpty())
            pages.last() << Word{match.captured(3), match.captured(1).toDouble(), match.captured(2).toDouble()};
    }
    return pages;
}

class TranscriptPages : public ::testing::Test {
protected:
    // Saves the record as the save command does into NAME.doc, where NAME is the interviewee, checks
    // that the saved document lays out on the pages of the composed one and hands that to print.
    QString save(record::TranscriptRecord r, const std::function<bool(word::DocumentWriter&)>& print) {
        QTextStream err(stderr);
        transcript::ConsoleDialogs dialogs(err, Dialogs::Answer::Yes);
        transcript::NativeWordEngine engine(&word::pageRenderer());
        RecordingJournal journal;
        transcript::CommandEnv env{dialogs,
                                   engine,
                                   dir.path(),
                                   [](const QString& key) { return key == "hang1" ? kHang1 : kHang2; },
                                   [] { return true; },
                                   journal};
        transcript::SaveOptions options;
        options.documentPath = dir.filePath(r["num10"] + ".doc");
        options.afterSave = [&](word::DocumentWriter& writer) {
            const word::Document& composed = *dynamic_cast<word::NativeDocumentWriter&>(writer).document();
            QString error;
            const std::optional<word::Document> reread = word::readDocumentFile(options.documentPath, &error);
            EXPECT_TRUE(reread) << error.toStdString();
            if (reread) {
                EXPECT_TRUE(word::layOutPages(*reread) == word::layOutPages(composed))
                    << "the preview of the saved file shows the printed pages";
            }
            return print(writer);
        };
        EXPECT_TRUE(transcript::saveTranscript(r, env, options));
        return options.documentPath;
    }

    QTemporaryDir dir;
};

class PrintedPages : public TranscriptPages {
protected:
    void SetUp() override {
        if (!cups::schedulerRunning())
            GTEST_SKIP() << "no CUPS scheduler: ./test.sh starts one with a PDF queue";
    }

    // Saves the record and prints the composed document on the default printer; the PDF the queue
    // wrote, found by the name.
    QString print(const record::TranscriptRecord& r) {
        QStringList before;
        save(r, [&](word::DocumentWriter& writer) {
            before = cups::pdfs();
            return writer.print();
        });
        QString pdf;
        for (int i = 0; i < 600 && pdf.isEmpty(); ++i) {
            QTest::qWait(100);
            pdf = cups::newPdfWith(before, r["num10"]);
        }
        return pdf;
    }

    // Every page ends with the signature lines, the second right above the page footer; nothing
    // but the page footer is below them and no page starts with them.
    static void expectSignatureLinesCloseEveryPage(const QList<QList<Word>>& pages) {
        ASSERT_GE(pages.size(), 2);
        for (qsizetype p = 0; p < pages.size(); ++p) {
            const QList<Word>& words = pages[p];
            const auto find = [&](const QString& text) {
                return std::find_if(words.begin(), words.end(), [&](const Word& w) { return w.text == text; });
            };
            const auto first = find(kHang1);
            const auto second = find(kHang2);
            ASSERT_TRUE(first != words.end() && second != words.end()) << "page " << p + 1;
            EXPECT_GT(second->yMin, first->yMax - 1) << "page " << p + 1;
            EXPECT_GT(second->yMax, kBodyBottom - kLine) << "page " << p + 1 << ": not at the page's end";
            for (auto w = words.begin(); w != words.end(); ++w) {
                if (w != first && w != second && w->yMax < kBodyBottom) {
                    EXPECT_LT(w->yMax, first->yMin + 1) << "page " << p + 1 << ": " << w->text.toStdString();
                }
            }
            if (p > 0) {
                EXPECT_TRUE(words.first().text != kHang1 && words.first().text != kHang2) << "page " << p + 1;
            }
        }
    }

    // The text of the pages without signature lines and page footers, spaces left out.
    static QString bodyText(const QList<QList<Word>>& pages) {
        QString text;
        for (const QList<Word>& words : pages)
            for (const Word& w : words)
                if (w.text != kHang1 && w.text != kHang2 && w.yMin < kBodyBottom)
                    text += w.text;
        return text;
    }

    static QString expectedBody(const record::TranscriptRecord& r) {
        QString text;
        for (int pair = 1; pair <= record::kPairs; ++pair)
            if (!r[record::question(pair).key].isEmpty())
                text += r[record::question(pair).key] + r[record::answer(pair).key];
        return text;
    }

    // No printed line begins with closing punctuation.
    static void expectNoLineStartsWithClosingPunctuation(const QString& pdf) {
        QProcess process;
        process.start("pdftotext", {"-layout", pdf, "-"});
        ASSERT_TRUE(process.waitForFinished(60000));
        for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
            const QString text = line.trimmed();
            EXPECT_FALSE(!text.isEmpty() && QStringLiteral("，。、；：？！）》」』”").contains(text[0]))
                << text.toStdString();
        }
    }
};

TEST_F(PrintedPages, AnswersOfSeveralLinesALongAnswerAWrappingAddressAndEmptyPairs) {
    record::TranscriptRecord r = testrecords::particulars();
    r["num10"] = QStringLiteral("马日月");
    r["num19"] = QStringLiteral("吉林省Kelmar市朝阳区人民大街1208号宏达建筑工程有限公司职工宿舍三号楼二单元");
    const QList<std::pair<int, int>> answers{{1, 20}, {2, 50},  {3, 85},   {7, 120}, {8, 800},
                                             {9, 50}, {10, 20}, {11, 120}, {12, 85}};
    for (const auto& [pair, ems] : answers) {
        r[record::question(pair).key] = question(pair);
        r[record::answer(pair).key] = prose(ems);
    }
    const QString pdf = print(r);
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF from the queue";
    const QList<QList<Word>> pages = wordsByPage(pdf);
    expectSignatureLinesCloseEveryPage(pages);
    const QString body = bodyText(pages);
    EXPECT_TRUE(body.contains(expectedBody(r))) << body.toStdString();
    expectNoLineStartsWithClosingPunctuation(pdf);
}

TEST_F(PrintedPages, TwentyFourPairsOfFourLineAnswers) {
    record::TranscriptRecord r = testrecords::particulars();
    r["num10"] = QStringLiteral("月人页");
    for (int pair = 1; pair <= record::kPairs; ++pair) {
        r[record::question(pair).key] = question(pair);
        r[record::answer(pair).key] = prose(120);
    }
    const QString pdf = print(r);
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF from the queue";
    const QList<QList<Word>> pages = wordsByPage(pdf);
    expectSignatureLinesCloseEveryPage(pages);
    EXPECT_TRUE(bodyText(pages).contains(expectedBody(r)));
}

// The text of each page of a PDF file, as pdftotext lays it out.
QStringList pageTexts(const QString& pdf) {
    QStringList pages;
    for (int page = 1; page <= word::tools::pdfPageCount(pdf); ++page) {
        const auto text = word::tools::run(
            "pdftotext", {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
        pages << (text ? text->out : QString());
    }
    return pages;
}

QString withoutSpaces(QString text) {
    static const QRegularExpression space("\\s");
    return text.remove(space);
}

// The saved document in the office suite: the pages our renderer prints, each with the same text
// and ending with the signature lines right above the page footer, whatever the suite's fonts make
// of the lines' heights and the underlines' lengths. Blank answers, lines filled to the margin, an
// answer running over pages and a wrapping address are among them.
TEST_F(TranscriptPages, TheOfficeSuiteShowsOurPages) {
    record::TranscriptRecord r = testrecords::particulars();
    r["num10"] = QStringLiteral("牛页边");
    r["num19"] = QStringLiteral("吉林省Kelmar市朝阳区人民大街1208号宏达建筑工程有限公司职工宿舍三号楼二单元");
    const QList<std::pair<int, int>> answers{{1, 20},  {2, 31}, {3, 85},   {4, -1},  {6, 64}, {7, 120},
                                             {8, 800}, {9, 50}, {11, 120}, {12, 85}, {13, 0}};
    for (const auto& [pair, ems] : answers) {
        r[record::question(pair).key] = question(pair);
        r[record::answer(pair).key] = ems < 0 ? QString() : prose(ems);
    }
    const QString ours = dir.filePath("ours.pdf");
    const QString doc = save(r, [&](word::DocumentWriter& writer) { return writer.print({{}, ours}); });
    ASSERT_TRUE(word::tools::convertWithLibreOffice({doc}, "pdf", dir.filePath("office"), dir.filePath("profile")));
    const QString officePdf = dir.filePath(QStringLiteral("office/牛页边.pdf"));
    const QStringList office = pageTexts(officePdf);
    const QList<QList<Word>> officeWords = wordsByPage(officePdf);
    const QStringList printed = pageTexts(ours);
    ASSERT_GE(printed.size(), 4);
    ASSERT_EQ(office.size(), printed.size());
    for (qsizetype page = 0; page < office.size(); ++page) {
        EXPECT_EQ(withoutSpaces(office[page]), withoutSpaces(printed[page])) << "page " << page + 1;
        QStringList lines = office[page].split(u'\n');
        lines.removeIf([](const QString& line) { return line.trimmed().isEmpty(); });
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines.mid(lines.size() - 3).replaceInStrings(QRegularExpression("\\s"), QString()),
                  QStringList({kHang1, kHang2, withoutSpaces(word::transcriptFooter())}))
            << "page " << page + 1;
        const QList<Word> words = officeWords.value(page);
        const auto second = std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == kHang2; });
        ASSERT_TRUE(second != words.end()) << "page " << page + 1;
        EXPECT_GT(second->yMax, kBodyBottom - kLine) << "page " << page + 1 << ": not at the page's end";
    }
}

} // namespace