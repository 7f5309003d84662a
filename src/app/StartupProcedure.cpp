// Tidying what a killed program left, password gate, version text, shortcut, tips, caption, skin, statute,
// date and presets, in order.
#include "StartupProcedure.h"

#include "BalloonTips.h"
#include "PresetLists.h"
#include "help/FixedTexts.h"
#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "platform/DesktopLauncher.h"
#include "platform/Dialogs.h"
#include "platform/ProductVersion.h"
#include "platform/ProgramDir.h"
#include "platform/SaveRecovery.h"
#include "platform/Services.h"
#include "platform/SetAside.h"
#include "platform/Settings.h"
#include "platform/TemporaryFiles.h"
#include "security/PasswordLock.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"
#include "ui/Skin.h"
#include "ui/StatuteWindow.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

namespace {

const QString kVersionText = QStringLiteral(" 程 序 版 本 V ") + QLatin1String(product::kVersion);
const QString kCaption = QStringLiteral("提示：");

// What the cut-off saves of folder left, as messages for the inspector: a save that can be neither
// finished nor undone stays as it is for the next start; a record that cannot be read is set aside
// in the recovery folder with a note, so that it never again stands beside the files it may name.
QStringList completeInterruptedSaves(const QString& folder, const QString& recoveryFolder, const QDateTime& now) {
    const durable::Leftovers left = durable::finishInterruptedSaves(folder);
    QStringList texts;
    for (const QString& record : left.stopped)
        texts << QStringLiteral("上次保存笔录没有正常结束，这次保存既不能完成也不能撤销：保存记录 <%1>。\n"
                                "保存记录和它所列的文件原样留在 <%2/>，下次启动时再试。")
                     .arg(record, QFileInfo(record).path());
    for (const QString& record : left.unreadable) {
        const setaside::Moved moved = setaside::setAsideUnrepaired(
            record, recoveryFolder,
            QStringLiteral(
                "保存记录 <%1> 在 %2 无法读取，程序没有按它完成或撤销任何保存。\n文件原样移到这里，没有改动。")
                .arg(record, datetimetext::full(now)));
        texts << (moved ? QStringLiteral("上次保存笔录没有正常结束，保存记录 <%1> 无法读取。\n"
                                         "它已原样移到 <%2>，附上说明。")
                              .arg(record, moved.path)
                        : QStringLiteral("上次保存笔录没有正常结束，保存记录 <%1> 无法读取，也无法移到 <%2/>：%3。\n"
                                         "下次启动时再提示。")
                              .arg(record, setaside::unrepairedFolder(recoveryFolder), moved.result.text()));
    }
    return texts;
}

} // namespace

bool StartupProcedure(MainWindow& w, Services& s, FormState& form) {
    // Only the first run asks; a new transcript runs the start-up again on the open window.
    const bool launch = !w.isVisible();
    if (launch) {
        // What a killed program left: a save cut off is finished or undone, whoever starts.
        const QString bl = programdir::blDir(s.programDir);
        const QString recovery = programdir::recoveryDir(s.programDir);
        const QStringList leftovers = completeInterruptedSaves(bl, recovery, s.clock.now());
        durable::removeStaleFiles(bl);
        durable::removeStaleFiles(recovery);
        if (!PasswordGate(s))
            return false;
        w.show();
        // Told only to whoever may use the program.
        for (const QString& text : leftovers)
            s.dialogs.message(kCaption, text);
    }

    // A settings file in an encoding the program does not recognise is read as GBK all the same;
    // the inspector is told once, when the program starts.
    QString status = kVersionText;
    if (launch && settings::hasUnrecognisedEncoding(s.programDir))
        status += QStringLiteral("    ") + settings::encodingNote();
    form.status = status;
    w.setStatusText(status);

    // A shortcut that cannot be written changes nothing for the inspector.
    desktop::makeShortcut(s.desktopDir + QStringLiteral("Quillon"), s.executablePath, QString(), QString(), 0,
                          QString(), QString());

    attachBalloonTips(w);

    const QString caption = ReadSetting(s.programDir, setting::Caption);
    if (!caption.isEmpty())
        w.setWindowTitle(' ' + caption);

    skin::apply(ReadSetting(s.programDir, setting::Skin));

    if (ReadSetting(s.programDir, setting::StatuteAtStart) != QLatin1String("0")) {
        StatuteWindow statute(help::statuteText(), &w);
        s.dialogs.runModal(statute);
    }

    const QDateTime now = s.clock.now();
    w.编辑框1->setText(QString::number(now.date().year()));
    w.编辑框2->setText(QString::number(now.date().month()));
    w.编辑框3->setText(QString::number(now.date().day()));
    w.编辑框4->setText(QString::number(now.time().hour()));
    w.编辑框5->setText(QString::number(now.time().minute()));

    w.组合框1->setCurrentIndex(0);

    w.编辑框8->setText(ReadSetting(s.programDir, setting::Place));
    w.编辑框11->setText(ReadSetting(s.programDir, setting::Domicile));

    LoadPresetLists(w, s.programDir);
    return true;
}
