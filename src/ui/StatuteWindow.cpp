// A fixed window: the statute text above a single acknowledgement button.
#include "StatuteWindow.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

StatuteWindow::StatuteWindow(const QString& statute, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("StatuteWindow"));
    setWindowTitle(QString(28, ' ') + QStringLiteral("中华人民共和国烟草专卖法"));
    setFixedSize(667, 590);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    // The text carries CR LF line ends; the edit box keeps lines apart by LF alone.
    编辑框1 = new QPlainTextEdit(QString(statute).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    编辑框1->setObjectName(QStringLiteral("编辑框1"));
    编辑框1->setGeometry(0, 0, 664, 552);
    编辑框1->setFrameShape(QFrame::NoFrame);
    编辑框1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    编辑框1->setStyleSheet(QStringLiteral("background-color: #E4E4E4;"));

    超级按钮1 = new QPushButton(QStringLiteral("知 道"), this);
    超级按钮1->setObjectName(QStringLiteral("超级按钮1"));
    超级按钮1->setGeometry(243, 556, 174, 28);
    超级按钮1->setToolTip(QStringLiteral("以上规则我以熟读."));
    connect(超级按钮1, &QPushButton::clicked, this, &QDialog::accept);
}

void StatuteWindow::showEvent(QShowEvent* event) {
    // Centred on the window that opened it, frames included. Qt's own placement guesses the title
    // bar's height, 40 pixels wherever it sees no side frame, and so opens the window that far above
    // the middle; the owner's frame is the better guess for the frame this window gets.
    if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr; owner && owner->isVisible()) {
        const QRect ownerFrame = owner->frameGeometry();
        const QRect ownerInside = owner->geometry();
        QRect frame = geometry().marginsAdded(
            QMargins(ownerInside.left() - ownerFrame.left(), ownerInside.top() - ownerFrame.top(),
                     ownerFrame.right() - ownerInside.right(), ownerFrame.bottom() - ownerInside.bottom()));
        frame.moveCenter(ownerFrame.center());
        // Kept on the owner's screen, its title bar first.
        const QRect screen = owner->screen()->availableGeometry();
        frame.moveLeft(qMax(screen.left(), qMin(frame.left(), screen.right() + 1 - frame.width())));
        frame.moveTop(qMax(screen.top(), qMin(frame.top(), screen.bottom() + 1 - frame.height())));
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}
