// Several running programs on one program directory, each a real quillon process: two of them save
// inquiries while a third rebuilds the index. Nothing is lost from the index, and the custody log
// they all append to stays one unbroken chain.
#include "ArchiveFixture.h"

#include "archive/Index.h"

#include <QElapsedTimer>

using namespace archivetest;

namespace {

QProcess* start(const QString& programDir, const QStringList& arguments, QObject* owner) {
    auto* process = new QProcess(owner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUILLON_HOME", programDir);
    process->setProcessEnvironment(environment);
    process->start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillon", arguments);
    return process;
}

} // namespace

TEST(ArchiveInstances, TwoProgramsSaveWhileAThirdRebuildsTheIndex) {
    QTemporaryDir home;
    const QString dir = home.filePath("program");
    QDir().mkpath(dir);
    constexpr int kStored = 1500;
    for (int i = 0; i < kStored; ++i)
        writeTemplate(dir, {"2012.3.4",
                            "9:00",
                            "10:00",
                            QStringLiteral("旧人%1").arg(i),
                            "旧单位",
                            "Kelmar市",
                            "李四",
                            {"问：你好？", "答：好。"}});
    // What the two programs save: complete templates from elsewhere, composed into BL/.
    QStringList saved;
    for (int i = 0; i < 6; ++i) {
        const Inquiry inquiry{"2013.5.6", "9:00",     "10:00", QStringLiteral("新人%1").arg(i),
                              "新单位",   "Kelmar市", "李四",  {"问：你好？", "答：好。"}};
        const QString source = writeTemplate(home.filePath("incoming"), inquiry);
        saved << source;
    }

    QObject owner;
    QProcess* rebuild = start(dir, {"archive", "--rebuild"}, &owner);
    // The rebuild says it has begun before it reads the first template.
    QElapsedTimer waited;
    waited.start();
    QByteArray said;
    while (!said.contains("重建") && waited.elapsed() < 60000 && rebuild->state() != QProcess::NotRunning) {
        rebuild->waitForReadyRead(100);
        said += rebuild->readAllStandardError();
    }
    ASSERT_TRUE(said.contains("重建")) << said.toStdString();

    // Two programs, each saving three inquiries one after another, at the same time as each other.
    QList<QProcess*> savers;
    for (int round = 0; round < 3; ++round) {
        QProcess* first = start(dir, {"compose", saved[2 * round]}, &owner);
        QProcess* second = start(dir, {"compose", saved[2 * round + 1]}, &owner);
        if (round == 0) {
            EXPECT_EQ(rebuild->state(), QProcess::Running) << "the rebuild ended before anything was saved";
        }
        for (QProcess* saver : {first, second}) {
            ASSERT_TRUE(saver->waitForFinished(120000));
            EXPECT_EQ(saver->exitCode(), 0) << saver->readAllStandardError().toStdString();
        }
    }
    ASSERT_TRUE(rebuild->waitForFinished(300000));
    EXPECT_EQ(rebuild->exitCode(), 0) << rebuild->readAllStandardError().toStdString();

    // The index itself, before anything reads BL/ again: every inquiry and every custody line is in it.
    archive::Index index(dir);
    QList<archive::InquiryRow> rows;
    ASSERT_TRUE(index.search({}, &rows).ok());
    EXPECT_EQ(rows.size(), kStored + 6);
    for (int i = 0; i < 6; ++i) {
        QList<archive::CustodyLineRef> lines;
        ASSERT_TRUE(index.custodyLines(QStringLiteral("2013.5.6-新单位-新人%1").arg(i), &lines).ok());
        EXPECT_EQ(lines.size(), 1) << i;
    }
    index.close();

    const Ran listed = quillon(dir, {"archive"});
    ASSERT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out.count('\n'), kStored + 6) << listed.err.toStdString();
    const Ran found = quillon(dir, {"archive", "新人"});
    EXPECT_EQ(found.out.count('\n'), 6) << found.out.toStdString();
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(found.out.contains(QStringLiteral("\t2013.5.6-新单位-新人%1\n").arg(i)));

    const Ran verified = quillon(dir, {"log", "verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_TRUE(verified.out.contains("OK（6 条记录，12 个文件")) << verified.out.toStdString();
}
