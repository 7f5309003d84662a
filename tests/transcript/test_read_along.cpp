// "被询问人核对" through the real window and event table on Qt's offscreen platform: with two screens
// it goes full-screen on the one the form is not on, shows the printed page and line being typed as
// the officer types, marks after "核对完毕(宣读)" the lines changed since, is blanked and brought back
// by its key in the main window and takes no focus; with one screen it is a window of its own beside
// the form.
#include "TestProgram.h"
#include "TestRecords.h"

#include "transcript/ComposeTranscript.h"
#include "transcript/FormBinding.h"
#include "transcript/word/PageLayout.h"
#include "ui/ReadAlongWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct ReadAlongProgram : TestProgram {
    ReadAlongProgram() {
        env.writeSettings(
            QStringLiteral("[pop]\ntanchu=0\n[hecha]\ntixing=0\n[fenye]\nhang1=被询问人签名：\nhang2=询问人签名：\n"));
        EXPECT_TRUE(start());
        w().show();
        w().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w()));
    }
    ReadAlongWindow& readAlong() { return program.components().readAlong; }
    QLineEdit* line(const record::Field& field) {
        return qobject_cast<QComboBox*>(transcript::fieldControl(w(), field))->lineEdit();
    }
    // Types at the end of the line, as the officer does, keystroke by keystroke.
    void typeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 2000));
        edit->end(false);
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    bool shows(const QString& words) {
        return QTest::qWaitFor(
            [&] {
                const ReadAlongWindow& r = readAlong();
                return r.currentLine() > 0 && r.currentLine() <= r.lines().size() &&
                       r.lines()[r.currentLine() - 1].contains(words);
            },
            2000);
    }
};

// The page of the printed transcript whose text holds the words, from 1.
int printedPageWith(const record::TranscriptRecord& r, const QString& words) {
    const transcript::ComposedText composed = transcript::composedText(r, [](const QString& key) {
        return key == "hang1" ? QStringLiteral("被询问人签名：") : QStringLiteral("询问人签名：");
    });
    const QList<word::Page> pages = word::layOutPages(composed.document);
    for (qsizetype page = 0; page < pages.size(); ++page)
        for (const word::Line& line : pages[page].lines) {
            QString text;
            for (const word::Fragment& fragment : line.fragments)
                text += fragment.text;
            if (text.contains(words))
                return int(page) + 1;
        }
    return 0;
}

// Whether anything is painted in the window's left margin, where a changed line has its bar.
bool marginPainted(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < 20; ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return true;
    return false;
}

bool allBlack(const QImage& image) {
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixelColor(x, y) != Qt::black)
                return false;
    return true;
}

TEST(TwoScreens, TheWindowGoesFullScreenOnTheOtherScreenAndTakesNoFocus) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "the test runs with the two-screen configuration";
    ReadAlongProgram p;
    QLineEdit* question = p.line(record::question(1));
    p.typeInto(question, QStringLiteral("你"));

    QTest::keyClick(question, Qt::Key_F11);
    ReadAlongWindow& r = p.readAlong();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&r));
    EXPECT_NE(r.screen(), p.w().screen());
    EXPECT_EQ(r.screen()->name(), QStringLiteral("interviewee"));
    EXPECT_TRUE(r.isFullScreen());
    EXPECT_EQ(r.geometry(), r.screen()->geometry());

    // The officer goes on typing in the form; the window cannot be made the active one.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &p.w(); }, 2000));
    EXPECT_TRUE(question->hasFocus());
    const QString typed = question->text();
    r.activateWindow();
    QTest::mouseClick(&r, Qt::LeftButton, {}, r.rect().center());
    QTest::keyClicks(&r, QStringLiteral("x"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &p.w(); }, 2000));
    EXPECT_TRUE(question->hasFocus());
    EXPECT_EQ(question->text(), typed);
    EXPECT_EQ(r.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(r.testAttribute(Qt::WA_TransparentForMouseEvents));

    // Closed and opened again by the same key.
    QTest::keyClick(question, Qt::Key_F11);
    EXPECT_FALSE(r.isVisible());
    QTest::keyClick(question, Qt::Key_F11);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&r));
    EXPECT_EQ(r.screen()->name(), QStringLiteral("interviewee"));
}

TEST(TwoScreens, ThePrintedLineBeingTypedIsShownAsTheOfficerTypes) {
    ReadAlongProgram p;
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    transcript::fillForm(p.w(), r);
    p.w().actReadAlong->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.readAlong()));

    p.typeInto(p.line(record::question(1)), QStringLiteral("你昨天在哪里"));
    EXPECT_TRUE(p.shows(QStringLiteral("你昨天在哪里")));
    EXPECT_TRUE(p.readAlong().heading().startsWith(QStringLiteral("第 1 页")));

    // A late answer, on a later page of the printout: the window turns to it.
    p.typeInto(p.line(record::answer(24)), QStringLiteral("我在家"));
    r = transcript::readForm(p.w());
    const int page = printedPageWith(r, QStringLiteral("我在家"));
    ASSERT_GT(page, 1) << "the answer is printed after the first page";
    EXPECT_TRUE(p.shows(QStringLiteral("我在家")));
    EXPECT_TRUE(p.readAlong().heading().startsWith(QStringLiteral("第 %1 页").arg(page)));
}

TEST(TwoScreens, AfterTheReadBackTheLinesChangedSinceAreMarked) {
    ReadAlongProgram p;
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 3);
    transcript::fillForm(p.w(), r);
    p.w().actReadAlong->trigger();
    ReadAlongWindow& window = p.readAlong();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Before the read-back a change is only typed.
    p.typeInto(p.line(record::answer(1)), QStringLiteral("我在店里"));
    ASSERT_TRUE(p.shows(QStringLiteral("我在店里")));
    EXPECT_TRUE(window.changedLines().isEmpty());
    EXPECT_FALSE(marginPainted(window.grab().toImage()));

    p.env.dialogs.answerNext(Dialogs::Answer::No); // no preview
    p.w().actSaveTranscript->trigger();
    p.w().actReadBackDone->trigger();
    ASSERT_TRUE(p.status().startsWith(QStringLiteral("宣读核对已记下")))
        << p.env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(window.changedLines().isEmpty());

    p.typeInto(p.line(record::answer(2)), QStringLiteral("我记不清了"));
    ASSERT_TRUE(p.shows(QStringLiteral("我记不清了")));
    EXPECT_EQ(window.changedLines(), QList<int>{window.currentLine()});
    EXPECT_TRUE(window.lines()[window.currentLine() - 2].contains(testrecords::questionText(2)))
        << "the question above it is as it was read back, and not marked";
    EXPECT_TRUE(marginPainted(window.grab().toImage()));

    // Read back again, the form as it now stands is what later changes are measured against.
    p.env.dialogs.answerNext(Dialogs::Answer::Yes); // the earlier document replaced
    p.env.dialogs.answerNext(Dialogs::Answer::No);
    p.w().actSaveTranscript->trigger();
    p.w().actReadBackDone->trigger();
    ASSERT_TRUE(p.status().startsWith(QStringLiteral("宣读核对已记下")))
        << p.env.dialogs.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.changedLines().isEmpty(); }, 2000));
    EXPECT_FALSE(marginPainted(window.grab().toImage()));
}

TEST(TwoScreens, ItsKeyInTheMainWindowBlanksItAndBringsItBack) {
    ReadAlongProgram p;
    QLineEdit* question = p.line(record::question(1));
    p.typeInto(question, QStringLiteral("你昨天在哪里"));
    p.w().actReadAlong->trigger();
    ReadAlongWindow& r = p.readAlong();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&r));
    ASSERT_TRUE(p.shows(QStringLiteral("你昨天在哪里")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &p.w(); }, 2000));
    EXPECT_FALSE(allBlack(r.grab().toImage()));

    QTest::keyClick(question, Qt::Key_F12);
    EXPECT_TRUE(r.isBlank());
    EXPECT_TRUE(allBlack(r.grab().toImage()));
    EXPECT_TRUE(p.status().contains(QStringLiteral("黑屏")));

    QTest::keyClick(question, Qt::Key_F12);
    EXPECT_FALSE(r.isBlank());
    EXPECT_FALSE(allBlack(r.grab().toImage()));
    EXPECT_TRUE(r.isVisible());
}

TEST(OneScreen, TheWindowIsAWindowOfItsOwnBesideTheForm) {
    ASSERT_EQ(QGuiApplication::screens().size(), 1);
    ReadAlongProgram p;
    p.w().actReadAlong->trigger();
    ReadAlongWindow& r = p.readAlong();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&r));
    EXPECT_FALSE(r.isFullScreen());
    EXPECT_EQ(r.screen(), p.w().screen());
    EXPECT_TRUE(r.screen()->availableGeometry().contains(r.geometry()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &p.w(); }, 2000));
}

} // namespace
