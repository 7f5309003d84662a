// The status bar's account of a running FTP command: what it is doing, how far the transfer has got,
// and a button that cancels it.
#pragma once

#include <QString>
#include <QTimer>

class FtpConnection;
class MainWindow;
struct FormState;
class QLabel;
class QPushButton;
class QShortcut;

// From its start until it is finished, 状态条1 holds 标签传输进度 with the activity and
// 按钮取消传输 "取消传输" (also reached with Esc), which cancels the connection's running operation.
// The status message of an earlier command goes when it starts: it is no outcome of this one.
class TransferStatus {
public:
    TransferStatus(MainWindow& w, FormState& form, FtpConnection& ftp);
    ~TransferStatus();
    TransferStatus(const TransferStatus&) = delete;
    TransferStatus& operator=(const TransferStatus&) = delete;

    // What the command does now, e.g. "正在连接FTP服务器 10.0.0.1 ...".
    void show(const QString& activity);
    // The same, followed by the amount the transfer has moved so far, kept up to date.
    void showTransfer(const QString& activity);
    // Takes the activity and the button off the status bar, before the outcome is told; the
    // destructor does it at the latest.
    void finish();

private:
    void refresh();

    MainWindow& m_w;
    FtpConnection& m_ftp;
    QLabel* m_label;
    QPushButton* m_cancel;
    QShortcut* m_escape;
    QTimer m_timer;
    QString m_activity;
    bool m_counting = false;
};
