// The archive window's handlers: they read the chosen inquiry from the table, ask the archive, and
// reach the form and the document writer through transcript/.
#include "archive/ArchiveCommands.h"

#include "archive/Archive.h"
#include "archive/Export.h"
#include "archive/InquiryTableModel.h"
#include "archive/Locations.h"

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

QString kindText(FileKind kind) {
    static const char* const kTexts[] = {"模板", "WORD文档", "PDF", "录音", "录像"};
    return QString::fromUtf8(kTexts[int(kind)]);
}

QString stateText(FileState state) {
    static const char* const kTexts[] = {"一致", "与指纹不符", "没有指纹", "无法读取", "文件不存在"};
    return QString::fromUtf8(kTexts[int(state)]);
}

QString howText(LinkHow how) {
    static const char* const kTexts[] = {"已取消关联", "打开笔录时保存", "录像时间在笔录时间内", "手工关联",
                                         "笔录本身"};
    return QString::fromUtf8(kTexts[int(how)]);
}

void setRow(QTableWidget* table, int row, const QStringList& cells) {
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
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

} // namespace

void ShowArchiveWindow(ArchiveWindow& aw, Archive& a, InquiryTableModel& rows) {
    aw.show();
    aw.raise();
    aw.activateWindow();
    aw.编辑框搜索->setFocus();
    aw.编辑框搜索->selectAll();
    ListInquiries(aw, a, rows);
    a.refresh();
}

void ListInquiries(ArchiveWindow& aw, Archive& a, InquiryTableModel& rows) {
    // A hidden window is listed when it is shown.
    if (!aw.isVisible())
        return;
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
        ShowChosenInquiry(aw, a);
    aw.标签档案状态->setText(a.isRebuilding()
                                 ? QStringLiteral("找到 %1 份笔录（索引正在重建，结果还不完整）").arg(rows.rowCount())
                                 : QStringLiteral("找到 %1 份笔录").arg(rows.rowCount()));
}

void ShowChosenInquiry(ArchiveWindow& aw, Archive& a) {
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
    const QList<QByteArray> lines = inquiry.isEmpty() ? QList<QByteArray>() : a.custodyLines(inquiry);
    aw.表格保管记录->setRowCount(int(lines.size()));
    for (int i = 0; i < lines.size(); ++i) {
        const std::optional<CustodyEntry> entry = CustodyEntry::parse(lines[i]);
        if (!entry)
            continue;
        QStringList names;
        for (const CustodyFile& file : entry->files)
            names << (file.check.isEmpty() ? file.name : file.name + QStringLiteral("（%1）").arg(file.check));
        for (const auto& [key, value] : entry->details)
            names << custody::detailText(key) + QStringLiteral("：") + value;
        setRow(aw.表格保管记录, i,
               {entry->time, custody::eventText(entry->event), entry->user + u'@' + entry->host,
                names.join(QStringLiteral("、"))});
    }
    aw.表格文件->resizeColumnsToContents();
    aw.表格保管记录->resizeColumnsToContents();
    if (const std::optional<InquiryRow> row = inquiry.isEmpty() ? std::nullopt : a.inquiry(inquiry);
        row && !row->problem.isEmpty())
        aw.标签档案状态->setText(QStringLiteral("笔录模板 %1.ini 无法读取：%2").arg(inquiry, row->problem));
}

void ShowArchiveNote(MainWindow& w, ArchiveWindow& aw, const QString& text) {
    // The status message box, which the status clock shows until the next message.
    w.编辑框25->setText(text);
    aw.标签档案状态->setText(text);
}

void OpenChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, Archive& a,
                       const transcript::FormRecovery& recovery) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    if (recovery.holdsUnsavedWork(transcript::readForm(w)) &&
        s.dialogs.message(kCaption,
                          QStringLiteral("主窗口中的笔录还没有保存，打开“%1”会替换它。\n是否打开？").arg(inquiry),
                          Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;
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

void PreviewChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine) {
    const QString inquiry = chosenInquiry(aw);
    if (haveChoice(s, inquiry) && haveDocument(s, documentOf(s, inquiry)))
        PreviewDocument(w, s, engine, documentOf(s, inquiry));
}

void PrintChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry) || !haveDocument(s, documentOf(s, inquiry)))
        return;
    PrintDocumentFile(w, s, engine, documentOf(s, inquiry));
    aw.标签档案状态->setText(w.编辑框25->text());
}

void CheckChosenInquiry(ArchiveWindow& aw, Services& s, Archive& a) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
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
    ShowChosenInquiry(aw, a);
    s.dialogs.message(QStringLiteral("校验结果："), (allMatch ? QStringLiteral("全部文件与指纹一致。\n\n")
                                                              : QStringLiteral("有文件与指纹不符或缺少指纹！\n\n")) +
                                                        report.join(u'\n'));
}

void ExportChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, Archive& a, transcript::WordEngine& engine) {
    const QString inquiry = chosenInquiry(aw);
    if (!haveChoice(s, inquiry))
        return;
    const QString target = s.dialogs.saveFile({QStringLiteral("ZIP 移交包|*.zip"), QStringLiteral("zip"), true},
                                              inquiry + QStringLiteral(".zip"));
    if (target.isEmpty())
        return;
    BundleResult result;
    {
        ExportStatus status(aw, target);
        const PdfMaker pdf = [&engine](const QString& document, const QString& file, QString* error) {
            return transcript::writeDocumentPdf(engine, document, file, error);
        };
        result = exportInquiry(a, templateOf(s, inquiry), target, pdf, [&status](const BundleRequest& request) {
            return background::waitWhileProcessingEvents([&](const std::atomic_bool& programEnding) {
                return writeBundle(request, status.progress, [&] { return status.cancel || programEnding; });
            });
        });
    }
    ShowChosenInquiry(aw, a);
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
    if (!result.missing.isEmpty())
        s.dialogs.message(
            kCaption,
            QStringLiteral("移交包已导出，但下列证据文件已不存在，没有放入：\n%1").arg(result.missing.join(u'\n')));
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
    ShowChosenInquiry(aw, a);
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
    ShowChosenInquiry(aw, a);
}
