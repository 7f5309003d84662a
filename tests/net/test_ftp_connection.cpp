// The FTP connection against a real FTP server on 127.0.0.1 that refuses passive mode: transfers,
// uploads that complete or leave the remote name alone (also when the program ends between their
// renames), failures with their causes, time limits.
#include "NetTestServer.h"
#include "TestServices.h"
#include "net/FtpConnection.h"
#include "platform/Gbk.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using Failure = FtpConnection::Failure;

// A template as the program writes it: GBK text with CR LF line ends.
QByteArray sampleTemplate() {
    return gbkFile(QStringLiteral("[set]\nnum1=2012\nnum9=张三\nbeizu=案件经过：无\n"));
}

class FtpConnectionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid() && local.isValid());
        ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("wwwroot")));
    }

    std::unique_ptr<NetTestServer> startServer(const QStringList& extra = {}) {
        return std::make_unique<NetTestServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{home.path(), FtpTestAccount::kUser, FtpTestAccount::kPassword} + extra);
    }

    // Connects to the server and moves to wwwroot/.
    void enter(const NetTestServer& server) {
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(ftp.connect(server.address(), FtpTestAccount::kUser, FtpTestAccount::kPassword))
            << ftp.lastError().toStdString();
        ASSERT_TRUE(ftp.changeDirectory(QStringLiteral("wwwroot/"))) << ftp.lastError().toStdString();
    }

    QString remotePath(const QString& name) const { return home.path() + QStringLiteral("/wwwroot/") + name; }
    QStringList remoteFiles() const {
        return QDir(home.path() + QStringLiteral("/wwwroot")).entryList(QDir::Files | QDir::Hidden);
    }
    QString localPath(const QString& name) const { return local.path() + u'/' + name; }
    QStringList localFiles() const { return QDir(local.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir home;
    QTemporaryDir local;
    FtpConnection ftp;
};

TEST_F(FtpConnectionTest, ActiveModeRoundTripKeepsEveryByteAndGbkNames) {
    auto server = startServer();
    enter(*server);
    // Every byte value, so that no text-mode conversion can pass unnoticed.
    QByteArray bytes = sampleTemplate();
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    writeFile(localPath(QStringLiteral("x.ini")), bytes);
    const QString name = QStringLiteral("2012.11.30-某公司 张三.ini");

    ASSERT_TRUE(ftp.upload(localPath(QStringLiteral("x.ini")), name)) << ftp.lastError().toStdString();
    EXPECT_EQ(readFile(remotePath(name)), bytes);
    EXPECT_EQ(remoteFiles(), QStringList{name});
    // The same connection serves the next transfer.
    ASSERT_TRUE(ftp.download(name, localPath(QStringLiteral("back.ini")))) << ftp.lastError().toStdString();
    EXPECT_EQ(readFile(localPath(QStringLiteral("back.ini"))), bytes);
}

TEST_F(FtpConnectionTest, UploadChangesTheRemoteNameOnlyWhenComplete) {
    const QByteArray earlier = sampleTemplate();
    const QByteArray bigger(1024 * 1024, 'u');
    writeFile(remotePath(QStringLiteral("case1.ini")), earlier);
    writeFile(localPath(QStringLiteral("new.ini")), bigger);
    {
        auto server = startServer({QStringLiteral("--cut-after"), QStringLiteral("65536")});
        enter(*server);
        EXPECT_FALSE(ftp.upload(localPath(QStringLiteral("new.ini")), QStringLiteral("case1.ini")));
        EXPECT_EQ(ftp.lastFailure(), Failure::Interrupted) << ftp.lastError().toStdString();
        EXPECT_EQ(readFile(remotePath(QStringLiteral("case1.ini"))), earlier);
        EXPECT_EQ(remoteFiles(), QStringList{QStringLiteral("case1.ini")}) << "the partial upload is deleted";
    }
    {
        // A complete upload that cannot take the name leaves the earlier file under it.
        auto server = startServer({QStringLiteral("--no-rename-over"), QStringLiteral("--no-rename-part")});
        enter(*server);
        EXPECT_FALSE(ftp.upload(localPath(QStringLiteral("new.ini")), QStringLiteral("case1.ini")));
        EXPECT_EQ(ftp.lastFailure(), Failure::RemoteRefused) << ftp.lastError().toStdString();
        EXPECT_EQ(readFile(remotePath(QStringLiteral("case1.ini"))), earlier);
        EXPECT_EQ(remoteFiles(), QStringList{QStringLiteral("case1.ini")});
    }
    // A server that will not rename onto an existing name still ends up with the new file alone.
    auto server = startServer({QStringLiteral("--no-rename-over")});
    enter(*server);
    ASSERT_TRUE(ftp.upload(localPath(QStringLiteral("new.ini")), QStringLiteral("case1.ini")))
        << ftp.lastError().toStdString();
    EXPECT_EQ(readFile(remotePath(QStringLiteral("case1.ini"))), bigger);
    EXPECT_EQ(remoteFiles(), QStringList{QStringLiteral("case1.ini")});
}

TEST_F(FtpConnectionTest, AnUploadCutOffBetweenItsRenamesNeverLeavesTheRemoteNameWithoutItsFile) {
    const QByteArray oldest = gbkFile(QStringLiteral("[set]\nnum9=王五\n"));
    const QByteArray earlier = sampleTemplate();
    const QByteArray newer = gbkFile(QStringLiteral("[set]\nnum9=李四\n"));
    writeFile(localPath(QStringLiteral("new.ini")), newer);
    const QString aside = FtpConnection::asideName(QStringLiteral("case1.ini"));
    {
        // An earlier upload was cut off with the earlier file aside and nothing under its name: the
        // next upload puts it back first, so that an upload that cannot take the name leaves it there.
        writeFile(remotePath(aside), earlier);
        auto server = startServer({QStringLiteral("--no-rename-over"), QStringLiteral("--no-rename-part")});
        enter(*server);
        EXPECT_FALSE(ftp.upload(localPath(QStringLiteral("new.ini")), QStringLiteral("case1.ini")));
        EXPECT_EQ(readFile(remotePath(QStringLiteral("case1.ini"))), earlier);
        EXPECT_EQ(remoteFiles(), QStringList{QStringLiteral("case1.ini")});
    }
    {
        // With a file under the name, the one aside is an older copy: it goes, and the upload takes
        // the name on a server that will not rename onto it.
        writeFile(remotePath(aside), oldest);
        auto server = startServer({QStringLiteral("--no-rename-over")});
        enter(*server);
        EXPECT_TRUE(ftp.upload(localPath(QStringLiteral("new.ini")), QStringLiteral("case1.ini")))
            << ftp.lastError().toStdString();
        EXPECT_EQ(readFile(remotePath(QStringLiteral("case1.ini"))), newer);
        EXPECT_EQ(remoteFiles(), QStringList{QStringLiteral("case1.ini")});
    }
    // The program is told to end just as the earlier file goes aside: the renames are carried through.
    writeFile(remotePath(QStringLiteral("case1.ini")), earlier);
    auto server =
        startServer({QStringLiteral("--no-rename-over"), QStringLiteral("--slow-rename"), QStringLiteral("0.3")});
    enter(*server);
    QTimer ending;
    QObject::connect(&ending, &QTimer::timeout, [&] {
        if (server->log().contains(QStringLiteral("RNTO ") + aside)) {
            ending.stop();
            QCoreApplication::exit(0);
        }
    });
    ending.start(10);
    EXPECT_TRUE(ftp.upload(localPath(QStringLiteral("new.ini")), QStringLiteral("case1.ini")))
        << ftp.lastError().toStdString();
    EXPECT_TRUE(ftp.programEnded());
    EXPECT_EQ(readFile(remotePath(QStringLiteral("case1.ini"))), newer);
    EXPECT_EQ(remoteFiles(), QStringList{QStringLiteral("case1.ini")});
    // The application's own loop clears the end request, so that the next tests' loops run again.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
}

TEST_F(FtpConnectionTest, FailedDownloadsLeaveTheLocalFileAsItWas) {
    auto server = startServer();
    enter(*server);
    writeFile(localPath(QStringLiteral("kept.ini")), sampleTemplate());
    writeFile(remotePath(QStringLiteral("big.ini")), QByteArray(5000, 'b'));

    EXPECT_FALSE(ftp.download(QStringLiteral("kept.ini"), localPath(QStringLiteral("kept.ini"))));
    EXPECT_EQ(ftp.lastFailure(), Failure::RemoteMissing);
    EXPECT_EQ(ftp.lastError(), QStringLiteral("服务器上没有文件 kept.ini"));
    EXPECT_FALSE(ftp.download(QStringLiteral("none.ini"), localPath(QStringLiteral("none.ini"))));
    ftp.setDownloadLimit(4999);
    EXPECT_FALSE(ftp.download(QStringLiteral("big.ini"), localPath(QStringLiteral("kept.ini"))));
    EXPECT_EQ(ftp.lastFailure(), Failure::TooLarge);
    EXPECT_EQ(ftp.lastError(), QStringLiteral("文件大于 4.9 KB 的下载限制"));
    ftp.setDownloadLimit(5000);
    EXPECT_FALSE(ftp.download(QStringLiteral("big.ini"), localPath(QStringLiteral("no/such/folder.ini"))));
    EXPECT_EQ(ftp.lastFailure(), Failure::LocalFile);
    EXPECT_TRUE(ftp.lastError().endsWith(QStringLiteral("文件或目录不存在"))) << ftp.lastError().toStdString();
    EXPECT_EQ(readFile(localPath(QStringLiteral("kept.ini"))), sampleTemplate());
    EXPECT_EQ(localFiles(), QStringList{QStringLiteral("kept.ini")});

    // The connection still serves a transfer after its failures, up to the limit exactly.
    EXPECT_TRUE(ftp.download(QStringLiteral("big.ini"), localPath(QStringLiteral("kept.ini"))));
    EXPECT_EQ(readFile(localPath(QStringLiteral("kept.ini"))), QByteArray(5000, 'b'));
}

TEST_F(FtpConnectionTest, SilentServerHitsTheTimeLimitBothWays) {
    auto server = startServer({QStringLiteral("--stall-after"), QStringLiteral("65536")});
    writeFile(remotePath(QStringLiteral("big.ini")), QByteArray(1024 * 1024, 'b'));
    writeFile(localPath(QStringLiteral("big.ini")), sampleTemplate());
    writeFile(localPath(QStringLiteral("up.ini")), QByteArray(16 * 1024 * 1024, 'u'));
    ftp.setLimits({5000ms, 1000ms});
    enter(*server);

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ftp.download(QStringLiteral("big.ini"), localPath(QStringLiteral("big.ini"))));
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_EQ(ftp.lastFailure(), Failure::TimedOut);
    EXPECT_EQ(ftp.lastError(), QStringLiteral("服务器超过1秒没有响应"));
    EXPECT_EQ(readFile(localPath(QStringLiteral("big.ini"))), sampleTemplate());

    EXPECT_FALSE(ftp.upload(localPath(QStringLiteral("up.ini")), QStringLiteral("big.ini")));
    EXPECT_EQ(ftp.lastFailure(), Failure::TimedOut);
    EXPECT_EQ(readFile(remotePath(QStringLiteral("big.ini"))), QByteArray(1024 * 1024, 'b'));
}

TEST_F(FtpConnectionTest, ConnectFailuresNameTheirCause) {
    auto server = startServer();
    ASSERT_TRUE(server->isListening());
    EXPECT_FALSE(ftp.connect(server->address(), FtpTestAccount::kUser, QStringLiteral("wrong")));
    EXPECT_EQ(ftp.lastFailure(), Failure::LoginRefused);
    EXPECT_EQ(ftp.lastError(), QStringLiteral("服务器拒绝登录（服务器回复 530）"));
    EXPECT_FALSE(ftp.isConnected());

    const QString closed = QStringLiteral("127.0.0.1:%1").arg(closedLocalPort());
    EXPECT_FALSE(ftp.connect(closed, FtpTestAccount::kUser, FtpTestAccount::kPassword));
    EXPECT_EQ(ftp.lastFailure(), Failure::Unreachable);
    EXPECT_EQ(ftp.lastError(), QStringLiteral("无法连接服务器 ") + closed);
    for (const QString& bad :
         {QStringLiteral("127.0.0.1:notaport"), QStringLiteral("127.0.0.1:70000"), QStringLiteral("bad/host")}) {
        EXPECT_FALSE(ftp.connect(bad, FtpTestAccount::kUser, FtpTestAccount::kPassword));
        EXPECT_EQ(ftp.lastFailure(), Failure::BadAddress) << bad.toStdString();
    }
    EXPECT_FALSE(ftp.download(QStringLiteral("t.ini"), localPath(QStringLiteral("t.ini"))));
    EXPECT_EQ(ftp.lastFailure(), Failure::NotConnected);

    // A server that accepts the connection and then says nothing.
    ftp.setLimits({1000ms, 1000ms});
    server->suspend();
    EXPECT_FALSE(ftp.connect(server->address(), FtpTestAccount::kUser, FtpTestAccount::kPassword));
    EXPECT_EQ(ftp.lastFailure(), Failure::TimedOut);
    server->resume();

    // A later connect with the right account works again.
    EXPECT_TRUE(ftp.connect(server->address(), FtpTestAccount::kUser, FtpTestAccount::kPassword))
        << ftp.lastError().toStdString();
}

TEST_F(FtpConnectionTest, ConnectReplacesTheConnection) {
    QTemporaryDir otherHome;
    ASSERT_TRUE(QDir(otherHome.path()).mkdir(QStringLiteral("wwwroot")));
    auto first = startServer();
    NetTestServer second(QStringLiteral("ftp_server.py"),
                         {otherHome.path(), FtpTestAccount::kUser, FtpTestAccount::kPassword});
    ASSERT_TRUE(second.isListening());
    writeFile(localPath(QStringLiteral("a.ini")), sampleTemplate());

    enter(*first);
    ASSERT_TRUE(ftp.connect(second.address(), FtpTestAccount::kUser, FtpTestAccount::kPassword));
    // A new connection starts in its login directory again.
    ASSERT_TRUE(ftp.upload(localPath(QStringLiteral("a.ini")), QStringLiteral("top.ini")));
    EXPECT_TRUE(QFile::exists(otherHome.path() + QStringLiteral("/top.ini")));
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/top.ini")));
}

} // namespace
