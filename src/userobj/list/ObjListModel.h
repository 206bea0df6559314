// The rows of an object list. A row holds nothing: the model maps rows to
// the records of the loaded page (an offset and the page's instance ids)
// and produces cell texts when the view paints them. Placeholder rows of a
// paged result are only a count.
#pragma once

#include <QAbstractTableModel>

#include <string>
#include <vector>

#include "hostlibs/ObjData.h"

class CObjListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    void SetData(const CDynData* data) { m_data = data; }
    // Columns: titles and, for each, the record field it shows.
    void SetColumns(std::vector<std::string> titles, std::vector<int> fields, std::vector<int> widths);
    const std::vector<std::string>& Titles() const { return m_titles; }
    int Width(int column) const;
    // The record field a column shows; -1 for none.
    int Field(int column) const;
    void RemoveAllColumns();

    // Rows: total rows, and the records placed from row offset on.
    void SetRows(int rows, int offset, std::vector<DWORD> ids);
    void RemoveAllRows() { SetRows(0, 0, {}); }
    void AppendRow(DWORD id);
    // A record inserted at a row of the loaded page (or right after it).
    bool InsertRow(int row, DWORD id);
    // The rows that hold the loaded page: [first, first + count).
    int PageFirstRow() const { return m_offset; }
    int PageRowCount() const { return static_cast<int>(m_ids.size()); }
    void SetItemData(int row, DWORD id);
    bool RemoveRow(int row);
    void RowChanged(int row);

    // The instance identifier of a row (its item data); 0 for a placeholder.
    DWORD ItemData(int row) const;
    int FindRow(DWORD id) const;
    std::string CellText(int row, int column) const;

private:
    const CDynData* m_data = nullptr;
    std::vector<std::string> m_titles;
    std::vector<int> m_fields;
    std::vector<int> m_widths;
    int m_rows = 0;
    int m_offset = 0;
    std::vector<DWORD> m_ids;  // records of rows m_offset .. m_offset + size - 1
};
