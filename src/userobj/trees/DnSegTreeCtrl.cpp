// The number segment tree.
#include "DnSegTreeCtrl.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>

#include <cstdlib>
#include <vector>

#include "RoleGate.h"
#include "TreeFollow.h"
#include "TreePlace.h"
#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

namespace {

long ToLong(const std::string& text) {
    return std::atol(platform::Trim(text).c_str());
}
std::int64_t ToInt64(const std::string& text) {
    return std::atoll(platform::Trim(text).c_str());
}

std::string RangeText(std::int64_t first, std::int64_t last) {
    return std::to_string(first) + "-" + std::to_string(last);
}

void AddItem(QMenu* menu, int id, const std::string& text) {
    menu->addAction(QString::fromStdString(text))->setData(id);
}

// The deepest last descendant of an item (the item itself without children).
QTreeWidgetItem* DeepestLast(QTreeWidgetItem* item) {
    while (item && item->childCount() > 0) item = item->child(item->childCount() - 1);
    return item;
}

}  // namespace

const MsgMap* CDnSegTreeCtrl::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_DATA_INIT, &CDnSegTreeCtrl::OnDataInit),
        ON_MESSAGE(msg::WM_DATA_UPDATED, &CDnSegTreeCtrl::OnDataUpdate),
        ON_MESSAGE(msg::WM_DATA_REMOVED, &CDnSegTreeCtrl::OnDataDel),
        ON_MESSAGE(msg::WM_DATA_ADDED, &CDnSegTreeCtrl::OnDataAdd),
        ON_MESSAGE(msg::WM_DATA_MODIFIED, &CDnSegTreeCtrl::OnDataMod),
        ON_MESSAGE(msg::WM_BUSYLOCK, &CDnSegTreeCtrl::OnBusy),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CDnSegTreeCtrl::CDnSegTreeCtrl(QWidget* parent, int controlId) : CWndT(parent) {
    setObjectName(QStringLiteral("ctl%1").arg(controlId));
    setProperty("controlId", controlId);
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeWidget::itemExpanded, this, &CDnSegTreeCtrl::OnItemExpanded);
}

CDnSegTreeCtrl::~CDnSegTreeCtrl() = default;

// ---- items ----

std::string CDnSegTreeCtrl::GetDnSegItemText(const CInstData& inst) {
    return inst.GetFieldText(0) + ":" + inst.GetFieldText(4) + "-" + inst.GetFieldText(5) + "[" +
           inst.GetFieldText(6) + "]";
}

void CDnSegTreeCtrl::StoreItemData(QTreeWidgetItem* item, const SItemData& data) {
    m_mapItemData[item] = data;
}

QTreeWidgetItem* CDnSegTreeCtrl::AddDnSegItem(const CInstData& inst) {
    auto* item =
        new QTreeWidgetItem(this, QStringList{QString::fromStdString(GetDnSegItemText(inst))});
    item->setIcon(0, m_images.value(0));
    const SItemData seg{inst.GetInstID(), ToLong(inst.GetFieldText(0)),
                        ToInt64(inst.GetFieldText(4)), ToInt64(inst.GetFieldText(5))};
    StoreItemData(item, seg);
    if (seg.nFirst > seg.nLast) return nullptr;
    AddRanges(item, seg.nSegIndex, seg.nFirst, seg.nLast);
    return item;
}

void CDnSegTreeCtrl::AddRanges(QTreeWidgetItem* item, long segIndex, std::int64_t first,
                               std::int64_t last) {
    // Counted unsigned: the distance between any two 64-bit numbers fits.
    const auto numbers = [](std::int64_t from, std::int64_t to) {
        return static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from) + 1;
    };
    const std::uint64_t count = numbers(first, last);
    if (count == 0 || count <= static_cast<std::uint64_t>(kBlockSize)) return;
    // The span of one child: a block, or 1000 times more until the children
    // are few enough for one level.
    std::uint64_t span = kBlockSize;
    while ((count - 1) / span + 1 > static_cast<std::uint64_t>(kMaxBlocks)) span *= 1000;
    for (std::int64_t from = first;;) {
        const bool end = numbers(from, last) <= span;
        const std::int64_t to = end ? last : from + static_cast<std::int64_t>(span) - 1;
        auto* child =
            new QTreeWidgetItem(item, QStringList{QString::fromStdString(RangeText(from, to))});
        child->setIcon(0, m_images.value(1));
        if (numbers(from, to) > static_cast<std::uint64_t>(kBlockSize))
            child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        StoreItemData(child, SItemData{kBlockItem, segIndex, from, to});
        if (end) break;
        from = to + 1;
    }
}

void CDnSegTreeCtrl::OnItemExpanded(QTreeWidgetItem* item) {
    SItemData data;
    if (!item || item->childCount() > 0 || !item->parent() || !LookupItemData(item, data)) return;
    AddRanges(item, data.nSegIndex, data.nFirst, data.nLast);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

bool CDnSegTreeCtrl::IsLeaf(const QTreeWidgetItem* item) const {
    return item && item->childCount() == 0 &&
           item->childIndicatorPolicy() != QTreeWidgetItem::ShowIndicator;
}

void CDnSegTreeCtrl::DisplayAllData() {
    if (!m_obj) {
        W2L_FAIL("m_obj is NULL!");
        return;
    }
    for (const CInstData& inst : m_obj->GetDynData()->GetData()) AddDnSegItem(inst);
}

bool CDnSegTreeCtrl::LookupItemData(const QTreeWidgetItem* item, SItemData& out) const {
    auto it = m_mapItemData.find(item);
    if (!item || it == m_mapItemData.end()) return false;
    out = it->second;
    return true;
}

void CDnSegTreeCtrl::ForgetItem(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i) ForgetItem(item->child(i));
    m_mapItemData.erase(item);
}

QTreeWidgetItem* CDnSegTreeCtrl::SelectedItem() const {
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? nullptr : items.front();
}

QTreeWidgetItem* CDnSegTreeCtrl::GetNextItem(QTreeWidgetItem* item) const {
    if (!item) return nullptr;
    if (item->childCount() > 0) return item->child(0);
    for (QTreeWidgetItem* at = item; at; at = at->parent()) {
        QTreeWidgetItem* parent = at->parent();
        const int index = parent ? parent->indexOfChild(at) : indexOfTopLevelItem(at);
        const int siblings = parent ? parent->childCount() : topLevelItemCount();
        if (index + 1 < siblings)
            return parent ? parent->child(index + 1) : topLevelItem(index + 1);
    }
    return nullptr;
}

QTreeWidgetItem* CDnSegTreeCtrl::GetPrevItem(QTreeWidgetItem* item) const {
    if (!item) return nullptr;
    QTreeWidgetItem* parent = item->parent();
    const int index = parent ? parent->indexOfChild(item) : indexOfTopLevelItem(item);
    if (index > 0) return DeepestLast(parent ? parent->child(index - 1) : topLevelItem(index - 1));
    return parent;
}

QTreeWidgetItem* CDnSegTreeCtrl::FindItemData(DWORD id, bool forward,
                                              QTreeWidgetItem* start) const {
    QTreeWidgetItem* first = topLevelItem(0);
    QTreeWidgetItem* last = DeepestLast(topLevelItem(topLevelItemCount() - 1));
    QTreeWidgetItem* at = start ? start : SelectedItem();
    if (!at) at = forward ? first : last;
    if (!at) return nullptr;
    // Every item once: the walk ends where it began.
    QTreeWidgetItem* const begin = at;
    do {
        auto it = m_mapItemData.find(at);
        if (it != m_mapItemData.end() && it->second.dwInstID == id) return at;
        at = forward ? GetNextItem(at) : GetPrevItem(at);
        if (!at) at = forward ? first : last;
    } while (at != begin);
    return nullptr;
}

// ---- data messages ----

void CDnSegTreeCtrl::Rebuild() {
    // The operator's own refresh starts afresh; a build for a change they
    // did not make shows their place. A segment is named by its index: its
    // text counts the numbers in use.
    CTreePlace place;
    if (CTreeFollower::IsFollowing(*this))
        place = CTreePlace::Take(*this, [this](const QTreeWidgetItem* item) {
            SItemData data;
            if (item->parent() || !LookupItemData(item, data)) return item->text(0);
            return QStringLiteral("segment %1").arg(data.nSegIndex);
        });
    // Entries of the items deleted here go with them: an item's address may
    // be taken again by an item of the new build.
    clear();
    m_mapItemData.clear();
    DisplayAllData();
    place.Restore(*this);
    UpdateMenuState(place.IsEmpty() ? 0 : -1);
    if (QWidget* p = parentWidget()) SendMessage(p, msg::WM_REBUILT, ToWParam(this), 1);
    CTreeFollower::Rebuilt(*this);
}

LRESULT CDnSegTreeCtrl::OnDataInit(WPARAM, LPARAM) {
    Rebuild();
    return 1;
}

LRESULT CDnSegTreeCtrl::OnDataUpdate(WPARAM, LPARAM) {
    Rebuild();
    return 1;
}

LRESULT CDnSegTreeCtrl::OnDataAdd(WPARAM id, LPARAM) {
    if (!m_obj) {
        W2L_FAIL("m_obj is NULL!");
        return 0;
    }
    CInstData inst;
    if (!m_obj->GetDynData()->GetBasData(static_cast<DWORD>(id), inst)) return 0;
    AddDnSegItem(inst);
    // A record made from the add's own values lacks what the switch counts
    // itself (the numbers in use): the segment is read again for it.
    if (platform::Trim(inst.GetFieldText(6)).empty())
        m_obj->GetComObj()->InvokeConfigDetailView(inst.GetInstID(), 1, 0, 1, -1);
    return 1;
}

LRESULT CDnSegTreeCtrl::OnDataMod(WPARAM id, LPARAM) {
    if (!m_obj) return 0;
    CInstData inst;
    if (!m_obj->GetDynData()->GetBasData(static_cast<DWORD>(id), inst)) return 0;
    // Only the segment's text follows: its range, and so its blocks, is its key.
    for (int i = 0; i < topLevelItemCount(); ++i) {
        SItemData data;
        if (LookupItemData(topLevelItem(i), data) && data.dwInstID == inst.GetInstID()) {
            topLevelItem(i)->setText(0, QString::fromStdString(GetDnSegItemText(inst)));
            return 1;
        }
    }
    return 0;
}

LRESULT CDnSegTreeCtrl::OnDataDel(WPARAM id, LPARAM) {
    QTreeWidgetItem* item = FindItemData(static_cast<DWORD>(id), true, nullptr);
    if (!item) return 0;
    ForgetItem(item);
    delete item;  // the tree lets go of an item when it is deleted, children with it
    return 1;
}

LRESULT CDnSegTreeCtrl::OnBusy(WPARAM count, LPARAM) {
    m_nBusy = static_cast<int>(count);
    return 1;
}

// ---- the right-button menu ----

void CDnSegTreeCtrl::InitMenu() {
    if (!m_obj) return;
    m_pMenuPopup = std::make_unique<QMenu>(this);
    m_pMenuViews = std::make_unique<QMenu>(QString::fromStdString(HostString(10051)));
    CComObj* obj = m_obj->GetComObj();
    for (const SJump& j : obj->GetJumps())
        AddItem(m_pMenuViews.get(), 6000 + static_cast<int>(j.id), j.name);

    std::vector<DWORD> codes;
    std::vector<std::string> names;
    obj->EnumAllCmds(codes, names);
    const std::string suffix = HostString(10114);
    QMenu group1, group2, group3, group4, other;
    for (size_t i = codes.size(); i-- > 0;) {
        auto op = obj->GetOpTable().find(codes[i]);
        if (op == obj->GetOpTable().end()) continue;
        const int id = 3000 + static_cast<int>(codes[i]);
        switch (op->second.actType) {
            case 3:
            case 6:
                AddItem(&group1, id, names[i] + suffix);
                break;
            case 4:
            case 7:
                AddItem(&group2, id, names[i]);
                break;
            case 5:
            case 8:
                AddItem(&group3, id, names[i] + suffix);
                break;
            case 2:
                AddItem(&group4, id, names[i]);
                break;
            default:
                AddItem(&other, id, names[i]);
                break;
        }
    }
    QMenu* popup = m_pMenuPopup.get();
    auto copy = [popup](QMenu& from) {
        for (QAction* a : from.actions())
            AddItem(popup, a->data().toInt(), a->text().toStdString());
    };
    copy(other);
    if (!popup->isEmpty() && !(group1.isEmpty() && group2.isEmpty())) popup->addSeparator();
    copy(group1);
    copy(group2);
    if (!popup->isEmpty() && !group3.isEmpty()) popup->addSeparator();
    copy(group3);
    if (!popup->isEmpty() && !group4.isEmpty()) popup->addSeparator();
    copy(group4);
    if (!popup->isEmpty() && !m_pMenuViews->isEmpty()) {
        popup->addSeparator();
        popup->addMenu(m_pMenuViews.get());
    }
    AddItem(popup, ID_REFRESH, HostString(10050) + "                       F5");
    connect(popup, &QMenu::triggered, this, [this](QAction* a) {
        if (a->data().isValid()) OnCommand(a->data().toInt());
    });
}

void CDnSegTreeCtrl::UpdateMenuState(int selection) {
    if (!m_obj || !m_pMenuPopup) return;
    QTreeWidgetItem* sel = SelectedItem();
    const int state = selection >= 0 ? selection : (sel ? 1 : 0);
    const bool segment = sel && !sel->parent();
    const bool onText =
        sel && visualItemRect(sel).contains(viewport()->mapFromGlobal(QCursor::pos()));
    const auto& ops = m_obj->GetComObj()->GetOpTable();
    for (QAction* a : m_pMenuPopup->actions()) {
        if (a->isSeparator()) continue;
        if (a->menu()) {
            a->setEnabled(state == 1 && segment);
            continue;
        }
        const int id = a->data().toInt();
        auto op = id >= 3000 && id < 3150 ? ops.find(static_cast<DWORD>(id - 3000)) : ops.end();
        if (op == ops.end()) {
            a->setEnabled(true);  // the refresh
            continue;
        }
        switch (op->second.actType) {
            case 2:
            case 5:
            case 7:
            case 8:
                a->setEnabled(state == 1);
                break;
            case 4:
                a->setEnabled(state == 1 && segment && onText);
                break;
            default:
                a->setEnabled(true);
                break;
        }
        // What the operator's role may not run stays grey.
        if (a->isEnabled() && !RoleAllowsOp(this, *m_obj->GetComObj(), op->first)) a->setEnabled(false);
    }
}

BOOL CDnSegTreeCtrl::OnCommand(int id) {
    if (m_nBusy > 0) return TRUE;  // swallowed while commands are out
    if (!m_obj) return FALSE;
    std::vector<DWORD> ids;
    SItemData data;
    if (LookupItemData(SelectedItem(), data)) ids.push_back(data.dwInstID);
    CComObj* obj = m_obj->GetComObj();
    if (id >= 3000 && id <= 3149 && !RoleAllowsOp(this, *obj, static_cast<DWORD>(id - 3000))) return TRUE;
    if (id >= 3000 && id <= 3149) return obj->InvokeOperation(static_cast<DWORD>(id - 3000), ids);
    if (id == ID_REFRESH) return m_obj->InvokeUpdate();
    if (id >= 6000 && id <= 7000) {
        if (ids.empty()) return FALSE;
        return obj->InvokeJump(static_cast<DWORD>(id - 6000), ids.front());
    }
    return FALSE;
}

// ---- input ----

void CDnSegTreeCtrl::OnDblClk() {
    if (m_nBusy > 0 || !m_obj) return;
    SItemData data;
    if (!LookupItemData(SelectedItem(), data) || data.dwInstID == 0) return;
    if (data.dwInstID != kBlockItem)
        m_obj->GetComObj()->InvokeConfigDetailView(data.dwInstID, 1, 1, 1, -1);
    UpdateMenuState(-1);
}

void CDnSegTreeCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    QTreeWidget::mouseDoubleClickEvent(e);
    OnDblClk();
}

void CDnSegTreeCtrl::mousePressEvent(QMouseEvent* e) {
    QTreeWidget::mousePressEvent(e);
    if (e->button() != Qt::RightButton) return;
    if (QTreeWidgetItem* item = itemAt(e->position().toPoint())) setCurrentItem(item);
}

void CDnSegTreeCtrl::contextMenuEvent(QContextMenuEvent* e) {
    UpdateMenuState(-1);
    if (m_obj && m_pMenuPopup) m_pMenuPopup->popup(e->globalPos());
}

bool CDnSegTreeCtrl::event(QEvent* e) {
    // The tree wants every key: F5 is its own refresh, not the window's.
    if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F5) {
        e->accept();
        return true;
    }
    return CWndT::event(e);
}

void CDnSegTreeCtrl::keyPressEvent(QKeyEvent* e) {
    if (m_nBusy <= 0 && e->key() == Qt::Key_F5) {
        if (m_obj) {
            m_obj->InvokeUpdate();
            return;
        }
        W2L_FAIL("m_obj is NULL!");
    }
    QTreeWidget::keyPressEvent(e);
}
