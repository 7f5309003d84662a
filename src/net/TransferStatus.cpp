// The status bar's account of a running FTP command: what it is doing, how far the transfer has got,
// and a button that cancels it.
#include "net/TransferStatus.h"

#include "net/FtpConnection.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

namespace {

constexpr int kRefreshMs = 100;

// "1.5 MB / 4.0 MB（37%）" when the size is known, "812.0 KB" when it is not.
QString transferAmount(qint64 moved, qint64 total) {
    if (total <= 0)
        return byteCount(moved);
    return QStringLiteral("%1 / %2（%3%）").arg(byteCount(moved), byteCount(total)).arg(moved * 100 / total);
}

} // namespace

TransferStatus::TransferStatus(MainWindow& w, FormState& form, FtpConnection& ftp)
    : m_w(w), m_ftp(ftp), m_label(new QLabel(w.状态条1)),
      m_cancel(new QPushButton(QStringLiteral("取消传输"), w.状态条1)),
      m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), &w)) {
    m_label->setObjectName(QStringLiteral("标签传输进度"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAccessibleName(QStringLiteral("传输进度"));
    m_cancel->setObjectName(QStringLiteral("按钮取消传输"));
    m_cancel->setAccessibleName(QStringLiteral("取消传输"));
    m_cancel->setToolTip(QStringLiteral("停止正在进行的笔录上传或下载（Esc）"));
    // The skins pad buttons by one pixel only; this one gets room around its caption.
    const QFontMetrics metrics = m_cancel->fontMetrics();
    m_cancel->setMinimumWidth(metrics.horizontalAdvance(m_cancel->text()) + 2 * metrics.height());
    w.状态条1->addPermanentWidget(m_label);
    w.状态条1->addPermanentWidget(m_cancel);
    QObject::connect(m_cancel, &QPushButton::clicked, [this] { m_ftp.cancel(); });
    QObject::connect(m_escape, &QShortcut::activated, [this] { m_ftp.cancel(); });
    QObject::connect(&m_timer, &QTimer::timeout, [this] { refresh(); });
    m_timer.start(kRefreshMs);
    form.status.clear();
}

TransferStatus::~TransferStatus() {
    finish();
}

void TransferStatus::finish() {
    if (!m_label)
        return;
    m_timer.stop();
    m_w.状态条1->removeWidget(m_label);
    m_w.状态条1->removeWidget(m_cancel);
    delete m_escape;
    delete m_cancel;
    delete m_label;
    m_escape = nullptr;
    m_cancel = nullptr;
    m_label = nullptr;
}

void TransferStatus::show(const QString& activity) {
    m_activity = activity;
    m_counting = false;
    refresh();
}

void TransferStatus::showTransfer(const QString& activity) {
    m_activity = activity;
    m_counting = true;
    refresh();
}

void TransferStatus::refresh() {
    if (!m_label)
        return;
    const net::TransferProgress& progress = m_ftp.progress();
    m_label->setText(m_counting ? m_activity + QStringLiteral("：") + transferAmount(progress.moved, progress.total)
                                : m_activity);
}
