// Where the operator stands in a tree: the items they opened and closed,
// the items selected, the current item and the item at the top of the
// view, each by its path of item names from the top. A tree read anew for
// a change the operator did not make (another operator's change, a new
// session after the switch came back; CTreeFollower) shows them the same
// place where those items still are. Their own refresh (F5, the context
// menu) and the first load start afresh, with nothing selected.
#pragma once

#include <QStringList>

#include <functional>
#include <set>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

class CTreePlace {
public:
    // An item's name among its siblings; its text when none is given.
    using Name = std::function<QString(const QTreeWidgetItem*)>;

    // The place in the tree as it is now; nothing when the tree is empty.
    static CTreePlace Take(const QTreeWidget& tree, const Name& name = {});
    // Opens, closes, selects and scrolls the tree's items back to the place
    // (items opened first, so that a tree filling an item when it is opened
    // has the children to select).
    void Restore(QTreeWidget& tree) const;
    bool IsEmpty() const { return m_opened.empty() && m_closed.empty() && m_current.isEmpty() && m_top.isEmpty(); }
    // The path of the current item, empty without one.
    const QStringList& Current() const { return m_current; }

private:
    QStringList PathOf(const QTreeWidgetItem* item) const;

    Name m_name;
    std::set<QStringList> m_opened, m_closed;
    std::vector<QStringList> m_selected;
    QStringList m_current, m_top;
    int m_left = 0, m_topValue = 0;
};
