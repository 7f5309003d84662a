// The windows as built against the designed catalogue: every control's name, class, parent,
// geometry, text, list, visibility and enabled state, the menus, and the small windows.
#include "TestProgram.h"
#include "ui/PasswordEntryWindow.h"
#include "ui/PasswordSetWindow.h"
#include "ui/StatuteWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString textOf(QWidget* widget) {
    if (auto* l = qobject_cast<QLabel*>(widget))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(widget))
        return e->text();
    if (auto* b = qobject_cast<QPushButton*>(widget))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(widget))
        return g->title();
    if (auto* t = qobject_cast<QTextEdit*>(widget))
        return t->toPlainText();
    if (auto* c = qobject_cast<QComboBox*>(widget))
        return c->currentText();
    return {};
}

QStringList listOf(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

const QStringList kValueHolders{"编辑框17", "编辑框18", "编辑框19", "编辑框24", "编辑框25", "编辑框32"};

QList<QStringList> catalogue() {
    QFile file(qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/tests/ui/catalogue.tsv");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << "catalogue.tsv not found";
    QList<QStringList> rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        rows << QString::fromUtf8(line).split('\t');
    }
    return rows;
}

} // namespace

TEST(Catalogue, MainWindowControlsMatchTheDesign) {
    TestProgram p;
    const QList<QStringList> rows = catalogue();
    ASSERT_EQ(rows.size(), 123);
    for (const QStringList& row : rows) {
        ASSERT_EQ(row.size(), 11) << row.join('\t').toStdString();
        const QString name = row[0];
        SCOPED_TRACE(name.toStdString());
        const QList<QWidget*> found = p.w().findChildren<QWidget*>(name);
        // The designed form's hidden value holders are plain values of the program (FormState), or
        // went where nothing read them: no control stands in for them.
        if (kValueHolders.contains(name)) {
            EXPECT_TRUE(found.isEmpty()) << "a hidden value holder kept as a control";
            continue;
        }
        ASSERT_EQ(found.size(), 1) << "control missing or named twice";
        QWidget* c = found.first();
        EXPECT_EQ(QString(c->metaObject()->className()), row[1]);
        EXPECT_EQ(c->parentWidget()->objectName(), row[2]);
        EXPECT_EQ(c->x(), row[3].toInt());
        EXPECT_EQ(c->y(), row[4].toInt());
        if (!row[5].isEmpty()) {
            EXPECT_EQ(c->width(), row[5].toInt());
        }
        if (!row[6].isEmpty()) {
            EXPECT_EQ(c->height(), row[6].toInt());
        }
        if (auto* box = qobject_cast<QComboBox*>(c)) {
            EXPECT_TRUE(box->isEditable());
            EXPECT_EQ(box->currentText(), QString()) << "combo boxes start with empty text";
            const qsizetype colon = row[8].indexOf(':');
            const QStringList items =
                row[8].left(colon) == QLatin1String("0") ? QStringList() : row[8].mid(colon + 1).split('|');
            EXPECT_EQ(listOf(box), items);
        } else {
            EXPECT_EQ(textOf(c), row[7]);
        }
        EXPECT_EQ(c->isHidden(), row[9] == QLatin1String("hidden"));
        EXPECT_EQ(c->isEnabled(), row[10] == QLatin1String("enabled"));
    }
}

TEST(Catalogue, ComponentsAndFieldRules) {
    TestProgram p;
    MainWindow& w = p.w();
    EXPECT_EQ(w.时钟2->interval(), 1000);
    EXPECT_TRUE(w.时钟2->isActive());
    EXPECT_FALSE(w.时钟1->isActive());
    EXPECT_EQ(w.滑块条1->minimum(), 1);
    EXPECT_EQ(w.滑块条1->maximum(), 888);
    EXPECT_EQ(w.滑块条1->value(), 1);
    EXPECT_EQ(w.滑块条1->pageStep(), 5);
    EXPECT_EQ(w.通用对话框1.filter, "WAV录音文件|*.wav");
    EXPECT_EQ(w.通用对话框1.defaultExtension, "WAV");
    EXPECT_TRUE(w.通用对话框1.confirmOverwrite);
    EXPECT_EQ(w.通用对话框2.filter, "*.ini 笔录模板文件|*.ini");
    EXPECT_EQ(w.通用对话框3.filter, "*.doc 选择要打印的笔录WORD文件|*.doc");
    EXPECT_EQ(w.通用对话框3.defaultExtension, "ini");
    for (QLineEdit* centred : {w.编辑框1, w.编辑框2, w.编辑框3, w.编辑框4, w.编辑框5, w.编辑框6, w.编辑框7})
        EXPECT_TRUE(centred->alignment() & Qt::AlignHCenter);

    // The telephone box takes digits and the minus sign only.
    w.show();
    w.编辑框15->setFocus();
    QTest::keyClicks(w.编辑框15, "0431-8a8b");
    EXPECT_EQ(w.编辑框15->text(), "0431-88");

    // Typing into a line and pressing Enter never adds the text to its list or completes it.
    w.组合框4->setFocus();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("问"));
    QApplication::sendEvent(w.组合框4->lineEdit(), &typed);
    QTest::keyClick(w.组合框4, Qt::Key_Return);
    EXPECT_EQ(w.组合框4->currentText(), "问");
    EXPECT_EQ(listOf(w.组合框4), QStringList{"问："});
}

TEST(Catalogue, MenusInOrder) {
    TestProgram p;
    const QList<QPair<QString, QStringList>> expected = {
        {"文件",
         {"新建(笔录)", "打开(笔录模板)", "笔录档案", "核对(笔录)", "核对完毕(宣读)", "保存(笔录及模板)", "打印(笔录)",
          "打印证据校验单", "退出"}},
        {"网络功能", {"FTP笔录服务器配置", "笔录上传", "笔录下载"}},
        {"录音笔录", {"打开笔录录音", "关闭笔录录音"}},
        {"视频录像",
         {"开始录像取证", "结束录像取证", "被询问人核对", "被询问人核对黑屏/恢复", "被询问人核对字体放大",
          "被询问人核对字体缩小"}},
        {"烟草专卖网络(全国)", {"吉林省", "辽宁省", "山西省", "河北省", "江苏省", "浙江省",  "安徽省", "福建省",
                                "江西省", "山东省", "河南省", "湖北省", "湖南省", "广东省",  "海南省", "四川省",
                                "贵州省", "云南省", "陕西省", "甘肃省", "青海省", "黑龙江省"}},
        {"安全设置", {"加密", "解密"}},
        {"工具", {"计算器", "文本文档", "Word文档", "Excel文档", "搜狗拼音下载", "极点五笔下载"}},
        {"更新", {"更新软件"}},
        {"帮助", {"笔录制作过程", "软件帮助", "官方网站", "联系作者"}},
    };
    const QHash<QAction*, QKeySequence> keys = {
        {p.w().actArchive, QKeySequence(QKeySequence::Find)},
        {p.w().actReadAlong, QKeySequence(Qt::Key_F11)},
        {p.w().actReadAlongBlank, QKeySequence(Qt::Key_F12)},
        {p.w().actReadAlongEnlarge, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        {p.w().actReadAlongReduce, QKeySequence(Qt::CTRL | Qt::Key_Minus)},
    };
    const QList<QAction*> menus = p.w().menuBar()->actions();
    ASSERT_EQ(menus.size(), expected.size());
    for (qsizetype i = 0; i < menus.size(); ++i) {
        EXPECT_EQ(menus[i]->text(), expected[i].first);
        QStringList items;
        for (QAction* item : menus[i]->menu()->actions()) {
            EXPECT_FALSE(item->isSeparator());
            EXPECT_TRUE(item->isEnabled());
            EXPECT_FALSE(item->isCheckable());
            // Keys of their own: Ctrl+F finds a past inquiry; the interviewee's screen is opened,
            // blanked and its type sized without leaving the form.
            EXPECT_EQ(item->shortcut(), keys.value(item));
            items << item->text();
        }
        EXPECT_EQ(items, expected[i].second);
    }
}

TEST(Catalogue, SmallWindows) {
    StatuteWindow statute(QStringLiteral("第一章 总则"));
    EXPECT_EQ(statute.windowTitle(), QString(28, ' ') + "中华人民共和国烟草专卖法");
    EXPECT_EQ(statute.编辑框1->geometry(), QRect(0, 0, 664, 552));
    EXPECT_FALSE(statute.编辑框1->isReadOnly());
    EXPECT_EQ(statute.超级按钮1->text(), "知 道");
    EXPECT_EQ(statute.超级按钮1->toolTip(), "以上规则我以熟读.");
    EXPECT_EQ(statute.超级按钮1->geometry(), QRect(243, 556, 174, 28));

    PasswordSetWindow set;
    EXPECT_EQ(set.windowTitle(), "请输入2次正确密码：");
    EXPECT_EQ(set.编辑框1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(set.编辑框2->geometry(), QRect(16, 38, 129, 20));
    EXPECT_EQ(set.按钮1->text(), "加 密");
    EXPECT_EQ(set.按钮1->geometry(), QRect(154, 16, 88, 38));

    PasswordEntryWindow entry;
    EXPECT_EQ(entry.windowTitle(), "输 入 密 码：");
    EXPECT_TRUE(entry.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(entry.标签1->text(), "请输入登陆密码：");
    EXPECT_EQ(entry.编辑框1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(entry.按钮1->text(), "确认密码");
    EXPECT_EQ(entry.编辑框2->geometry(), QRect(546, 102, 80, 20));
}
