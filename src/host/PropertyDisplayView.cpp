// The host's property panel.
#include "PropertyDisplayView.h"

#include <QHeaderView>
#include <QLocale>

#include <algorithm>
#include <functional>

#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjData.h"
#include "hostlibs/ObjDescText.h"
#include "TextHelpers.h"
#include "userobj/Messages.h"

namespace {
// Marks a row that holds a note of the switch's rather than a property.
constexpr int kNoteRole = Qt::UserRole + 1;
}  // namespace

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
    // The names column is fitted by the panel (FitNameColumn), the values
    // stretch over the rest; the operator may still drag the divider.
    header()->setSectionResizeMode(0, QHeaderView::Interactive);
    header()->setStretchLastSection(true);
    header()->setMinimumSectionSize(fontMetrics().averageCharWidth() * 4);
    setIndentation(fontMetrics().averageCharWidth() * 2);
    setRootIsDecorated(true);
    setAlternatingRowColors(true);
    setTextElideMode(Qt::ElideRight);
    // The rows opened or folded are measured again.
    connect(this, &QTreeWidget::itemExpanded, this, [this] { FitNameColumn(); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this] { FitNameColumn(); });
}

namespace {
// A value that is a number (a directory number, an index, a count).
bool IsNumber(const QString& text) {
    const QString t = text.trimmed();
    return !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
}
}  // namespace

int CPropertyDisplayView::MaxNameWidth() const {
    return std::max(viewport()->width() / 2, header()->minimumSectionSize());
}

void CPropertyDisplayView::FitNameColumn() {
    // Widest name and value of the rows shown, with the indentation of their
    // level; a group row (one with rows below it) has no value and spans both
    // columns.
    const QFontMetrics fm(font());
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
    int names = header()->sectionSizeHint(0), values = 0, numbers = 0;
    std::function<void(QTreeWidgetItem*, int)> measure = [&](QTreeWidgetItem* item, int depth) {
        const bool group = item->childCount() > 0;
        item->setFirstColumnSpanned(group);
        if (!group) {
            names = std::max(names, indentation() * depth + fm.horizontalAdvance(item->text(0)) + margin);
            // A note is a sentence: it may be cut (its tip shows it whole)
            // rather than cut the names.
            if (!item->data(0, kNoteRole).toBool()) {
                const int value = fm.horizontalAdvance(item->text(1)) + margin;
                values = std::max(values, value);
                if (IsNumber(item->text(1))) numbers = std::max(numbers, value);
            }
        }
        // Rows folded away take no room until they are opened.
        if (!item->isExpanded()) return;
        for (int c = 0; c < item->childCount(); ++c) measure(item->child(c), depth + 1);
    };
    for (int i = 0; i < topLevelItemCount(); ++i) measure(topLevelItem(i), rootIsDecorated() ? 1 : 0);
    // The names as wide as they need while the values keep what their
    // numbers need (a number cut is a number misread) and at least a third
    // of the panel, or all the values need when that is less; the names may
    // always have half the panel. A text value wider than what is left is
    // cut (its tip shows it whole), not the names.
    const int room = viewport()->width();
    const int keep = std::min(std::max(numbers, std::min(values, room / 3)), room / 2);
    const int cap = std::max(MaxNameWidth(), room - keep);
    header()->resizeSection(0, std::clamp(names, header()->minimumSectionSize(), std::max(cap, 1)));
}

void CPropertyDisplayView::resizeEvent(QResizeEvent* e) {
    CWndT::resizeEvent(e);
    FitNameColumn();
}

namespace {
// The number of records of the list when the row is read: the list behind
// it goes on filling and paging after the selection was shown. A list that
// pages knows the total of its query (its "totalRecords"); the data holds
// only the page.
class CRecordCountItem : public QTreeWidgetItem {
public:
    CRecordCountItem(QTreeWidget* tree, const CDynData* data) : QTreeWidgetItem(tree), m_data(data) {
        setText(0, QStringLiteral("Records"));
    }
    QVariant data(int column, int role) const override {
        if (column == 1 && role == Qt::DisplayRole)
            return QLocale(QLocale::English).toString(Total());
        return QTreeWidgetItem::data(column, role);
    }

private:
    long long Total() const {
        const QObject* list = m_data->GetWnd();
        const QVariant total = list ? list->property("totalRecords") : QVariant();
        if (total.isValid() && total.toLongLong() >= 0) return total.toLongLong();
        return static_cast<long long>(m_data->GetData().size());
    }
    const CDynData* m_data;
};

// The description of the object a detail group is named after (a
// sub-object's group names its own object); null when unknown.
const SComObj* GroupObject(const SComObj* own, const std::string& name) {
    if (own && platform::EqualsNoCase(own->mmlName, name)) return own;
    return HostDatabase().FindByMml(name);
}
}  // namespace

static QTreeWidgetItem* Row(QTreeWidget* tree, QTreeWidgetItem* parent, const std::string& name,
                            const std::string& value) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, QString::fromStdString(name));
    item->setText(1, QString::fromStdString(value));
    // What a narrow panel cuts can be read in the tip.
    item->setToolTip(0, item->text(0));
    item->setToolTip(1, item->text(1));
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
    } else {
        ShowRecord(*sel->data, sel->index);
    }
    FitNameColumn();
    return 1;
}

LRESULT CPropertyDisplayView::OnShowInstance(WPARAM, LPARAM lParam) {
    if (!m_pLastData) return 0;
    const int index = m_pLastData->IndexOf(static_cast<DWORD>(lParam));
    if (index < 0) return 0;
    clear();
    ShowRecord(*m_pLastData, index);
    FitNameColumn();
    return 1;
}

void CPropertyDisplayView::ShowRecord(const CDynData& data, int index) {
    if (index < 0 || index >= static_cast<int>(data.GetData().size())) return;
    const CInstData& rec = data.GetData()[static_cast<size_t>(index)];
    const CDetailData& detail = data.GetDetailData();
    const SComObj* own = data.GetComObj() ? &data.GetComObj()->GetDesc() : nullptr;
    // Names and values as the list shows them: display names, choice texts,
    // secrets masked.
    auto name = [](const SComObj* desc, const std::string& key) {
        return desc ? AttributeDisplayName(*desc, key) : key;
    };
    auto value = [](const SComObj* desc, const std::string& key, const std::string& v) {
        return desc ? ShownValue(*desc, key, v) : v;
    };
    if (detail.IsEmpty() || data.GetDetailInst() != rec.GetInstID()) {
        const auto& header = data.GetDisplayHeader();
        const auto& keys = data.GetHeader();
        for (size_t c = 0; c < header.size(); ++c) {
            const std::string text = rec.GetFieldText(static_cast<int>(c));
            const SAttributeItem* a =
                own && c < keys.size() ? FindAttribute(*own, keys[c]) : nullptr;
            if (a && a->hidden) continue;  // kept with the record, never shown
            Row(this, nullptr, header[c], a && a->secret && !text.empty() ? SecretMask() : text);
        }
        return;
    }
    // What the switch said of its answer, such as that a long table of
    // sub-objects came only in part.
    if (!detail.GetNote().empty()) Row(this, nullptr, "Note", detail.GetNote())->setData(0, kNoteRole, true);
    // The switch's detail: one group per object name.
    std::string group;
    QTreeWidgetItem* parent = nullptr;
    const SComObj* desc = nullptr;
    for (const CDetailData::Entry& e : detail.Entries()) {
        if (e.objName != group || !parent) {
            group = e.objName;
            desc = GroupObject(own, group);
            parent = Row(this, nullptr,
                         desc && !desc->displayName.empty() ? desc->displayName : group, "");
            parent->setExpanded(true);
        }
        if (!e.value->IsMulti()) {
            if (const SAttributeItem* a = desc ? FindAttribute(*desc, e.key) : nullptr; a && a->hidden) continue;
            Row(this, parent, name(desc, e.key),
                value(desc, e.key, static_cast<const CSinglePropValue&>(*e.value).GetValue()));
            continue;
        }
        const auto& multi = static_cast<const CExtMultiPropValue&>(*e.value);
        const auto& columns = multi.GetColumns();
        if (columns.size() == 1 && columns.front() == e.key) {
            // Several values of one property: one line, as the list joins them.
            std::vector<std::string> values;
            for (const auto& cells : multi.GetRows())
                if (!cells.empty()) values.push_back(value(desc, e.key, cells.front()));
            Row(this, parent, name(desc, e.key), platform::Join(values));
            continue;
        }
        QTreeWidgetItem* table = e.key.empty() ? parent : Row(this, parent, name(desc, e.key), "");
        for (size_t r = 0; r < multi.GetRows().size(); ++r) {
            QTreeWidgetItem* row = Row(this, table, "#" + std::to_string(r + 1), "");
            const auto& cells = multi.GetRows()[r];
            for (size_t c = 0; c < cells.size() && c < columns.size(); ++c)
                Row(this, row, name(desc, columns[c]), value(desc, columns[c], cells[c]));
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
