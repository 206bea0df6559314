// CUserObjWnd: the object window the module opens for one configuration
// type. It lays out its panes, keeps the object descriptions its dialogs
// register, sends their commands to the host and accounts for them, and
// turns the host's result reports into results for the object-data sets.
#pragma once

#include <QComboBox>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <list>
#include <map>
#include <unordered_map>

#include "CmdIcons.h"
#include "LockSplitter.h"
#include "ReportSlot.h"
#include "ObjWnd.h"
#include "hostlibs/ObjArray.h"
#include "hostlibs/ObjData.h"

class CCentrexView;
class CCmdListView;
class CCmdObjListView;
class CConfigView;
class CObjListCtrl;
class CUserDlg;
class CUserView;

struct QidList {
    QPointer<CObjListCtrl> list;  // a list that is gone releases nothing
    std::string qid;  // as stored: in double quotes unless "-1"
};

class CUserObjWnd : public IObjWnd {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    // How long a command may be out before the window is drawn greyed.
    static constexpr int kGreyLookDelayMs = 120;

    CUserObjWnd();
    ~CUserObjWnd() override;

    BOOL Create(QObject* hostFrame) override;
    void RegisterObjDesc(CComObj* obj, CObjDescData* desc);
    bool IsBusy() const { return m_nMMLCount > 0; }
    void UpdateBusyState();

    // Commands (sending, accounting, the V5 batch state machine).
    LRESULT OnSendMMLMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnCreateOrActiveObjWnd(WPARAM wParam, LPARAM lParam);
    int ExecuteCmd(const std::string& text, CComObj* obj,
                   const std::map<std::string, std::string>* params = nullptr);
    void KillCmdNotify(const char* command) override;
    // The host brought this window up for a jump: show what it names.
    void OnIdentity10(WORD objType, const std::string& text1, const std::string& what, DWORD value) override;

    // Results.
    void ProcessRst(const char* report) override;
    int GetReportBlock(const CObjArray& report, const std::string& block,
                       std::vector<std::string>& header, CDataTable& table);
    BOOL CheckPagedQuery(const CObjArray& report, CObjListCtrl* list);
    // The head of a paged query (block host string 10099) as key and value,
    // the query identifier in double quotes unless "-1"; FALSE when the
    // report holds none.
    BOOL ReadQueryHead(const CObjArray& report, std::map<std::string, std::string>& info);
    static BOOL IsQueryCmd(const std::string& command);
    LRESULT ShowReport(WPARAM kind, LPARAM flag);
    void ViewOpMenuRslt(const std::string& text);

    // The filter tool bar: the combo refilled for the active list (1 on
    // success), its commands routed to that list, and its buttons enabled
    // by what that list holds.
    int InitCombo();
    void OnToolCommand(int id);
    void UpdateToolBar();

    void OnClose() override;

    // Commands whose report goes to a callback of their own instead of a
    // data set (the pages an export reads). The report is null when the
    // command was given up or its report did not parse. An answer in
    // several reports comes to the tap report by report, the last one not
    // marked to continue. They count as
    // outstanding commands like any other.
    using ReportTap = std::function<void(const CObjArray* report)>;
    BOOL SendTapped(const std::string& command, ReportTap tap);
    void DropTap(const std::string& command);
    // Host events: "Export" (data: a file path) exports the active list to
    // that file; the window's property "exportState" says "running", then
    // "done" or "failed". "Requery": AskAllAnew.
    bool OnEvent(const std::string& name, const std::string* data) override;
    // Host event "Notice": another operator changed records of an object
    // this window shows (docs/mml.md, Notices); its lists follow, and an
    // open Modify of the record says so (UserObjWndNotice.cpp).
    void OnNotice(const std::string& text);
    // The switch forgot this client's queries (a new session): every list
    // and tree of the window asks its own anew, as F5 would, the lists
    // keeping the operator's place.
    void AskAllAnew();

    // Layout flags and state, in the order the window declares them.
    BOOL m_bNumSegCfg = FALSE;
    BOOL m_bCentrexCfg = FALSE;
    BOOL m_bUserCfg = FALSE;
    int m_iConfigType = 0;
    BOOL m_bRetTypeHandled = FALSE;
    CUserView* m_pUserView = nullptr;
    CCentrexView* m_pCentrexView = nullptr;
    CConfigView* m_pConfigView = nullptr;
    QWidget* m_pDetailView = nullptr;
    CUserDlg* m_pActiveDlg = nullptr;
    std::unordered_map<CComObj*, CObjDescData*> m_mapObjDesc;
    std::unordered_map<std::string, CComObj*> m_mapCmdSender;
    CDataTable m_tableRst;
    std::list<QidList> m_listQid;
    std::string m_strRstCmd;
    BOOL m_bAddPending = FALSE, m_bRmvPending = FALSE, m_bUpdateInvoked = FALSE, m_bLstAfterRmv = FALSE;
    int m_nAddNumber = 0;
    std::string m_strDeferredLst;
    CComObj* m_pDeferredSender = nullptr;
    BOOL m_bCentrexRefresh = FALSE;
    QToolBar* m_wndToolBar = nullptr;
    QComboBox* m_pCbxFilter = nullptr;
    CComObj m_aComObj[16];
    int m_nMMLCount = 0;
    BOOL m_bCmdObjCfg = FALSE;
    CCmdObjListView* m_pCmdObjListView = nullptr;
    CCmdListView* m_pCmdListView = nullptr;
    CImageList m_imlCmdObj;
    CImageList m_imlCmd;
    std::string m_strReport;
    // A refusal of the switch in words, and the command behind it, for the
    // next report box; empty when that box shows m_strReport as it is.
    std::string m_strRefusal, m_strRefusalDetails;
    // The report in front of the operator: one at a time.
    CReportSlot m_report;
    CLockSplitter* m_wndSplitter = nullptr;
    std::unordered_map<std::string, ReportTap> m_mapReportTap;

private:
    // Hands a report (null: none will come) to the tap of its command; false when it has none.
    bool DeliverToTap(const std::string& command, const CObjArray* report);
    int OnCreate();
    void CreateFilterToolBar();
    BOOL OnCreateClient(QWidget* client, int width, int height);
    void CreateAllUserObj();
    void InitCmdObjectView();
    // 1 when the command is swallowed (held back), 0 when it goes out.
    int PreSendCheck(const std::string& text, CComObj* sender);
    void AfterResult();
    void ClearBatchState();
    void ProcessDetail(const CObjArray& report, CObjDescData& desc, const std::string& cmd, bool ok);
    // The result text of a report without its return code's own words.
    std::string ResultNote(const CObjArray& report) const;
    // One report (or a given-up command) less outstanding, never below none.
    void CountOffReport();
    // A page fetch answered that its query is gone: true when its list asked
    // for itself again (once; the second loss in a row is refused as usual).
    bool RenewLostQuery(const CObjArray& report, CObjDescData& desc, const std::string& cmd);

    std::map<int, QAction*> m_mapToolButtons;  // by command
    QPointer<QWidget> m_lastFocus;
    bool m_bWaitCursor = false;
    // The content is disabled the moment a command goes out, but drawn
    // greyed only when the answer is slow: a quick answer (most are) then
    // costs one drawing of the window, not a grey one and a normal one.
    QTimer m_greyLook;
};
