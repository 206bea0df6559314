// CDnSegDlg: the number segments in a tree and, for the segment or block
// of 1000 numbers the operator clicks, the numbers of that range in a list.
// The rows of each range are kept per restriction, so that going back to a
// block shows it again without asking the switch; the detail view shows the
// data of whichever of the two was clicked last.
#pragma once

#include <QDialog>
#include <QLabel>

#include "DnSegTreeCtrl.h"
#include "MsgTarget.h"
#include "ObjListCtrl.h"
#include "SplitterBar.h"
#include "V5PortCache.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjData.h"

class CUserObjWnd;

class CDnSegDlg : public CWndT<QDialog> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    enum { DETAIL_TREE = 1, DETAIL_LIST = 2 };

    explicit CDnSegDlg(QWidget* parent = nullptr);
    ~CDnSegDlg() override;

    BOOL InitObj(CUserObjWnd* frame, IFrmDatabase* db);
    // pos: where the tree was clicked, in its viewport.
    void OnClickListDnSeg(QPoint pos);
    void OnClickList();
    LRESULT OnDataInitBuffer(WPARAM wParam, LPARAM);
    LRESULT OnDataUpdateBuffer(WPARAM wParam, LPARAM);
    LRESULT OnIgnore(WPARAM, LPARAM) { return 1; }
    // The restriction a leaf item binds the list to.
    static CRestrictInfo BlockRestriction(const SItemData& data);

    CObjDescData* GetMainObjDesc() { return m_dataSeg.IsCreated() ? &m_dataSeg : nullptr; }
    CDnSegTreeCtrl* Tree() { return &m_tree; }
    CObjListCtrl* List() { return &m_list; }
    CObjDescData& SegmentData() { return m_dataSeg; }
    CObjDescData& ListData() { return m_dataList; }
    const CV5PortCache& ListCache() const { return m_cache; }
    int DetailSource() const { return m_nDetailSource; }

    CUserObjWnd* m_pFrame = nullptr;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void OnInitDialog();
    void Relayout();
    // WM_USER+1500 with the data's record to the detail view; false (and
    // logged) without an object window or detail view.
    bool ShowDetailOf(CObjDescData& data);
    void BindList(const CRestrictInfo& restrict);

    QLabel* m_captionTree;
    QLabel* m_captionList;
    CDnSegTreeCtrl m_tree;
    CObjListCtrl m_list;
    QWidget* m_bar;
    CxSplitterWnd m_splitter;
    CObjDescData m_dataSeg, m_dataList;
    SComObj m_descList;
    IFrmDatabase* m_pDatabase = nullptr;
    CV5PortCache m_cache;  // the restriction cache the V5 dialogs keep their ports in
    int m_nDetailSource = DETAIL_TREE;
};
