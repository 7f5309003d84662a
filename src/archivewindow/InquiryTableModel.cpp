// Cells, headings and sorting of the inquiry table.
#include "archivewindow/InquiryTableModel.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace archive {

namespace {

// Numbers sort as numbers, texts as texts; equal cells keep the newest inquiry first.
QVariant sortKey(const InquiryRow& row, int column) {
    switch (column) {
    case InquiryTableModel::Date:
        return row.date + u' ' + row.starts;
    case InquiryTableModel::Interviewee:
        return row.interviewee;
    case InquiryTableModel::Unit:
        return row.unit;
    case InquiryTableModel::Place:
        return row.place;
    case InquiryTableModel::Inspector:
        return row.inspector;
    case InquiryTableModel::Pairs:
        return row.pairs;
    case InquiryTableModel::Recordings:
        return row.recordings;
    case InquiryTableModel::Captures:
        return row.captures;
    case InquiryTableModel::State:
        return row.problem.isEmpty() ? int(row.state) : 3;
    default:
        return {};
    }
}

} // namespace

void InquiryTableModel::setRows(QList<InquiryRow> rows, QStringList officeUnits) {
    beginResetModel();
    m_rows = std::move(rows);
    m_units = std::move(officeUnits);
    if (m_units.size() != m_rows.size())
        m_units.clear();
    sortRows();
    endResetModel();
}

int InquiryTableModel::rowOf(const QString& name, const QString& officeUnit) const {
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].name == name && unitOf(i) == officeUnit)
            return int(i);
    return -1;
}

QString InquiryTableModel::unitOf(qsizetype row) const {
    return m_units.isEmpty() ? QString() : m_units[row];
}

int InquiryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int InquiryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString InquiryTableModel::stateText(const InquiryRow& row) {
    if (!row.problem.isEmpty())
        return QStringLiteral("无法读取");
    switch (row.state) {
    case InquiryState::AllMatch:
        return QStringLiteral("一致");
    case InquiryState::Missing:
        return QStringLiteral("缺失");
    case InquiryState::Changed:
        break;
    }
    return QStringLiteral("已改动");
}

QVariant InquiryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const InquiryRow& row = m_rows[index.row()];
    switch (role) {
    case NameRole:
        return row.name;
    case OfficeUnitRole:
        return unitOf(index.row());
    case Qt::ToolTipRole:
        return row.problem.isEmpty() ? row.name : row.name + QStringLiteral(".ini：") + row.problem;
    case Qt::TextAlignmentRole:
        return index.column() >= Pairs && index.column() <= Captures ? QVariant(Qt::AlignCenter) : QVariant();
    case Qt::DisplayRole:
        break;
    default:
        return {};
    }
    switch (index.column()) {
    case Date:
        return row.date.isEmpty() ? row.name : row.date;
    case State:
        return stateText(row);
    default:
        return sortKey(row, index.column());
    }
}

QVariant InquiryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeadings[] = {"日期", "被询问人", "工作单位", "地点", "询问人",
                                            "问答", "录音",     "录像",     "指纹"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromUtf8(kHeadings[section]);
}

void InquiryTableModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The chosen inquiry stays chosen wherever it lands.
    const QModelIndexList before = persistentIndexList();
    QList<QPair<QString, QString>> keys;
    for (const QModelIndex& index : before)
        keys.append({m_rows[index.row()].name, unitOf(index.row())});
    sortRows();
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(rowOf(keys[i].first, keys[i].second), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void InquiryTableModel::sortRows() {
    const int column = m_sortColumn;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    // The rows are put in order through their positions, so that each keeps its office unit.
    std::vector<qsizetype> order(size_t(m_rows.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this, column, descending](qsizetype i, qsizetype j) {
        const InquiryRow& a = m_rows[i];
        const InquiryRow& b = m_rows[j];
        const QPartialOrdering order = QVariant::compare(sortKey(a, column), sortKey(b, column));
        if (order == QPartialOrdering::Equivalent)
            return a.date + a.starts > b.date + b.starts;
        return descending ? order == QPartialOrdering::Greater : order == QPartialOrdering::Less;
    });
    QList<InquiryRow> rows;
    QStringList units;
    for (const qsizetype i : order) {
        rows << std::move(m_rows[i]);
        if (!m_units.isEmpty())
            units << m_units[i];
    }
    m_rows = std::move(rows);
    m_units = std::move(units);
}

} // namespace archive
