// Builds the main window exactly as designed: every control at its place with its text and list.
#include "MainWindow.h"

#include "ComboLists.h"
#include "VerticalTextButton.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>

namespace {

// The client area below the menu bar and above the status bar.
constexpr int kClientWidth = 1019;
constexpr int kClientHeight = 572;

template <typename Widget> Widget* place(Widget* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QLineEdit* edit(QWidget* parent, const char* name, int x, int y, int w, const QString& text = {},
                Qt::Alignment alignment = Qt::AlignLeft) {
    auto* box = place(new QLineEdit(text, parent), name, x, y, w, 20);
    box->setAlignment(alignment | Qt::AlignVCenter);
    return box;
}

QLineEdit* centred(QWidget* parent, const char* name, int x, int y, int w) {
    return edit(parent, name, x, y, w, {}, Qt::AlignHCenter);
}

QComboBox* combo(QWidget* parent, const char* name, int x, int y, int w, const QStringList& list = {}) {
    auto* box = place(combolists::makeEditable(parent), name, x, y, w, 20);
    for (const QString& item : list)
        combolists::insertItem(box, box->count(), item);
    return box;
}

QLabel* label(QWidget* parent, const char* name, int x, int y, int w, int h, const QString& caption = {}) {
    auto* l = place(new QLabel(caption, parent), name, x, y, w, h);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QGroupBox* group(QWidget* parent, const char* name, int x, int y, int w, int h, const QString& title = {}) {
    auto* box = place(new QGroupBox(title, parent), name, x, y, w, h);
    // Panels are laid over the pages, which must not show through.
    box->setAutoFillBackground(true);
    return box;
}

template <typename Button = QPushButton>
Button* button(QWidget* parent, const char* name, int x, int y, int w, int h, const QString& caption) {
    return place(new Button(caption, parent), name, x, y, w, h);
}

// What a screen reader announces for a control. An editable combo box hands its keyboard focus to
// its line edit, which announces the same name.
void nameForReaders(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (auto* box = qobject_cast<QComboBox*>(control); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(name);
}

// The lines of a content page, top to bottom: question and answer of line firstLine, then of the
// next line, and so on. Each is announced by its role and line number ("问1", "答1").
void contentLines(QWidget* page, int left, int width, const QList<int>& tops, const QList<QComboBox**>& boxes,
                  const QStringList& names, int firstLine) {
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const bool question = i % 2 == 0;
        *boxes[i] = combo(page, names[i].toUtf8().constData(), left, tops[i], width,
                          {question ? QStringLiteral("问：") : QStringLiteral("答：")});
        nameForReaders(*boxes[i], (question ? QStringLiteral("问") : QStringLiteral("答")) +
                                      QString::number(firstLine + int(i / 2)));
    }
}

// Set before the first control is made, so that every control takes it.
void applyProgramFont() {
    // The form's captions line up their fields with runs of spaces, which needs a font whose space
    // is half as wide as a Chinese character, as in SimSun.
    const QStringList installed = QFontDatabase::families();
    QString family = QStringLiteral("SimSun");
    for (const QString& candidate : {QStringLiteral("SimSun"), QStringLiteral("Noto Sans Mono CJK SC"),
                                     QStringLiteral("WenQuanYi Zen Hei Mono")}) {
        if (installed.contains(candidate)) {
            family = candidate;
            break;
        }
    }
    QFont font(family);
    font.setPixelSize(12);
    QApplication::setFont(font);
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    applyProgramFont();
    setFont(QApplication::font()); // the window itself was made before the font was set
    setObjectName(QStringLiteral("MainWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/images/quillon.png")));
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    图片框1 = label(client, "图片框1", -35, 0, 1053, 65);
    图片框1->setPixmap(QPixmap(QStringLiteral(":/images/banner.jpg")));
    图片框1->setScaledContents(true);

    // First page: the particulars form and content lines 1 to 3.
    分组框1 = group(client, "分组框1", 1, 59, 517, 510);
    标签2 = label(分组框1, "标签2", 10, 17, 493, 24,
                  QStringLiteral("笔录起始时间：         年      月      日      时      分   至        时      分"));
    编辑框1 = centred(分组框1, "编辑框1", 97, 18, 46);
    编辑框2 = centred(分组框1, "编辑框2", 164, 18, 28);
    编辑框3 = centred(分组框1, "编辑框3", 212, 18, 28);
    编辑框4 = centred(分组框1, "编辑框4", 261, 18, 28);
    编辑框5 = centred(分组框1, "编辑框5", 308, 18, 28);
    编辑框6 = centred(分组框1, "编辑框6", 398, 18, 28);
    编辑框7 = centred(分组框1, "编辑框7", 446, 18, 28);
    标签3 = label(分组框1, "标签3", 34, 51, 60, 24, QStringLiteral("笔录地点："));
    编辑框8 = edit(分组框1, "编辑框8", 97, 52, 124, QStringLiteral("Kelmar市"));
    组合框2 = combo(分组框1, "组合框2", 221, 52, 201);
    标签4 = label(分组框1, "标签4", 10, 85, 342, 24,
                  QStringLiteral("被询问人姓名：               性别：         户籍所在地："));
    编辑框9 = edit(分组框1, "编辑框9", 98, 87, 78);
    组合框1 = combo(分组框1, "组合框1", 221, 87, 49, {QStringLiteral("男"), QStringLiteral("女")});
    编辑框11 = edit(分组框1, "编辑框11", 349, 86, 98, QStringLiteral("吉林省Kelmar市"));
    组合框52 = combo(分组框1, "组合框52", 447, 86, 59);
    标签5 = label(分组框1, "标签5", 10, 118, 437, 24,
                  QStringLiteral("身份证件种类：               证件号码：                            年龄："));
    编辑框12 = edit(分组框1, "编辑框12", 99, 120, 78, QStringLiteral("身份证"));
    编辑框10 = edit(分组框1, "编辑框10", 247, 120, 155);
    编辑框26 = edit(分组框1, "编辑框26", 453, 120, 52);
    标签6 = label(分组框1, "标签6", 34, 150, 429, 24,
                  QStringLiteral("工作单位：                           职务：                  文化程度："));
    编辑框14 = edit(分组框1, "编辑框14", 98, 152, 149);
    组合框3 = combo(分组框1, "组合框3", 294, 152, 97,
                    {QStringLiteral("经理"), QStringLiteral("项目经理"), QStringLiteral("老板"), QStringLiteral("会计"),
                     QStringLiteral("工人"), QStringLiteral("力工"), QStringLiteral("瓦工"), QStringLiteral("代理人"),
                     QStringLiteral("农民工"), QStringLiteral("开发商"), QStringLiteral("其它"), QString()});
    编辑框27 = edit(分组框1, "编辑框27", 464, 152, 41);
    标签7 = label(分组框1, "标签7", 58, 183, 237, 24, QStringLiteral("电话：                           住址："));
    编辑框15 = edit(分组框1, "编辑框15", 98, 183, 117);
    编辑框15->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9-]*")), 编辑框15));
    编辑框16 = edit(分组框1, "编辑框16", 295, 183, 211);
    标签8 = label(分组框1, "标签8", 46, 216, 401, 24,
                  QStringLiteral("询问人：                 其他参加人：                 记录人："));
    组合框53 = combo(分组框1, "组合框53", 99, 218, 90, {QString()});
    组合框54 = combo(分组框1, "组合框54", 273, 218, 90, {QStringLiteral("无"), QString()});
    组合框55 = combo(分组框1, "组合框55", 421, 218, 87, {QStringLiteral("无"), QString()});
    标签9 = label(分组框1, "标签9", 16, 259, 88, 24, QStringLiteral(" 笔录内容1："));
    contentLines(分组框1, 72, 400, {300, 331, 362, 393, 424, 455},
                 {&组合框4, &组合框5, &组合框6, &组合框7, &组合框8, &组合框9},
                 {"组合框4", "组合框5", "组合框6", "组合框7", "组合框8", "组合框9"}, 1);
    combolists::clearItems(组合框9);
    for (const char* item : {"答：会计", "答：农民工", "答："})
        combolists::insertItem(组合框9, 组合框9->count(), QString::fromUtf8(item));

    const QList<int> pageTops = {57, 89, 121, 153, 185, 217, 249, 281, 313, 345, 377, 409, 441, 472};
    分组框2 = group(client, "分组框2", 519, 59, 500, 510);
    标签11 = label(分组框2, "标签11", 13, 19, 88, 24, QStringLiteral(" 笔录内容2："));
    contentLines(分组框2, 69, 388, pageTops,
                 {&组合框10, &组合框11, &组合框12, &组合框13, &组合框14, &组合框15, &组合框16, &组合框17, &组合框18,
                  &组合框19, &组合框20, &组合框21, &组合框22, &组合框23},
                 {"组合框10", "组合框11", "组合框12", "组合框13", "组合框14", "组合框15", "组合框16", "组合框17",
                  "组合框18", "组合框19", "组合框20", "组合框21", "组合框22", "组合框23"},
                 4);

    分组框3 = group(client, "分组框3", 32, 387, 517, 510);
    标签12 = label(分组框3, "标签12", 16, 19, 88, 24, QStringLiteral(" 笔录内容3："));
    contentLines(分组框3, 86, 388, {58, 89, 121, 153, 185, 217, 249, 281, 313, 345, 377, 409, 441, 473},
                 {&组合框37, &组合框36, &组合框35, &组合框34, &组合框33, &组合框32, &组合框31, &组合框30, &组合框29,
                  &组合框28, &组合框27, &组合框26, &组合框25, &组合框24},
                 {"组合框37", "组合框36", "组合框35", "组合框34", "组合框33", "组合框32", "组合框31", "组合框30",
                  "组合框29", "组合框28", "组合框27", "组合框26", "组合框25", "组合框24"},
                 11);
    分组框3->hide();

    分组框4 = group(client, "分组框4", 239, 421, 500, 510);
    标签13 = label(分组框4, "标签13", 13, 19, 88, 24, QStringLiteral(" 笔录内容4："));
    contentLines(分组框4, 69, 388, pageTops,
                 {&组合框49, &组合框48, &组合框51, &组合框50, &组合框47, &组合框46, &组合框45, &组合框44, &组合框43,
                  &组合框42, &组合框41, &组合框40, &组合框39, &组合框38},
                 {"组合框49", "组合框48", "组合框51", "组合框50", "组合框47", "组合框46", "组合框45", "组合框44",
                  "组合框43", "组合框42", "组合框41", "组合框40", "组合框39", "组合框38"},
                 18);
    分组框4->hide();

    按钮5 = button<VerticalTextButton>(client, "按钮5", 993, 202, 25, 97, QStringLiteral("案件情由备注"));
    按钮2 = button<VerticalTextButton>(client, "按钮2", 993, 299, 25, 82, QStringLiteral(" 上一步："));
    按钮2->setEnabled(false);
    按钮1 = button<VerticalTextButton>(client, "按钮1", 993, 381, 25, 82, QStringLiteral(" 下一步："));

    // Recording panel.
    分组框5 = group(client, "分组框5", 1, -1, 271, 66);
    滑块条1 = place(new QSlider(Qt::Horizontal, 分组框5), "滑块条1", 8, 9, 188, 26);
    滑块条1->setRange(1, 888);
    滑块条1->setValue(1);
    滑块条1->setPageStep(5);
    滑块条1->setSingleStep(1);
    标签14 = label(分组框5, "标签14", 198, 10, 66, 22);
    按钮录音 = button(分组框5, "按钮录音", 17, 39, 48, 24, QStringLiteral("录音"));
    按钮暂停 = button(分组框5, "按钮暂停", 66, 39, 48, 24, QStringLiteral("暂停"));
    按钮暂停->setEnabled(false);
    按钮继续 = button(分组框5, "按钮继续", 66, 39, 48, 24, QStringLiteral("继续"));
    按钮继续->hide();
    按钮4 = button(分组框5, "按钮4", 115, 39, 57, 24, QStringLiteral("停止保存"));
    按钮4->setEnabled(false);
    按钮播放 = button(分组框5, "按钮播放", 174, 39, 46, 24, QStringLiteral("播放"));
    暂停 = button(分组框5, "暂停", 221, 39, 46, 24, QStringLiteral("停止"));
    分组框5->hide();

    // FTP settings panel.
    分组框7 = group(client, "分组框7", 305, -8, 271, 65, QStringLiteral("FTP服务器配置"));
    标签16 = label(分组框7, "标签16", 9, 14, 70, 20, QStringLiteral("FTP_IP地址："));
    编辑框20 = edit(分组框7, "编辑框20", 79, 15, 79);
    标签19 = label(分组框7, "标签19", 162, 13, 45, 20, QStringLiteral("文件名："));
    编辑框23 = edit(分组框7, "编辑框23", 207, 15, 60);
    标签17 = label(分组框7, "标签17", 9, 39, 55, 20, QStringLiteral("FTP帐号："));
    编辑框21 = edit(分组框7, "编辑框21", 64, 40, 71);
    标签18 = label(分组框7, "标签18", 141, 39, 56, 20, QStringLiteral("FTP密码："));
    编辑框22 = edit(分组框7, "编辑框22", 197, 40, 71);
    分组框7->hide();

    // Case remarks panel.
    分组框6 = group(client, "分组框6", 967, -18, 500, 510);
    标签15 = label(分组框6, "标签15", 16, 19, 176, 24, QStringLiteral(" 案件经过详细备注信息："));
    超级编辑框2 = place(new QTextEdit(分组框6), "超级编辑框2", 40, 64, 417, 424);
    超级编辑框2->setAcceptRichText(false);
    超级编辑框2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    分组框6->hide();

    // Text viewer.
    超级编辑框1 = place(new QTextEdit(client), "超级编辑框1", 376, 520, 440, 320);
    超级编辑框1->setAcceptRichText(false);
    超级编辑框1->hide();
    按钮6 = button(client, "按钮6", 713, 545, 138, 20, QStringLiteral("打  印"));
    按钮6->hide();
    按钮3 = button(client, "按钮3", 856, 544, 138, 20, QStringLiteral("关  闭"));
    按钮3->hide();

    // Video preview inside its frame.
    标签1 = label(client, "标签1", 839, 0, 180, 115);
    标签1->setFrameShape(QFrame::Box);
    标签1->hide();
    视频设备1 = label(client, "视频设备1", 847, 8, 165, 100);
    视频设备1->setAlignment(Qt::AlignCenter);
    视频设备1->setStyleSheet(QStringLiteral("background: black;"));
    视频设备1->hide();

    // The page buttons stay reachable above the note panel and the viewer.
    for (QPushButton* pageButton : {按钮5, 按钮2, 按钮1})
        pageButton->raise();

    状态条1 = new QStatusBar(this);
    状态条1->setObjectName(QStringLiteral("状态条1"));
    状态条1->setSizeGripEnabled(false);
    // Room between the last pane, the FTP transfer's "取消传输", and the window's edge.
    状态条1->setContentsMargins(0, 0, 6, 0);
    statusPane0 = new QLabel(状态条1);
    statusPane0->setTextFormat(Qt::PlainText);
    状态条1->addWidget(statusPane0, 1);
    标签待推送 = new QLabel(状态条1);
    标签待推送->setObjectName(QStringLiteral("标签待推送"));
    标签待推送->setTextFormat(Qt::PlainText);
    标签待推送->setAccessibleName(QStringLiteral("待推送到笔录档案服务器的笔录"));
    标签待推送->hide();
    状态条1->addPermanentWidget(标签待推送);
    setStatusBar(状态条1);

    时钟1 = new QTimer(this);
    时钟1->setObjectName(QStringLiteral("时钟1"));
    时钟2 = new QTimer(this);
    时钟2->setObjectName(QStringLiteral("时钟2"));
    时钟2->setInterval(1000);
    时钟2->start();

    通用对话框1 = {QStringLiteral("WAV录音文件|*.wav"), QStringLiteral("WAV"), true};
    通用对话框2 = {QStringLiteral("*.ini 笔录模板文件|*.ini"), QStringLiteral("ini"), false};
    通用对话框3 = {QStringLiteral("*.doc 选择要打印的笔录WORD文件|*.doc"), QStringLiteral("ini"), false};

    QMenuBar* bar = menuBar();
    const auto menu = [bar](const char* title) { return bar->addMenu(QString::fromUtf8(title)); };
    const auto item = [](QMenu* m, const char* text) { return m->addAction(QString::fromUtf8(text)); };

    QMenu* file = menu("文件");
    actNewTranscript = item(file, "新建(笔录)");
    actOpenTemplate = item(file, "打开(笔录模板)");
    actArchive = item(file, "笔录档案");
    actArchive->setShortcut(QKeySequence::Find);
    actCheckTranscript = item(file, "核对(笔录)");
    actReadBackDone = item(file, "核对完毕(宣读)");
    actSaveTranscript = item(file, "保存(笔录及模板)");
    actPrintTranscript = item(file, "打印(笔录)");
    actPrintEvidenceSheet = item(file, "打印证据校验单");
    actExit = item(file, "退出");
    QMenu* network = menu("网络功能");
    actFtpSettings = item(network, "FTP笔录服务器配置");
    actUpload = item(network, "笔录上传");
    actDownload = item(network, "笔录下载");
    QMenu* recording = menu("录音笔录");
    actOpenRecording = item(recording, "打开笔录录音");
    actCloseRecording = item(recording, "关闭笔录录音");
    QMenu* video = menu("视频录像");
    actStartCapture = item(video, "开始录像取证");
    actStopCapture = item(video, "结束录像取证");
    actReadAlong = item(video, "被询问人核对");
    actReadAlong->setShortcut(QKeySequence(Qt::Key_F11));
    actReadAlongBlank = item(video, "被询问人核对黑屏/恢复");
    actReadAlongBlank->setShortcut(QKeySequence(Qt::Key_F12));
    actReadAlongEnlarge = item(video, "被询问人核对字体放大");
    actReadAlongEnlarge->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal));
    actReadAlongReduce = item(video, "被询问人核对字体缩小");
    actReadAlongReduce->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    QMenu* provinces = menu("烟草专卖网络(全国)");
    for (const char* province : {"吉林省", "辽宁省", "山西省", "河北省", "江苏省", "浙江省",  "安徽省", "福建省",
                                 "江西省", "山东省", "河南省", "湖北省", "湖南省", "广东省",  "海南省", "四川省",
                                 "贵州省", "云南省", "陕西省", "甘肃省", "青海省", "黑龙江省"})
        provinceActions << item(provinces, province);
    QMenu* security = menu("安全设置");
    actLock = item(security, "加密");
    actUnlock = item(security, "解密");
    QMenu* tools = menu("工具");
    actCalculator = item(tools, "计算器");
    actTextEditor = item(tools, "文本文档");
    actWordProcessor = item(tools, "Word文档");
    actSpreadsheet = item(tools, "Excel文档");
    actSogouDownload = item(tools, "搜狗拼音下载");
    actJidianDownload = item(tools, "极点五笔下载");
    QMenu* update = menu("更新");
    actUpdate = item(update, "更新软件");
    QMenu* help = menu("帮助");
    actGuide = item(help, "笔录制作过程");
    actHelpFile = item(help, "软件帮助");
    actHomePage = item(help, "官方网站");
    actContact = item(help, "联系作者");

    nameControlsForReaders();
    setFixedSize(sizeHint());
    move(50, 50);
}

void MainWindow::nameControlsForReaders() {
    // Each field of the particulars form is announced by its caption in the row, the way the form
    // reads: the row caption for its first field, the field's own caption for the others.
    const QList<QPair<QWidget*, const char*>> names = {
        {编辑框1, "笔录起始时间 年"},
        {编辑框2, "笔录起始时间 月"},
        {编辑框3, "笔录起始时间 日"},
        {编辑框4, "笔录起始时间 时"},
        {编辑框5, "笔录起始时间 分"},
        {编辑框6, "笔录结束时间 时"},
        {编辑框7, "笔录结束时间 分"},
        {编辑框8, "笔录地点"},
        {组合框2, "笔录地点 详细"},
        {编辑框9, "被询问人姓名"},
        {组合框1, "性别"},
        {编辑框11, "户籍所在地"},
        {组合框52, "户籍所在地 详细"},
        {编辑框12, "身份证件种类"},
        {编辑框10, "证件号码"},
        {编辑框26, "年龄"},
        {编辑框14, "工作单位"},
        {组合框3, "职务"},
        {编辑框27, "文化程度"},
        {编辑框15, "电话"},
        {编辑框16, "住址"},
        {组合框53, "询问人"},
        {组合框54, "其他参加人"},
        {组合框55, "记录人"},
        // Buttons whose captions are spaced out or end in a colon.
        {按钮1, "下一步"},
        {按钮2, "上一步"},
        {按钮5, "案件情由备注"},
        {按钮6, "打印"},
        {按钮3, "关闭"},
        {暂停, "停止播放"},
        {滑块条1, "录音进度"},
        {编辑框20, "FTP_IP地址"},
        {编辑框23, "文件名"},
        {编辑框21, "FTP帐号"},
        {编辑框22, "FTP密码"},
        {超级编辑框2, "案件经过详细备注信息"},
        {超级编辑框1, "文件内容"},
    };
    for (const auto& [control, name] : names)
        nameForReaders(control, QString::fromUtf8(name));

    // Captions that label exactly one field.
    标签16->setBuddy(编辑框20);
    标签19->setBuddy(编辑框23);
    标签17->setBuddy(编辑框21);
    标签18->setBuddy(编辑框22);
    标签15->setBuddy(超级编辑框2);
}

void MainWindow::setStatusText(const QString& text) {
    statusPane0->setText(text);
}

QString MainWindow::statusText() const {
    return statusPane0->text();
}

void MainWindow::setCloseGuard(std::function<bool()> guard) {
    m_closeGuard = std::move(guard);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    emit aboutToClose();
    event->accept();
}
