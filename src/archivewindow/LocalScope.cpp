// This desktop's inquiries, as the index lists them and BL/ holds their files.
#include "archivewindow/LocalScope.h"

#include "archive/Archive.h"
#include "archive/Locations.h"
#include "archivewindow/ArchiveTables.h"
#include "archivewindow/InquiryTableModel.h"

#include "transcript/SheetPage.h"

#include "platform/ByteCount.h"
#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "ui/ArchiveWindow.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>

#include <algorithm>

namespace archive {

namespace {

const QString kCaption = QStringLiteral("提 示：");

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

} // namespace

void LocalScope::list(ArchiveWindow& aw, InquiryTableModel& rows) {
    const QString chosen = chosenInquiry(aw);
    SearchRequest request{aw.编辑框搜索->text(), {}, {}};
    if (aw.复选框日期->isChecked()) {
        request.from = aw.日期框起->date();
        request.to = aw.日期框止->date();
    }
    rows.setRows(m_archive.search(request));
    const int row = rows.rowOf(chosen);
    if (row >= 0)
        aw.表格笔录->setCurrentIndex(rows.index(row, 0));
    else
        showChosen(aw);
    aw.标签档案状态->setText(m_archive.isRebuilding()
                                 ? QStringLiteral("找到 %1 份笔录（索引正在重建，结果还不完整）").arg(rows.rowCount())
                                 : QStringLiteral("找到 %1 份笔录").arg(rows.rowCount()));
}

void LocalScope::showChosen(ArchiveWindow& aw) {
    const QString inquiry = chosenInquiry(aw);
    aw.setInquiryCommandsEnabled(!inquiry.isEmpty() && aw.按钮取消导出->isHidden());
    const QList<FileRow> files = inquiry.isEmpty() ? QList<FileRow>() : m_archive.files(inquiry);
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
    const QList<QByteArray> lines = inquiry.isEmpty() ? QList<QByteArray>() : m_archive.custodyLines(inquiry);
    showCustodyLines(aw.表格保管记录, lines);
    QSet<QString> linked;
    for (const FileRow& f : files)
        if (f.how != LinkHow::Unlinked && (f.kind == FileKind::Recording || f.kind == FileKind::Capture))
            linked.insert(f.name);
    showMarks(aw.表格时间标记, marksIn(lines, linked));
    aw.表格文件->resizeColumnsToContents();
    if (const std::optional<InquiryRow> row = inquiry.isEmpty() ? std::nullopt : m_archive.inquiry(inquiry);
        row && !row->problem.isEmpty())
        aw.标签档案状态->setText(QStringLiteral("笔录模板 %1.ini 无法读取：%2").arg(inquiry, row->problem));
}

void LocalScope::withFile(ArchiveWindow&, Services& s, const QString& inquiry, FileKind kind,
                          std::function<void(const QString& path)> then) {
    if (kind == FileKind::Template) {
        const QString path = templateOf(s, inquiry);
        if (!QFileInfo::exists(path)) {
            s.dialogs.message(kCaption, QStringLiteral("笔录模板 <%1> 已不存在。").arg(path));
            return;
        }
        if (const std::optional<InquiryRow> row = m_archive.inquiry(inquiry); row && !row->problem.isEmpty()) {
            s.dialogs.message(kCaption, QStringLiteral("笔录模板 <%1> 无法读取：%2").arg(path, row->problem));
            return;
        }
        then(path);
        return;
    }
    const QString document = documentOf(s, inquiry);
    if (!QFileInfo::exists(document)) {
        s.dialogs.message(kCaption, QStringLiteral("这份笔录没有WORD文档：<%1>").arg(document));
        return;
    }
    then(document);
}

void LocalScope::withEvidence(ArchiveWindow&, Services& s, const QString& inquiry, const QString& name,
                              std::function<void(const QString& path, FileKind kind)> then) {
    const QList<FileRow> files = m_archive.files(inquiry);
    const auto file = std::find_if(files.begin(), files.end(), [&](const FileRow& f) {
        return f.name == name && f.how != LinkHow::Unlinked &&
               (f.kind == FileKind::Recording || f.kind == FileKind::Capture);
    });
    const QString path = fullPath(m_archive.programDir(), name);
    if (file == files.end()) {
        s.dialogs.message(kCaption, QStringLiteral("录音录像 <%1> 已不再关联这份笔录。").arg(path));
        return;
    }
    if (!QFileInfo::exists(path)) {
        s.dialogs.message(kCaption, QStringLiteral("录音录像 <%1> 已不存在。").arg(path));
        return;
    }
    then(path, file->kind);
}

QString LocalScope::openedText(const QString& inquiry) const {
    return QStringLiteral("已打开：%1").arg(inquiry);
}

void LocalScope::check(ArchiveWindow& aw, Services& s, const QString& inquiry) {
    QList<CustodyFile> checked;
    QStringList report;
    bool allMatch = true;
    for (const FileRow& file : m_archive.files(inquiry)) {
        if (file.how == LinkHow::Unlinked)
            continue;
        const QString path = fullPath(m_archive.programDir(), file.name);
        const FileState state = fileStateOf(path);
        allMatch = allMatch && state == FileState::Ok;
        CustodyFile entry = custodyFile(m_archive.programDir(), path);
        entry.check = stateText(state);
        checked << entry;
        report << QStringLiteral("%1：%2").arg(file.name, entry.check);
    }
    m_archive.log(custody::kFingerprintChecked, inquiry, checked);
    m_archive.recheck(inquiry);
    showChosen(aw);
    s.dialogs.message(QStringLiteral("校验结果："), (allMatch ? QStringLiteral("全部文件与指纹一致。\n\n")
                                                              : QStringLiteral("有文件与指纹不符或缺少指纹！\n\n")) +
                                                        report.join(u'\n'));
}

void LocalScope::gatherBundle(ArchiveWindow&, Services& s, const QString& inquiry, const QString& target,
                              std::function<void(const QString& missingWhy, const BundleGather& gather)> then) {
    then(QStringLiteral("已不存在"), [&](const PdfMaker& pdf, const BundleWriter& write) {
        return exportInquiry(m_archive, templateOf(s, inquiry), target, pdf, write, sheet::printSheet);
    });
}

} // namespace archive
