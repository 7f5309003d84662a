// "被询问人核对": the transcript shown to the interviewee on a screen of its own, read-only. It
// never takes the focus nor any keyboard, mouse or touch input, so that the interviewee cannot
// change the form nor see the officer's menus and messages, which stay with the main window.
// The handlers give it the page to show.
#pragma once

#include <QStringList>
#include <QWidget>

class QScreen;

class ReadAlongWindow : public QWidget {
    Q_OBJECT
public:
    // officer: the main window, whose screen the window keeps away from when there is another.
    explicit ReadAlongWindow(QWidget* officer);

    // changedLines (from 1) are marked as changed after the read-back, under the legend "宣读核对后更改".
    void showPage(const QString& heading, const QStringList& lines, int currentLine,
                  const QList<int>& changedLines = {});
    const QString& heading() const { return m_heading; }
    const QStringList& lines() const { return m_lines; }
    int currentLine() const { return m_currentLine; }
    const QList<int>& changedLines() const { return m_changedLines; }

    // Blank, nothing is shown until it is brought back.
    void setBlank(bool blank);
    bool isBlank() const { return m_blank; }

    void enlarge();
    void reduce();
    int pointSize() const { return m_pointSize; }

    // Shown full-screen on a screen other than the officer's when there is one, else as a window
    // of its own on the officer's screen.
    void showOnScreens();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QScreen* otherScreen() const;

    QWidget* m_officer;
    QString m_heading;
    QStringList m_lines;
    int m_currentLine = 0;
    QList<int> m_changedLines;
    bool m_blank = false;
    int m_pointSize = 28;
};
