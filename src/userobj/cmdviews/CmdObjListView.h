// The managed objects of a command-object configuration, as a list
// (CCmdObjListView) or a tree (CCmdObjTree): picking one shows its
// operations in the command list view the object view drives.
#pragma once

#include <QListWidget>
#include <QTreeWidget>

#include "MsgTarget.h"

class CCmdListView;
class CComObj;

class CCmdObjListView : public CWndT<QListWidget> {
    Q_OBJECT
public:
    explicit CCmdObjListView(QWidget* parent = nullptr);
    void SetCmdListView(CCmdListView* view) { m_pCmdListView = view; }
    // The object an item stands for (its item data).
    static CComObj* ItemObject(QListWidgetItem* item);

private:
    void OnClick();
    CCmdListView* m_pCmdListView = nullptr;
};

class CCmdObjTree : public CWndT<QTreeWidget> {
    Q_OBJECT
public:
    explicit CCmdObjTree(QWidget* parent = nullptr);
    void SetCmdListView(CCmdListView* view) { m_pCmdListView = view; }
    static CComObj* ItemObject(QTreeWidgetItem* item);

private:
    // The item under the mouse when the selection changed drives the list.
    void OnSelChanged();
    CCmdListView* m_pCmdListView = nullptr;
};
