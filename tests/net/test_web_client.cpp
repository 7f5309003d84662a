// The web client against a real HTTP server on 127.0.0.1: bodies, headers, cookies and failures.
#include "NetTestServer.h"
#include "net/WebClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class WebClientTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        server = std::make_unique<NetTestServer>(QStringLiteral("http_server.py"), QStringList{root.path()});
        ASSERT_TRUE(server->isListening());
    }

    QString url(const QString& path) const { return QStringLiteral("http://%1%2").arg(server->address(), path); }

    void serve(const QString& name, const QByteArray& bytes) {
        QFile file(root.path() + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir root;
    std::unique_ptr<NetTestServer> server;
    WebClient web;
};

TEST_F(WebClientTest, BodyLongerThanOneReadArrivesWhole) {
    QByteArray descriptor = "[set]\r\ngengxin=1\r\n";
    for (int i = 0; descriptor.size() < 5000; ++i)
        descriptor += "note" + QByteArray::number(i) + "=" + QByteArray(40, 'n') + "\r\n";
    serve(QStringLiteral("soft.ini"), descriptor);
    EXPECT_EQ(web.FetchText(url(QStringLiteral("/files/soft.ini"))), descriptor);
    EXPECT_EQ(web.body(), descriptor);
    EXPECT_TRUE(web.lastOutcome().completed);
    EXPECT_EQ(web.lastOutcome().status, 200);
}

TEST_F(WebClientTest, TextEndsAtTheFirstZeroByte) {
    const QByteArray bytes("[set]\r\ngengxin=1\r\n\0[set]\r\ngengxin=2\r\n", 37);
    serve(QStringLiteral("zero.ini"), bytes);
    EXPECT_EQ(web.FetchText(url(QStringLiteral("/files/zero.ini"))), QByteArray("[set]\r\ngengxin=1\r\n"));
    QString headers;
    EXPECT_EQ(web.SendRequest(url(QStringLiteral("/files/zero.ini")), QString(), QString(), headers, QString()), bytes);
}

TEST_F(WebClientTest, EmptyBody) {
    serve(QStringLiteral("empty.ini"), QByteArray());
    EXPECT_TRUE(web.FetchText(url(QStringLiteral("/files/empty.ini"))).isEmpty());
    EXPECT_TRUE(web.lastOutcome().completed);
}

TEST_F(WebClientTest, ErrorPageIsTheBodyAndItsStatusIsKept) {
    const QByteArray page = web.FetchText(url(QStringLiteral("/files/missing.ini")));
    EXPECT_TRUE(page.contains("404 Not Found"));
    EXPECT_EQ(web.lastOutcome().status, 404);
}

TEST_F(WebClientTest, RedirectsAreFollowed) {
    serve(QStringLiteral("soft.ini"), "[set]\r\ngengxin=2\r\n");
    EXPECT_EQ(web.FetchText(url(QStringLiteral("/redirect?to=/files/soft.ini"))), QByteArray("[set]\r\ngengxin=2\r\n"));
    EXPECT_EQ(web.lastOutcome().status, 200);
}

TEST_F(WebClientTest, CookiesGoBackToTheHostThatSetThem) {
    EXPECT_FALSE(web.FetchText(url(QStringLiteral("/echo"))).contains("Cookie:"));
    EXPECT_EQ(web.FetchText(url(QStringLiteral("/setcookie"))), QByteArray("cookies set"));
    const QByteArray echo = web.FetchText(url(QStringLiteral("/echo")));
    EXPECT_TRUE(echo.contains("session=abc123")) << echo.toStdString();
    EXPECT_TRUE(echo.contains("lang=zh")) << echo.toStdString();
    // Another host name (the same server) gets none of them.
    const QByteArray other = web.FetchText(QStringLiteral("http://localhost:%1/echo").arg(server->port()));
    EXPECT_FALSE(other.contains("abc123")) << other.toStdString();
    // Another client has a store of its own.
    WebClient fresh;
    EXPECT_FALSE(fresh.FetchText(url(QStringLiteral("/echo"))).contains("abc123"));
}

TEST_F(WebClientTest, CookiesAreKeptFromLongResponseHeadersToo) {
    EXPECT_EQ(web.FetchText(url(QStringLiteral("/setcookie?pad=3000"))), QByteArray("cookies set"));
    const QByteArray echo = web.FetchText(url(QStringLiteral("/echo")));
    EXPECT_TRUE(echo.contains("session=abc123")) << echo.toStdString();
}

TEST_F(WebClientTest, MissingHeadersAreCompletedAndHandedBack) {
    // Without headers of its own a request asks for Chinese.
    EXPECT_TRUE(web.FetchText(url(QStringLiteral("/echo"))).contains("\r\nAccept-Language: zh-cn\r\n"));

    QString headers = QStringLiteral("accept-language: en\r\n");
    const QString address = url(QStringLiteral("/echo?q=1"));
    const QByteArray echo = web.SendRequest(address, QStringLiteral("GET"), QString(), headers, QString());
    EXPECT_TRUE(echo.startsWith("GET /echo?q=1 HTTP/1.1\r\n")) << echo.toStdString();
    EXPECT_TRUE(echo.contains("Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                              "application/x-shockwave-flash, application/vnd.ms-excel, "
                              "application/vnd.ms-powerpoint, application/msword, */*\r\n"));
    EXPECT_TRUE(echo.contains("Referer: " + address.toLatin1() + "\r\n"));
    EXPECT_TRUE(echo.contains("accept-language: en\r\n"));
    EXPECT_FALSE(echo.contains("zh-cn"));
    EXPECT_TRUE(echo.contains("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"));
    EXPECT_EQ(headers, QStringLiteral("accept-language: en\r\n") +
                           QStringLiteral("Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                                          "application/x-shockwave-flash, application/vnd.ms-excel, "
                                          "application/vnd.ms-powerpoint, application/msword, */*\r\n") +
                           QStringLiteral("Referer: ") + address + QStringLiteral("\r\n"));
}

TEST_F(WebClientTest, PostSendsFormData) {
    QString headers;
    const QByteArray echo = web.SendRequest(url(QStringLiteral("/echo")), QStringLiteral("POST"), QString(), headers,
                                            QStringLiteral("a=1&b=二"));
    EXPECT_TRUE(echo.startsWith("POST /echo HTTP/1.1\r\n")) << echo.toStdString();
    EXPECT_TRUE(echo.contains("Content-Type: application/x-www-form-urlencoded\r\n"));
    EXPECT_TRUE(echo.contains("Content-Length: 8\r\n"));
    EXPECT_TRUE(echo.endsWith("\r\n\r\na=1&b=\xb6\xfe")) << echo.toStdString();
    EXPECT_TRUE(headers.endsWith(QStringLiteral("Content-Length: 8\r\n")));

    // A redirect answered to a POST is followed with a GET that carries no form lines.
    headers.clear();
    const QByteArray redirected = web.SendRequest(url(QStringLiteral("/redirect?to=/echo")), QStringLiteral("POST"),
                                                  QString(), headers, QStringLiteral("a=1"));
    EXPECT_TRUE(redirected.startsWith("GET /echo HTTP/1.1\r\n")) << redirected.toStdString();
    EXPECT_FALSE(redirected.contains("Content-Length")) << redirected.toStdString();
    EXPECT_TRUE(web.lastOutcome().completed);
}

TEST_F(WebClientTest, RequestsThatCannotBeMadeGive255ZeroBytes) {
    const QByteArray zeros(WebClient::kFailureBytes, '\0');
    QString headers;
    EXPECT_EQ(web.SendRequest(url(QStringLiteral("/echo")), QStringLiteral("PUT"), QString(), headers, QString()),
              zeros);
    EXPECT_TRUE(web.body().isEmpty());
    EXPECT_TRUE(headers.contains(QStringLiteral("Referer: ")));
    EXPECT_EQ(web.SendRequest(QStringLiteral("http://bad host/x"), QString(), QString(), headers, QString()), zeros);
    EXPECT_EQ(web.SendRequest(QStringLiteral("http:///x"), QString(), QString(), headers, QString()), zeros);
    EXPECT_FALSE(web.lastOutcome().completed);
    EXPECT_TRUE(web.FetchText(QStringLiteral("http://127.0.0.1:99999/")).isEmpty());
}

TEST_F(WebClientTest, UnreachableServerGivesAnEmptyBodyAndSaysSo) {
    EXPECT_TRUE(web.FetchText(QStringLiteral("http://127.0.0.1:%1/soft.ini").arg(closedLocalPort())).isEmpty());
    EXPECT_FALSE(web.lastOutcome().completed);
    EXPECT_EQ(web.lastOutcome().status, 0);
    EXPECT_FALSE(web.lastOutcome().error.isEmpty());
}

TEST_F(WebClientTest, BodyOverTheLimitIsCutAndFails) {
    web.setBodyLimit(100000);
    const QByteArray text = web.FetchText(url(QStringLiteral("/big?bytes=300000")));
    EXPECT_EQ(text.size(), 100000);
    EXPECT_TRUE(web.lastOutcome().tooLarge);
    EXPECT_FALSE(web.lastOutcome().completed);
    // Exactly at the limit is fine.
    EXPECT_EQ(web.FetchText(url(QStringLiteral("/big?bytes=100000"))).size(), 100000);
    EXPECT_TRUE(web.lastOutcome().completed);
}

TEST_F(WebClientTest, SilentServerHitsTheTimeLimitWhileTheEventLoopRuns) {
    web.setLimits({5000ms, 1000ms});
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QElapsedTimer clock;
    clock.start();
    const QByteArray text = web.FetchText(url(QStringLiteral("/stall?bytes=1000")));
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_EQ(text, QByteArray(1000, 'y'));
    EXPECT_FALSE(web.lastOutcome().completed);
    EXPECT_GT(ticks, 10);
}

} // namespace
