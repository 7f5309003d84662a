// The discarded and unrepaired folders of the recovery folder.
#include "platform/SetAside.h"

#include "platform/Dialogs.h"
#include "platform/Gbk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace setaside {

namespace {

const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss");
constexpr int kStampLength = 15;
// Names tried before a move gives up on finding a free one.
constexpr int kNameAttempts = 1000;

// name for n = 1; "a(2).avi", "a(3).avi", … after.
QString numbered(const QString& name, int n) {
    if (n == 1)
        return name;
    const QFileInfo info(name);
    const QString suffix = info.suffix();
    return info.completeBaseName() + QStringLiteral("(%1)").arg(n) + (suffix.isEmpty() ? QString() : u'.' + suffix);
}

// Moves file into folder under the first free name that nameFor gives.
template <typename NameFor> Moved moveToFreeName(const QString& file, const QString& folder, NameFor nameFor) {
    Moved moved;
    moved.result = durable::makeFolder(folder);
    for (int n = 1; moved.result && n <= kNameAttempts; ++n) {
        moved.path = folder + u'/' + nameFor(n);
        moved.result = durable::moveToNewName(file, moved.path);
        if (moved.result.error != EEXIST)
            return moved;
    }
    return moved;
}

} // namespace

QString discardedFolder(const QString& recoveryFolder) {
    return recoveryFolder + QStringLiteral("/discarded");
}

QString unrepairedFolder(const QString& recoveryFolder) {
    return recoveryFolder + QStringLiteral("/unrepaired");
}

bool confirmDiscard(Dialogs& dialogs, const QString& caption, const QString& question, const QString& recoveryFolder) {
    const QString text = QStringLiteral("%1\n放弃后文件移到 <%2/>，%3 天后由程序删除。")
                             .arg(question, discardedFolder(recoveryFolder))
                             .arg(kDiscardedKeepDays);
    return dialogs.message(caption, text, Dialogs::Buttons::DiscardCancel) == Dialogs::Answer::Discard;
}

Moved discard(const QString& file, const QString& recoveryFolder, const QDateTime& now) {
    const QString prefix = now.toString(kStampFormat) + u'_';
    const QString name = QFileInfo(file).fileName();
    return moveToFreeName(file, discardedFolder(recoveryFolder), [&](int n) { return prefix + numbered(name, n); });
}

Moved setAsideUnrepaired(const QString& file, const QString& recoveryFolder, const QString& note) {
    const QString name = QFileInfo(file).fileName();
    Moved moved = moveToFreeName(file, unrepairedFolder(recoveryFolder), [&](int n) { return numbered(name, n); });
    if (moved) {
        QString text = note;
        moved.result =
            durable::writeFile(moved.path + QStringLiteral(".txt"),
                               gbk::encode(text.replace(u'\n', QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    }
    return moved;
}

void removeExpired(const QString& recoveryFolder, const QDateTime& now) {
    QDir folder(discardedFolder(recoveryFolder));
    for (const QString& name : folder.entryList(QDir::Files)) {
        const QDateTime discarded = QDateTime::fromString(name.left(kStampLength), kStampFormat);
        if (name.mid(kStampLength, 1) == QStringLiteral("_") && discarded.isValid() &&
            discarded.addDays(kDiscardedKeepDays) <= now)
            folder.remove(name);
    }
}

QString discardedNote(const QString& recoveryFolder) {
    int count = 0;
    for (const QString& name : QDir(discardedFolder(recoveryFolder)).entryList(QDir::Files))
        count += name.endsWith(QStringLiteral(".sha256")) ? 0 : 1;
    if (count == 0)
        return {};
    return QStringLiteral("\n另有 %1 个放弃的文件仍在 <%2/>，放弃满 %3 天后删除。")
        .arg(count)
        .arg(discardedFolder(recoveryFolder))
        .arg(kDiscardedKeepDays);
}

} // namespace setaside
