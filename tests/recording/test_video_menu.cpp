// The 视频录像 menu on the real main window: the capture area, file names in BL, the fingerprint and
// the recovery marker of a capture, restarts and failures, with videotestsrc as the capture source.
#include "TestProgram.h"
#include "VideoFileFacts.h"
#include "platform/Fingerprint.h"
#include "recording/VideoSource.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

const QByteArray kSource = "videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1";

class VideoMenuTest : public ::testing::Test {
protected:
    // The capture binds to its source when the program is created.
    void create(const QByteArray& source = kSource) {
        qputenv("QUILLON_VIDEO_SOURCE", source);
        p = std::make_unique<TestProgram>();
        ASSERT_TRUE(p->start());
    }
    void TearDown() override { qunsetenv("QUILLON_VIDEO_SOURCE"); }

    MainWindow& w() { return p->w(); }
    QString bl() const { return p->env.programDir() + QStringLiteral("/BL"); }
    QStringList markers() const {
        return QDir(p->env.programDir() + QStringLiteral("/recovery")).entryList({QStringLiteral("*.capture")});
    }
    QStringList captures() const { return QDir(bl()).entryList({QStringLiteral("*.avi")}, QDir::Files, QDir::Name); }
    bool areaShown() { return !w().视频设备1->isHidden() && !w().标签1->isHidden(); }
    bool areaHidden() { return w().视频设备1->isHidden() && w().标签1->isHidden(); }
    // Waits until the preview has shown n more pictures.
    bool previewAdvances(int n = 3) {
        QSignalSpy shown(&p->program.components().视频设备1, &VideoCapture::frameShown);
        return QTest::qWaitFor([&] { return shown.count() >= n; }, 10000);
    }
    void captureAt(const QDateTime& time) {
        p->env.clock.time = time;
        w().actStartCapture->trigger();
    }

    std::unique_ptr<TestProgram> p;
};

TEST_F(VideoMenuTest, StartShowsTheAreaWithTheLivePictureAndStopHidesItAndFinishesTheFile) {
    create();
    ASSERT_FALSE(QDir(bl()).exists());
    ASSERT_TRUE(areaHidden());

    captureAt(QDateTime(QDate(2012, 11, 30), QTime(9, 5, 7)));
    EXPECT_TRUE(areaShown());
    EXPECT_EQ(captures(), QStringList{QStringLiteral("2012年11月30日9时5分7秒.avi")});
    // While it runs, its marker tells a later start which file to repair should the program be killed.
    EXPECT_EQ(markers(), QStringList{QStringLiteral("2012年11月30日9时5分7秒.avi.capture")});
    ASSERT_TRUE(previewAdvances());
    EXPECT_EQ(w().视频设备1->pixmap().size(), QSize(165, 100));

    w().actStopCapture->trigger();
    EXPECT_TRUE(areaHidden());
    EXPECT_TRUE(p->env.dialogs.shown.isEmpty()) << p->env.dialogs.messageTexts().join(u'\n').toStdString();
    const QString file = bl() + QStringLiteral("/2012年11月30日9时5分7秒.avi");
    expectFinishedAvi(file);
    EXPECT_EQ(fingerprint::check(file), fingerprint::Check::Ok);
    EXPECT_TRUE(markers().isEmpty());
}

TEST_F(VideoMenuTest, NamesAtWholeMinutesHoursAndMidnightEndInTheLastNonZeroField) {
    create();
    const QDate day(2012, 11, 30);
    captureAt(QDateTime(day, QTime(9, 5, 0)));
    w().actStopCapture->trigger();
    captureAt(QDateTime(day, QTime(14, 0, 0)));
    w().actStopCapture->trigger();
    captureAt(QDateTime(day, QTime(0, 0, 0)));
    w().actStopCapture->trigger();

    EXPECT_EQ(captures(), (QStringList{QStringLiteral("2012年11月30日.avi"), QStringLiteral("2012年11月30日14时.avi"),
                                       QStringLiteral("2012年11月30日9时5分.avi")}));
    for (const QString& name : captures())
        expectFinishedAvi(bl() + u'/' + name);
    EXPECT_TRUE(p->env.dialogs.shown.isEmpty());
}

TEST_F(VideoMenuTest, StartingAgainFinishesTheRunningCaptureAndNeverOverwritesOneOfTheSameSecond) {
    create();
    const QDateTime second(QDate(2012, 11, 30), QTime(14, 0, 0));
    captureAt(second);
    ASSERT_TRUE(previewAdvances());
    captureAt(second);
    EXPECT_TRUE(areaShown());
    ASSERT_TRUE(previewAdvances());
    captureAt(second.addSecs(1));
    ASSERT_TRUE(previewAdvances());
    w().actStopCapture->trigger();

    const QStringList names{QStringLiteral("2012年11月30日14时(2).avi"), QStringLiteral("2012年11月30日14时.avi"),
                            QStringLiteral("2012年11月30日14时0分1秒.avi")};
    EXPECT_EQ(captures(), names);
    for (const QString& name : names)
        expectFinishedAvi(bl() + u'/' + name);
    EXPECT_TRUE(p->env.dialogs.shown.isEmpty()) << p->env.dialogs.messageTexts().join(u'\n').toStdString();
    // Each finished capture is told to the archive, in the order they were finished.
    QStringList told;
    for (const JournalEvent& event : p->env.journal.events) {
        EXPECT_EQ(event.kind, JournalEvent::Kind::CaptureFinished);
        told << event.files;
    }
    EXPECT_EQ(told, (QStringList{bl() + u'/' + names[1], bl() + u'/' + names[0], bl() + u'/' + names[2]}));
}

TEST_F(VideoMenuTest, StopWhileIdleOnlyHidesTheArea) {
    create();
    w().视频设备1->show();
    w().标签1->show();
    w().actStopCapture->trigger();
    EXPECT_TRUE(areaHidden());
    EXPECT_TRUE(p->env.dialogs.shown.isEmpty());
    EXPECT_TRUE(captures().isEmpty());
}

TEST_F(VideoMenuTest, ACaptureThatCannotStartIsReportedHidesTheAreaAndLeavesNoFile) {
    create("v4l2src device=/dev/quillon-missing-camera");
    captureAt(QDateTime(QDate(2012, 11, 30), QTime(9, 5, 7)));

    EXPECT_TRUE(areaHidden());
    const QList<ShownBox> boxes = p->env.dialogs.messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("提 示："));
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("录像取证无法开始："))) << boxes[0].text.toStdString();
    EXPECT_EQ(boxes[0].buttons, Dialogs::Buttons::Ok);
    EXPECT_TRUE(captures().isEmpty());
    EXPECT_TRUE(QDir(bl()).entryList(QDir::Files).isEmpty());
}

TEST_F(VideoMenuTest, WithoutACaptureDeviceTheStartSaysSo) {
    if (!videosource::firstCaptureDevice().isEmpty())
        GTEST_SKIP() << "this machine has a capture device";
    create("");
    captureAt(QDateTime(QDate(2012, 11, 30), QTime(9, 5, 7)));

    EXPECT_TRUE(areaHidden());
    EXPECT_EQ(p->env.dialogs.messageTexts(),
              QStringList{QStringLiteral("提 示：|录像取证无法开始：没有找到视频采集设备")});
    EXPECT_TRUE(captures().isEmpty());
}

TEST_F(VideoMenuTest, ABlDirectoryThatCannotBeMadeIsReported) {
    create();
    writeFile(bl(), "not a directory");
    captureAt(QDateTime(QDate(2012, 11, 30), QTime(9, 5, 7)));

    EXPECT_TRUE(areaHidden());
    EXPECT_FALSE(p->program.components().视频设备1.isCapturing());
    EXPECT_EQ(
        p->env.dialogs.messageTexts(),
        QStringList{
            QStringLiteral("提 示：|录像取证无法开始：不能建立目录 <%1/>：同名的文件占用了目录的位置").arg(bl())});
}

TEST_F(VideoMenuTest, ACaptureThatBreaksOffIsReportedAndTheAreaHidden) {
    create(kSource + " ! identity error-after=10");
    captureAt(QDateTime(QDate(2012, 11, 30), QTime(9, 5, 7)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p->env.dialogs.shown.isEmpty(); }, 10000));

    EXPECT_TRUE(areaHidden());
    const QString file = bl() + QStringLiteral("/2012年11月30日9时5分7秒.avi");
    const QList<ShownBox> boxes = p->env.dialogs.messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("提 示："));
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("录像取证中断："))) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(file)) << boxes[0].text.toStdString();
    EXPECT_FALSE(boxes[0].text.contains(QStringLiteral("没有正常结束"))) << boxes[0].text.toStdString();
    expectFinishedAvi(file);
    EXPECT_EQ(fingerprint::check(file), fingerprint::Check::Ok);
    EXPECT_TRUE(markers().isEmpty());
}

TEST_F(VideoMenuTest, TheTimeIsBurnedIntoThePicturesUnlessSetIniSwitchesItOff) {
    create();
    const auto pictureAt = [&](const QTime& time) {
        captureAt(QDateTime(QDate(2012, 11, 30), time));
        EXPECT_TRUE(previewAdvances());
        w().actStopCapture->trigger();
        return firstPicture(
            bl() +
            QStringLiteral("/2012年11月30日%1时%2分%3秒.avi").arg(time.hour()).arg(time.minute()).arg(time.second()));
    };
    const QImage stamped = pictureAt(QTime(9, 5, 7));
    p->env.writeSettings(QStringLiteral("[luxiang]\nshijian=0\n"));
    const QImage plain = pictureAt(QTime(9, 6, 7));
    p->env.writeSettings(QStringLiteral("[luxiang]\nshijian=1\n"));
    const QImage stampedAgain = pictureAt(QTime(9, 7, 7));
    ASSERT_EQ(stamped.size(), QSize(320, 240));
    ASSERT_EQ(plain.size(), QSize(320, 240));
    ASSERT_EQ(stampedAgain.size(), QSize(320, 240));
    EXPECT_TRUE(p->env.dialogs.shown.isEmpty()) << p->env.dialogs.messageTexts().join(u'\n').toStdString();

    // The date and time sit in a shaded band near the top left corner; below them the bars and the
    // strip under them (the noise of the pattern's last corner changes from picture to picture).
    const QRect band(20, 24, 140, 20);
    const QRect below(0, 60, 320, 120);
    EXPECT_GT(meanDifference(stamped, plain, band), 20.0);
    EXPECT_LT(meanDifference(stamped, plain, below), 3.0);
    EXPECT_GT(meanDifference(stampedAgain, plain, band), 20.0);
}

} // namespace

TEST_F(VideoMenuTest, AStopBeforeTheReadBackAsksOnceAndLogsTheReason) {
    create();
    p->env.journal.forward = &p->archive;
    w().编辑框9->setText(QStringLiteral("王伟"));
    captureAt(QDateTime(QDate(2012, 11, 30), QTime(9, 5, 7)));
    ASSERT_TRUE(previewAdvances());

    // Going on is the answer that changes nothing: the capture runs on.
    p->env.dialogs.onModal([](QDialog& window) { window.reject(); });
    w().actStopCapture->trigger();
    ASSERT_EQ(p->env.dialogs.shown.size(), 1);
    EXPECT_EQ(p->env.dialogs.shown.first().caption, "EarlyStopWindow");
    EXPECT_TRUE(p->program.components().视频设备1.isCapturing());
    EXPECT_TRUE(areaShown());

    p->env.dialogs.onModal([](QDialog& window) {
        window.findChild<QLineEdit*>("编辑框停止原因")->setText(QStringLiteral("摄像头故障"));
        window.findChild<QPushButton*>("按钮停止")->click();
    });
    w().actStopCapture->trigger();
    EXPECT_FALSE(p->program.components().视频设备1.isCapturing());
    EXPECT_TRUE(areaHidden());
    const QList<QByteArray> lines = readFile(p->env.programDir() + "/custody.log").split('\n');
    const auto stopped = std::find_if(lines.begin(), lines.end(),
                                      [](const QByteArray& line) { return line.contains("\"stopped-early\""); });
    ASSERT_NE(stopped, lines.end());
    EXPECT_TRUE(QString::fromUtf8(*stopped).contains(QStringLiteral("摄像头故障"))) << stopped->toStdString();
    EXPECT_TRUE(std::next(stopped)->contains("\"capture-finished\"")) << "the stop's reason comes before the capture";

    // An empty form holds no inquiry: the stop is not asked.
    w().编辑框9->clear();
    captureAt(QDateTime(QDate(2012, 11, 30), QTime(9, 6, 0)));
    w().actStopCapture->trigger();
    EXPECT_EQ(p->env.dialogs.shown.size(), 2);
    EXPECT_FALSE(p->program.components().视频设备1.isCapturing());
}
