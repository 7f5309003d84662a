// "笔录档案" in the real program, by the keyboard alone: Ctrl+F, a search typed, the list, Enter to
// open the chosen inquiry into the form, asking first when the form holds unsaved work. And the
// evidence sheet's print from the 文件 menu, for the inquiry open in the form.
#include "ArchiveFixture.h"
#include "TestProgram.h"

#include "archivewindow/InquiryTableModel.h"
#include "ui/ArchiveWindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace archivetest;

TEST(ArchiveWindow, FindsAnInquiryAndOpensItIntoTheFormByKeyboard) {
    TestProgram p;
    const Inquiry wang{"2013.2.3", "9:05",     "10:30", "王伟",
                       "宏达公司", "Kelmar市", "李四",  {"问：工资发了吗？", "答：拖欠三个月了。"}};
    const Inquiry xiao{"2013.3.1", "8:00", "9:00", "王小伟", "伟业商行", "Kelmar市", "李四", {}};
    writeTemplate(p.env.programDir(), wang);
    const QString xiaoTemplate = writeTemplate(p.env.programDir(), xiao);
    ASSERT_TRUE(p.start());
    MainWindow& w = p.w();
    ArchiveWindow& aw = p.program.components().archiveWindow;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&aw));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == aw.编辑框搜索; }, 2000))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString()).toStdString();
    QAbstractItemModel* rows = aw.表格笔录->model();
    EXPECT_EQ(rows->rowCount(), 2);
    EXPECT_EQ(rows->index(0, 0).data(archive::InquiryTableModel::NameRole), baseName(xiao)) << "newest first";

    typeChinese(QApplication::focusWidget(), "王伟");
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, archive::InquiryTableModel::Pairs).data(), 1);
    // Past the date filter to the list, to its first row, and Enter.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), aw.表格笔录);
    QTest::keyClick(aw.表格笔录, Qt::Key_Home);
    EXPECT_EQ(aw.表格保管记录->rowCount(), 0);
    EXPECT_EQ(aw.表格文件->rowCount(), 1) << "its template";
    QTest::keyClick(aw.表格笔录, Qt::Key_Return);
    EXPECT_EQ(w.编辑框9->text(), "王伟");
    EXPECT_EQ(w.编辑框14->text(), "宏达公司");
    EXPECT_EQ(w.组合框5->currentText(), "答：拖欠三个月了。");
    EXPECT_TRUE(p.env.dialogs.messages().isEmpty()) << "nothing unsaved to ask about";
    ASSERT_FALSE(p.env.journal.events.isEmpty());
    EXPECT_EQ(p.env.journal.events.last().kind, JournalEvent::Kind::Opened);
    EXPECT_EQ(p.env.journal.events.last().files, QStringList{p.env.programDir() + "/BL/" + baseName(wang) + ".ini"});
    EXPECT_EQ(p.env.journal.events.last().inquiry, baseName(wang));

    // Typed into the form, then another inquiry opened: the form is kept unless the user agrees.
    w.编辑框16->setText("新住址");
    aw.编辑框搜索->clear();
    typeChinese(aw.编辑框搜索, "伟业");
    ASSERT_EQ(rows->rowCount(), 1);
    aw.表格笔录->setFocus();
    QTest::keyClick(aw.表格笔录, Qt::Key_Home);
    p.env.dialogs.answerNext(Dialogs::Answer::No);
    QTest::keyClick(aw.表格笔录, Qt::Key_Return);
    ASSERT_EQ(p.env.dialogs.messages().size(), 1);
    EXPECT_TRUE(p.env.dialogs.messages().first().text.contains("还没有保存"));
    EXPECT_EQ(w.编辑框16->text(), "新住址");
    p.env.dialogs.answerNext(Dialogs::Answer::Yes);
    aw.按钮打开->click();
    EXPECT_EQ(w.编辑框9->text(), "王小伟");
    EXPECT_EQ(p.env.journal.events.last().files, QStringList{xiaoTemplate});
}

TEST(ArchiveWindow, ChecksTheChosenInquiryAndExportsItsBundle) {
    TestProgram p;
    const Inquiry wang{"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}};
    writeTemplate(p.env.programDir(), wang);
    // A capture within the inquiry's time belongs to it.
    const QString capture = writeEvidence(p.env.programDir() + "/BL/2013年2月3日9时30分.avi");
    ASSERT_TRUE(p.start());
    ArchiveWindow& aw = p.program.components().archiveWindow;
    p.w().actArchive->trigger();
    ASSERT_EQ(aw.表格笔录->model()->rowCount(), 1);
    aw.表格笔录->setFocus();
    QTest::keyClick(aw.表格笔录, Qt::Key_Home);
    ASSERT_EQ(aw.表格文件->rowCount(), 2);
    EXPECT_EQ(aw.表格笔录->model()->index(0, archive::InquiryTableModel::Captures).data(), 1);

    writeFile(capture, "changed behind the program's back");
    aw.按钮校验->click();
    ASSERT_EQ(p.env.dialogs.messages().size(), 1);
    const ShownBox checked = p.env.dialogs.messages().first();
    EXPECT_EQ(checked.caption, "校验结果：");
    EXPECT_TRUE(checked.text.contains("BL/2013年2月3日9时30分.avi：与指纹不符")) << checked.text.toStdString();
    EXPECT_TRUE(checked.text.contains(".ini：一致")) << checked.text.toStdString();
    EXPECT_EQ(aw.表格笔录->model()->index(0, archive::InquiryTableModel::State).data(), "已改动");
    ASSERT_EQ(aw.表格保管记录->rowCount(), 1);
    EXPECT_EQ(aw.表格保管记录->item(0, 1)->text(), "校验");

    writeEvidence(capture);
    const QString bundle = p.env.root.filePath("移交包.zip");
    p.env.dialogs.chooseNext(bundle);
    aw.按钮导出->click();
    EXPECT_EQ(p.env.dialogs.messages().size(), 1) << p.env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(aw.标签档案状态->text().startsWith("已导出移交包")) << aw.标签档案状态->text().toStdString();
    EXPECT_FALSE(aw.标签导出进度->isVisible());
    EXPECT_TRUE(aw.按钮导出->isEnabled());
    EXPECT_TRUE(readFile(bundle).contains("2013年2月3日9时30分.avi.sha256"));
    ASSERT_EQ(aw.表格保管记录->rowCount(), 3) << "the check, then the export begun and done";
    EXPECT_EQ(aw.表格保管记录->item(1, 1)->text(), "开始导出");
    EXPECT_EQ(aw.表格保管记录->item(2, 1)->text(), "导出");
}

// "打印证据校验单": without an inquiry open it asks for one; with one and no print system, the print's
// failure reaches the user in a box, as the transcript's print does.
TEST(ArchiveWindow, TheEvidenceSheetsPrintSaysWhyItDidNotPrint) {
    qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    TestProgram p;
    const Inquiry wang{"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}};
    const QString templatePath = writeTemplate(p.env.programDir(), wang);
    ASSERT_TRUE(p.start());
    p.w().actPrintEvidenceSheet->trigger();
    EXPECT_EQ(p.env.dialogs.messageTexts(), QStringList{"无法打印：| 请先保存或打开笔录，再打印它的证据校验单。 "});

    p.archive.record({JournalEvent::Kind::Opened, baseName(wang), {templatePath}});
    p.w().actPrintEvidenceSheet->trigger();
    ASSERT_EQ(p.env.dialogs.messageTexts().size(), 2);
    EXPECT_TRUE(p.env.dialogs.messageTexts().last().startsWith(
        "无法打印：| 证据校验单没有打印：没有可用的打印机，请先安装并设置默认打印机。"))
        << p.env.dialogs.messageTexts().last().toStdString();
}
