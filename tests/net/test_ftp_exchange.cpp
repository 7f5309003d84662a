// "网络功能" through the real window: the settings panel, 笔录上传 and 笔录下载 against a real FTP server.
#include "NetTestServer.h"
#include "TestProgram.h"
#include "platform/Gbk.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kSettingsMissing = QStringLiteral("请完善FTP服务器配置才可以上传下载：|FTP服务器配置没有添写！");
const QString kChooseTemplate = QStringLiteral("提示：|请选择笔录模板文件.ini上传");
const QString kLoginFailed = QStringLiteral("服务器帐号密码不对..");
const QString kUploaded = QStringLiteral("笔录模板文件.ini上传FTP服务器成功.");
const QString kUploadFailed = QStringLiteral("笔录上传失败.");
const QString kDownloaded = QStringLiteral("笔录模板.ini文件下载到 笔录软件的BL目录成功.");
const QString kDownloadFailed = QStringLiteral("笔录下载失败.");

QByteArray sampleTemplate()
{
    return gbkFile(QStringLiteral("[set]\nnum1=2012\nnum9=张三\nnum14=某某建筑公司\nbeizu=无\n"));
}

class FtpExchangeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid() && disk.isValid());
        ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("wwwroot")));
        ASSERT_TRUE(QDir(program.env.programDir()).mkdir(QStringLiteral("BL")));
        ASSERT_TRUE(program.start());
        w().编辑框25->setText(QStringLiteral("before"));
    }

    MainWindow& w() { return program.w(); }
    ScriptedDialogs& dialogs() { return program.env.dialogs; }

    std::unique_ptr<NetTestServer> startServer(const QStringList& extra = {})
    {
        return std::make_unique<NetTestServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{home.path(), FtpTestAccount::kUser, FtpTestAccount::kPassword} + extra);
    }

    void fillPanel(const NetTestServer& server, const QString& name)
    {
        w().编辑框20->setText(server.address());
        w().编辑框21->setText(QString::fromLatin1(FtpTestAccount::kUser));
        w().编辑框22->setText(QString::fromLatin1(FtpTestAccount::kPassword));
        w().编辑框23->setText(name);
    }

    QString onDisk(const QString& name) const { return disk.path() + u'/' + name; }
    QString remote(const QString& name) const { return home.path() + QStringLiteral("/wwwroot/") + name; }
    QString inBl(const QString& name) const { return program.env.programDir() + QStringLiteral("/BL/") + name; }

    void upload(const QString& chosenPath)
    {
        dialogs().chooseNext(chosenPath);
        w().actUpload->trigger();
    }

    QTemporaryDir home;
    QTemporaryDir disk;
    TestProgram program;
};

TEST_F(FtpExchangeTest, PanelItemMovesAndTogglesThePanel)
{
    w().编辑框20->setText(QStringLiteral("10.0.0.1"));
    w().actFtpSettings->trigger();
    EXPECT_EQ(w().分组框7->pos(), QPoint(1, 0));
    EXPECT_TRUE(w().分组框7->isVisible());
    w().actFtpSettings->trigger();
    EXPECT_FALSE(w().分组框7->isVisible());
    EXPECT_EQ(w().编辑框20->text(), QStringLiteral("10.0.0.1"));
    w().actFtpSettings->trigger();
    EXPECT_TRUE(w().分组框7->isVisible());
}

TEST_F(FtpExchangeTest, UploadStoresTheChosenFileUnderTheTypedName)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeFile(onDisk(QStringLiteral("x.ini")), sampleTemplate());
    fillPanel(*server, QStringLiteral("case1"));
    upload(onDisk(QStringLiteral("x.ini")));

    EXPECT_TRUE(dialogs().messages().isEmpty()) << dialogs().messageTexts().join(u'\n').toStdString();
    ASSERT_EQ(dialogs().shown.size(), 1);
    EXPECT_EQ(dialogs().shown[0].kind, QStringLiteral("browse"));
    EXPECT_EQ(dialogs().shown[0].caption, QStringLiteral(" "));
    EXPECT_EQ(w().编辑框17->text(), onDisk(QStringLiteral("x.ini")));
    EXPECT_EQ(w().编辑框25->text(), kUploaded);
    EXPECT_EQ(readFile(remote(QStringLiteral("case1.ini"))), sampleTemplate());
}

TEST_F(FtpExchangeTest, RoundTripKeepsTheTemplateByteForByte)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeFile(onDisk(QStringLiteral("mine.ini")), sampleTemplate());
    const QString name = QStringLiteral("2013.2.3-某某建筑公司-张三");
    fillPanel(*server, name);
    upload(onDisk(QStringLiteral("mine.ini")));
    ASSERT_EQ(w().编辑框25->text(), kUploaded);

    w().actDownload->trigger();
    EXPECT_EQ(w().编辑框25->text(), kDownloaded);
    EXPECT_EQ(readFile(inBl(name + QStringLiteral(".ini"))), sampleTemplate());
    EXPECT_TRUE(dialogs().messages().isEmpty());
}

TEST_F(FtpExchangeTest, TypedExtensionIsKept)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeFile(onDisk(QStringLiteral("x.ini")), sampleTemplate());
    fillPanel(*server, QStringLiteral("x.ini"));
    upload(onDisk(QStringLiteral("x.ini")));
    EXPECT_EQ(readFile(remote(QStringLiteral("x.ini.ini"))), sampleTemplate());
    w().actDownload->trigger();
    EXPECT_EQ(readFile(inBl(QStringLiteral("x.ini.ini"))), sampleTemplate());
}

TEST_F(FtpExchangeTest, UploadPathMustContainIni)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    fillPanel(*server, QStringLiteral("case1"));
    ASSERT_TRUE(QDir(disk.path()).mkdir(QStringLiteral("ini")));
    writeFile(onDisk(QStringLiteral("notes.INI")), "upper");
    writeFile(onDisk(QStringLiteral("ini/notes.txt")), "in a folder named ini");

    upload(QString());
    upload(onDisk(QStringLiteral("notes.INI")));
    EXPECT_EQ(dialogs().messageTexts(), (QStringList{kChooseTemplate, kChooseTemplate}));
    EXPECT_EQ(w().编辑框25->text(), QStringLiteral("before"));
    EXPECT_FALSE(QFile::exists(remote(QStringLiteral("case1.ini"))));

    upload(onDisk(QStringLiteral("ini/notes.txt")));
    EXPECT_EQ(w().编辑框25->text(), kUploaded);
    EXPECT_EQ(readFile(remote(QStringLiteral("case1.ini"))), QByteArray("in a folder named ini"));
}

TEST_F(FtpExchangeTest, EveryBoxMustBeFilled)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    for (QLineEdit* box : {w().编辑框20, w().编辑框21, w().编辑框22, w().编辑框23}) {
        fillPanel(*server, QStringLiteral("case1"));
        box->clear();
        dialogs().shown.clear();
        w().actUpload->trigger();
        w().actDownload->trigger();
        EXPECT_EQ(dialogs().messageTexts(), (QStringList{kSettingsMissing, kSettingsMissing})) << box->objectName().toStdString();
        EXPECT_EQ(dialogs().shown.size(), 2); // no folder browser
        EXPECT_EQ(w().编辑框25->text(), QStringLiteral("before"));
    }
}

TEST_F(FtpExchangeTest, NamesThatLeaveTheirDirectoryAreRefusedBeforeConnecting)
{
    // No server at all: a refused name must not even try to connect.
    w().编辑框20->setText(QStringLiteral("127.0.0.1:%1").arg(closedLocalPort()));
    w().编辑框21->setText(QStringLiteral("u"));
    w().编辑框22->setText(QStringLiteral("p"));
    const QString refusal =
        QStringLiteral("请完善FTP服务器配置才可以上传下载：|文件名不能含有“/”、“\\”、“..”或空字符，请只填写笔录文件的名称！");
    for (const QString& name : {QStringLiteral("../set"), QStringLiteral("a/b"), QStringLiteral("a\\b"),
                                QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"), QStringLiteral("..")}) {
        w().编辑框23->setText(name);
        dialogs().shown.clear();
        w().actDownload->trigger();
        w().actUpload->trigger();
        EXPECT_EQ(dialogs().messageTexts(), (QStringList{refusal, refusal}));
        EXPECT_EQ(dialogs().shown.size(), 2);
        EXPECT_EQ(w().编辑框25->text(), QStringLiteral("before"));
    }
    // Single dots are ordinary name characters.
    w().编辑框23->setText(QStringLiteral("2013.2.3-单位-姓名"));
    w().actDownload->trigger();
    EXPECT_EQ(w().编辑框25->text(), kLoginFailed);
}

TEST_F(FtpExchangeTest, DownloadReplacesTheLocalTemplateWithoutAsking)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeFile(remote(QStringLiteral("case1.ini")), sampleTemplate());
    writeFile(inBl(QStringLiteral("case1.ini")), "an older local template, longer than the new one ...........");
    fillPanel(*server, QStringLiteral("case1"));
    w().actDownload->trigger();
    EXPECT_EQ(w().编辑框25->text(), kDownloaded);
    EXPECT_EQ(readFile(inBl(QStringLiteral("case1.ini"))), sampleTemplate());
    EXPECT_TRUE(dialogs().shown.isEmpty());
}

TEST_F(FtpExchangeTest, FailedDownloadsKeepTheLocalTemplate)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeFile(inBl(QStringLiteral("case1.ini")), sampleTemplate());
    fillPanel(*server, QStringLiteral("case1"));
    w().actDownload->trigger();
    EXPECT_EQ(w().编辑框25->text(), kDownloadFailed);
    EXPECT_EQ(readFile(inBl(QStringLiteral("case1.ini"))), sampleTemplate());
    EXPECT_EQ(QDir(inBl(QString())).entryList(QDir::Files), QStringList{QStringLiteral("case1.ini")});

    // Without a BL directory the download fails too.
    writeFile(remote(QStringLiteral("case2.ini")), sampleTemplate());
    ASSERT_TRUE(QDir(inBl(QString())).removeRecursively());
    w().编辑框23->setText(QStringLiteral("case2"));
    w().actDownload->trigger();
    EXPECT_EQ(w().编辑框25->text(), kDownloadFailed);
}

TEST_F(FtpExchangeTest, RefusedConnectionsSayTheAccountIsWrong)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeFile(onDisk(QStringLiteral("x.ini")), sampleTemplate());
    fillPanel(*server, QStringLiteral("case1"));
    w().编辑框22->setText(QStringLiteral("wrong"));
    upload(onDisk(QStringLiteral("x.ini")));
    EXPECT_EQ(w().编辑框25->text(), kLoginFailed);
    w().编辑框25->clear();
    w().actDownload->trigger();
    EXPECT_EQ(w().编辑框25->text(), kLoginFailed);

    fillPanel(*server, QStringLiteral("case1"));
    server->stop();
    w().编辑框25->clear();
    w().actDownload->trigger();
    EXPECT_EQ(w().编辑框25->text(), kLoginFailed);
    EXPECT_TRUE(dialogs().messages().isEmpty());
}

TEST_F(FtpExchangeTest, WithoutWwwrootTheLoginDirectoryIsUsed)
{
    ASSERT_TRUE(QDir(home.path()).rmdir(QStringLiteral("wwwroot")));
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeFile(onDisk(QStringLiteral("x.ini")), sampleTemplate());
    fillPanel(*server, QStringLiteral("case1"));
    upload(onDisk(QStringLiteral("x.ini")));
    EXPECT_EQ(w().编辑框25->text(), kUploaded);
    EXPECT_EQ(readFile(home.path() + QStringLiteral("/case1.ini")), sampleTemplate());
}

TEST_F(FtpExchangeTest, StalledTransferEndsInTimeWhileTheWindowStaysResponsive)
{
    auto server = startServer({QStringLiteral("--stall-after"), QStringLiteral("65536")});
    ASSERT_TRUE(server->isListening());
    writeFile(remote(QStringLiteral("big.ini")), QByteArray(1024 * 1024, 'b'));
    writeFile(inBl(QStringLiteral("big.ini")), sampleTemplate());
    program.program.components().ftp.setLimits({5000ms, 1000ms});
    fillPanel(*server, QStringLiteral("big"));

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    // A second command chosen while the transfer runs is turned away.
    QTimer::singleShot(200, [&] { w().actUpload->trigger(); });
    w().actDownload->trigger();

    EXPECT_EQ(w().编辑框25->text(), kDownloadFailed);
    EXPECT_EQ(readFile(inBl(QStringLiteral("big.ini"))), sampleTemplate());
    EXPECT_EQ(dialogs().messageTexts(), QStringList{QStringLiteral("提示：|笔录正在上传或下载，请等这次传输结束后再试。")});
    EXPECT_GT(ticks, 20);
}

} // namespace
