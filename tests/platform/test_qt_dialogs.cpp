// The real message boxes and file dialogs behind Dialogs, answered as a user answers them: a button
// clicked, Esc or Enter typed, a name typed into a file dialog. Also Qt's own texts in Chinese.
#include "platform/Dialogs.h"
#include "platform/QtTranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Acts on the next modal window from inside its own event loop, as soon as it is open. A window the
// act leaves open is hidden, which ends its loop, so that a wrong answer fails instead of hanging.
class OnNextModal {
public:
    explicit OnNextModal(std::function<void(QWidget&)> act) : m_act(std::move(act)) {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            m_poll.stop();
            m_act(*modal);
            acted = true;
            if (modal->isVisible()) {
                leftOpen = true;
                modal->hide();
            }
        });
        m_poll.start(0);
    }

    bool acted = false;
    bool leftOpen = false;

private:
    std::function<void(QWidget&)> m_act;
    QTimer m_poll;
};

// One way of answering a box: a button clicked with the mouse, or a key typed where the focus is.
struct Press {
    QMessageBox::StandardButton button;
    Qt::Key key;
    Dialogs::Answer answer;
    QString label; // the clicked button's caption, where it is the program's own
};

Press click(QMessageBox::StandardButton button, Dialogs::Answer answer, const QString& label = {}) {
    return {button, Qt::Key_unknown, answer, label};
}

Press type(Qt::Key key, Dialogs::Answer answer) {
    return {QMessageBox::NoButton, key, answer, {}};
}

} // namespace

TEST(QtDialogs, EveryButtonEscAndEnterGiveTheirAnswer) {
    using A = Dialogs::Answer;
    using B = Dialogs::Buttons;
    using S = QMessageBox;
    const Qt::Key esc = Qt::Key_Escape;
    const Qt::Key enter = Qt::Key_Return;
    const struct {
        B buttons;
        QList<Press> presses;
    } cases[] = {
        {B::Ok, {click(S::Ok, A::Ok), type(esc, A::Ok), type(enter, A::Ok)}},
        {B::OkCancel, {click(S::Ok, A::Ok), click(S::Cancel, A::Cancel), type(esc, A::Cancel), type(enter, A::Ok)}},
        {B::YesNo, {click(S::Yes, A::Yes), click(S::No, A::No), type(esc, A::No), type(enter, A::Yes)}},
        {B::SaveDiscardCancel,
         {click(S::Save, A::Save, "保存"), click(S::Discard, A::Discard, "放弃"), click(S::Cancel, A::Cancel, "返回"),
          type(esc, A::Cancel), type(enter, A::Save)}},
        {B::SaveDiscardKeep,
         {click(S::Save, A::Save, "保存"), click(S::Discard, A::Discard, "放弃"), click(S::Cancel, A::Cancel, "保留"),
          type(esc, A::Cancel), type(enter, A::Save)}},
        {B::RestoreDiscardKeep,
         {click(S::Yes, A::Yes, "恢复"), click(S::Discard, A::Discard, "放弃"), click(S::Cancel, A::Cancel, "保留"),
          type(esc, A::Cancel), type(enter, A::Yes)}},
        {B::DiscardCancel,
         {click(S::Discard, A::Discard, "放弃"), click(S::Cancel, A::Cancel, "取消"), type(esc, A::Cancel),
          type(enter, A::Cancel)}},
        {B::SetAsideDiscard,
         {click(S::Save, A::Save, "保留到别处"), click(S::Discard, A::Discard, "放弃"), type(esc, A::Save),
          type(enter, A::Save)}},
        {B::ReviseOrPrint,
         {click(S::Cancel, A::Cancel, "返回修改"), click(S::Yes, A::Yes, "仍然打印"), type(esc, A::Cancel),
          type(enter, A::Cancel)}},
        {B::ReviseOrSave, {click(S::Yes, A::Yes, "仍然保存"), type(esc, A::Cancel), type(enter, A::Cancel)}},
    };

    QtDialogs dialogs;
    for (const auto& c : cases) {
        for (const Press& press : c.presses) {
            SCOPED_TRACE(testing::Message()
                         << "buttons " << int(c.buttons) << ", button " << press.button << ", key " << press.key);
            QMessageBox::Icon icon = QMessageBox::Warning;
            QString label;
            OnNextModal answerIt([&](QWidget& window) {
                auto* box = qobject_cast<QMessageBox*>(&window);
                ASSERT_TRUE(box);
                icon = box->icon();
                if (press.button != S::NoButton) {
                    QAbstractButton* clicked = box->button(press.button);
                    ASSERT_TRUE(clicked);
                    label = clicked->text();
                    QTest::mouseClick(clicked, Qt::LeftButton);
                } else {
                    QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, press.key);
                }
            });
            EXPECT_EQ(
                dialogs.message(QStringLiteral("提 示："), QStringLiteral("你确认要新建一份新的笔录？"), c.buttons),
                press.answer);
            EXPECT_TRUE(answerIt.acted);
            EXPECT_FALSE(answerIt.leftOpen);
            // A notice has no icon; whatever asks shows the question icon.
            EXPECT_EQ(icon, c.buttons == B::Ok ? QMessageBox::NoIcon : QMessageBox::Question);
            if (!press.label.isEmpty()) {
                EXPECT_EQ(label, press.label);
            }
        }
    }
}

TEST(QtDialogs, FileDialogsGiveThePathChosenOrNothing) {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("2012.11.30-宏达公司-张三.ini"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const auto typeName = [](const QString& name) {
        return [name](QWidget& window) {
            auto* edit = window.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(edit);
            edit->setText(name);
            QTest::keyClick(edit, Qt::Key_Return);
        };
    };
    QtDialogs dialogs;

    OnNextModal cancelIt([](QWidget& window) { QTest::keyClick(&window, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.openFile({QStringLiteral("笔录模板文件|*.ini"), QStringLiteral("ini")}), QString());
    EXPECT_TRUE(cancelIt.acted);
    EXPECT_FALSE(cancelIt.leftOpen);

    OnNextModal openIt(typeName(existing));
    EXPECT_EQ(dialogs.openFile({QStringLiteral("笔录模板文件|*.ini"), QStringLiteral("ini")}), existing);
    EXPECT_FALSE(openIt.leftOpen);

    // A name typed without its extension gets the dialog's.
    OnNextModal saveIt(typeName(dir.filePath(QStringLiteral("询问录音"))));
    EXPECT_EQ(dialogs.saveFile({QStringLiteral("WAV录音文件|*.wav"), QStringLiteral("wav")}, QString()),
              dir.filePath(QStringLiteral("询问录音.wav")));
    EXPECT_FALSE(saveIt.leftOpen);
}

TEST(QtTranslations, QtsOwnTextsInTheLocalesLanguageElseInChinese) {
    QApplication& app = *qApp;
    const auto cancelText = [] {
        const std::unique_ptr<QMessageBox> box =
            QtDialogs::messageBox(QString(), QString(), Dialogs::Buttons::OkCancel);
        return box->button(QMessageBox::Cancel)->text();
    };
    ASSERT_TRUE(qttranslations::install(app, QLocale(QLocale::German, QLocale::Germany)));
    EXPECT_EQ(cancelText(), QStringLiteral("Abbrechen"));

    // Qt has no texts for the C locale: Chinese ones.
    ASSERT_TRUE(qttranslations::install(app, QLocale::c()));
    EXPECT_EQ(cancelText(), QStringLiteral("取消"));
    const std::unique_ptr<QMessageBox> yesNo = QtDialogs::messageBox(QString(), QString(), Dialogs::Buttons::YesNo);
    EXPECT_EQ(yesNo->button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
    EXPECT_EQ(yesNo->button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));
    EXPECT_EQ(QtDialogs::messageBox(QString(), QString(), Dialogs::Buttons::Ok)->button(QMessageBox::Ok)->text(),
              QStringLiteral("确定"));

    QFileDialog saveAs;
    saveAs.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(saveAs.windowTitle(), QStringLiteral("另存为"));
    EXPECT_EQ(saveAs.labelText(QFileDialog::LookIn), QStringLiteral("查找范围："));
    EXPECT_EQ(saveAs.labelText(QFileDialog::FileName), QStringLiteral("文件名称(&N)："));
    EXPECT_EQ(saveAs.labelText(QFileDialog::FileType), QStringLiteral("文件类型："));
}
