// The archive window's handlers: they read the chosen inquiry from the table, ask the archive, and
// reach the form and the document writer through transcript/.
#include "archivewindow/ArchiveCommands.h"

#include "archive/Archive.h"
#include "archive/Locations.h"
#include "archivewindow/ArchiveTables.h"
#include "archivewindow/InquiryTableModel.h"
#include "archivewindow/Scopes.h"

#include "transcript/DocumentPdf.h"
#include "transcript/FormBinding.h"
#include "transcript/FormRecovery.h"
#include "transcript/OpenTemplate.h"
#include "transcript/Preview.h"
#include "transcript/WordCommands.h"

#include "platform/BackgroundWait.h"
#include "platform/ByteCount.h"
#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "ui/ArchiveWindow.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

using namespace archive;

namespace {

const QString kCaption = QStringLiteral("提 示：");

// Nothing chosen: a box says so, as the main window's commands do for a missing choice.
bool haveChoice(Services& s, const QString& inquiry) {
    if (inquiry.isEmpty())
        s.dialogs.message(kCaption, QStringLiteral("请先在笔录档案的列表中选择一份笔录。"));
    return !inquiry.isEmpty();
}

// While it lives, the window shows how far the export has got and offers 取消导出, also on Esc;
// the commands wait until it ends.
class ExportStatus {
public:
    ExportStatus(ArchiveWindow& aw, const QString& target)
        : m_aw(aw), m_target(QFileInfo(target).fileName()), m_escape(QKeySequence(Qt::Key_Escape), &aw) {
        aw.setInquiryCommandsEnabled(false);
        aw.标签导出进度->show();
        aw.按钮取消导出->show();
        QObject::connect(aw.按钮取消导出, &QPushButton::clicked, &m_timer, [this] { cancel = true; });
        QObject::connect(&m_escape, &QShortcut::activated, &m_timer, [this] { cancel = true; });
        QObject::connect(&m_timer, &QTimer::timeout, [this] { refresh(); });
        m_timer.start(100);
        refresh();
    }
    ~ExportStatus() {
        QObject::disconnect(m_aw.按钮取消导出, nullptr, &m_timer, nullptr);
        m_aw.标签导出进度->hide();
        m_aw.按钮取消导出->hide();
        m_aw.setInquiryCommandsEnabled(!chosenInquiry(m_aw).isEmpty());
    }
    ExportStatus(const ExportStatus&) = delete;
    ExportStatus& operator=(const ExportStatus&) = delete;

    BundleProgress progress;
    std::atomic_bool cancel = false;

private:
    void refresh() {
        const qint64 total = progress.total;
        m_aw.标签导出进度->setText(
            QStringLiteral("正在导出 %1：%2%").arg(m_target).arg(total > 0 ? progress.done * 100 / total : 0));
    }

    ArchiveWindow& m_aw;
    QString m_target;
    QShortcut m_escape;
    QTimer m_timer;
};

// The bundle that gather() puts together written into target, with the export's progress and
// 取消导出 shown meanwhile, and how it ended said. missingWhy: why evidence left out is missing.
void exportShowing(FormState& form, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine, Scope& scope,
                   const QString& target, const QString& missingWhy, const BundleGather& gather) {
    BundleResult result;
    {
        ExportStatus status(aw, target);
        const PdfMaker pdf = [&engine](const QString& document, const QString& file, QString* error) {
            return transcript::writeDocumentPdf(engine, document, file, error);
        };
        result = gather(pdf, [&status](const BundleRequest& request) {
            return background::waitWhileProcessingEvents([&](const std::atomic_bool& programEnding) {
                return writeBundle(request, status.progress, [&] { return status.cancel || programEnding; });
            });
        });
    }
    scope.showChosen(aw);
    if (result.cancelled) {
        aw.标签档案状态->setText(QStringLiteral("导出已取消，没有留下移交包。"));
        return;
    }
    if (!result.ok) {
        aw.标签档案状态->setText(QStringLiteral("导出没有成功。"));
        s.dialogs.message(kCaption, QStringLiteral("移交包没有导出：%1").arg(result.error));
        return;
    }
    ShowArchiveNote(form, aw, QStringLiteral("已导出移交包 <%1>（%2 个文件）").arg(target).arg(result.names.size()));
    if (!result.warning.isEmpty())
        s.dialogs.message(kCaption, QStringLiteral("移交包已导出，但清单没有可信时间戳：%1").arg(result.warning));
    if (!result.missing.isEmpty())
        s.dialogs.message(kCaption, QStringLiteral("移交包已导出，但下列证据文件%1，没有放入：\n%2")
                                        .arg(missingWhy, result.missing.join(u'\n')));
}

} // namespace

void ShowArchiveWindow(ArchiveWindow& aw, Archive& a, InquiryTableModel& rows, Scopes& scopes) {
    PrepareScopes(aw, a.programDir());
    aw.show();
    aw.raise();
    aw.activateWindow();
    aw.编辑框搜索->setFocus();
    aw.编辑框搜索->selectAll();
    ListInquiries(aw, rows, scopes);
    a.refresh();
}

void ListInquiries(ArchiveWindow& aw, InquiryTableModel& rows, Scopes& scopes) {
    // A hidden window is listed when it is shown.
    if (aw.isVisible())
        scopes.chosen().list(aw, rows);
}

void ShowChosenInquiry(ArchiveWindow& aw, Scopes& scopes) {
    scopes.chosen().showChosen(aw);
}

void ShowArchiveNote(FormState& form, ArchiveWindow& aw, const QString& text) {
    // The status message, which the status clock shows until the next message. The note comes from
    // the background: it joins a command's result ("打 印 成 功！") instead of replacing it, and
    // replaces only the archive's own note before it.
    const QString separator = QStringLiteral("  ");
    const QString& before = form.archiveNote;
    QString result = form.status;
    if (!before.isEmpty() && result == before)
        result.clear();
    else if (!before.isEmpty() && result.endsWith(separator + before))
        result.chop(separator.size() + before.size());
    form.status = result.isEmpty() ? text : result + separator + text;
    form.archiveNote = text;
    aw.标签档案状态->setText(text);
}

void OpenChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, const transcript::FormRecovery& recovery,
                       Scopes& scopes) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    if (recovery.holdsUnsavedWork(transcript::readForm(w)) &&
        s.dialogs.message(kCaption,
                          QStringLiteral("主窗口中的笔录还没有保存，打开“%1”会替换它。\n是否打开？").arg(inquiry),
                          Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;
    Scope& scope = scopes.chosen();
    scope.withFile(aw, s, inquiry, FileKind::Template,
                   [&w, &aw, &s, opened = scope.openedText(inquiry)](const QString& path) {
                       LoadTemplate(w, s, path);
                       aw.标签档案状态->setText(opened);
                       w.raise();
                       w.activateWindow();
                   });
}

void PreviewChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine,
                          Scopes& scopes) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    scopes.chosen().withFile(aw, s, inquiry, FileKind::Document,
                             [&w, &s, &engine](const QString& path) { PreviewDocument(w, s, engine, path); });
}

void PrintChosenInquiry(FormState& form, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine,
                        Scopes& scopes) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    scopes.chosen().withFile(aw, s, inquiry, FileKind::Document, [&form, &aw, &s, &engine](const QString& document) {
        PrintDocumentFile(s, form, engine, document);
        aw.标签档案状态->setText(form.status);
    });
}

void CheckChosenInquiry(ArchiveWindow& aw, Services& s, Scopes& scopes) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    scopes.chosen().check(aw, s, inquiry);
}

void ExportChosenInquiry(FormState& form, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine,
                         Scopes& scopes) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    const QString target = s.dialogs.saveFile({QStringLiteral("ZIP 移交包|*.zip"), QStringLiteral("zip"), true},
                                              inquiry + QStringLiteral(".zip"));
    if (target.isEmpty())
        return;
    Scope& scope = scopes.chosen();
    scope.gatherBundle(
        aw, s, inquiry, target,
        [&form, &aw, &s, &engine, &scope, target](const QString& missingWhy, const BundleGather& gather) {
            exportShowing(form, aw, s, engine, scope, target, missingWhy, gather);
        });
}

void LinkEvidence(ArchiveWindow& aw, Services& s, LocalScope& local) {
    Archive& a = local.archive();
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    const QString path =
        s.dialogs.openFile({QStringLiteral("录音、录像文件|*.wav *.avi"), QStringLiteral("wav"), false});
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("wav") && suffix != QLatin1String("avi")) {
        s.dialogs.message(kCaption, QStringLiteral("只能关联录音（.wav）和录像（.avi）文件。"));
        return;
    }
    a.log(custody::kLinked, inquiry, {custodyFile(a.programDir(), path)});
    local.showChosen(aw);
}

void UnlinkEvidence(ArchiveWindow& aw, Services& s, LocalScope& local) {
    Archive& a = local.archive();
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    const QTableWidgetItem* chosen = aw.表格文件->item(aw.表格文件->currentRow(), 0);
    const QList<FileRow> files = a.files(inquiry);
    const auto found =
        std::find_if(files.begin(), files.end(), [&](const FileRow& f) { return chosen && f.name == chosen->text(); });
    const FileRow* file = found == files.end() ? nullptr : &*found;
    if (!file || (file->kind != FileKind::Recording && file->kind != FileKind::Capture) ||
        file->how == LinkHow::Unlinked) {
        s.dialogs.message(kCaption, QStringLiteral("请先在文件列表中选择一个关联着的录音或录像。"));
        return;
    }
    a.log(custody::kUnlinked, inquiry, {custodyFile(a.programDir(), fullPath(a.programDir(), file->name))});
    local.showChosen(aw);
}
