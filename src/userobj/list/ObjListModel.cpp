// The rows of an object list.
#include "ObjListModel.h"

#include "TextHelpers.h"

int CObjListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int CObjListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
}

QVariant CObjListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QString::fromStdString(CellText(index.row(), index.column()));
}

QVariant CObjListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || section < 0 || section >= static_cast<int>(m_titles.size())) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(m_titles[static_cast<size_t>(section)]);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void CObjListModel::SetColumns(std::vector<std::string> titles, std::vector<int> fields,
                               std::vector<int> widths) {
    beginResetModel();
    m_titles = std::move(titles);
    m_fields = std::move(fields);
    m_widths = std::move(widths);
    endResetModel();
}

int CObjListModel::Width(int column) const {
    return column >= 0 && column < static_cast<int>(m_widths.size()) ? m_widths[static_cast<size_t>(column)] : 0;
}

int CObjListModel::Field(int column) const {
    return column >= 0 && column < static_cast<int>(m_fields.size())
               ? m_fields[static_cast<size_t>(column)]
               : -1;
}

void CObjListModel::RemoveAllColumns() { SetColumns({}, {}, {}); }

void CObjListModel::SetRows(int rows, int offset, std::vector<DWORD> ids) {
    beginResetModel();
    m_rows = rows;
    m_offset = offset;
    m_ids = std::move(ids);
    endResetModel();
}

void CObjListModel::AppendRow(DWORD id) {
    // An appended row is a record of its own: the page grows at its end.
    beginInsertRows({}, m_rows, m_rows);
    if (m_ids.empty()) m_offset = m_rows;
    m_ids.resize(static_cast<size_t>(m_rows + 1 - m_offset), 0);
    m_ids.back() = id;
    ++m_rows;
    endInsertRows();
}

bool CObjListModel::InsertRow(int row, DWORD id) {
    const int i = row - m_offset;
    if (i < 0 || i > static_cast<int>(m_ids.size()) || row > m_rows) return false;
    beginInsertRows({}, row, row);
    m_ids.insert(m_ids.begin() + i, id);
    ++m_rows;
    endInsertRows();
    return true;
}

void CObjListModel::SetItemData(int row, DWORD id) {
    const int i = row - m_offset;
    if (i < 0 || i >= static_cast<int>(m_ids.size())) return;
    m_ids[static_cast<size_t>(i)] = id;
    RowChanged(row);
}

bool CObjListModel::RemoveRow(int row) {
    if (row < 0 || row >= m_rows) return false;
    beginRemoveRows({}, row, row);
    const int i = row - m_offset;
    if (i >= 0 && i < static_cast<int>(m_ids.size()))
        m_ids.erase(m_ids.begin() + i);
    else if (i < 0)
        --m_offset;
    --m_rows;
    endRemoveRows();
    return true;
}

void CObjListModel::RowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

DWORD CObjListModel::ItemData(int row) const {
    const int i = row - m_offset;
    return i >= 0 && i < static_cast<int>(m_ids.size()) ? m_ids[static_cast<size_t>(i)] : 0;
}

int CObjListModel::FindRow(DWORD id) const {
    for (size_t i = 0; i < m_ids.size(); ++i)
        if (m_ids[i] == id) return m_offset + static_cast<int>(i);
    return -1;
}

std::string CObjListModel::CellText(int row, int column) const {
    const DWORD id = ItemData(row);
    if (!id || !m_data || column < 0 || column >= static_cast<int>(m_fields.size())) return {};
    const CInstData* rec = m_data->FindInst(id);
    return rec ? platform::Join(rec->GetField(m_fields[static_cast<size_t>(column)])) : std::string();
}
