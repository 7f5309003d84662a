// Words as the window shows them; a custody line that is no complete entry leaves its row empty.
#include "archivewindow/ArchiveTables.h"

#include "archive/CustodyLog.h"
#include "archivewindow/InquiryTableModel.h"

#include "ui/ArchiveWindow.h"

#include <QTableView>
#include <QTableWidget>

namespace archive {

QString chosenInquiry(const ArchiveWindow& aw) {
    return aw.表格笔录->currentIndex().data(InquiryTableModel::NameRole).toString();
}

QString kindText(FileKind kind) {
    static const char* const kTexts[] = {"模板", "WORD文档", "PDF", "录音", "录像"};
    return QString::fromUtf8(kTexts[int(kind)]);
}

QString stateText(FileState state) {
    static const char* const kTexts[] = {"一致", "与指纹不符", "没有指纹", "无法读取", "文件不存在"};
    return QString::fromUtf8(kTexts[int(state)]);
}

void setRow(QTableWidget* table, int row, const QStringList& cells) {
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
}

void showCustodyLines(QTableWidget* table, const QList<QByteArray>& lines) {
    table->setRowCount(int(lines.size()));
    for (int i = 0; i < lines.size(); ++i) {
        const std::optional<CustodyEntry> entry = CustodyEntry::parse(lines[i]);
        if (!entry)
            continue;
        QStringList names;
        for (const CustodyFile& file : entry->files)
            names << (file.check.isEmpty() ? file.name : file.name + QStringLiteral("（%1）").arg(file.check));
        for (const auto& [key, value] : entry->details)
            names << custody::detailText(key) + QStringLiteral("：") + value;
        setRow(table, i,
               {entry->time, custody::eventText(entry->event), entry->user + u'@' + entry->host,
                names.join(QStringLiteral("、"))});
    }
    table->resizeColumnsToContents();
}

void showMarks(QTableWidget* table, const QList<RecordingMark>& marks) {
    table->setRowCount(int(marks.size()));
    for (int i = 0; i < marks.size(); ++i)
        setRow(table, i, {marks[i].line, marks[i].file, timemarks::offsetText(marks[i].seconds)});
    table->resizeColumnsToContents();
}

} // namespace archive
