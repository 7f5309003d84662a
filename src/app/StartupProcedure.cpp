// Tidying what a killed program left, password gate, version text, shortcut, tips, caption, skin, statute,
// date and presets, in order.
#include "StartupProcedure.h"

#include "BalloonTips.h"
#include "PresetLists.h"
#include "platform/Settings.h"
#include "help/FixedTexts.h"
#include "platform/Clock.h"
#include "platform/DesktopLauncher.h"
#include "platform/Dialogs.h"
#include "platform/ProductVersion.h"
#include "platform/ProgramDir.h"
#include "platform/SaveRecovery.h"
#include "platform/TemporaryFiles.h"
#include "platform/Services.h"
#include "security/PasswordLock.h"
#include "ui/MainWindow.h"
#include "ui/Skin.h"
#include "ui/StatuteWindow.h"

#include <QComboBox>
#include <QLineEdit>

namespace {
const QString kVersionText = QStringLiteral(" 程 序 版 本 V ") + QLatin1String(product::kVersion);
}

bool StartupProcedure(MainWindow& w, Services& s)
{
    // Only the first run asks; a new transcript runs the start-up again on the open window.
    const bool launch = !w.isVisible();
    if (launch) {
        // What a killed program left: a save cut off is finished or undone, whoever starts.
        const QString bl = programdir::blDir(s.programDir);
        durable::finishInterruptedSaves(bl);
        durable::removeStaleFiles(bl);
        durable::removeStaleFiles(programdir::recoveryDir(s.programDir));
        if (!PasswordGate(s))
            return false;
        w.show();
    }

    // A settings file in an encoding the program does not recognise is read as GBK all the same;
    // the inspector is told once, when the program starts.
    QString status = kVersionText;
    if (launch && settings::hasUnrecognisedEncoding(s.programDir))
        status += QStringLiteral("    ") + settings::encodingNote();
    w.编辑框25->setText(status);
    w.setStatusText(status);

    // A shortcut that cannot be written changes nothing for the inspector.
    desktop::makeShortcut(s.desktopDir + QStringLiteral("Quillon"), s.executablePath, QString(), QString(), 0,
                          QString(), QString());

    attachBalloonTips(w);

    const QString caption = ReadSetting(s.programDir, "biaoti", "biaoti1");
    if (!caption.isEmpty())
        w.setWindowTitle(' ' + caption);

    skin::apply(ReadSetting(s.programDir, "fengge", "fengge"));

    if (ReadSetting(s.programDir, "pop", "tanchu") != QLatin1String("0")) {
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

    w.编辑框8->setText(ReadSetting(s.programDir, "biludidian", "didian1"));
    w.编辑框11->setText(ReadSetting(s.programDir, "biludidian", "didian2"));

    LoadPresetLists(w, s.programDir);
    return true;
}
