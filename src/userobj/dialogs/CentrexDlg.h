// CCentrexDlg: the Centrex groups in a list on top and, for the group the
// operator picks, its members and its outgoing prefixes in two lists below.
// A pick loads both lists (the restriction is packed on a worker thread and
// only the newest pick is applied); the members of each group are kept per
// restriction, so going back to a group lists only its prefixes again.
#pragma once

#include <QDialog>
#include <QLabel>

#include <atomic>

#include "MsgTarget.h"
#include "ObjListCtrl.h"
#include "SplitterBar.h"
#include "V5PortCache.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjData.h"

class CUserObjWnd;

class CCentrexDlg : public CWndT<QDialog> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    explicit CCentrexDlg(QWidget* parent = nullptr);
    ~CCentrexDlg() override;

    BOOL InitObj(CUserObjWnd* frame, IFrmDatabase* db);
    void OnClickGroup();
    void OnClickMember();
    void OnClickPrefix();
    // Return: both sub-lists bound to the selected group at once.
    void OnEnterKey();
    LRESULT OnCountChanged(WPARAM, LPARAM);
    // Another operator changed records of that object (of every object
    // when everything): members kept per group are read anew when picked.
    void OthersChanged(const std::string& object, bool everything);
    LRESULT OnDataInitBuffer(WPARAM wParam, LPARAM);
    LRESULT OnDataUpdateBuffer(WPARAM wParam, LPARAM);

    CObjListCtrl* GetActiveListCtrl() const { return m_pActiveList; }
    // The list whose changes make the groups be listed again: the members.
    CObjListCtrl* GetFirstList() { return &m_listMember; }
    CObjDescData* GetMainObjDesc() { return m_dataGroup.IsCreated() ? &m_dataGroup : nullptr; }
    CObjListCtrl* GroupList() { return &m_listGroup; }
    CObjListCtrl* MemberList() { return &m_listMember; }
    CObjListCtrl* PrefixList() { return &m_listPrefix; }
    CObjDescData& GroupData() { return m_dataGroup; }
    CObjDescData& MemberData() { return m_dataMember; }
    CObjDescData& PrefixData() { return m_dataPrefix; }
    const CV5PortCache& GroupCache() const { return m_cache; }
    QLabel* Caption(int index) const { return m_captions[index]; }
    // Loads still on their way (worker threads and their hand-over).
    int LoadsRunning() const { return m_nLoads.load(); }

    CUserObjWnd* m_pFrame = nullptr;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void OnInitDialog();
    void Relayout();
    // Makes the list the active one; false when it already was.
    bool Activate(CObjListCtrl* list);
    void ShowDetailOf(QWidget* target, CObjDescData& data);
    QWidget* DetailView(bool centrexPanel) const;
    void StartSubLoad();
    void BindMembers(const CRestrictInfo& restrict, bool useCache);
    void BindAnew(const CRestrictInfo& restrict, CObjDescData& data, DWORD type,
                  const SComObj& desc, CObjListCtrl& list);

    CObjListCtrl m_listGroup;
    CObjListCtrl m_listMember;
    CObjListCtrl m_listPrefix;
    QLabel* m_captions[3];
    QString m_strCaptionBase[3];
    QWidget* m_barH;
    QWidget* m_barV;
    CySplitterWnd m_splitterH;
    CxSplitterWnd m_splitterV;
    CObjListCtrl* m_pActiveList;
    CObjDescData m_dataGroup, m_dataMember, m_dataPrefix;
    SComObj m_descMember, m_descPrefix;
    IFrmDatabase* m_pDatabase = nullptr;
    CV5PortCache m_cache;  // the restriction cache the V5 dialogs keep their ports in
    CRestrictInfo m_keyMember;  // the group the members were bound to
    std::atomic<int> m_nLoads{0};
    unsigned m_nLoadSeq = 0;  // the newest pick wins
};
