// The FTP connection against a real FTP server on 127.0.0.1: transfers, failures and time limits.
#include "NetTestServer.h"
#include "net/FtpConnection.h"
#include "platform/Gbk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// A template as the program writes it: GBK text with CR LF line ends.
QByteArray sampleTemplate()
{
    return gbk::encode(QStringLiteral("[set]\r\nnum1=2012\r\nnum9=张三\r\nbeizu=案件经过：无\r\n"));
}

class FtpConnectionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid() && local.isValid());
        ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("wwwroot")));
    }

    std::unique_ptr<NetTestServer> startServer(const QStringList& extra = {})
    {
        auto server = std::make_unique<NetTestServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{home.path(), FtpTestAccount::kUser, FtpTestAccount::kPassword} + extra);
        return server;
    }

    bool connectTo(const NetTestServer& server)
    {
        return ftp.connect(server.address(), FtpTestAccount::kUser, FtpTestAccount::kPassword);
    }

    QString remotePath(const QString& name) const { return home.path() + QStringLiteral("/wwwroot/") + name; }
    QString localPath(const QString& name) const { return local.path() + u'/' + name; }

    QTemporaryDir home;
    QTemporaryDir local;
    FtpConnection ftp;
};

TEST_F(FtpConnectionTest, UploadAndDownloadKeepEveryByte)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    // Every byte value, so that no text-mode conversion can pass unnoticed.
    QByteArray bytes = sampleTemplate();
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    writeAll(localPath(QStringLiteral("x.ini")), bytes);

    ASSERT_TRUE(connectTo(*server)) << ftp.lastError().toStdString();
    EXPECT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));
    ASSERT_TRUE(ftp.upload(localPath(QStringLiteral("x.ini")), QStringLiteral("case1.ini"))) << ftp.lastError().toStdString();
    EXPECT_EQ(readAll(remotePath(QStringLiteral("case1.ini"))), bytes);

    // The same connection serves the next transfer.
    ASSERT_TRUE(ftp.download(QStringLiteral("case1.ini"), localPath(QStringLiteral("back.ini"))))
        << ftp.lastError().toStdString();
    EXPECT_EQ(readAll(localPath(QStringLiteral("back.ini"))), bytes);
}

TEST_F(FtpConnectionTest, ChineseNamesTravelAsGbk)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeAll(localPath(QStringLiteral("a.ini")), sampleTemplate());
    ASSERT_TRUE(connectTo(*server));
    ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));
    const QString name = QStringLiteral("2012.11.30-某公司 张三.ini");
    ASSERT_TRUE(ftp.upload(localPath(QStringLiteral("a.ini")), name)) << ftp.lastError().toStdString();
    EXPECT_EQ(readAll(remotePath(name)), sampleTemplate());
}

TEST_F(FtpConnectionTest, DownloadReplacesAnExistingLocalFile)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeAll(remotePath(QStringLiteral("t.ini")), sampleTemplate());
    writeAll(localPath(QStringLiteral("t.ini")), "an older and longer local template that must go entirely");
    ASSERT_TRUE(connectTo(*server));
    ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));
    ASSERT_TRUE(ftp.download(QStringLiteral("t.ini"), localPath(QStringLiteral("t.ini"))));
    EXPECT_EQ(readAll(localPath(QStringLiteral("t.ini"))), sampleTemplate());
}

TEST_F(FtpConnectionTest, MissingRemoteFileLeavesLocalFilesAlone)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeAll(localPath(QStringLiteral("kept.ini")), sampleTemplate());
    ASSERT_TRUE(connectTo(*server));
    ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));

    EXPECT_FALSE(ftp.download(QStringLiteral("kept.ini"), localPath(QStringLiteral("kept.ini"))));
    EXPECT_EQ(readAll(localPath(QStringLiteral("kept.ini"))), sampleTemplate());
    EXPECT_FALSE(ftp.download(QStringLiteral("none.ini"), localPath(QStringLiteral("none.ini"))));
    EXPECT_FALSE(QFile::exists(localPath(QStringLiteral("none.ini"))));
    EXPECT_TRUE(ftp.lastError().contains(QStringLiteral("550"))) << ftp.lastError().toStdString();
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.ini")});

    // The connection is still usable after a failed transfer.
    writeAll(remotePath(QStringLiteral("there.ini")), "ok");
    EXPECT_TRUE(ftp.download(QStringLiteral("there.ini"), localPath(QStringLiteral("there.ini"))));
}

TEST_F(FtpConnectionTest, DownloadIntoMissingDirectoryFails)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeAll(remotePath(QStringLiteral("t.ini")), sampleTemplate());
    ASSERT_TRUE(connectTo(*server));
    ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));
    EXPECT_FALSE(ftp.download(QStringLiteral("t.ini"), local.path() + QStringLiteral("/BL/t.ini")));
}

TEST_F(FtpConnectionTest, WithoutWwwrootTransfersStayInTheLoginDirectory)
{
    ASSERT_TRUE(QDir(home.path()).rmdir(QStringLiteral("wwwroot")));
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    writeAll(localPath(QStringLiteral("a.ini")), sampleTemplate());
    ASSERT_TRUE(connectTo(*server));
    EXPECT_FALSE(ftp.changeDirectory(QStringLiteral("wwwroot/")));
    ASSERT_TRUE(ftp.upload(localPath(QStringLiteral("a.ini")), QStringLiteral("b.ini")));
    EXPECT_EQ(readAll(home.path() + QStringLiteral("/b.ini")), sampleTemplate());
}

TEST_F(FtpConnectionTest, RefusedLogins)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    EXPECT_FALSE(ftp.connect(server->address(), FtpTestAccount::kUser, QStringLiteral("wrong")));
    EXPECT_TRUE(ftp.lastError().contains(QStringLiteral("530"))) << ftp.lastError().toStdString();
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_FALSE(ftp.connect(QStringLiteral("127.0.0.1:%1").arg(closedLocalPort()), FtpTestAccount::kUser,
                             FtpTestAccount::kPassword));
    EXPECT_FALSE(ftp.connect(QStringLiteral("127.0.0.1:notaport"), FtpTestAccount::kUser, FtpTestAccount::kPassword));
    EXPECT_FALSE(ftp.connect(QStringLiteral("127.0.0.1:70000"), FtpTestAccount::kUser, FtpTestAccount::kPassword));
    EXPECT_FALSE(ftp.connect(QStringLiteral("bad/host"), FtpTestAccount::kUser, FtpTestAccount::kPassword));
    EXPECT_FALSE(ftp.download(QStringLiteral("t.ini"), localPath(QStringLiteral("t.ini"))));

    // A later connect with the right account works again.
    EXPECT_TRUE(connectTo(*server)) << ftp.lastError().toStdString();
}

TEST_F(FtpConnectionTest, ConnectReplacesTheConnection)
{
    QTemporaryDir otherHome;
    ASSERT_TRUE(QDir(otherHome.path()).mkdir(QStringLiteral("wwwroot")));
    auto first = startServer();
    NetTestServer second(QStringLiteral("ftp_server.py"),
                         {otherHome.path(), FtpTestAccount::kUser, FtpTestAccount::kPassword});
    ASSERT_TRUE(first->isListening() && second.isListening());
    writeAll(localPath(QStringLiteral("a.ini")), sampleTemplate());

    ASSERT_TRUE(connectTo(*first));
    ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));
    ASSERT_TRUE(connectTo(second));
    // A new connection starts in its login directory again.
    ASSERT_TRUE(ftp.upload(localPath(QStringLiteral("a.ini")), QStringLiteral("top.ini")));
    EXPECT_TRUE(QFile::exists(otherHome.path() + QStringLiteral("/top.ini")));
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/top.ini")));
}

TEST_F(FtpConnectionTest, ServerThatStopsMidDownloadHitsTheTimeLimit)
{
    auto server = startServer({QStringLiteral("--stall-after"), QStringLiteral("65536")});
    ASSERT_TRUE(server->isListening());
    writeAll(remotePath(QStringLiteral("big.ini")), QByteArray(1024 * 1024, 'b'));
    writeAll(localPath(QStringLiteral("big.ini")), sampleTemplate());
    ftp.setLimits({5000ms, 1000ms});
    ASSERT_TRUE(connectTo(*server));
    ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ftp.download(QStringLiteral("big.ini"), localPath(QStringLiteral("big.ini"))));
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_TRUE(ftp.lastError().contains(QStringLiteral("time limit"))) << ftp.lastError().toStdString();
    EXPECT_EQ(readAll(localPath(QStringLiteral("big.ini"))), sampleTemplate());
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), QStringList{QStringLiteral("big.ini")});
}

TEST_F(FtpConnectionTest, ServerThatStopsMidUploadHitsTheTimeLimit)
{
    auto server = startServer({QStringLiteral("--stall-after"), QStringLiteral("65536")});
    ASSERT_TRUE(server->isListening());
    writeAll(localPath(QStringLiteral("big.ini")), QByteArray(16 * 1024 * 1024, 'u'));
    ftp.setLimits({5000ms, 1000ms});
    ASSERT_TRUE(connectTo(*server));
    ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/")));
    EXPECT_FALSE(ftp.upload(localPath(QStringLiteral("big.ini")), QStringLiteral("big.ini")));
    EXPECT_TRUE(ftp.lastError().contains(QStringLiteral("time limit"))) << ftp.lastError().toStdString();
}

TEST_F(FtpConnectionTest, FrozenServerHitsTheLoginTimeLimit)
{
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    ftp.setLimits({1000ms, 1000ms});
    server->suspend();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(connectTo(*server));
    EXPECT_LT(clock.elapsed(), 20000);
    server->resume();
}

TEST_F(FtpConnectionTest, SecondOperationWhileOneRunsIsRefused)
{
    auto server = startServer({QStringLiteral("--stall-after"), QStringLiteral("65536")});
    ASSERT_TRUE(server->isListening());
    writeAll(remotePath(QStringLiteral("big.ini")), QByteArray(1024 * 1024, 'b'));
    ftp.setLimits({5000ms, 1000ms});
    ASSERT_TRUE(connectTo(*server));

    // The event loop keeps running during the transfer: a timer fires and tries a second operation.
    bool ticked = false;
    bool secondResult = true;
    QString secondError;
    QTimer::singleShot(100, [&] {
        ticked = true;
        EXPECT_TRUE(ftp.isBusy());
        secondResult = ftp.connect(server->address(), FtpTestAccount::kUser, FtpTestAccount::kPassword);
        secondError = ftp.lastError();
    });
    EXPECT_FALSE(ftp.download(QStringLiteral("wwwroot/big.ini"), localPath(QStringLiteral("big.ini"))));
    EXPECT_TRUE(ticked);
    EXPECT_FALSE(secondResult);
    EXPECT_TRUE(secondError.contains(QStringLiteral("still running")));
    EXPECT_FALSE(ftp.isBusy());
}

} // namespace
