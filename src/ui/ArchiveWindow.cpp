// The archive window's controls in tab order, each with the name a screen reader announces.
#include "ArchiveWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* control, const char* objectName, const char* readerName) {
    control->setObjectName(QString::fromUtf8(objectName));
    control->setAccessibleName(QString::fromUtf8(readerName));
    return control;
}

QPushButton* button(const char* caption, const char* objectName, const char* tip, QWidget* parent) {
    auto* b = named(new QPushButton(QString::fromUtf8(caption), parent), objectName, caption);
    b->setToolTip(QString::fromUtf8(tip));
    // Enter belongs to the list, where it opens the chosen inquiry, not to whichever button is first.
    b->setAutoDefault(false);
    return b;
}

QTableWidget* detailTable(const QStringList& headings, const char* objectName, const char* readerName,
                          QWidget* parent) {
    auto* table = named(new QTableWidget(0, int(headings.size()), parent), objectName, readerName);
    table->setHorizontalHeaderLabels(headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setTabKeyNavigation(false);
    return table;
}

} // namespace

ArchiveWindow::ArchiveWindow(QAbstractItemModel* inquiries, QWidget* parent) : QDialog(parent, Qt::Window) {
    setObjectName(QStringLiteral("ArchiveWindow"));
    setWindowTitle(QStringLiteral("笔录档案"));
    resize(1000, 700);

    auto* scopeLabel = new QLabel(QStringLiteral("范围(&R)："), this);
    组合框范围 = named(new QComboBox(this), "组合框范围", "查找范围");
    组合框范围->addItems({QStringLiteral("本机"), QStringLiteral("全局")});
    组合框范围->setItemData(0, QStringLiteral("本机的笔录档案"), Qt::ToolTipRole);
    scopeLabel->setBuddy(组合框范围);
    auto* searchLabel = new QLabel(QStringLiteral("查找(&S)："), this);
    编辑框搜索 = named(new QLineEdit(this), "编辑框搜索", "查找笔录");
    编辑框搜索->setPlaceholderText(QStringLiteral("姓名、单位、地点、问答中的任何文字，多个词用空格分开"));
    编辑框搜索->setClearButtonEnabled(true);
    searchLabel->setBuddy(编辑框搜索);
    复选框日期 = named(new QCheckBox(QStringLiteral("笔录日期从(&D)"), this), "复选框日期", "按笔录日期筛选");
    日期框起 = named(new QDateEdit(QDate::currentDate().addYears(-1), this), "日期框起", "起始日期");
    auto* toLabel = new QLabel(QStringLiteral("到"), this);
    日期框止 = named(new QDateEdit(QDate::currentDate(), this), "日期框止", "截止日期");
    toLabel->setBuddy(日期框止);
    for (QDateEdit* date : {日期框起, 日期框止}) {
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        date->setEnabled(false);
    }
    connect(复选框日期, &QCheckBox::toggled, 日期框起, &QWidget::setEnabled);
    connect(复选框日期, &QCheckBox::toggled, 日期框止, &QWidget::setEnabled);

    表格笔录 = named(new QTableView(this), "表格笔录", "笔录列表");
    表格笔录->setModel(inquiries);
    表格笔录->setSelectionBehavior(QAbstractItemView::SelectRows);
    表格笔录->setSelectionMode(QAbstractItemView::SingleSelection);
    表格笔录->setEditTriggers(QAbstractItemView::NoEditTriggers);
    表格笔录->setSortingEnabled(true);
    表格笔录->sortByColumn(0, Qt::DescendingOrder);
    表格笔录->verticalHeader()->hide();
    表格笔录->horizontalHeader()->setStretchLastSection(true);
    表格笔录->setTabKeyNavigation(false);
    表格笔录->setAlternatingRowColors(true);

    按钮打开 = button("打开", "按钮打开", "把这份笔录打开到主窗口的表格中（回车）", this);
    按钮预览 = button("预览", "按钮预览", "预览这份笔录的WORD文档", this);
    按钮打印 = button("打印", "按钮打印", "打印这份笔录的WORD文档", this);
    按钮校验 = button("校验", "按钮校验", "按指纹核对这份笔录的每个文件", this);
    按钮导出 = button("导出", "按钮导出", "把这份笔录的全部文件导出为一个移交包（ZIP）", this);
    标签版本 = new QLabel(QStringLiteral("版本(&V)："), this);
    组合框版本 = named(new QComboBox(this), "组合框版本", "笔录版本");
    组合框版本->setToolTip(QStringLiteral("这份笔录推送到服务器的各个版本，最后一个是最新的"));
    组合框版本->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    标签版本->setBuddy(组合框版本);
    标签版本->hide();
    组合框版本->hide();

    表格文件 = detailTable({QStringLiteral("文件"), QStringLiteral("类别"), QStringLiteral("大小"),
                            QStringLiteral("修改时间"), QStringLiteral("指纹"), QStringLiteral("关联")},
                           "表格文件", "笔录的文件", this);
    按钮关联 = button("关联证据…", "按钮关联", "把一个录音或录像文件关联到这份笔录", this);
    按钮取消关联 = button("取消关联", "按钮取消关联", "让选中的录音或录像不再属于这份笔录", this);
    表格保管记录 = detailTable(
        {QStringLiteral("时间"), QStringLiteral("事件"), QStringLiteral("用户@主机"), QStringLiteral("文件")},
        "表格保管记录", "笔录的保管记录", this);
    表格时间标记 = detailTable({QStringLiteral("问答"), QStringLiteral("录音录像"), QStringLiteral("位置")},
                               "表格时间标记", "笔录的时间标记", this);

    标签档案状态 = named(new QLabel(this), "标签档案状态", "档案状态");
    标签档案状态->setTextFormat(Qt::PlainText);
    标签导出进度 = named(new QLabel(this), "标签导出进度", "导出进度");
    标签导出进度->setTextFormat(Qt::PlainText);
    标签导出进度->hide();
    按钮取消导出 = button("取消导出", "按钮取消导出", "停止正在进行的导出（Esc）", this);
    按钮取消导出->hide();
    按钮关闭 = button("关闭", "按钮关闭", "关闭笔录档案", this);
    connect(按钮关闭, &QPushButton::clicked, this, &QDialog::close);

    auto* filter = new QHBoxLayout;
    filter->addWidget(scopeLabel);
    filter->addWidget(组合框范围);
    filter->addWidget(searchLabel);
    filter->addWidget(编辑框搜索, 1);
    filter->addWidget(复选框日期);
    filter->addWidget(日期框起);
    filter->addWidget(toLabel);
    filter->addWidget(日期框止);
    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {按钮打开, 按钮预览, 按钮打印, 按钮校验, 按钮导出})
        commands->addWidget(b);
    commands->addWidget(标签版本);
    commands->addWidget(组合框版本);
    commands->addStretch(1);
    commands->addWidget(按钮关联);
    commands->addWidget(按钮取消关联);
    auto* status = new QHBoxLayout;
    status->addWidget(标签档案状态, 1);
    status->addWidget(标签导出进度);
    status->addWidget(按钮取消导出);
    status->addWidget(按钮关闭);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filter);
    layout->addWidget(表格笔录, 3);
    layout->addLayout(commands);
    layout->addWidget(表格文件, 1);
    layout->addWidget(表格保管记录, 1);
    layout->addWidget(表格时间标记, 1);
    layout->addLayout(status);
    setInquiryCommandsEnabled(false);
}

void ArchiveWindow::setInquiryCommandsEnabled(bool enabled) {
    for (QPushButton* b : {按钮打开, 按钮预览, 按钮打印, 按钮校验, 按钮导出})
        b->setEnabled(enabled);
    for (QPushButton* b : {按钮关联, 按钮取消关联})
        b->setEnabled(enabled && !showsOffice());
}

bool ArchiveWindow::showsOffice() const {
    return 组合框范围->currentIndex() == 1;
}
