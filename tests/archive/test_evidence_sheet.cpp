// The evidence sheet: its line format read back as written; `quillon sheet` of an inquiry with a
// recording and a capture, its QR code decoded from the page's image by zbarimg into the files'
// SHA-256; and `quillon verify` of that text, passing and then failing on one byte of a recording.
// A sheet of many recordings with their time marks runs over several pages read back by pdftotext,
// every file and mark on them and the QR code on the last.
#include "ArchiveFixture.h"

#include "archive/Archive.h"
#include "archive/EvidenceSheetFacts.h"
#include "archive/Locations.h"

#include "platform/ArchiveJournal.h"
#include "platform/TimeMarks.h"

using namespace archivetest;

namespace {

Ran tool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString kDigest = QString(64, u'a');

} // namespace

TEST(EvidenceSheet, ItsTextReadsBackWithOneMeaningForEveryLine) {
    const sheet::Sheet written{"2013.2.3-宏达公司-张三",
                               "2013-02-03",
                               "宏达\t公司",
                               "张三\n李",
                               "李四、王五",
                               {{sheet::kRecording, "询问 张三.wav", kDigest, 100000, "2013-02-03T09:10:00", 95},
                                {sheet::kTemplate, "2013.2.3-宏达公司-张三.ini", QString(64, u'b'), 812}},
                               QString(64, u'c'),
                               "2013-02-03T10:40:00Z"};
    const std::optional<sheet::Sheet> read = sheet::readSheetText(sheet::sheetText(written));
    ASSERT_TRUE(read);
    sheet::Sheet expected = written;
    expected.unit = "宏达 公司";
    expected.interviewee = "张三 李";
    EXPECT_EQ(*read, expected);
    // The brief form keeps every file's digest and size.
    const std::optional<sheet::Sheet> brief = sheet::readSheetText(sheet::sheetText(written, true));
    ASSERT_TRUE(brief);
    EXPECT_EQ(brief->files.value(0).sha256, kDigest);
    EXPECT_EQ(brief->files.value(0).seconds, -1);

    EXPECT_FALSE(sheet::readSheetText("quillon-sheet 2\nfile\trecording\ta.wav\t" + kDigest + "\t1\n"));
    EXPECT_FALSE(sheet::readSheetText("quillon-sheet 1\nfile\trecording\ta.wav\tnot-a-digest\t1\n"));
    EXPECT_TRUE(sheet::readSheetText("quillon-sheet 1\nlater-key\tx\n"));
    for (const char* name : {"../custody.log", "BL/a.wav", "..", "a\\b.wav"})
        EXPECT_FALSE(sheet::readSheetText("quillon-sheet 1\nfile\trecording\t" + QString::fromUtf8(name) + u'\t' +
                                          kDigest + "\t1\n"))
            << name;
}

TEST(EvidenceSheet, ItsQrCodeGivesBackTheFilesAndVerifyFindsAChangedByte) {
    QTemporaryDir home;
    const QString dir = home.filePath("program");
    QDir().mkpath(dir);
    ASSERT_EQ(quillon(dir, {"compose", qEnvironmentVariable("QUILLON_BINARY_DIR") + "/example.ini"}).exitCode, 0);
    const QString inquiry = QStringLiteral("2012.11.30-宏达建筑工程有限公司-张建国");
    const QString templatePath = dir + "/BL/" + inquiry + ".ini";
    writeEvidence(dir + "/BL/2012年11月30日9时10分.avi", 300000);
    const QString recording = writeEvidence(dir + "/BL/询问 张建国.wav", 100000);
    {
        archive::Archive a(dir, archive::Archive::Work::AtOnce,
                           [](const QString& text) { FAIL() << text.toStdString(); });
        ASSERT_TRUE(a.log(archive::custody::kLinked, inquiry, {archive::custodyFile(dir, recording)}));
    }

    const QString pdf = home.filePath("校验单.pdf");
    const Ran made = quillon(dir, {"sheet", templatePath, "--pdf", pdf});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    ASSERT_EQ(tool("pdftoppm", {"-r", "200", "-png", "-singlefile", pdf, home.filePath("page")}).exitCode, 0);
    const Ran decoded = tool("zbarimg", {"-q", "--raw", "-Sbinary", home.filePath("page.png")});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err.toStdString();
    const std::optional<sheet::Sheet> read = sheet::readSheetText(decoded.out);
    ASSERT_TRUE(read) << decoded.out.toStdString();

    EXPECT_EQ(read->inquiry, inquiry);
    EXPECT_EQ(read->interviewee, "张建国");
    EXPECT_EQ(read->head, archive::custodyHead(dir));
    QHash<QString, QString> digests;
    for (const sheet::SheetFile& file : read->files)
        digests.insert(file.name, file.sha256);
    const QStringList expected{inquiry + ".doc", inquiry + ".ini", "2012年11月30日9时10分.avi", "询问 张建国.wav"};
    EXPECT_EQ(digests.size(), expected.size()) << decoded.out.toStdString();
    for (const QString& name : expected)
        EXPECT_EQ(digests.value(name), fingerprint::sha256Hex(dir + "/BL/" + name)) << name.toStdString();

    // The decoded text, kept apart from the files: they are found in the program directory's BL/.
    const Ran shown = tool("pdftotext", {pdf, "-"});
    EXPECT_TRUE(shown.out.contains("时间标记：（没有时间标记）")) << shown.out.toStdString();
    EXPECT_FALSE(shown.out.contains("第 1 页")) << shown.out.toStdString();

    const QString text = home.filePath("扫描/校验单.txt");
    QDir().mkpath(home.filePath("扫描"));
    writeFile(text, decoded.out.toUtf8());
    Ran verified = quillon(dir, {"verify", text});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString() << verified.err.toStdString();
    EXPECT_EQ(verified.out.count(": OK"), expected.size()) << verified.out.toStdString();

    QByteArray bytes = readFile(recording);
    bytes[5000] = char(bytes[5000] ^ 1);
    writeFile(recording, bytes);
    verified = quillon(dir, {"verify", text});
    EXPECT_EQ(verified.exitCode, 1) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("询问 张建国.wav: FAILED（SHA-256 与校验单不符）")) << verified.out.toStdString();
    EXPECT_EQ(verified.out.count(": OK"), expected.size() - 1) << verified.out.toStdString();
}

TEST(EvidenceSheet, ManyRecordingsAndTheirMarksRunOnToFurtherPagesWithNoRowLost) {
    QTemporaryDir home;
    const QString dir = home.filePath("program");
    const QString templatePath =
        writeTemplate(dir, {"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}});
    const QString inquiry = QFileInfo(templatePath).completeBaseName();
    // As many recordings as a QR code's text holds, with four marks each.
    constexpr int kRecordings = 16;
    QStringList markLines;
    {
        archive::Archive a(dir, archive::Archive::Work::AtOnce,
                           [](const QString& text) { FAIL() << text.toStdString(); });
        a.record({JournalEvent::Kind::Opened, inquiry, {templatePath}});
        for (int n = 1; n <= kRecordings; ++n) {
            const QString name = QStringLiteral("询问录音%1.wav").arg(n);
            const QList<timemarks::Mark> marks{{"问1", 60 * n}, {"答1", 90 * n}, {"问2", 600 * n}, {"答2", 3600 + n}};
            a.record({JournalEvent::Kind::RecordingSaved,
                      {},
                      {writeEvidence(dir + "/BL/" + name, 5000 + n)},
                      timemarks::journalDetails(marks)});
            for (const timemarks::Mark& mark : marks)
                markLines << mark.line + u' ' + name + u' ' + timemarks::offsetText(mark.seconds);
        }
    }

    const QString pdf = home.filePath("校验单.pdf");
    const Ran made = quillon(dir, {"sheet", templatePath, "--pdf", pdf});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const Ran shown = tool("pdftotext", {pdf, "-"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QStringList pages = shown.out.split(u'\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 3) << shown.out.toStdString();
    for (int n = 1; n <= pages.size(); ++n)
        EXPECT_TRUE(pages[n - 1].contains(QStringLiteral("%1 第 %2 页 共 %3 页").arg(inquiry).arg(n).arg(pages.size())))
            << pages[n - 1].toStdString();

    // pdftotext gives a full-width space as a space. Each file's line and digest once, on one page,
    // and every mark once.
    EXPECT_EQ(shown.out.count("SHA-256 "), kRecordings + 1) << shown.out.toStdString();
    for (const QString& page : pages)
        EXPECT_EQ(page.count("SHA-256 "), page.count("录音：询问录音") + page.count("笔录模板："))
            << page.toStdString();
    for (int n = 1; n <= kRecordings; ++n)
        EXPECT_EQ(shown.out.count(QStringLiteral("录音：询问录音%1.wav ").arg(n)), 1) << n;
    for (const QString& line : markLines)
        EXPECT_EQ(shown.out.count(line), 1) << line.toStdString() << shown.out.toStdString();
    EXPECT_LT(shown.out.indexOf(QStringLiteral("录音：询问录音%1.wav").arg(kRecordings)),
              shown.out.indexOf(markLines.first()));
    EXPECT_TRUE(pages.last().contains("被询问人签名")) << pages.last().toStdString();

    // The QR code closes the last page and still names every file.
    const QString last = QString::number(pages.size());
    ASSERT_EQ(tool("pdftoppm", {"-r", "200", "-png", "-f", last, "-l", last, "-singlefile", pdf, home.filePath("last")})
                  .exitCode,
              0);
    const Ran decoded = tool("zbarimg", {"-q", "--raw", "-Sbinary", home.filePath("last.png")});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err.toStdString();
    const std::optional<sheet::Sheet> read = sheet::readSheetText(decoded.out);
    ASSERT_TRUE(read) << decoded.out.toStdString();
    EXPECT_EQ(read->files.size(), kRecordings + 1);
}
