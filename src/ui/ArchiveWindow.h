// "笔录档案": the window of past inquiries. The scope (this desktop or the office's archive), a search
// box and a date range above the table of inquiries, the commands for the chosen one and, for the
// office's, its versions; its files, its custody-log entries and its time marks below, and a status
// line with the progress of an export. Controls only; the handlers fill and answer them.
#pragma once

#include <QDialog>

class QAbstractItemModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

class ArchiveWindow : public QDialog {
    Q_OBJECT
public:
    // inquiries: the table's rows, one inquiry each.
    explicit ArchiveWindow(QAbstractItemModel* inquiries, QWidget* parent = nullptr);

    // "本机" (this desktop's archive) or "全局" (the office's archive on its server).
    QComboBox* 组合框范围;
    QLineEdit* 编辑框搜索;
    QCheckBox* 复选框日期;
    QDateEdit* 日期框起;
    QDateEdit* 日期框止;
    QTableView* 表格笔录;

    QPushButton* 按钮打开;
    QPushButton* 按钮预览;
    QPushButton* 按钮打印;
    QPushButton* 按钮校验;
    QPushButton* 按钮导出;
    // The versions of the chosen inquiry of the office's archive, oldest first; shown in 全局 only.
    QLabel* 标签版本;
    QComboBox* 组合框版本;

    // The chosen inquiry's files: name, kind, size, time, fingerprint, why it belongs.
    QTableWidget* 表格文件;
    QPushButton* 按钮关联;
    QPushButton* 按钮取消关联;
    // Its custody-log entries in time order.
    QTableWidget* 表格保管记录;
    // Its time marks: the line begun, the recording or capture, the offset into it.
    QTableWidget* 表格时间标记;

    QLabel* 标签档案状态;
    QLabel* 标签导出进度;
    QPushButton* 按钮取消导出;
    QPushButton* 按钮关闭;

    // The buttons that act on the chosen inquiry: enabled only while one is chosen and no export runs.
    // Links of evidence belong to this desktop's inquiries only.
    void setInquiryCommandsEnabled(bool enabled);
    // Whether 全局 is chosen.
    bool showsOffice() const;
};
