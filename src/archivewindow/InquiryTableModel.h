// The rows of the archive window's table: one inquiry each, in the order of the column the user
// sorts by (newest first to begin with).
#pragma once

#include "archive/Index.h"

#include <QAbstractTableModel>

namespace archive {

class InquiryTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Date, Interviewee, Unit, Place, Inspector, Pairs, Recordings, Captures, State, ColumnCount };
    // Qt::UserRole of any cell: the inquiry's base name.
    static constexpr int NameRole = Qt::UserRole;
    // The unit of the office whose inspectors pushed the inquiry; empty for this desktop's rows.
    static constexpr int OfficeUnitRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // officeUnits: one for each row of the office archive, or none for this desktop's rows.
    void setRows(QList<InquiryRow> rows, QStringList officeUnits = {});
    const QList<InquiryRow>& rows() const { return m_rows; }
    // The row of the inquiry of that name (and office unit), or -1.
    int rowOf(const QString& name, const QString& officeUnit = {}) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    // The fingerprint state as the table shows it: "一致", "缺失", "已改动", or "无法读取".
    static QString stateText(const InquiryRow& row);

private:
    void sortRows();
    QString unitOf(qsizetype row) const;

    QList<InquiryRow> m_rows;
    QStringList m_units; // empty, or one for each row
    int m_sortColumn = Date;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};

} // namespace archive
