#include "ui/ReadAlongWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int kSmallest = 12;
constexpr int kLargest = 96;
constexpr int kStep = 4;
constexpr int kMargin = 24;
// A changed line: a bar in the left margin and a pale ground, kept beside the current line's yellow.
const QColor kChangedBar(200, 30, 30);
const QColor kChangedGround(255, 228, 228);
constexpr int kBarWidth = 8;

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

ReadAlongWindow::ReadAlongWindow(QWidget* officer)
    : QWidget(officer, Qt::Window | Qt::WindowDoesNotAcceptFocus), m_officer(officer) {
    setObjectName(QStringLiteral("ReadAlongWindow"));
    setWindowTitle(QStringLiteral("被询问人核对"));
    setAccessibleName(QStringLiteral("被询问人核对"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    // Every pixel is painted, so nothing of the background flashes between updates.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(800, 600);
}

void ReadAlongWindow::showPage(const QString& heading, const QStringList& lines, int currentLine,
                               const QList<int>& changedLines) {
    if (heading == m_heading && lines == m_lines && currentLine == m_currentLine && changedLines == m_changedLines)
        return;
    m_heading = heading;
    m_lines = lines;
    m_currentLine = currentLine;
    m_changedLines = changedLines;
    update();
}

void ReadAlongWindow::setBlank(bool blank) {
    m_blank = blank;
    update();
}

void ReadAlongWindow::enlarge() {
    m_pointSize = std::min(m_pointSize + kStep, kLargest);
    update();
}

void ReadAlongWindow::reduce() {
    m_pointSize = std::max(m_pointSize - kStep, kSmallest);
    update();
}

QScreen* ReadAlongWindow::otherScreen() const {
    const QScreen* officers = m_officer->screen();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != officers)
            return screen;
    return nullptr;
}

void ReadAlongWindow::showOnScreens() {
    if (QScreen* other = otherScreen()) {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setGeometry(other->geometry());
        if (QWindow* window = windowHandle())
            window->setScreen(other);
        // Not showFullScreen(), which would ask to activate the window.
        setWindowState(windowState() | Qt::WindowFullScreen);
        show();
        return;
    }
    const QRect officers = m_officer->screen()->availableGeometry();
    setWindowState(windowState() & ~Qt::WindowFullScreen);
    show();
    if (!officers.contains(geometry()))
        setGeometry(QRect(officers.topLeft() + QPoint(kMargin, kMargin), QSize(800, 600)).intersected(officers));
}

bool ReadAlongWindow::event(QEvent* event) {
    if (isInput(event->type())) {
        event->accept();
        return true;
    }
    // A desktop that activates the window in spite of its hint gets the activation handed back, so
    // that the officer's typing goes on into the form.
    if (event->type() == QEvent::WindowActivate)
        QMetaObject::invokeMethod(m_officer, &QWidget::activateWindow, Qt::QueuedConnection);
    return QWidget::event(event);
}

void ReadAlongWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_blank) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.fillRect(rect(), Qt::white);
    QFont font = this->font();
    font.setPointSize(m_pointSize);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QRect body = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    const auto heightOf = [&](const QString& text) {
        return std::max(metrics.height(), metrics.boundingRect(body.adjusted(0, 0, 0, 100000), flags, text).height());
    };

    painter.setPen(Qt::darkGray);
    painter.drawText(body, Qt::AlignRight | Qt::AlignTop, m_heading);
    if (!m_changedLines.isEmpty()) {
        const QRect sample(body.left(), body.top(), kBarWidth, metrics.height());
        painter.fillRect(sample, kChangedBar);
        painter.setPen(kChangedBar);
        painter.drawText(body.adjusted(kBarWidth * 2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("宣读核对后更改"));
    }
    int top = body.top() + metrics.height();

    // The line being typed stays in sight: the lines before it are left out from the top as far as
    // it takes to show it in the window's upper half.
    qsizetype first = 0;
    if (m_currentLine > 0) {
        int above = 0;
        first = std::min<qsizetype>(m_currentLine - 1, m_lines.size());
        while (first > 0 && above + heightOf(m_lines[first - 1]) <= (body.bottom() - top) / 2)
            above += heightOf(m_lines[--first]);
    }
    painter.setPen(Qt::black);
    for (qsizetype i = first; i < m_lines.size() && top < body.bottom(); ++i) {
        const int height = heightOf(m_lines[i]);
        const QRect lineRect(body.left(), top, body.width(), height);
        const bool changed = m_changedLines.contains(int(i) + 1);
        if (i + 1 == m_currentLine)
            painter.fillRect(lineRect, QColor(255, 244, 160));
        else if (changed)
            painter.fillRect(lineRect, kChangedGround);
        if (changed)
            painter.fillRect(QRect(lineRect.left() - kMargin + (kMargin - kBarWidth) / 2, top, kBarWidth, height),
                             kChangedBar);
        painter.drawText(lineRect, flags, m_lines[i]);
        top += height;
    }
}
