// Where the operator stands in a tree, as the tests compare it: the items
// opened, the item selected and current, the item at the top of the view,
// each by its texts from the top.
#pragma once

#include <QTreeWidget>

#include <ostream>
#include <string>
#include <vector>

namespace op {

struct STreePlace {
    std::vector<std::string> opened;
    std::string selected, current, top;
    bool operator==(const STreePlace&) const = default;
};

inline std::string PathOf(const QTreeWidgetItem* item) {
    if (!item) return {};
    const std::string own = item->text(0).toStdString();
    return item->parent() ? PathOf(item->parent()) + "/" + own : own;
}

inline void AddOpened(const QTreeWidgetItem* item, std::vector<std::string>& opened) {
    if (item->childCount() > 0 && item->isExpanded()) opened.push_back(PathOf(item));
    for (int i = 0; i < item->childCount(); ++i) AddOpened(item->child(i), opened);
}

inline STreePlace PlaceIn(const QTreeWidget* tree) {
    STreePlace place;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) AddOpened(tree->topLevelItem(i), place.opened);
    const QList<QTreeWidgetItem*> selected = tree->selectedItems();
    place.selected = selected.isEmpty() ? std::string() : PathOf(selected.front());
    place.current = PathOf(tree->currentItem());
    place.top = PathOf(tree->itemAt(QPoint(4, 2)));
    return place;
}

inline std::ostream& operator<<(std::ostream& os, const STreePlace& p) {
    os << "opened:";
    for (const std::string& o : p.opened) os << " " << o;
    return os << "; selected " << p.selected << "; current " << p.current << "; top " << p.top;
}

}  // namespace op
