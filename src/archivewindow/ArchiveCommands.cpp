// The archive window's handlers: they read the chosen inquiry from the table, ask the archive, and
// reach the form and the document writer through transcript/.
#include "archivewindow/ArchiveCommands.h"

#include "archive/Archive.h"
#include "archivewindow/ArchiveTables.h"
#include "archive/Export.h"
#include "archivewindow/InquiryTableModel.h"
#include "archive/Locations.h"
#include "archivewindow/OfficeScope.h"

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

QString chosenInquiry(const ArchiveWindow& aw) {
    return aw.表格笔录->currentIndex().data(InquiryTableModel::NameRole).toString();
}

QString templateOf(const Services& s, const QString& inquiry) {
    return programdir::blDir(s.programDir) + u'/' + inquiry + QStringLiteral(".ini");
}

QString documentOf(const Services& s, const QString& inquiry) {
    return programdir::blDir(s.programDir) + u'/' + inquiry + QStringLiteral(".doc");
}

QString howText(LinkHow how) {
    static const char* const kTexts[] = {"已取消关联", "打开笔录时保存", "录像时间在笔录时间内", "手工关联",
                                         "笔录本身"};
    return QString::fromUtf8(kTexts[int(how)]);
}

// Nothing chosen: a box says so, as the main window's commands do for a missing choice.
bool haveChoice(Services& s, const QString& inquiry) {
    if (inquiry.isEmpty())
        s.dialogs.message(kCaption, QStringLiteral("请先在笔录档案的列表中选择一份笔录。"));
    return !inquiry.isEmpty();
}

bool haveDocument(Services& s, const QString& document) {
    if (!QFileInfo::exists(document))
        s.dialogs.message(kCaption, QStringLiteral("这份笔录没有WORD文档：<%1>").arg(document));
    return QFileInfo::exists(document);
}

// The chosen inquiry of this desktop: its files, custody entries and commands.
void showLocalInquiry(ArchiveWindow& aw, Archive& a) {
    const QString inquiry = chosenInquiry(aw);
    aw.setInquiryCommandsEnabled(!inquiry.isEmpty() && aw.按钮取消导出->isHidden());
    const QList<FileRow> files = inquiry.isEmpty() ? QList<FileRow>() : a.files(inquiry);
    aw.表格文件->setRowCount(int(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        const FileRow& f = files[i];
        setRow(
            aw.表格文件, i,
            {f.name, kindText(f.kind), f.size >= 0 ? byteCount(f.size) : QString(),
             f.size >= 0
                 ? QDateTime::fromMSecsSinceEpoch(f.modified / 1000000).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                 : QString(),
             stateText(f.state), howText(f.how)});
    }
    showCustodyLines(aw.表格保管记录, inquiry.isEmpty() ? QList<QByteArray>() : a.custodyLines(inquiry));
    aw.表格文件->resizeColumnsToContents();
    if (const std::optional<InquiryRow> row = inquiry.isEmpty() ? std::nullopt : a.inquiry(inquiry);
        row && !row->problem.isEmpty())
        aw.标签档案状态->setText(QStringLiteral("笔录模板 %1.ini 无法读取：%2").arg(inquiry, row->problem));
}

// The chosen office version's file of that kind fetched, then then() with its path; a version without
// one, or whose file could not be fetched, is said.
void withOfficeFile(ArchiveWindow& aw, Services& s, OfficeScope& office, FileKind kind,
                    std::function<void(const QString& path)> then) {
    FetchChosenVersion(
        aw, s, office, {kind}, false, [&s, kind, then = std::move(then)](const QList<FetchedFile>& fetched) {
            for (const FetchedFile& f : fetched)
                if (f.problem.isEmpty())
                    return then(f.path);
            s.dialogs.message(
                kCaption,
                fetched.isEmpty()
                    ? QStringLiteral("服务器上的这一版没有%1。").arg(kindText(kind))
                    : QStringLiteral("%1 没有取回：%2").arg(fetched.first().file.name, fetched.first().problem));
        });
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
void exportShowing(MainWindow& w, ArchiveWindow& aw, Services& s, Archive& a, transcript::WordEngine& engine,
                   OfficeScope& office, const QString& target, const QString& missingWhy,
                   const std::function<BundleResult(const PdfMaker&, const BundleWriter&)>& gather) {
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
    ShowChosenInquiry(aw, a, office);
    if (result.cancelled) {
        aw.标签档案状态->setText(QStringLiteral("导出已取消，没有留下移交包。"));
        return;
    }
    if (!result.ok) {
        aw.标签档案状态->setText(QStringLiteral("导出没有成功。"));
        s.dialogs.message(kCaption, QStringLiteral("移交包没有导出：%1").arg(result.error));
        return;
    }
    ShowArchiveNote(w, aw, QStringLiteral("已导出移交包 <%1>（%2 个文件）").arg(target).arg(result.names.size()));
    if (!result.warning.isEmpty())
        s.dialogs.message(kCaption, QStringLiteral("移交包已导出，但清单没有可信时间戳：%1").arg(result.warning));
    if (!result.missing.isEmpty())
        s.dialogs.message(kCaption, QStringLiteral("移交包已导出，但下列证据文件%1，没有放入：\n%2")
                                        .arg(missingWhy, result.missing.join(u'\n')));
}

} // namespace

void ShowArchiveWindow(ArchiveWindow& aw, Archive& a, InquiryTableModel& rows, OfficeScope& office) {
    PrepareScopes(aw, a.programDir());
    aw.show();
    aw.raise();
    aw.activateWindow();
    aw.编辑框搜索->setFocus();
    aw.编辑框搜索->selectAll();
    ListInquiries(aw, a, rows, office);
    a.refresh();
}

void ListInquiries(ArchiveWindow& aw, Archive& a, InquiryTableModel& rows, OfficeScope& office) {
    // A hidden window is listed when it is shown.
    if (!aw.isVisible())
        return;
    if (aw.showsOffice()) {
        ListOfficeInquiries(aw, rows, office);
        return;
    }
    const QString chosen = chosenInquiry(aw);
    SearchRequest request{aw.编辑框搜索->text(), {}, {}};
    if (aw.复选框日期->isChecked()) {
        request.from = aw.日期框起->date();
        request.to = aw.日期框止->date();
    }
    rows.setRows(a.search(request));
    const int row = rows.rowOf(chosen);
    if (row >= 0)
        aw.表格笔录->setCurrentIndex(rows.index(row, 0));
    else
        ShowChosenInquiry(aw, a, office);
    aw.标签档案状态->setText(a.isRebuilding()
                                 ? QStringLiteral("找到 %1 份笔录（索引正在重建，结果还不完整）").arg(rows.rowCount())
                                 : QStringLiteral("找到 %1 份笔录").arg(rows.rowCount()));
}

void ShowChosenInquiry(ArchiveWindow& aw, Archive& a, OfficeScope& office) {
    if (aw.showsOffice())
        ShowChosenOfficeInquiry(aw, office);
    else
        showLocalInquiry(aw, a);
}

void ShowArchiveNote(MainWindow& w, ArchiveWindow& aw, const QString& text) {
    // The status message box, which the status clock shows until the next message. The note comes
    // from the background: it joins a command's result ("打 印 成 功！") instead of replacing it, and
    // replaces only the archive's own note before it.
    static const char kNote[] = "archiveNote";
    const QString separator = QStringLiteral("  ");
    const QString before = w.编辑框25->property(kNote).toString();
    QString result = w.编辑框25->text();
    if (!before.isEmpty() && result == before)
        result.clear();
    else if (!before.isEmpty() && result.endsWith(separator + before))
        result.chop(separator.size() + before.size());
    w.编辑框25->setText(result.isEmpty() ? text : result + separator + text);
    w.编辑框25->setProperty(kNote, text);
    aw.标签档案状态->setText(text);
}

void OpenChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, Archive& a,
                       const transcript::FormRecovery& recovery, OfficeScope& office) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    if (recovery.holdsUnsavedWork(transcript::readForm(w)) &&
        s.dialogs.message(kCaption,
                          QStringLiteral("主窗口中的笔录还没有保存，打开“%1”会替换它。\n是否打开？").arg(inquiry),
                          Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;
    if (aw.showsOffice()) {
        withOfficeFile(aw, s, office, FileKind::Template, [&w, &aw, &s, inquiry](const QString& path) {
            LoadTemplate(w, s, path);
            aw.标签档案状态->setText(QStringLiteral("已打开服务器上的：%1").arg(inquiry));
            w.raise();
            w.activateWindow();
        });
        return;
    }
    const QString path = templateOf(s, inquiry);
    if (!QFileInfo::exists(path)) {
        s.dialogs.message(kCaption, QStringLiteral("笔录模板 <%1> 已不存在。").arg(path));
        return;
    }
    if (const std::optional<InquiryRow> row = a.inquiry(inquiry); row && !row->problem.isEmpty()) {
        s.dialogs.message(kCaption, QStringLiteral("笔录模板 <%1> 无法读取：%2").arg(path, row->problem));
        return;
    }
    LoadTemplate(w, s, path);
    aw.标签档案状态->setText(QStringLiteral("已打开：%1").arg(inquiry));
    w.raise();
    w.activateWindow();
}

void PreviewChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine,
                          OfficeScope& office) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    if (aw.showsOffice())
        withOfficeFile(aw, s, office, FileKind::Document,
                       [&w, &s, &engine](const QString& path) { PreviewDocument(w, s, engine, path); });
    else if (haveDocument(s, documentOf(s, inquiry)))
        PreviewDocument(w, s, engine, documentOf(s, inquiry));
}

void PrintChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine,
                        OfficeScope& office) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    const auto print = [&w, &aw, &s, &engine](const QString& document) {
        PrintDocumentFile(w, s, engine, document);
        aw.标签档案状态->setText(w.编辑框25->text());
    };
    if (aw.showsOffice())
        withOfficeFile(aw, s, office, FileKind::Document, print);
    else if (haveDocument(s, documentOf(s, inquiry)))
        print(documentOf(s, inquiry));
}

void CheckChosenInquiry(ArchiveWindow& aw, Services& s, Archive& a, OfficeScope& office) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    if (aw.showsOffice()) {
        CheckOfficeInquiry(aw, s, a, office);
        return;
    }
    QList<CustodyFile> checked;
    QStringList report;
    bool allMatch = true;
    for (const FileRow& file : a.files(inquiry)) {
        if (file.how == LinkHow::Unlinked)
            continue;
        const QString path = fullPath(a.programDir(), file.name);
        const FileState state = fileStateOf(path);
        allMatch = allMatch && state == FileState::Ok;
        CustodyFile entry = custodyFile(a.programDir(), path);
        entry.check = stateText(state);
        checked << entry;
        report << QStringLiteral("%1：%2").arg(file.name, entry.check);
    }
    a.log(custody::kFingerprintChecked, inquiry, checked);
    a.recheck(inquiry);
    ShowChosenInquiry(aw, a, office);
    s.dialogs.message(QStringLiteral("校验结果："), (allMatch ? QStringLiteral("全部文件与指纹一致。\n\n")
                                                              : QStringLiteral("有文件与指纹不符或缺少指纹！\n\n")) +
                                                        report.join(u'\n'));
}

void ExportChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, Archive& a, transcript::WordEngine& engine,
                         OfficeScope& office) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    const QString target = s.dialogs.saveFile({QStringLiteral("ZIP 移交包|*.zip"), QStringLiteral("zip"), true},
                                              inquiry + QStringLiteral(".zip"));
    if (target.isEmpty())
        return;
    if (!aw.showsOffice()) {
        exportShowing(w, aw, s, a, engine, office, target, QStringLiteral("已不存在"),
                      [&](const PdfMaker& pdf, const BundleWriter& write) {
                          return exportInquiry(a, templateOf(s, inquiry), target, pdf, write);
                      });
        return;
    }
    const FileKinds all{FileKind::Template, FileKind::Document, FileKind::Recording, FileKind::Capture};
    FetchChosenVersion(aw, s, office, all, false,
                       [&w, &aw, &s, &a, &engine, &office, inquiry, target,
                        custody = office.custody](const QList<FetchedFile>& fetched) {
                           BundleRequest request;
                           request.inquiry = inquiry;
                           request.custodyLines = custody;
                           request.target = target;
                           QStringList missing;
                           for (const FetchedFile& f : fetched) {
                               if (!f.problem.isEmpty())
                                   missing << QStringLiteral("%1（%2）").arg(f.file.name, f.problem);
                               else if (f.file.kind == FileKind::Template)
                                   request.templatePath = f.path;
                               else if (f.file.kind == FileKind::Document)
                                   request.documentPath = f.path;
                               else
                                   (f.file.kind == FileKind::Recording ? request.recordings : request.captures)
                                       << f.path;
                           }
                           exportShowing(w, aw, s, a, engine, office, target, QStringLiteral("没有从服务器取回"),
                                         [&](const PdfMaker& pdf, const BundleWriter& write) {
                                             return exportFetchedInquiry(a, request, missing, pdf, write);
                                         });
                       });
}

void LinkEvidence(ArchiveWindow& aw, Services& s, Archive& a) {
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
    showLocalInquiry(aw, a);
}

void UnlinkEvidence(ArchiveWindow& aw, Services& s, Archive& a) {
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
    showLocalInquiry(aw, a);
}
