// CUserDlg: the base of the subscriber dialogs. It keeps the dialog's active
// list and shows that list's data in the object window's detail view.
#pragma once

#include <QDialog>

#include <unordered_map>

#include "MsgTarget.h"

class CObjListCtrl;
class CObjDescData;
class CRestrictInfo;
class CUserObjWnd;

class CUserDlg : public CWndT<QDialog> {
    Q_OBJECT
public:
    explicit CUserDlg(QWidget* parent = nullptr, CObjListCtrl* defaultList = nullptr);

    CObjListCtrl* GetActiveListCtrl() const { return m_pActiveListCtrl; }
    // The list becomes the active one; FALSE without a list or object window.
    BOOL SetActiveListCtrl(CObjListCtrl* list);
    void ActivateDlg();
    void ShowActiveDetail();
    // The data set of the dialog's main list (what the batch commands update).
    virtual CObjDescData* GetMainObjDesc() { return nullptr; }
    // A list hands over its object's query context before an operation;
    // the subscriber dialogs accept it and change nothing.
    virtual void TakeQueryContext(const CRestrictInfo&) {}

    // The Tab key moves the activity to the list registered for the active one.
    void OnTabKey();

    std::unordered_map<CObjListCtrl*, CObjListCtrl*> m_mapNextList;
    CUserObjWnd* m_pFrame = nullptr;
    CObjListCtrl* m_pActiveListCtrl = nullptr;
    CObjListCtrl* m_pDefaultList = nullptr;
};
