// The question before a recording or capture ends while its inquiry is not yet read back: stop, with
// a reason if there is one, or go on recording. Controls only; the handler asks and reads them.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class EarlyStopWindow : public QDialog {
    Q_OBJECT
public:
    // what: "录音" or "录像".
    EarlyStopWindow(const QString& what, QWidget* parent = nullptr);

    QLabel* 标签提示;
    QLineEdit* 编辑框停止原因;
    // Accepts: the recording stops.
    QPushButton* 按钮停止;
    // Rejects, as closing the window does: the recording goes on.
    QPushButton* 按钮继续;
};
