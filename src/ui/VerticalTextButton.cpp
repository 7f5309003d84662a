// Paints the button frame as usual and stacks the caption's characters vertically.
#include "VerticalTextButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

void VerticalTextButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QString caption = text().trimmed();
    if (caption.isEmpty())
        return;
    // Long captions close up their lines to stay inside the button.
    const int lineHeight = qMin(fontMetrics().height(), (height() - 4) / int(caption.size()));
    int y = (height() - lineHeight * int(caption.size())) / 2;
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    for (const QChar c : caption) {
        painter.drawText(QRect(0, y, width(), lineHeight), Qt::AlignCenter, QString(c));
        y += lineHeight;
    }
}
