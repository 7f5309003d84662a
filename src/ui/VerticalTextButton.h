// A narrow push button whose caption runs top to bottom, one character under the other.
#pragma once

#include <QPushButton>

class VerticalTextButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
