// The office archive in the real window against a real PostgreSQL 15: what the window saves goes to
// the server and the status bar counts what waits, naming a push that failed; 全局 in the archive
// window searches the server, opens an office inquiry into the form and checks its files fetched.
#include "ArchiveFixture.h"
#include "PgServer.h"
#include "TestProgram.h"

#include "archive/InquiryTableModel.h"
#include "archive/office/Sync.h"
#include "transcript/FormBinding.h"
#include "transcript/TemplateFile.h"
#include "ui/ArchiveWindow.h"

#include <QAction>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace archivetest;

namespace {

// Waits are QTest::qWaitFor inside ASSERT_TRUE: QtTest's QTRY macros report to QtTest's log, which
// GoogleTest never reads.
constexpr int kServerWaitMs = 60000;
// Well within the push loop's idle minute: only the wake of a save brings its push this soon.
constexpr int kPushWaitMs = 20000;

class OfficeWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const QString failed = server.setUp();
        ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
        ASSERT_TRUE(server.addInspector("insp_a", "第一大队"));
        ASSERT_TRUE(server.addInspector("insp_a2", "第一大队"));
    }

    QString officeSettings(const QString& role) const {
        return "[pop]\ntanchu=0\n[archive]\nserver=" + server.conninfo(role) + "\n";
    }

    int count(const QString& sql) const {
        bool ok = false;
        const QString said = server.psql(sql, {}, &ok);
        EXPECT_TRUE(ok) << said.toStdString();
        return said.toInt();
    }

    PgServer server;
};

Inquiry person(const QString& name, const QString& answer = QStringLiteral("答：没有。")) {
    return {"2013.2.3", "9:05", "10:30", name, "宏达公司", "Kelmar市", "李四", {"问：你看见了什么？", answer}};
}

void typeChinese(QWidget* field, const QString& text) {
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QApplication::sendEvent(field, &typed);
}

} // namespace

TEST_F(OfficeWindow, EachSaveGoesToTheServerAndAFailedPushIsNamedWithWhatWaits) {
    TestProgram p;
    p.env.journal.forward = &p.archive;
    p.env.writeSettings(officeSettings("insp_a"));
    ASSERT_TRUE(p.start());
    QLabel* waiting = p.control<QLabel>("标签待推送");
    ASSERT_NE(waiting, nullptr);
    EXPECT_TRUE(waiting->isVisibleTo(&p.w()));

    QTemporaryDir incoming;
    transcript::fillForm(p.w(), transcript::readTemplate(writeTemplate(incoming.path(), person("王伟"))));
    p.w().actSaveTranscript->trigger();
    ASSERT_TRUE(QFileInfo::exists(p.env.programDir() + "/BL/2013.2.3-宏达公司-王伟.doc"))
        << p.env.dialogs.messageTexts().join('\n').toStdString();
    const QString wang = "SELECT count(*) FROM quillon.version WHERE name = '2013.2.3-宏达公司-王伟'";
    ASSERT_TRUE(QTest::qWaitFor([&] { return count(wang) == 1; }, kPushWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting->text() == "待推送：0 份"; }, kPushWaitMs))
        << waiting->text().toStdString();

    ASSERT_TRUE(server.stop());
    p.w().编辑框9->setText("张三");
    p.w().actSaveTranscript->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return waiting->text().startsWith("待推送：1 份（推送没有成功：连不上笔录档案服务器"); }, kPushWaitMs))
        << waiting->text().toStdString();
    EXPECT_TRUE(waiting->toolTip().startsWith("连不上笔录档案服务器")) << waiting->toolTip().toStdString();
}

TEST_F(OfficeWindow, SearchesTheOfficeOpensAnInquiryAndChecksItsFilesFetchedAnew) {
    // Another desktop of the unit pushed 王伟 twice, with a capture, and 王小明 once.
    QTemporaryDir other;
    writeFile(other.path() + "/set.ini", gbkFile(officeSettings("insp_a2")));
    writeTemplate(other.path(), person("王伟"));
    writeTemplate(other.path(), person("王小明"));
    writeEvidence(other.path() + "/BL/2013年2月3日9时10分.avi", 200 * 1024);
    const std::atomic_bool never = false;
    ASSERT_TRUE(archive::office::syncNow(other.path(), never).error.ok());
    const QString changed = writeTemplate(other.path() + "/incoming", person("王伟", "答：看见一辆车。"));
    ASSERT_EQ(quillon(other.path(), {"compose", changed}).exitCode, 0);
    const archive::office::SyncResult second = archive::office::syncNow(other.path(), never);
    ASSERT_TRUE(second.error.ok()) << second.error.text().toStdString();
    ASSERT_EQ(second.pushed, 1);

    TestProgram p;
    ASSERT_TRUE(p.start());
    ArchiveWindow& aw = p.program.components().archiveWindow;
    auto* scopes = qobject_cast<QStandardItemModel*>(aw.组合框范围->model());
    p.w().actArchive->trigger();
    EXPECT_FALSE(scopes->item(1)->isEnabled()) << "no office archive is set";
    EXPECT_TRUE(aw.组合框范围->toolTip().contains("没有设置笔录档案服务器")) << aw.组合框范围->toolTip().toStdString();
    aw.close();

    p.env.writeSettings(officeSettings("insp_a"));
    p.w().actArchive->trigger();
    ASSERT_TRUE(scopes->item(1)->isEnabled());
    aw.组合框范围->setFocus();
    QTest::keyClick(aw.组合框范围, Qt::Key_Down);
    ASSERT_TRUE(aw.showsOffice());
    typeChinese(aw.编辑框搜索, "王伟");
    QAbstractItemModel* rows = aw.表格笔录->model();
    ASSERT_TRUE(QTest::qWaitFor([&] { return aw.标签档案状态->text() == "服务器上找到 1 份笔录"; }, kServerWaitMs));
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, 0).data(archive::InquiryTableModel::OfficeUnitRole), "第一大队");

    aw.表格笔录->setFocus();
    QTest::keyClick(aw.表格笔录, Qt::Key_Home);
    ASSERT_TRUE(QTest::qWaitFor([&] { return aw.组合框版本->count() == 2; }, kServerWaitMs));
    EXPECT_EQ(aw.组合框版本->currentIndex(), 1) << "the latest version is chosen";
    EXPECT_TRUE(aw.组合框版本->isVisibleTo(&aw));
    ASSERT_TRUE(QTest::qWaitFor([&] { return aw.按钮打开->isEnabled(); }, kServerWaitMs));
    EXPECT_EQ(aw.表格文件->rowCount(), 3) << "template, document, capture";
    EXPECT_GE(aw.表格保管记录->rowCount(), 1);

    aw.按钮打开->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.w().编辑框9->text() == "王伟"; }, kServerWaitMs));
    EXPECT_EQ(p.w().组合框5->currentText(), "答：看见一辆车。");
    EXPECT_TRUE(p.w().编辑框32->text().startsWith(p.env.programDir() + "/office/2013.2.3-宏达公司-王伟/"))
        << p.w().编辑框32->text().toStdString();

    aw.按钮校验->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.env.dialogs.messages().size() == 1; }, kServerWaitMs));
    EXPECT_EQ(p.env.dialogs.messages().last().caption, "校验结果：");
    EXPECT_TRUE(p.env.dialogs.messages().last().text.startsWith("全部文件与服务器上的指纹一致"))
        << p.env.dialogs.messages().last().text.toStdString();

    // The capture's bytes changed on the server behind the archive's back: a check fetches anew and
    // says so, whatever the copy fetched before holds.
    server.psql("UPDATE quillon.blob_chunk SET data = 'changed' WHERE sha256 = (SELECT sha256 FROM "
                "quillon.version_file WHERE name LIKE '%.avi' LIMIT 1)");
    aw.按钮校验->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.env.dialogs.messages().size() == 2; }, kServerWaitMs));
    const QString report = p.env.dialogs.messages().last().text;
    EXPECT_TRUE(report.startsWith("有文件与指纹不符")) << report.toStdString();
    EXPECT_TRUE(report.contains("2013年2月3日9时10分.avi：从服务器取回的")) << report.toStdString();
    EXPECT_TRUE(report.contains(".ini：一致")) << report.toStdString();
}
