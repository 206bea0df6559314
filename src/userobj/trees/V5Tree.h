// CV5TreeBase: what the V5 interface tree and the L3 port tree share. Each is
// bound to one data set (m_obj) and rebuilds itself from it; item data holds a
// kind code in the high 16 bits and a number in the low 16 bits. While
// commands are outstanding (WM_USER+1416) F5 and double clicks do nothing. A
// right click selects the item under the cursor and offers the refresh
// command, which goes to the parent dialog as a menu command.
#pragma once

#include <QMenu>
#include <QTreeWidget>

#include <memory>

#include "MsgTarget.h"
#include "TreePlace.h"

class CObjDescData;

namespace msg {
// The menu command of a tree's context menu, to the tree's dialog, sent.
// w: the command number, l: 0.
inline constexpr UINT WM_COMMAND = 0x0111;
}  // namespace msg

class CV5TreeBase : public CWndT<QTreeWidget> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static DWORD MakeItemData(WORD kind, WORD number) {
        return (static_cast<DWORD>(kind) << 16) | number;
    }
    static WORD ItemKind(const QTreeWidgetItem* item);
    static WORD ItemNumber(const QTreeWidgetItem* item);
    // The item under a point of the viewport: on its icon or label only.
    QTreeWidgetItem* HitTest(QPoint viewportPos) const;

    LRESULT OnBusyLock(WPARAM count, LPARAM);
    // WM_USER+1400: rebuilds the tree from its data; 0 when it cannot.
    virtual LRESULT OnDataInit(WPARAM, LPARAM) = 0;
    QMenu* ContextMenu() const { return m_pMenu.get(); }
    // No items until the next delivery. keepPlace: that delivery answers a
    // change the operator did not make and shows their place as it is now.
    void EmptyUntilDelivery(bool keepPlace);

    CObjDescData* m_obj = nullptr;

protected:
    CV5TreeBase(QWidget* parent, int controlId, int refreshCommand);
    // The class's busy count: the last outstanding-command count received.
    virtual int& BusyCount() const = 0;
    // Inserted as the last child (top level without a parent), expanded.
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const QString& text, DWORD data,
                             bool hasChildren);
    void NotifyParent(UINT message, WPARAM wParam, LPARAM lParam);
    // The operator's place for the build about to be made when it answers
    // a change they did not make (as the tree shows it, or as it was when
    // the tree was emptied for this delivery); nothing for their own.
    CTreePlace TakePlace();

    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void ShowContextMenu(QPoint viewportPos);

    int m_nRefreshCommand;
    CTreePlace m_placeEmptied;
    std::unique_ptr<QMenu> m_pMenu;
};
