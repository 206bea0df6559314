// The subscriber type dialogs: MGCP, H.248, SIP, H.323 and ISDN BRA dialogs
// list subscribers in a main list and, for the picked one, its sub-objects
// in a secondary list beside it; the IP-network dialog has the main list
// only. They differ only in the numbers of their family table.
#pragma once

#include <QLabel>

#include <atomic>
#include <memory>

#include "ObjListCtrl.h"
#include "SplitterBar.h"
#include "UserDlg.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/ObjData.h"

// One row of the family table.
struct SListSpec {
    int listId, captionId, titleString, captionFormat;
    DWORD objType;
};
struct SFamily {
    int kind;             // configuration view kind
    int templateId;
    int titleString;      // 0: literalTitle
    const char* literalTitle;
    SListSpec main;
    SListSpec secondary;  // listId 0: none
    int splitterId;
    bool showDetailAtInit;
};

class CSubscriberDlg : public CUserDlg {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    CSubscriberDlg(const SFamily& family, QWidget* parent);
    ~CSubscriberDlg() override;

    BOOL InitObj(CUserObjWnd* frame, IFrmDatabase* db);
    CObjDescData* GetMainObjDesc() override { return m_dataMain.IsCreated() ? &m_dataMain : nullptr; }
    const SFamily& Family() const { return m_family; }

    CObjListCtrl* MainList() { return &m_listMain; }
    CObjListCtrl* SecondaryList() { return m_pListSub.get(); }
    CObjDescData& MainData() { return m_dataMain; }
    CObjDescData& SecondaryData() { return m_dataSub; }
    bool SecondaryBound() const { return m_bSubBound; }
    QLabel* MainCaption() { return m_captionMain; }
    QLabel* SecondaryCaption() { return m_captionSub; }
    // Loads still on their way (worker threads and their hand-over).
    int LoadsRunning() const { return m_nLoads.load(); }

    // A jump to an object of this dialog: what names the records, either a
    // restriction ("DN=8001") or a whole command. False when neither list
    // shows that object.
    bool ShowJumpTarget(DWORD objType, const std::string& what);
    void OnMainClick();
    void OnSecondaryClick();
    LRESULT OnCountChanged(WPARAM list, LPARAM);
    LRESULT OnIgnore(WPARAM, LPARAM) { return 1; }
    void Relayout();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void OnInitDialog();
    void UpdateCaption(CObjListCtrl* list, QLabel* caption, int format);
    // Starts a load of the secondary list for the picked main row.
    void StartSubLoad();
    void BindSecondary(const CPackageStream& package);

    SFamily m_family;
    CObjListCtrl m_listMain;
    std::unique_ptr<CObjListCtrl> m_pListSub;
    QLabel* m_captionMain;
    QLabel* m_captionSub = nullptr;
    QWidget* m_bar = nullptr;
    CxSplitterWnd m_splitter;
    SComObj m_descMain, m_descSub;
    CObjDescData m_dataMain, m_dataSub;
    bool m_bSubBound = false;
    IFrmDatabase* m_pDatabase = nullptr;
    std::atomic<int> m_nLoads{0};
    unsigned m_nLoadSeq = 0;  // the newest pick wins
};

// The family table, one row per dialog.
extern const SFamily kMgcpFamily, kH248Family, kSipFamily, kH323Family, kBraFamily, kIpnFamily, kOplogFamily;

// A dialog of the family is its row of the table.
template <const SFamily& Row>
class CFamilyDlg : public CSubscriberDlg {
public:
    explicit CFamilyDlg(QWidget* parent = nullptr) : CSubscriberDlg(Row, parent) {}
};

using CMgcpUserDlg = CFamilyDlg<kMgcpFamily>;
using CH248UserDlg = CFamilyDlg<kH248Family>;
using CSipUserDlg = CFamilyDlg<kSipFamily>;
using CH323UserDlg = CFamilyDlg<kH323Family>;
using CBraDlg = CFamilyDlg<kBraFamily>;
using CIpnUserDlg = CFamilyDlg<kIpnFamily>;
// The switch's operation log: who ran what, when, from where, newest first.
using COplogDlg = CFamilyDlg<kOplogFamily>;
