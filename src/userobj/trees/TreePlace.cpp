// Where the operator stands in a tree, kept across a build anew.
#include "TreePlace.h"

#include <QScrollBar>
#include <QTreeWidget>

#include <algorithm>
#include <map>
#include <utility>

namespace {

template <class Visit>
void EachItem(QTreeWidgetItem* item, const Visit& visit) {
    visit(item);
    // Children counted after the visit: opening an item may fill it.
    for (int i = 0; i < item->childCount(); ++i) EachItem(item->child(i), visit);
}

template <class Visit>
void EachItem(const QTreeWidget& tree, const Visit& visit) {
    for (int i = 0; i < tree.topLevelItemCount(); ++i) EachItem(tree.topLevelItem(i), visit);
}

}  // namespace

QStringList CTreePlace::PathOf(const QTreeWidgetItem* item) const {
    QStringList path;
    for (; item; item = item->parent()) path.prepend(m_name ? m_name(item) : item->text(0));
    return path;
}

CTreePlace CTreePlace::Take(const QTreeWidget& tree, const Name& name) {
    CTreePlace place;
    place.m_name = name;
    if (tree.topLevelItemCount() == 0) return place;
    EachItem(tree, [&](QTreeWidgetItem* item) {
        if (item->childCount() == 0) return;
        (item->isExpanded() ? place.m_opened : place.m_closed).insert(place.PathOf(item));
    });
    for (QTreeWidgetItem* item : tree.selectedItems()) place.m_selected.push_back(place.PathOf(item));
    place.m_current = place.PathOf(tree.currentItem());
    place.m_top = place.PathOf(tree.itemAt(QPoint(1, 1)));
    place.m_topValue = tree.verticalScrollBar()->value();
    place.m_left = tree.horizontalScrollBar()->value();
    return place;
}

void CTreePlace::Restore(QTreeWidget& tree) const {
    if (IsEmpty()) return;
    QTreeWidgetItem *current = nullptr, *top = nullptr;
    QList<QTreeWidgetItem*> selected;
    // Items by their top item's and their own name: one that moved
    // elsewhere under the same top (a record changed its group) is still
    // found when no item has its old path.
    std::map<std::pair<QString, QString>, std::vector<QTreeWidgetItem*>> byName;
    EachItem(tree, [&](QTreeWidgetItem* item) {
        const QStringList path = PathOf(item);
        if (m_opened.count(path))
            item->setExpanded(true);
        else if (m_closed.count(path))
            item->setExpanded(false);
        if (path == m_current) current = item;
        if (path == m_top) top = item;
        if (std::find(m_selected.begin(), m_selected.end(), path) != m_selected.end()) selected.push_back(item);
        byName[{path.front(), path.back()}].push_back(item);
    });
    const auto moved = [&byName](const QStringList& path) -> QTreeWidgetItem* {
        if (path.isEmpty()) return nullptr;
        auto it = byName.find({path.front(), path.back()});
        return it != byName.end() && it->second.size() == 1 ? it->second.front() : nullptr;
    };
    if (!current) current = moved(m_current);
    if (!top) top = moved(m_top);
    if (selected.isEmpty())
        for (const QStringList& path : m_selected)
            if (QTreeWidgetItem* item = moved(path)) selected.push_back(item);
    if (current) tree.setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    tree.clearSelection();
    for (QTreeWidgetItem* item : selected) item->setSelected(true);
    // The view laid out for the items as they are now, then put back.
    tree.doItemsLayout();
    if (top)
        tree.scrollToItem(top, QAbstractItemView::PositionAtTop);
    else
        tree.verticalScrollBar()->setValue(m_topValue);
    tree.horizontalScrollBar()->setValue(m_left);
}
