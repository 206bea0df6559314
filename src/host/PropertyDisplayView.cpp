// The host's property panel.
#include "PropertyDisplayView.h"

#include <QHeaderView>

#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

const MsgMap* CPropertyDisplayView::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_SHOWDETAIL, &CPropertyDisplayView::OnShowDetail),
        ON_MESSAGE(msg::WM_SHOWINSTANCE, &CPropertyDisplayView::OnShowInstance),
        ON_MESSAGE(msg::WM_INSTANCE_MODIFIED, &CPropertyDisplayView::OnShowInstance),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CPropertyDisplayView::CPropertyDisplayView(QWidget* parent) : CWndT(parent) {
    setObjectName(QStringLiteral("propertyView"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setRootIsDecorated(true);
    setAlternatingRowColors(true);
}

namespace {
// The number of records the data holds when the row is read: the list
// behind it goes on filling and paging after the selection was shown.
class CRecordCountItem : public QTreeWidgetItem {
public:
    CRecordCountItem(QTreeWidget* tree, const CDynData* data) : QTreeWidgetItem(tree), m_data(data) {
        setText(0, QStringLiteral("Records"));
    }
    QVariant data(int column, int role) const override {
        if (column == 1 && role == Qt::DisplayRole) return QString::number(m_data->GetData().size());
        return QTreeWidgetItem::data(column, role);
    }

private:
    const CDynData* m_data;
};
}  // namespace

static QTreeWidgetItem* Row(QTreeWidget* tree, QTreeWidgetItem* parent, const std::string& name,
                            const std::string& value) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, QString::fromStdString(name));
    item->setText(1, QString::fromStdString(value));
    return item;
}

LRESULT CPropertyDisplayView::OnShowDetail(WPARAM, LPARAM lParam) {
    const auto* sel = FromLParam<SDetailSelection>(lParam);
    clear();
    if (!sel || !sel->data) return 0;
    m_pLastData = sel->data;
    if (sel->obj) Row(this, nullptr, "Object", sel->obj->GetDesc().displayName);
    if (sel->index < 0) {
        new CRecordCountItem(this, sel->data);
        return 1;
    }
    ShowRecord(*sel->data, sel->index);
    return 1;
}

LRESULT CPropertyDisplayView::OnShowInstance(WPARAM, LPARAM lParam) {
    if (!m_pLastData) return 0;
    const int index = m_pLastData->IndexOf(static_cast<DWORD>(lParam));
    if (index < 0) return 0;
    clear();
    ShowRecord(*m_pLastData, index);
    return 1;
}

void CPropertyDisplayView::ShowRecord(const CDynData& data, int index) {
    if (index < 0 || index >= static_cast<int>(data.GetData().size())) return;
    const CInstData& rec = data.GetData()[static_cast<size_t>(index)];
    const CDetailData& detail = data.GetDetailData();
    if (detail.IsEmpty() || data.GetDetailInst() != rec.GetInstID()) {
        const auto& header = data.GetDisplayHeader();
        for (size_t c = 0; c < header.size(); ++c) Row(this, nullptr, header[c], rec.GetFieldText(static_cast<int>(c)));
        return;
    }
    // The switch's detail: one group per object name.
    std::string group;
    QTreeWidgetItem* parent = nullptr;
    for (const CDetailData::Entry& e : detail.Entries()) {
        if (e.objName != group || !parent) {
            group = e.objName;
            parent = Row(this, nullptr, group, "");
            parent->setExpanded(true);
        }
        if (!e.value->IsMulti()) {
            Row(this, parent, e.key, static_cast<const CSinglePropValue&>(*e.value).GetValue());
            continue;
        }
        const auto& multi = static_cast<const CExtMultiPropValue&>(*e.value);
        QTreeWidgetItem* table = e.key.empty() ? parent : Row(this, parent, e.key, "");
        for (size_t r = 0; r < multi.GetRows().size(); ++r) {
            QTreeWidgetItem* row = Row(this, table, "#" + std::to_string(r + 1), "");
            const auto& cells = multi.GetRows()[r];
            for (size_t c = 0; c < cells.size() && c < multi.GetColumns().size(); ++c)
                Row(this, row, multi.GetColumns()[c], cells[c]);
        }
    }
}

std::vector<std::pair<std::string, std::string>> CPropertyDisplayView::Rows() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* it = topLevelItem(i);
        out.emplace_back(it->text(0).toStdString(), it->text(1).toStdString());
        for (int c = 0; c < it->childCount(); ++c)
            out.emplace_back(it->child(c)->text(0).toStdString(), it->child(c)->text(1).toStdString());
    }
    return out;
}
