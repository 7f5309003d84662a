// "网络功能" through the real window: the settings panel, 笔录上传 and 笔录下载 against a real FTP server
// that refuses passive mode, with their progress, cancel and failure messages.
#include "NetTestServer.h"
#include "SmallFilesystem.h"
#include "TestProgram.h"
#include "platform/Fingerprint.h"
#include "platform/Gbk.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kSettingsMissing = QStringLiteral("请完善FTP服务器配置才可以上传下载：|FTP服务器配置没有添写！");
const QString kChooseTemplate = QStringLiteral("提示：|请选择笔录模板文件.ini上传");
const QString kUploaded = QStringLiteral("笔录模板文件.ini上传FTP服务器成功.");
const QString kDownloaded = QStringLiteral("笔录模板.ini文件下载到 笔录软件的BL目录成功.");
const QString kDownloadFailed = QStringLiteral("笔录下载失败.");

QByteArray sampleTemplate() {
    return gbkFile(QStringLiteral("[set]\nnum1=2012\nnum9=张三\nnum14=某某建筑公司\nbeizu=无\n"));
}

class FtpExchangeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid() && disk.isValid());
        ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("wwwroot")));
        ASSERT_TRUE(program.start());
        program.status() = QStringLiteral("before");
    }

    MainWindow& w() { return program.w(); }
    ScriptedDialogs& dialogs() { return program.env.dialogs; }

    std::unique_ptr<NetTestServer> startServer(const QStringList& extra = {}) {
        auto server = std::make_unique<NetTestServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{home.path(), FtpTestAccount::kUser, FtpTestAccount::kPassword} + extra);
        EXPECT_TRUE(server->isListening());
        return server;
    }

    void fillPanel(const NetTestServer& server, const QString& name) {
        w().编辑框20->setText(server.address());
        w().编辑框21->setText(QString::fromLatin1(FtpTestAccount::kUser));
        w().编辑框22->setText(QString::fromLatin1(FtpTestAccount::kPassword));
        w().编辑框23->setText(name);
    }

    QString onDisk(const QString& name) const { return disk.path() + u'/' + name; }
    QString remote(const QString& name) const { return home.path() + QStringLiteral("/wwwroot/") + name; }
    QString blDir() const { return program.env.programDir() + QStringLiteral("/BL"); }
    QString inBl(const QString& name) const { return blDir() + u'/' + name; }
    QStringList blFiles() const { return QDir(blDir()).entryList(QDir::Files | QDir::Hidden); }

    void upload(const QString& chosenPath) {
        dialogs().chooseNext(chosenPath);
        w().actUpload->trigger();
    }

    // The status text must be the failure text, shown in a message box as well.
    void expectFailure(const QString& text) {
        EXPECT_EQ(program.status(), text);
        EXPECT_EQ(dialogs().messageTexts(), QStringList{QStringLiteral("提示：|") + text});
        dialogs().shown.clear();
    }

    QTemporaryDir home;
    QTemporaryDir disk;
    TestProgram program;
};

TEST_F(FtpExchangeTest, PanelItemMovesAndTogglesThePanel) {
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

TEST_F(FtpExchangeTest, UploadThenDownloadIntoAFreshInstall) {
    auto server = startServer();
    writeFile(onDisk(QStringLiteral("mine.ini")), sampleTemplate());
    const QString name = QStringLiteral("2013.2.3-某某建筑公司-张三");
    fillPanel(*server, name);
    upload(onDisk(QStringLiteral("mine.ini")));
    ASSERT_EQ(dialogs().shown.size(), 1);
    EXPECT_EQ(dialogs().shown[0].kind, QStringLiteral("browse"));
    EXPECT_EQ(dialogs().shown[0].caption, QStringLiteral(" "));
    EXPECT_EQ(program.status(), kUploaded);
    EXPECT_EQ(readFile(remote(name + QStringLiteral(".ini"))), sampleTemplate());

    // No BL directory yet: the download makes it.
    ASSERT_FALSE(QFile::exists(blDir()));
    w().actDownload->trigger();
    EXPECT_EQ(program.status(), kDownloaded);
    EXPECT_EQ(readFile(inBl(name + QStringLiteral(".ini"))), sampleTemplate());
    EXPECT_EQ(fingerprint::check(inBl(name + QStringLiteral(".ini"))), fingerprint::Check::Ok);

    // A later download replaces the local template without asking.
    writeFile(remote(name + QStringLiteral(".ini")), "[set]\r\nnum1=2014\r\n");
    w().actDownload->trigger();
    EXPECT_EQ(readFile(inBl(name + QStringLiteral(".ini"))), QByteArray("[set]\r\nnum1=2014\r\n"));
    EXPECT_EQ(fingerprint::check(inBl(name + QStringLiteral(".ini"))), fingerprint::Check::Ok);
    EXPECT_EQ(dialogs().shown.size(), 1);
    // Neither side keeps a temporary file.
    EXPECT_EQ(blFiles(), (QStringList{name + QStringLiteral(".ini"), name + QStringLiteral(".ini.sha256")}));
    EXPECT_EQ(QDir(remote(QString())).entryList(QDir::Files | QDir::Hidden),
              QStringList{name + QStringLiteral(".ini")});

    // Each transfer is told to the archive with its server and remote name.
    const QList<JournalEvent>& told = program.env.journal.events;
    ASSERT_EQ(told.size(), 3);
    EXPECT_EQ(told[0].kind, JournalEvent::Kind::Uploaded);
    EXPECT_EQ(told[0].inquiry, "mine");
    EXPECT_EQ(told[0].files, QStringList{onDisk(QStringLiteral("mine.ini"))});
    const QList<QPair<QString, QString>> details{{"server", server->address()}, {"remote", "wwwroot/" + name + ".ini"}};
    EXPECT_EQ(told[0].details, details);
    EXPECT_EQ(told[2].kind, JournalEvent::Kind::Downloaded);
    EXPECT_EQ(told[2].inquiry, name);
    EXPECT_EQ(told[2].files, QStringList{inBl(name + QStringLiteral(".ini"))});
    EXPECT_EQ(told[2].details, details);
}

TEST_F(FtpExchangeTest, TypedExtensionIsKept) {
    auto server = startServer();
    writeFile(onDisk(QStringLiteral("x.ini")), sampleTemplate());
    fillPanel(*server, QStringLiteral("x.ini"));
    upload(onDisk(QStringLiteral("x.ini")));
    EXPECT_EQ(readFile(remote(QStringLiteral("x.ini.ini"))), sampleTemplate());
    w().actDownload->trigger();
    EXPECT_EQ(readFile(inBl(QStringLiteral("x.ini.ini"))), sampleTemplate());
}

TEST_F(FtpExchangeTest, UploadPathMustContainIni) {
    auto server = startServer();
    fillPanel(*server, QStringLiteral("case1"));
    ASSERT_TRUE(QDir(disk.path()).mkdir(QStringLiteral("ini")));
    writeFile(onDisk(QStringLiteral("notes.INI")), "upper");
    writeFile(onDisk(QStringLiteral("ini/notes.txt")), "in a folder named ini");

    upload(QString());
    upload(onDisk(QStringLiteral("notes.INI")));
    EXPECT_EQ(dialogs().messageTexts(), (QStringList{kChooseTemplate, kChooseTemplate}));
    EXPECT_EQ(program.status(), QStringLiteral("before"));
    EXPECT_FALSE(QFile::exists(remote(QStringLiteral("case1.ini"))));

    upload(onDisk(QStringLiteral("ini/notes.txt")));
    EXPECT_EQ(program.status(), kUploaded);
    EXPECT_EQ(readFile(remote(QStringLiteral("case1.ini"))), QByteArray("in a folder named ini"));
}

TEST_F(FtpExchangeTest, EveryBoxMustBeFilled) {
    auto server = startServer();
    for (QLineEdit* box : {w().编辑框20, w().编辑框21, w().编辑框22, w().编辑框23}) {
        fillPanel(*server, QStringLiteral("case1"));
        box->clear();
        dialogs().shown.clear();
        w().actUpload->trigger();
        w().actDownload->trigger();
        EXPECT_EQ(dialogs().messageTexts(), (QStringList{kSettingsMissing, kSettingsMissing}))
            << box->objectName().toStdString();
        EXPECT_EQ(dialogs().shown.size(), 2); // no folder browser
        EXPECT_EQ(program.status(), QStringLiteral("before"));
    }
}

TEST_F(FtpExchangeTest, NamesThatLeaveTheirDirectoryAreRefusedBeforeConnecting) {
    // No server at all: a refused name must not even try to connect.
    const QString closed = QStringLiteral("127.0.0.1:%1").arg(closedLocalPort());
    w().编辑框20->setText(closed);
    w().编辑框21->setText(QStringLiteral("u"));
    w().编辑框22->setText(QStringLiteral("p"));
    const QString refusal = QStringLiteral(
        "请完善FTP服务器配置才可以上传下载：|文件名不能含有“/”、“\\”、“..”、换行符或空字符，请只填写笔录文件的名称！");
    for (const QString& name : {QStringLiteral("../set"), QStringLiteral("a/b"), QStringLiteral("a\\b"),
                                QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"), QStringLiteral("a\r\nDELE b"),
                                QStringLiteral("..")}) {
        w().编辑框23->setText(name);
        dialogs().shown.clear();
        w().actDownload->trigger();
        w().actUpload->trigger();
        EXPECT_EQ(dialogs().messageTexts(), (QStringList{refusal, refusal}));
        EXPECT_EQ(dialogs().shown.size(), 2);
        EXPECT_EQ(program.status(), QStringLiteral("before"));
    }
    // Single dots are ordinary name characters: this one gets as far as the missing server.
    w().编辑框23->setText(QStringLiteral("2013.2.3-单位-姓名"));
    dialogs().shown.clear();
    w().actDownload->trigger();
    expectFailure(QStringLiteral("FTP服务器连接失败.. 无法连接服务器 ") + closed);

    // The field stays editable while the transfer connects: a name typed meanwhile is not used.
    auto server = startServer();
    writeFile(remote(QStringLiteral("case1.ini")), sampleTemplate());
    writeFile(home.path() + QStringLiteral("/escaped.ini"), "outside wwwroot");
    fillPanel(*server, QStringLiteral("case1"));
    QTimer::singleShot(0, [&] { w().编辑框23->setText(QStringLiteral("../escaped")); });
    w().actDownload->trigger();
    EXPECT_EQ(program.status(), kDownloaded);
    EXPECT_EQ(readFile(inBl(QStringLiteral("case1.ini"))), sampleTemplate());
    EXPECT_FALSE(QFile::exists(program.env.programDir() + QStringLiteral("/escaped.ini")));
}

TEST_F(FtpExchangeTest, FailuresNameTheirCause) {
    auto server = startServer();
    writeFile(onDisk(QStringLiteral("x.ini")), sampleTemplate());
    fillPanel(*server, QStringLiteral("case1"));
    w().编辑框22->setText(QStringLiteral("wrong"));
    upload(onDisk(QStringLiteral("x.ini")));
    dialogs().shown.removeFirst(); // the folder browser
    expectFailure(QStringLiteral("服务器帐号密码不对.. 服务器拒绝登录（服务器回复 530）"));

    fillPanel(*server, QStringLiteral("case1"));
    ASSERT_TRUE(QDir().mkpath(blDir()));
    writeFile(inBl(QStringLiteral("case1.ini")), sampleTemplate());
    w().actDownload->trigger();
    expectFailure(QStringLiteral("笔录下载失败. 服务器上没有文件 case1.ini"));
    EXPECT_EQ(readFile(inBl(QStringLiteral("case1.ini"))), sampleTemplate());
    EXPECT_EQ(blFiles(), QStringList{QStringLiteral("case1.ini")});

    // A server that is not there is no wrong account.
    server->stop();
    w().actDownload->trigger();
    expectFailure(QStringLiteral("FTP服务器连接失败.. 无法连接服务器 ") + server->address());
}

TEST_F(FtpExchangeTest, DownloadOnAFullDiskKeepsTheLocalTemplate) {
    SmallFilesystem fs;
    REQUIRE_SMALL_FILESYSTEM(fs);
    auto server = startServer();
    program.env.services.programDir = fs.path();
    ASSERT_TRUE(QDir().mkdir(blDir()));
    QByteArray local = sampleTemplate();
    writeFile(inBl(QStringLiteral("case1.ini")), local);
    const QByteArray served(12 * 1024, 'r'); // three blocks
    writeFile(remote(QStringLiteral("case1.ini")), served);
    fillPanel(*server, QStringLiteral("case1"));

    int failures = 0;
    int successes = 0;
    for (const int free : {0, 1, 2, 3, 5, 8}) {
        fs.leaveFree(free);
        dialogs().shown.clear();
        w().actDownload->trigger();
        if (program.status() == kDownloaded) {
            ++successes;
            local = served;
            EXPECT_TRUE(dialogs().shown.isEmpty());
            EXPECT_EQ(fingerprint::check(inBl(QStringLiteral("case1.ini"))), fingerprint::Check::Ok);
        } else {
            ++failures;
            // The template, or its fingerprint, which goes into place with it or not at all.
            const QString full = QStringLiteral("笔录下载失败. 无法写入文件 <%1>：磁盘空间已满");
            const QString text = program.status();
            EXPECT_TRUE(text == full.arg(inBl(QStringLiteral("case1.ini"))) ||
                        text == full.arg(inBl(QStringLiteral("case1.ini.sha256"))))
                << text.toStdString();
            expectFailure(text);
        }
        EXPECT_EQ(readFile(inBl(QStringLiteral("case1.ini"))), local) << free << " blocks free";
        const QStringList files = successes == 0
                                      ? QStringList{QStringLiteral("case1.ini")}
                                      : QStringList{QStringLiteral("case1.ini"), QStringLiteral("case1.ini.sha256")};
        EXPECT_EQ(blFiles(), files) << free << " blocks free";
    }
    EXPECT_GT(failures, 0);
    EXPECT_GT(successes, 0);
}

// The template and its fingerprint land together or not at all: a fingerprint that cannot be
// replaced keeps the earlier template too, so it never shows as changed.
TEST_F(FtpExchangeTest, ADownloadWhoseFingerprintCannotBeReplacedKeepsTheEarlierTemplate) {
    auto server = startServer();
    ASSERT_TRUE(QDir().mkpath(blDir()));
    const QString local = inBl(QStringLiteral("case2.ini"));
    writeFile(local, sampleTemplate());
    ASSERT_TRUE(fingerprint::write(local));
    const QString sidecar = fingerprint::sidecarPath(local);
    ASSERT_TRUE(QFile::setPermissions(sidecar, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    writeFile(remote(QStringLiteral("case2.ini")), "[set]\r\nnum1=2014\r\n");
    fillPanel(*server, QStringLiteral("case2"));

    w().actDownload->trigger();
    EXPECT_TRUE(program.status().startsWith(kDownloadFailed + QStringLiteral(" 无法写入文件 <%1>：").arg(sidecar)))
        << program.status().toStdString();
    EXPECT_EQ(dialogs().messageTexts().size(), 1);
    EXPECT_EQ(readFile(local), sampleTemplate());
    EXPECT_EQ(fingerprint::check(local), fingerprint::Check::Ok);
    EXPECT_EQ(blFiles(), (QStringList{QStringLiteral("case2.ini"), QStringLiteral("case2.ini.sha256")}));
}

TEST_F(FtpExchangeTest, ProgressShowsInTheStatusBarAndCancelStopsTheDownload) {
    auto server = startServer({QStringLiteral("--rate"), QStringLiteral("65536")});
    writeFile(remote(QStringLiteral("big.ini")), QByteArray(2 * 1024 * 1024, 'b'));
    fillPanel(*server, QStringLiteral("big"));

    // Once the status bar counts kilobytes and percent, the user clicks "取消传输".
    static const QRegularExpression counting(QStringLiteral("^正在下载 big\\.ini：\\d+\\.\\d KB / 2\\.0 MB（\\d+%）$"));
    QString seen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        const auto* progress = w().状态条1->findChild<QLabel*>(QStringLiteral("标签传输进度"));
        auto* cancel = w().状态条1->findChild<QPushButton*>(QStringLiteral("按钮取消传输"));
        if (!seen.isEmpty() || !progress || !cancel || !counting.match(progress->text()).hasMatch())
            return;
        seen = progress->text();
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    user.start(20);
    w().actDownload->trigger();

    EXPECT_FALSE(seen.isEmpty());
    EXPECT_EQ(program.status(), QStringLiteral("笔录下载失败. 传输已取消"));
    EXPECT_TRUE(dialogs().shown.isEmpty()) << dialogs().messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(blFiles().isEmpty()) << blFiles().join(u' ').toStdString();
    EXPECT_EQ(w().状态条1->findChild<QPushButton*>(QStringLiteral("按钮取消传输")), nullptr);
}

TEST_F(FtpExchangeTest, StalledTransferEndsInTimeWhileTheWindowStaysResponsive) {
    ASSERT_TRUE(QDir(home.path()).rmdir(QStringLiteral("wwwroot")));
    auto server = startServer({QStringLiteral("--stall-after"), QStringLiteral("65536")});
    // Without wwwroot/ on the server the login directory serves.
    writeFile(home.path() + QStringLiteral("/big.ini"), QByteArray(1024 * 1024, 'b'));
    ASSERT_TRUE(QDir().mkpath(blDir()));
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

    const QString timedOut = QStringLiteral("笔录下载失败. 服务器超过1秒没有响应");
    EXPECT_EQ(program.status(), timedOut);
    EXPECT_EQ(readFile(inBl(QStringLiteral("big.ini"))), sampleTemplate());
    EXPECT_EQ(dialogs().messageTexts(),
              (QStringList{QStringLiteral("提示：|笔录正在上传或下载，请等这次传输结束后再试。"),
                           QStringLiteral("提示：|") + timedOut}));
    EXPECT_GT(ticks, 20);
}

} // namespace
