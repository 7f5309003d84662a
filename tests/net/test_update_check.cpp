// "更新软件" through the real window and a real HTTP server on 127.0.0.1.
#include "NetTestServer.h"
#include "TestProgram.h"
#include "net/NetConfig.h"
#include "net/WebClient.h"
#include "platform/ProductVersion.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kCaption = QStringLiteral("提 示：");
const QString kNoNewVersion = QStringLiteral("软件暂时没有新版本用于更新！");

class UpdateCheckTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(server.isListening());
        program.program.components().webClient = &web;
        pointAt(QStringLiteral("/files/soft.ini"));
    }
    void TearDown() override { qunsetenv("QUILLON_UPDATE_URL"); }

    void pointAt(const QString& path) {
        qputenv("QUILLON_UPDATE_URL", QStringLiteral("http://%1%2").arg(server.address(), path).toUtf8());
    }
    void serve(const QByteArray& descriptor) { writeFile(root.path() + QStringLiteral("/soft.ini"), descriptor); }
    QString softIni() const { return program.env.services.cacheDir + QStringLiteral("/soft.ini"); }

    // Chooses "更新软件" and returns the one message box it showed.
    QString check() {
        program.env.dialogs.shown.clear();
        program.w().actUpdate->trigger();
        const QList<ShownBox> boxes = program.env.dialogs.messages();
        if (boxes.size() != 1)
            return QStringLiteral("%1 message boxes").arg(boxes.size());
        EXPECT_EQ(boxes[0].caption, kCaption);
        EXPECT_EQ(boxes[0].buttons, Dialogs::Buttons::Ok);
        return boxes[0].text;
    }

    QTemporaryDir root;
    NetTestServer server{QStringLiteral("http_server.py"), {root.path()}};
    WebClient web;
    TestProgram program;
};

TEST_F(UpdateCheckTest, GengxinOneAnnouncesANewVersion) {
    const QByteArray descriptor = "[set]\r\ngengxin=1\r\n";
    serve(descriptor);
    EXPECT_EQ(check(), QStringLiteral("软件有新版本！ 请到 ") + netconfig::homeAddress() +
                           QStringLiteral(" 下载新版本使用。。。"));
    EXPECT_EQ(readFile(softIni()), descriptor);
}

TEST_F(UpdateCheckTest, EveryOtherDescriptorMeansNoNewVersion) {
    for (const QByteArray& descriptor : {QByteArray("[set]\r\ngengxin=2\r\n"), QByteArray("[set]\r\ngengxin=yes\r\n"),
                                         QByteArray("[set]\r\nother=1\r\n"), QByteArray("[old]\r\ngengxin=1\r\n"),
                                         QByteArray("[set]\r\ngengxin=11\r\n"), QByteArray()}) {
        serve(descriptor);
        EXPECT_EQ(check(), kNoNewVersion) << descriptor.toStdString();
        EXPECT_EQ(readFile(softIni()), descriptor);
    }
}

TEST_F(UpdateCheckTest, LongDescriptorArrivesWhole) {
    QByteArray descriptor = "[notes]\r\n";
    while (descriptor.size() < 4000)
        descriptor += "line" + QByteArray::number(descriptor.size()) + "=" + QByteArray(60, 'z') + "\r\n";
    descriptor += "[set]\r\ngengxin=1\r\n";
    serve(descriptor);
    EXPECT_TRUE(check().startsWith(QStringLiteral("软件有新版本！")));
    EXPECT_EQ(readFile(softIni()), descriptor);
}

TEST_F(UpdateCheckTest, DescriptorIsCutAtAZeroByte) {
    serve(QByteArray("[old]\r\nx=1\r\n\0[set]\r\ngengxin=1\r\n", 31));
    EXPECT_EQ(check(), kNoNewVersion);
    EXPECT_EQ(readFile(softIni()), QByteArray("[old]\r\nx=1\r\n"));
}

TEST_F(UpdateCheckTest, RedirectIsFollowed) {
    serve("[set]\r\ngengxin=1\r\n");
    pointAt(QStringLiteral("/redirect?to=/files/soft.ini"));
    EXPECT_TRUE(check().startsWith(QStringLiteral("软件有新版本！")));
}

TEST_F(UpdateCheckTest, TheRequestNamesTheRunningVersion) {
    const QByteArray version = product::kVersion;
    pointAt(QStringLiteral("/echo"));
    EXPECT_EQ(check(), kNoNewVersion);
    EXPECT_TRUE(readFile(softIni()).startsWith("GET /echo?version=" + version + " HTTP/1.1\r\n"));
    // A configured address that has a query keeps it.
    pointAt(QStringLiteral("/echo?site=test"));
    EXPECT_EQ(check(), kNoNewVersion);
    EXPECT_TRUE(readFile(softIni()).startsWith("GET /echo?site=test&version=" + version + " HTTP/1.1\r\n"));
}

TEST_F(UpdateCheckTest, FailedChecksSaySoAndKeepTheLastDescriptor) {
    const QByteArray earlier = "[set]\r\ngengxin=2\r\n";
    writeFile(softIni(), earlier);

    pointAt(QStringLiteral("/files/missing.ini"));
    EXPECT_EQ(check(), QStringLiteral("软件更新检查失败！ 更新服务器返回错误 404。。。"));
    pointAt(QStringLiteral("/status/500"));
    EXPECT_EQ(check(), QStringLiteral("软件更新检查失败！ 更新服务器返回错误 500。。。"));
    pointAt(QStringLiteral("/big?bytes=%1").arg(1024 * 1024 + 1));
    EXPECT_EQ(check(), QStringLiteral("软件更新检查失败！ 更新服务器返回的更新信息过大。。。"));
    qputenv("QUILLON_UPDATE_URL", QStringLiteral("http://127.0.0.1:%1/soft.ini").arg(closedLocalPort()).toUtf8());
    EXPECT_EQ(check(), QStringLiteral("软件更新检查失败！ 无法连接更新服务器，请检查网络后再试。。。"));
    EXPECT_EQ(readFile(softIni()), earlier);

    // Exactly the size limit is still a descriptor.
    pointAt(QStringLiteral("/big?bytes=%1").arg(1024 * 1024));
    EXPECT_EQ(check(), kNoNewVersion);
}

TEST_F(UpdateCheckTest, UnwritableCacheDirectoryIsReported) {
    serve("[set]\r\ngengxin=1\r\n");
    writeFile(root.path() + QStringLiteral("/plainfile"), "x");
    program.env.services.cacheDir = root.path() + QStringLiteral("/plainfile/cache");
    EXPECT_EQ(check(),
              QStringLiteral("软件更新检查失败！ 无法写入文件 %1：同名的文件占用了目录的位置。。。").arg(softIni()));
}

TEST_F(UpdateCheckTest, SecondCheckWhileOneWaitsIsRefused) {
    web.setLimits({5000ms, 1000ms});
    pointAt(QStringLiteral("/stall?bytes=10"));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QTimer::singleShot(200, [&] { program.w().actUpdate->trigger(); });
    program.w().actUpdate->trigger();
    EXPECT_EQ(
        program.env.dialogs.messageTexts(),
        (QStringList{kCaption + QStringLiteral("|正在检查更新，请稍候。。。"),
                     kCaption + QStringLiteral("|软件更新检查失败！ 无法连接更新服务器，请检查网络后再试。。。")}));
    EXPECT_GT(ticks, 20);
}

// Last in this file: once the application is told to quit, its event loops stay closed.
TEST_F(UpdateCheckTest, QuittingDuringACheckEndsItWithoutAMessage) {
    pointAt(QStringLiteral("/stall?bytes=10"));
    QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    program.w().actUpdate->trigger();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(web.lastOutcome().cancelled);
    EXPECT_TRUE(program.env.dialogs.messages().isEmpty())
        << program.env.dialogs.messageTexts().join(u'\n').toStdString();
}

} // namespace
