// The main window: the transcript form, the menus, the recording and FTP panels and the text viewer.
// Every control is a member named by its designer name and carries that name as its objectName.
#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QMainWindow>

#include <functional>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QTextEdit;
class QTimer;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Pane 0 of 状态条1.
    void setStatusText(const QString& text);
    QString statusText() const;

    // Banner and page area.
    QLabel* 图片框1;
    QGroupBox* 分组框1;
    QGroupBox* 分组框2;
    QGroupBox* 分组框3;
    QGroupBox* 分组框4;
    QPushButton* 按钮5;
    QPushButton* 按钮2;
    QPushButton* 按钮1;
    QStatusBar* 状态条1;
    QLabel* statusPane0;
    // How many inquiries wait to go to the office archive, and why the last push failed; hidden
    // without an office archive.
    QLabel* 标签待推送;

    // Particulars form (in 分组框1).
    QLabel* 标签2;
    QLabel* 标签3;
    QLabel* 标签4;
    QLabel* 标签5;
    QLabel* 标签6;
    QLabel* 标签7;
    QLabel* 标签8;
    QLabel* 标签9;
    QLineEdit* 编辑框1;
    QLineEdit* 编辑框2;
    QLineEdit* 编辑框3;
    QLineEdit* 编辑框4;
    QLineEdit* 编辑框5;
    QLineEdit* 编辑框6;
    QLineEdit* 编辑框7;
    QLineEdit* 编辑框8;
    QComboBox* 组合框2;
    QLineEdit* 编辑框9;
    QComboBox* 组合框1;
    QLineEdit* 编辑框11;
    QComboBox* 组合框52;
    QLineEdit* 编辑框12;
    QLineEdit* 编辑框10;
    QLineEdit* 编辑框26;
    QLineEdit* 编辑框14;
    QComboBox* 组合框3;
    QLineEdit* 编辑框27;
    QLineEdit* 编辑框15;
    QLineEdit* 编辑框16;
    QComboBox* 组合框53;
    QComboBox* 组合框54;
    QComboBox* 组合框55;

    // Content pages: headings and the 48 question and answer lines.
    QLabel* 标签11;
    QLabel* 标签12;
    QLabel* 标签13;
    QComboBox* 组合框4;
    QComboBox* 组合框5;
    QComboBox* 组合框6;
    QComboBox* 组合框7;
    QComboBox* 组合框8;
    QComboBox* 组合框9;
    QComboBox* 组合框10;
    QComboBox* 组合框11;
    QComboBox* 组合框12;
    QComboBox* 组合框13;
    QComboBox* 组合框14;
    QComboBox* 组合框15;
    QComboBox* 组合框16;
    QComboBox* 组合框17;
    QComboBox* 组合框18;
    QComboBox* 组合框19;
    QComboBox* 组合框20;
    QComboBox* 组合框21;
    QComboBox* 组合框22;
    QComboBox* 组合框23;
    QComboBox* 组合框24;
    QComboBox* 组合框25;
    QComboBox* 组合框26;
    QComboBox* 组合框27;
    QComboBox* 组合框28;
    QComboBox* 组合框29;
    QComboBox* 组合框30;
    QComboBox* 组合框31;
    QComboBox* 组合框32;
    QComboBox* 组合框33;
    QComboBox* 组合框34;
    QComboBox* 组合框35;
    QComboBox* 组合框36;
    QComboBox* 组合框37;
    QComboBox* 组合框38;
    QComboBox* 组合框39;
    QComboBox* 组合框40;
    QComboBox* 组合框41;
    QComboBox* 组合框42;
    QComboBox* 组合框43;
    QComboBox* 组合框44;
    QComboBox* 组合框45;
    QComboBox* 组合框46;
    QComboBox* 组合框47;
    QComboBox* 组合框48;
    QComboBox* 组合框49;
    QComboBox* 组合框50;
    QComboBox* 组合框51;

    // Recording panel.
    QGroupBox* 分组框5;
    QSlider* 滑块条1;
    QLabel* 标签14;
    QPushButton* 按钮录音;
    QPushButton* 按钮暂停;
    QPushButton* 按钮继续;
    QPushButton* 按钮4;
    QPushButton* 按钮播放;
    QPushButton* 暂停;

    // FTP settings panel.
    QGroupBox* 分组框7;
    QLabel* 标签16;
    QLineEdit* 编辑框20;
    QLabel* 标签19;
    QLineEdit* 编辑框23;
    QLabel* 标签17;
    QLineEdit* 编辑框21;
    QLabel* 标签18;
    QLineEdit* 编辑框22;

    // Case remarks panel.
    QGroupBox* 分组框6;
    QLabel* 标签15;
    QTextEdit* 超级编辑框2;

    // Text viewer.
    QTextEdit* 超级编辑框1;
    QPushButton* 按钮6;
    QPushButton* 按钮3;

    // Video preview area and its frame.
    QLabel* 视频设备1;
    QLabel* 标签1;

    // Invisible components.
    QTimer* 时钟1;
    QTimer* 时钟2;
    FileDialogSpec 通用对话框1;
    FileDialogSpec 通用对话框2;
    FileDialogSpec 通用对话框3;
    // The name last chosen in 通用对话框1, offered again the next time.
    QString 通用对话框1FileName;

    // Menu items. Menus, in order: 文件, 网络功能, 录音笔录, 视频录像, 烟草专卖网络(全国), 安全设置, 工具, 更新, 帮助.
    QAction* actNewTranscript;       // 新建(笔录)
    QAction* actOpenTemplate;        // 打开(笔录模板)
    QAction* actArchive;             // 笔录档案 (Ctrl+F)
    QAction* actCheckTranscript;     // 核对(笔录)
    QAction* actReadBackDone;        // 核对完毕(宣读)
    QAction* actSaveTranscript;      // 保存(笔录及模板)
    QAction* actPrintTranscript;     // 打印(笔录)
    QAction* actPrintEvidenceSheet;  // 打印证据校验单
    QAction* actExit;                // 退出
    QAction* actFtpSettings;         // FTP笔录服务器配置
    QAction* actUpload;              // 笔录上传
    QAction* actDownload;            // 笔录下载
    QAction* actOpenRecording;       // 打开笔录录音
    QAction* actCloseRecording;      // 关闭笔录录音
    QAction* actStartCapture;        // 开始录像取证
    QAction* actStopCapture;         // 结束录像取证
    QAction* actReadAlong;           // 被询问人核对 (F11, opens and closes it)
    QAction* actReadAlongBlank;      // 被询问人核对黑屏/恢复 (F12)
    QAction* actReadAlongEnlarge;    // 被询问人核对字体放大 (Ctrl+=)
    QAction* actReadAlongReduce;     // 被询问人核对字体缩小 (Ctrl+-)
    QList<QAction*> provinceActions; // 吉林省 … 黑龙江省, in menu order
    QAction* actLock;                // 加密
    QAction* actUnlock;              // 解密
    QAction* actCalculator;          // 计算器
    QAction* actTextEditor;          // 文本文档
    QAction* actWordProcessor;       // Word文档
    QAction* actSpreadsheet;         // Excel文档
    QAction* actSogouDownload;       // 搜狗拼音下载
    QAction* actJidianDownload;      // 极点五笔下载
    QAction* actUpdate;              // 更新软件
    QAction* actGuide;               // 笔录制作过程
    QAction* actHelpFile;            // 软件帮助
    QAction* actHomePage;            // 官方网站
    QAction* actContact;             // 联系作者

    // Asked before the window closes; when it answers false the window stays open.
    void setCloseGuard(std::function<bool()> guard);

signals:
    // Emitted from closeEvent before the window goes away.
    void aboutToClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Accessible names from the captions, and the captions' buddy relations.
    void nameControlsForReaders();

    std::function<bool()> m_closeGuard;
};
