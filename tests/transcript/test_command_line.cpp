// The command line run as the installed program runs it: help, refusals with the menu commands'
// messages, compose from a template made on Windows, over an earlier transcript on a nearly full disk,
// --out, --force and --pdf, a batch of templates, print, and the libraries each command loads, as
// the table of parts in docs/architecture.md gives them.
#include "CupsQueue.h"
#include "ReaderTools.h"
#include "SmallFilesystem.h"
#include "TestServices.h"

#include "transcript/word/DocReader.h"

#include "platform/Fingerprint.h"
#include "platform/Gbk.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

struct CommandLineTest : ::testing::Test {
    QTemporaryDir root;
    QString home = root.path() + "/home";

    void SetUp() override {
        QDir().mkpath(home);
        writeFile(home + "/set.ini", gbkFile(QStringLiteral("[fenye]\nhang1=被询问人签名：\nhang2=询问人签名：\n")));
    }

    Result run(const QStringList& arguments, const QStringList& variables = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUILLON_HOME", home);
        for (const QString& variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillon", arguments);
        EXPECT_TRUE(process.waitForFinished(180000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString example() const { return qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/resources/example/example.ini"; }
    QString exampleDocument() const { return home + QStringLiteral("/BL/2012.11.30-宏达建筑工程有限公司-张建国.doc"); }
};

TEST_F(CommandLineTest, HelpListsTheCommands) {
    const Result r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("quillon compose TEMPLATE.ini [--out FILE.doc] [--pdf FILE.pdf] [--force]"));
    EXPECT_TRUE(r.out.contains("quillon print FILE [--printer NAME]"));
}

TEST_F(CommandLineTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(run({"compose"}).exitCode, 2);
    EXPECT_EQ(run({"compose", "a.ini", "--out"}).exitCode, 2);
    EXPECT_EQ(run({"compose", "a.ini", "--colour"}).exitCode, 2);
    EXPECT_EQ(run({"compose", example(), example(), "--pdf", root.path() + "/a.pdf"}).exitCode, 2);
    EXPECT_EQ(run({"print"}).exitCode, 2);
    // A mistyped command is named, where it would open the window and wait for nobody.
    const Result mistyped = run({"verfiy", root.path() + "/a.doc"});
    EXPECT_EQ(mistyped.exitCode, 2);
    EXPECT_TRUE(mistyped.err.startsWith(QStringLiteral("不认识的命令 verfiy"))) << mistyped.err.toStdString();
    EXPECT_FALSE(QDir(home + "/BL").exists());
}

TEST_F(CommandLineTest, MissingTemplateIsRefusedWithTheOpenMessage) {
    const Result r = run({"compose", root.path() + "/none.ini"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("提示： 没有选择正确的笔录模板 *.ini文件，模板文件保存在 <%1/BL/> 目录中。").arg(home)))
        << r.err.toStdString();
    EXPECT_FALSE(QDir(home + "/BL").exists());
}

TEST_F(CommandLineTest, IncompleteTemplatesAreRefusedWithTheSaveMessages) {
    const QString noUnit = root.path() + "/no-unit.ini";
    writeFile(noUnit, gbkFile(QStringLiteral("[set]\nnum1=2012\nnum6=10\nnum7=30\nnum10=张三\n")));
    Result r = run({"compose", noUnit});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("提 示： 笔录没有录入完成，工作单位等资料都没有添写. ")))
        << r.err.toStdString();

    const QString noEnd = root.path() + "/no-end.ini";
    writeFile(noEnd, gbkFile(QStringLiteral("[set]\nnum1=2012\nnum6=10\nnum16=宏达\n")));
    r = run({"compose", noEnd});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("提 示： 笔录结束时间没有添写！ "))) << r.err.toStdString();

    const QString badName = root.path() + "/bad-name.ini";
    writeFile(badName, gbkFile(QStringLiteral("[set]\nnum1=2012\nnum2=1\nnum3=2\nnum6=10\nnum7=30\nnum16=../宏达\n")));
    r = run({"compose", badName});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("工作单位"))) << r.err.toStdString();

    // Without a date the files would be hidden ones named "..-单位-姓名".
    const QString noDate = root.path() + "/no-date.ini";
    writeFile(noDate, gbkFile(QStringLiteral("[set]\nnum2=11\nnum6=10\nnum7=30\nnum16=宏达\nnum10=张三\n")));
    r = run({"compose", noDate});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("笔录时间的年份、笔录时间的日期没有添写"))) << r.err.toStdString();
    EXPECT_FALSE(QDir(home + "/BL").exists());
}

TEST_F(CommandLineTest, ComposesAWindowsTemplateAndRefusesToOverwriteWithoutForce) {
    Result r = run({"compose", example()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("笔录WORD文件以经保存在 <%1/BL/目录中> ").arg(home)));
    EXPECT_TRUE(r.out.contains(exampleDocument()));

    QString error;
    const std::optional<word::Document> document = word::readDocumentFile(exampleDocument(), &error);
    ASSERT_TRUE(document) << error.toStdString();
    const QString text = document->plainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("vodir询问笔录")));
    EXPECT_TRUE(text.contains(QStringLiteral("问：以上笔录请你看一下，如无误请签字。")));
    EXPECT_TRUE(text.contains(QStringLiteral("  被询问人签名：")));
    // The template is rewritten in the BL directory under its own name, as the save does.
    EXPECT_TRUE(QFile::exists(home + QStringLiteral("/BL/2012.11.30-宏达建筑工程有限公司-张建国.ini")));

    const QByteArray first = readFile(exampleDocument());
    r = run({"compose", example()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("提 示： 文件以经存在，是否覆盖老文件？ "))) << r.err.toStdString();
    EXPECT_EQ(readFile(exampleDocument()), first);

    QFile::resize(exampleDocument(), 10);
    r = run({"compose", example(), "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(exampleDocument()), first);

    // A fingerprint that cannot be written (a folder stands where it goes) stops the whole save
    // before anything is replaced.
    QFile::resize(exampleDocument(), 10);
    QFile::remove(exampleDocument() + ".sha256");
    ASSERT_TRUE(QDir().mkpath(exampleDocument() + ".sha256"));
    r = run({"compose", example(), "--force"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("无法写入文件 <%1.sha256>：那里已经有一个同名的目录").arg(exampleDocument())))
        << r.err.toStdString();
    EXPECT_EQ(readFile(exampleDocument()), first.left(10));
}

TEST_F(CommandLineTest, LinksAreWrittenThroughAndReadOnlyFilesAndClashingOutputsLeftAlone) {
    ASSERT_EQ(run({"compose", example()}).exitCode, 0);
    const QString templateFile = home + QStringLiteral("/BL/2012.11.30-宏达建筑工程有限公司-张建国.ini");
    // The document is a link into another folder: the file it leads to gets the new document.
    const QString elsewhere = root.path() + "/elsewhere/笔录.doc";
    QDir().mkpath(root.path() + "/elsewhere");
    ASSERT_TRUE(QFile::rename(exampleDocument(), elsewhere));
    ASSERT_TRUE(QFile::link("../../elsewhere/笔录.doc", exampleDocument()));
    QFile::resize(elsewhere, 10);
    Result r = run({"compose", example(), "--force"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(exampleDocument()).isSymLink());
    EXPECT_GT(QFileInfo(elsewhere).size(), 10);
    EXPECT_EQ(fingerprint::check(exampleDocument()), fingerprint::Check::Ok);
    EXPECT_EQ(QDir(root.path() + "/elsewhere").entryList(QDir::Files | QDir::Hidden), QStringList{"笔录.doc"});

    // A template its owner made read-only is left alone, and so is every other file of the save.
    ::chmod(QFile::encodeName(templateFile).constData(), 0444);
    const QByteArray document = readFile(elsewhere);
    const QByteArray earlierTemplate = readFile(templateFile);
    const QString later = root.path() + "/later.ini";
    writeFile(later, readFile(example()).replace("num24=", "num24=later"));
    r = run({"compose", later, "--force"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("无法写入文件 <%1>：文件是只读的").arg(templateFile)))
        << r.err.toStdString();
    EXPECT_EQ(readFile(elsewhere), document);
    EXPECT_EQ(readFile(templateFile), earlierTemplate);
    ::chmod(QFile::encodeName(templateFile).constData(), 0644);

    // Outputs that are one file with the template or with each other are refused before anything is written.
    r = run({"compose", example(), "--out", templateFile});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("是同一个文件"))) << r.err.toStdString();
    EXPECT_EQ(readFile(templateFile), earlierTemplate);
    const QString out = root.path() + "/out.doc";
    r = run({"compose", example(), "--out", out, "--pdf", root.path() + "/./out.doc"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(QFile::exists(out));

    // A name whose fingerprint the folder cannot take (the document's it can) is refused before anything is written.
    const QStringList files = QDir(home + "/BL").entryList(QDir::Files | QDir::Hidden);
    const QString longName = root.path() + "/long.ini";
    // 248 bytes: "2012.11.30-", the work unit (30), "-", 197 x and the name (9).
    writeFile(longName, readFile(example()).replace("num10=", "num10=" + QByteArray(197, 'x')));
    r = run({"compose", longName});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral(".doc.sha256>：文件名太长"))) << r.err.toStdString();
    EXPECT_EQ(QDir(home + "/BL").entryList(QDir::Files | QDir::Hidden), files);
}

TEST_F(CommandLineTest, NearlyFullDiskKeepsTheEarlierTranscriptOrSavesAWholeNewOne) {
    // Room for the archive's index and custody log beside the transcript's files.
    SmallFilesystem fs(1024);
    REQUIRE_SMALL_FILESYSTEM(fs);
    home = fs.path() + "/home";
    QDir().mkpath(home);
    writeFile(home + "/set.ini", readFile(root.path() + "/home/set.ini"));
    ASSERT_EQ(run({"compose", example()}).exitCode, 0);
    const QString templateFile = home + QStringLiteral("/BL/2012.11.30-宏达建筑工程有限公司-张建国.ini");
    const QByteArray earlierDocument = readFile(exampleDocument());
    const QByteArray earlierTemplate = readFile(templateFile);
    ASSERT_FALSE(earlierDocument.isEmpty());
    const QStringList files = QDir(home + "/BL").entryList(QDir::Files | QDir::Hidden);

    // The same transcript with a later answer, composed over the earlier one.
    const QString later = root.path() + "/later.ini";
    const QString marker = QStringLiteral("答：补充核实的情况属实");
    QByteArray laterBytes = readFile(example());
    laterBytes.replace("num24=", "num24=" + gbk::encode(marker));
    writeFile(later, laterBytes);

    int saved = 0;
    for (const qint64 free : {0, 1, 2, 3, 5, 8, 10}) {
        SCOPED_TRACE(std::to_string(free) + " blocks free");
        writeFile(exampleDocument(), earlierDocument);
        writeFile(templateFile, earlierTemplate);
        fs.leaveFree(free);
        const Result r = run({"compose", later, "--force"});
        fs.unfill();
        EXPECT_EQ(QDir(home + "/BL").entryList(QDir::Files | QDir::Hidden), files) << "no temporary file left";
        if (r.exitCode != 0) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_TRUE(r.err.contains(QStringLiteral("磁盘空间已满"))) << r.err.toStdString();
            EXPECT_FALSE(r.out.contains(QStringLiteral("以经保存"))) << r.out.toStdString();
            EXPECT_EQ(readFile(exampleDocument()), earlierDocument);
            EXPECT_EQ(readFile(templateFile), earlierTemplate);
            continue;
        }
        ++saved;
        EXPECT_TRUE(readFile(templateFile).contains(gbk::encode(marker)));
        QString error;
        const std::optional<word::Document> document = word::readDocumentFile(exampleDocument(), &error);
        ASSERT_TRUE(document) << error.toStdString();
        EXPECT_TRUE(document->plainText().contains(marker));
        for (const QStringList& reader :
             {QStringList{"antiword", "-m", "UTF-8.txt", "-w", "0"}, QStringList{"catdoc", "-d", "utf-8", "-w"}}) {
            const auto text = word::tools::run(reader[0], reader.mid(1) << exampleDocument());
            ASSERT_TRUE(text && text->exitCode == 0) << reader[0].toStdString();
            EXPECT_TRUE(text->out.contains(marker)) << reader[0].toStdString();
        }
    }
    EXPECT_GT(saved, 0) << "10 free blocks leave room for the four new files beside the earlier ones";
    EXPECT_LT(saved, 7) << "no free block leaves no room";

    // A PDF that does not fit fails the command and leaves the earlier PDF as it was; the transcript
    // (its document elsewhere) is saved, and the message says so.
    const QString pdf = fs.path() + QStringLiteral("/笔录.pdf");
    writeFile(pdf, "earlier PDF");
    fs.leaveFree(4);
    const Result r = run({"compose", later, "--out", root.path() + "/elsewhere.doc", "--pdf", pdf});
    fs.unfill();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("PDF文件没有生成"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("磁盘空间已满"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("笔录文档和模板已经保存"))) << r.err.toStdString();
    EXPECT_EQ(readFile(pdf), "earlier PDF");
    EXPECT_EQ(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("笔录.pdf")});
}

TEST_F(CommandLineTest, OutAndPdf) {
    const QString out = root.path() + "/out/笔录.doc";
    QDir().mkpath(root.path() + "/out");
    const QString pdf = root.path() + "/out/笔录.pdf";
    // The last answer, on the last page, holds characters no other page has.
    const QString rare = QStringLiteral("鑫淼焱垚犇骉羴麤龘靐齉爩");
    const QString template16 = root.path() + "/rare.ini";
    writeFile(template16, readFile(example()).replace("num54=", "num54=" + gbk::encode(rare)));
    const Result r = run({"compose", template16, "--out", out, "--pdf", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(out));
    EXPECT_FALSE(QFile::exists(exampleDocument()));
    ASSERT_TRUE(QFile::exists(pdf));
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    // 16 pairs: 4 on the first page, 10 on the second, 2 and the filler on the third.
    EXPECT_EQ(pages.count('\f'), 3);
    EXPECT_TRUE(pages.contains(QStringLiteral("询问笔录")));
    EXPECT_TRUE(pages.contains(QStringLiteral("被询问人签名").normalized(QString::NormalizationForm_KC)));
    EXPECT_TRUE(pages.section('\f', 2, 2).contains(rare)) << pages.section('\f', 2, 2).toStdString();
    EXPECT_FALSE(pages.section('\f', 0, 1).contains(QStringLiteral("龘")));
}

// Each template of a batch to its own document, the others done where one is refused; without
// --force the documents a batch finds are named and left alone.
TEST_F(CommandLineTest, ABatchComposesEveryGoodTemplateAndNamesTheOthers) {
    QStringList templates;
    for (const QString& name : {QStringLiteral("李四"), QStringLiteral("王五")}) {
        templates << root.path() + '/' + name + ".ini";
        writeFile(templates.last(), readFile(example()).replace("num10=" + gbk::encode(QStringLiteral("张建国")),
                                                                "num10=" + gbk::encode(name)));
    }
    const QString noEnd = root.path() + "/no-end.ini";
    writeFile(noEnd, gbkFile(QStringLiteral("[set]\nnum1=2012\nnum2=1\nnum3=2\nnum6=10\nnum16=宏达\n")));
    templates.insert(1, noEnd);
    Result r = run(QStringList{"compose"} + templates);
    EXPECT_EQ(r.exitCode, 1);
    const QStringList written = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(written.size(), 2) << r.out.toStdString();
    EXPECT_EQ(r.err.split('\n', Qt::SkipEmptyParts),
              QStringList{noEnd + QStringLiteral("：提 示： 笔录结束时间没有添写！")});
    QList<QByteArray> documents;
    for (int i : {0, 1}) {
        const QString name = i == 0 ? QStringLiteral("李四") : QStringLiteral("王五");
        const QString document = home + QStringLiteral("/BL/2012.11.30-宏达建筑工程有限公司-%1.doc").arg(name);
        EXPECT_EQ(written[i], templates[i * 2] + QStringLiteral("：笔录文档 ") + document);
        EXPECT_EQ(fingerprint::check(document), fingerprint::Check::Ok);
        QString error;
        const std::optional<word::Document> read = word::readDocumentFile(document, &error);
        ASSERT_TRUE(read) << error.toStdString();
        EXPECT_TRUE(read->plainText().contains(name));
        documents << readFile(document);
    }

    r = run(QStringList{"compose"} + templates.mid(0, 1) + templates.mid(2));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(r.err.count(QStringLiteral("文件以经存在")), 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("宏达建筑工程有限公司-王五.doc>，加 --force 覆盖")));
    EXPECT_EQ(readFile(home + QStringLiteral("/BL/2012.11.30-宏达建筑工程有限公司-李四.doc")), documents[0]);

    // Many at once, saved side by side, every one whole; two templates of one document in their
    // order, so that the later one's answer is the one kept.
    QStringList many;
    for (int i = 0; i < 40; ++i) {
        many << root.path() + QStringLiteral("/many%1.ini").arg(i);
        writeFile(many.last(), readFile(example()).replace("num10=", "num10=" + QByteArray::number(i)));
    }
    const QString later = root.path() + "/later.ini";
    writeFile(later, readFile(many[7]).replace("num54=", "num54=" + gbk::encode(QStringLiteral("后来的答案"))));
    many.insert(20, later);
    r = run(QStringList{"compose", "--force"} + many);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 41);
    for (int i = 0; i < 40; ++i) {
        const QString document = home + QStringLiteral("/BL/2012.11.30-宏达建筑工程有限公司-%1张建国.doc").arg(i);
        EXPECT_EQ(fingerprint::check(document), fingerprint::Check::Ok) << i;
        QString error;
        const std::optional<word::Document> read = word::readDocumentFile(document, &error);
        ASSERT_TRUE(read) << error.toStdString();
        EXPECT_EQ(read->plainText().contains(QStringLiteral("后来的答案")), i == 7) << i;
    }
}

// The commands that draw nothing load none of the window's libraries; one that paints pages does.
// A row of the table of parts in docs/architecture.md: the commands a part runs, the libraries it
// links beyond the base every process loads, and the ones it never loads, not even through another.
struct PartRow {
    QString part;
    QStringList commands;
    QStringList links;
    QStringList never;
};

// The names between backquotes in a cell of the table.
QStringList quoted(const QString& cell) {
    QStringList names;
    static const QRegularExpression quote(QStringLiteral("`([^`]+)`"));
    for (auto it = quote.globalMatch(cell); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

QList<PartRow> partsTable() {
    QList<PartRow> rows;
    bool inTable = false;
    const QString page =
        QString::fromUtf8(readFile(qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/docs/architecture.md"));
    for (const QString& line : page.split('\n')) {
        if (line.startsWith(QLatin1String("| part | runs |")))
            inTable = true;
        else if (inTable && !line.startsWith('|'))
            break;
        else if (inTable && !line.startsWith(QLatin1String("|---"))) {
            const QStringList cells = line.split('|');
            if (cells.size() < 6)
                continue;
            const QStringList part = quoted(cells[1]);
            rows.append({part.isEmpty() ? QStringLiteral("quillon") : part.first() + ".so", quoted(cells[2]),
                         quoted(cells[3]), quoted(cells[4])});
        }
    }
    return rows;
}

// A library's name without its folder and version: libpq.so.5 is libpq.
QString libraryName(const QString& file) {
    const QString name = file.section('/', -1);
    return name.left(name.indexOf(QLatin1String(".so")));
}

// The libraries an executable or shared module names as needed, sorted.
QStringList neededBy(const QString& file) {
    QProcess readelf;
    readelf.start("readelf", {"--dynamic", file});
    EXPECT_TRUE(readelf.waitForFinished(60000)) << file.toStdString();
    QStringList libraries;
    static const QRegularExpression needed(QStringLiteral("\\(NEEDED\\)\\s+Shared library: \\[([^\\]]+)\\]"));
    for (auto it = needed.globalMatch(QString::fromUtf8(readelf.readAllStandardOutput())); it.hasNext();)
        libraries << libraryName(it.next().captured(1));
    libraries.sort();
    return libraries;
}

TEST_F(CommandLineTest, EveryCommandLoadsTheLibrariesTheTableOfPartsGivesIt) {
    const QString log = root.path() + "/loaded";
    const auto loaded = [&](const QStringList& arguments) {
        for (const QString& old : QDir(root.path()).entryList({"loaded.*"}))
            QFile::remove(root.path() + '/' + old);
        const Result r = run(arguments, {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + log});
        EXPECT_LT(r.exitCode, 2) << arguments.join(' ').toStdString() << r.err.toStdString();
        QByteArray files;
        for (const QString& name : QDir(root.path()).entryList({"loaded.*"}))
            files += readFile(root.path() + '/' + name);
        return QString::fromUtf8(files);
    };
    writeFile(root.path() + "/one", "1");
    ASSERT_TRUE(fingerprint::write(root.path() + "/one"));
    ASSERT_EQ(run({"compose", example()}).exitCode, 0);
    writeFile(root.path() + "/sheet.txt", "quillon-sheet 1\n");
    QString templatePath = exampleDocument();
    templatePath.replace(QLatin1String(".doc"), QLatin1String(".ini"));
    // Each command of the table as a script runs it; the office part's with a server named in set.ini
    // that does not answer, as log verify needs to be run there at all.
    const QHash<QString, QStringList> runs{
        {"--help", {"--help"}},
        {"--version", {"--version"}},
        {"verify", {"verify", root.path() + "/one"}},
        {"verify X.zip", {"verify", root.path() + "/no-such-bundle.zip"}},
        {"compose", {"compose", example(), "--force"}},
        {"compose --pdf", {"compose", example(), "--force", "--pdf", root.path() + "/a.pdf"}},
        {"print", {"print", exampleDocument(), "--printer", "no-such-printer"}},
        {"export", {"export", templatePath, "--out", root.path() + "/a.zip"}},
        {"sheet", {"sheet", templatePath, "--pdf", root.path() + "/sheet.pdf"}},
        {"verify SHEET", {"verify", root.path() + "/sheet.txt"}},
        {"archive", {"archive", "王"}},
        {"archive --rebuild", {"archive", "--rebuild"}},
        {"log verify", {"log", "verify"}},
        {"check", {"check", example()}},
        {"marks", {"marks", templatePath}},
        {"sync", {"sync"}},
        {"archive --office", {"archive", "--office", "王"}},
    };
    // What every process loads: QtCore and the C and C++ runtime.
    const QStringList base{"libQt6Core", "libstdc++", "libm", "libgcc_s", "libc", "ld-linux-x86-64"};
    static const QRegularExpression file(QStringLiteral("file=(\\S+) \\["));
    const QList<PartRow> table = partsTable();
    ASSERT_GE(table.size(), 6);
    QStringList tried;
    for (const PartRow& row : table) {
        if (row.links == QStringList{"everything"})
            continue; // the window
        QStringList links;
        for (const QString& library : neededBy(qEnvironmentVariable("QUILLON_BINARY_DIR") + '/' + row.part))
            if (!base.contains(library))
                links << library;
        QStringList expected = row.links;
        expected.sort();
        EXPECT_EQ(links.join(' ').toStdString(), expected.join(' ').toStdString())
            << row.part.toStdString() << ": the libraries it links beyond the base";
        ASSERT_FALSE(row.commands.isEmpty()) << row.part.toStdString();
        const QByteArray settings = readFile(home + "/set.ini");
        if (row.part == "quillon-office.so")
            writeFile(home + "/set.ini",
                      settings +
                          gbkFile(QStringLiteral("[archive]\nserver=host=127.0.0.1 port=1 connect_timeout=2\n")));
        for (const QString& command : row.commands) {
            ASSERT_TRUE(runs.contains(command)) << "the table names " << command.toStdString() << ", run it here";
            tried << command;
            const QString files = loaded(runs[command]);
            QStringList all;
            for (auto it = file.globalMatch(files); it.hasNext();)
                all << libraryName(it.next().captured(1));
            all.removeDuplicates();
            const std::string what = command.toStdString() + " (" + row.part.toStdString() + ")";
            // It runs in the part of its row: the front loads none.
            const QStringList parts = all.filter(QRegularExpression(QStringLiteral("^quillon-")));
            EXPECT_EQ(parts.join(' ').toStdString(),
                      row.part == "quillon" ? "" : row.part.section('.', 0, 0).toStdString())
                << what;
            for (const QString& never : row.never)
                EXPECT_FALSE(all.contains(never)) << what << " loads " << never.toStdString();
        }
        writeFile(home + "/set.ini", settings);
    }
    QStringList known = runs.keys();
    known.sort();
    tried.removeDuplicates();
    tried.sort();
    EXPECT_EQ(tried.join(", ").toStdString(), known.join(", ").toStdString())
        << "every command run here has its row in the table of parts";
}

TEST_F(CommandLineTest, ShippedExampleWithTheStarterSettingsKeepsItsPages) {
    // The starter footer lines must each fit on one printed line, or every page runs over.
    QFile::remove(home + "/set.ini");
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/resources/set.ini", home + "/set.ini"));
    const QString pdf = root.path() + "/starter.pdf";
    const Result r = run({"compose", example(), "--pdf", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    EXPECT_EQ(pages.count('\f'), 3);
    for (const QString& page : pages.split('\f', Qt::SkipEmptyParts)) {
        const QStringList lines = page.split('\n', Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 3);
        // The two footer lines close every page, each on a line of its own, above the page footer.
        EXPECT_TRUE(
            lines[lines.size() - 3].contains(QStringLiteral("记录人签名").normalized(QString::NormalizationForm_KC)))
            << page.toStdString();
        EXPECT_TRUE(
            lines[lines.size() - 2].trimmed().endsWith(QStringLiteral("日").normalized(QString::NormalizationForm_KC)))
            << page.toStdString();
    }
}

TEST_F(CommandLineTest, CheckPrintsOneLinePerProblemAndExitsWithWhetherThereWasOne) {
    // The shipped example passes the starter settings' notices.
    QFile::remove(home + "/set.ini");
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/resources/set.ini", home + "/set.ini"));
    Result r = run({"check", example()});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out, QString());

    const QString faulty = root.path() + "/faulty.ini";
    QByteArray bytes = readFile(example());
    bytes.replace("220104197805121234", "220104197805121235");
    bytes.replace(gbk::encode(QStringLiteral("回避")), gbk::encode(QStringLiteral("离开")));
    writeFile(faulty, bytes);
    r = run({"check", example(), faulty});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(
        r.out,
        faulty +
            QStringLiteral("\t证件号码\t身份证号码的校验码不对：按 GB 11643（MOD 11-2）最后一位应为 4，号码上是 5\n") +
            faulty +
            QStringLiteral("\t第17问\t告知事项不全：没有含“回避”的问答（set.ini [hecha] 规定每份笔录都要告知）\n"));

    EXPECT_EQ(run({"check"}).exitCode, 2);
    EXPECT_EQ(run({"check", "--all"}).exitCode, 2);
    r = run({"check", root.path() + "/none.ini"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("没有核对"))) << r.err.toStdString();
}

TEST_F(CommandLineTest, PrintSharesTheChecksOfThePrintCommand) {
    const QString upper = root.path() + "/A.DOC";
    writeFile(upper, "x");
    Result r = run({"print", upper});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("提 示：打印笔录文档选择的不匹配 (要选doc文档).   请重新再选。")));

    const QString text = root.path() + "/docs/note.txt";
    QDir().mkpath(root.path() + "/docs");
    writeFile(text, gbkFile(QStringLiteral("一行文字\n")));
    r = run({"print", text, "--printer", "no-such-printer"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("无法打印： 打印没有成功："))) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("打印笔录成功")));
}

TEST_F(CommandLineTest, PrintOfANonDocumentOrWithoutAPrinterFails) {
    ASSERT_EQ(run({"compose", example()}).exitCode, 0);
    const QString empty = root.path() + "/empty.doc";
    writeFile(empty, QByteArray());
    const QString random = root.path() + "/random.doc";
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise += char((i * 7919 + 13) % 256);
    writeFile(random, noise);
    const QString truncated = root.path() + "/truncated.doc";
    writeFile(truncated, readFile(exampleDocument()).left(4096));
    // Files no office suite prints are not handed to one; a truncated one it cannot load either.
    const QList<std::pair<QString, QString>> failures{
        {empty, QStringLiteral("无法打印： 无法打开要打印的文件 <%1> ").arg(empty)},
        {random, QStringLiteral("无法打印： 无法打开要打印的文件 <%1> ").arg(random)},
        {truncated, QStringLiteral("无法打印： 办公软件也无法打开文件 <%1> ").arg(truncated)}};
    for (const auto& [file, message] : failures) {
        const Result r = run({"print", file});
        EXPECT_EQ(r.exitCode, 1) << file.toStdString();
        EXPECT_TRUE(r.err.contains(message)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    // A missing printer or print system is reported first, whatever the file.
    Result r = run({"print", random, "--printer", "no-such-printer"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("无法打印： 打印没有成功：找不到打印机 no-such-printer。")))
        << r.err.toStdString();
    for (const QString& file : {random, exampleDocument()}) {
        r = run({"print", file}, {"CUPS_SERVER=/nonexistent/cups.sock"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("打印没有成功：没有可用的打印机"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(CommandLineTest, AnRtfDocumentPrintsThroughTheOfficeSuiteAndCups) {
    if (!cups::schedulerRunning())
        GTEST_SKIP() << "no CUPS scheduler: ./test.sh starts one with a PDF queue";
    const QString marker = QStringLiteral("rtfmarker%1").arg(QCoreApplication::applicationPid());
    const QString rtf = root.path() + "/letter.doc";
    writeFile(rtf, QStringLiteral("{\\rtf1\\ansi %1\\par}").arg(marker).toLatin1());
    const QStringList before = cups::pdfs();
    const Result r = run({"print", rtf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("笔录文件已交给办公软件打印... ")));
    QString pdf;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(pdf = cups::newPdfWith(before, marker)).isEmpty(); }, 60000));
}

TEST_F(CommandLineTest, PrintsAComposedDocumentThroughCups) {
    if (!cups::schedulerRunning())
        GTEST_SKIP() << "no CUPS scheduler: ./test.sh starts one with a PDF queue";
    ASSERT_EQ(run({"compose", example()}).exitCode, 0);
    const QStringList before = cups::pdfs();
    const Result r = run({"print", exampleDocument()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("打印笔录成功... ")));
    QString pdf;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !(pdf = cups::newPdfWith(before, QStringLiteral("如无误请签字"))).isEmpty(); }, 60000));
    EXPECT_EQ(cups::pdfText(pdf).count('\f'), 3);
}

} // namespace
