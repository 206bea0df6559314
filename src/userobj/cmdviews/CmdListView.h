// The operation list of the command-object configurations: the operations
// the selected managed object offers, as large icons by category, with a
// context menu of the same operations. Choosing one (click, Enter or menu)
// asks the object to invoke it.
#pragma once

#include <QListWidget>
#include <QMenu>

#include <memory>
#include <string>

#include "CmdIcons.h"
#include "MsgTarget.h"

class CComObj;

// The look both views of a command-object window share: large icons,
// arranged automatically, the selection visible without the focus, the
// views' background colour.
void SetCmdViewLook(QListView* view, int iconSize);

class CCmdListView : public CWndT<QListWidget> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    explicit CCmdListView(QWidget* parent = nullptr);
    ~CCmdListView() override;

    // Shows the object's operations; a null image list keeps the images set
    // before. A null or invalid object is dropped and the view stays as it was.
    void SetObj(CComObj* obj, const CImageList* images);
    CComObj* GetObj() const { return m_pObj; }
    // The right-button menu, null until an object was set.
    QMenu* ContextMenu() const { return m_pMenu.get(); }
    // The name of the operation chosen last (the report of its command names it).
    const std::string& CurrentCmdName() const { return m_strCurCmd; }

    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);

    QObject* m_pOwner = nullptr;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void FillCmdList();
    void BuildContextMenu();
    // Posts the command of the first selected item to this view.
    void ChooseSelected();

    CComObj* m_pObj = nullptr;
    const CImageList* m_pImages = nullptr;
    std::unique_ptr<QMenu> m_pMenuSpecial;  // group 9, attached to the context menu as a submenu
    std::unique_ptr<QMenu> m_pMenu;
    std::string m_strCurCmd;
};
