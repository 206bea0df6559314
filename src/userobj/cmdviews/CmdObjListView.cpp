// The object list and the object tree of the command-object configurations.
#include "CmdObjListView.h"

#include <QCursor>

#include "CmdIcons.h"
#include "CmdListView.h"

CCmdObjListView::CCmdObjListView(QWidget* parent) : CWndT(parent) {
    setObjectName(QStringLiteral("cmdObjList"));
    SetCmdViewLook(this, 32);
    setProperty("dumpAs", QStringLiteral("objects"));
    setProperty("imageNameRole", kImageNameRole);
    connect(this, &QAbstractItemView::clicked, this, &CCmdObjListView::OnClick);
}

CComObj* CCmdObjListView::ItemObject(QListWidgetItem* item) {
    return item ? static_cast<CComObj*>(item->data(Qt::UserRole).value<void*>()) : nullptr;
}

void CCmdObjListView::OnClick() {
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return;
    CComObj* obj = ItemObject(selected.front());
    if (obj && m_pCmdListView) m_pCmdListView->SetObj(obj, nullptr);
}

CCmdObjTree::CCmdObjTree(QWidget* parent) : CWndT(parent) {
    setObjectName(QStringLiteral("cmdObjTree"));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setMouseTracking(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    setPalette(pal);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CCmdObjTree::OnSelChanged);
}

CComObj* CCmdObjTree::ItemObject(QTreeWidgetItem* item) {
    return item ? static_cast<CComObj*>(item->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

void CCmdObjTree::OnSelChanged() {
    QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(QCursor::pos()));
    if (item && m_pCmdListView) m_pCmdListView->SetObj(ItemObject(item), nullptr);
}
