// The loop reports on its own thread; the status bar is written on the window's.
#include "archivewindow/OfficePush.h"

#include "office/ServerSetting.h"

#include "ui/MainWindow.h"

#include <QLabel>
#include <QMetaObject>

using namespace office;

namespace {

// Beyond this the status bar would push the window wider; the whole sentence is the label's tool tip.
constexpr int kLongestFailure = 60;

QString pushStateText(const SyncResult& result) {
    const QString count = QStringLiteral("待推送：%1 份").arg(result.waiting);
    if (result.error.ok())
        return count;
    QString failure = result.error.text().section(u'\n', 0, 0);
    if (failure.size() > kLongestFailure)
        failure = failure.left(kLongestFailure - 1) + QStringLiteral("…");
    return count + QStringLiteral("（推送没有成功：%1）").arg(failure);
}

} // namespace

std::unique_ptr<PushLoop> StartOfficePush(MainWindow& w, const QString& programDir) {
    if (!serverSetting(programDir).configured())
        return nullptr;
    w.标签待推送->setText(QStringLiteral("待推送：正在查看……"));
    w.标签待推送->setToolTip({});
    w.标签待推送->show();
    return std::make_unique<PushLoop>(programDir, [&w](const SyncResult& result) {
        QMetaObject::invokeMethod(
            &w, [&w, result] { ShowPushState(w, result); }, Qt::QueuedConnection);
    });
}

void ShowPushState(MainWindow& w, const SyncResult& result) {
    w.标签待推送->setText(pushStateText(result));
    w.标签待推送->setToolTip(result.error.ok() ? QString() : result.error.text());
    w.标签待推送->show();
}
