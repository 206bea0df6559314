// The object window: creation, layout and the objects it registers.
#include "UserObjWnd.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

#include "CmdListView.h"
#include "CmdObjListView.h"
#include "ControlIds.h"
#include "ExportJob.h"
#include "FormViews.h"
#include "HostStrings.h"
#include "ModuleState.h"
#include "ObjListCtrl.h"
#include "SubscriberDlgs.h"
#include "Trace.h"
#include "hostlibs/HostStringIds.h"
#include "UserDlg.h"
#include "userobj/ConfigTypes.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

namespace {

// The narrowest the form view and the property panel are laid out, in
// average characters: below both the panel is hidden.
constexpr int kViewMinChars = 40;
constexpr int kPanelMinChars = 30;

// Command objects of the command-object configurations: index into
// m_aComObj, object type; then the items of the object list.
struct CmdObjItem {
    int text;   // host string
    int index;  // into m_aComObj
    bool insertAtOne;
};
struct CmdObjConfig {
    int type;
    std::vector<std::pair<int, DWORD>> objects;
    std::vector<CmdObjItem> items;
};
const std::vector<CmdObjConfig>& CmdObjConfigs() {
    static const std::vector<CmdObjConfig> configs = {
        {8, {{0, 340}, {1, 341}}, {{61908, 0, false}, {61909, 1, false}}},
        {10, {{7, 345}, {9, 346}}, {{61910, 7, false}, {61911, 9, false}}},
        {11, {{12, 323}}, {{10117, 12, true}}},
        {9, {{13, 325}, {14, 332}}, {{10148, 13, false}, {10149, 14, false}}},
        {13, {{13, 325}, {15, 336}}, {{10148, 13, false}, {10160, 15, false}}},
    };
    return configs;
}
const CmdObjConfig* CmdObjConfigOf(int type) {
    for (const CmdObjConfig& c : CmdObjConfigs())
        if (c.type == type) return &c;
    return nullptr;
}

// The object window whose MDI child is active in the application's frame.
CUserObjWnd* ActiveObjectWindow() {
    QWidget* top = QApplication::activeWindow();
    for (QMdiArea* area : top ? top->findChildren<QMdiArea*>() : QList<QMdiArea*>())
        if (auto* w = dynamic_cast<CUserObjWnd*>(area->activeSubWindow())) return w;
    return nullptr;
}

void FillSharedMenu(QMenu* menu) {
    QAction* refresh = menu->addAction(QStringLiteral("&Refresh"), [] {
        if (CUserObjWnd* w = ActiveObjectWindow()) w->OnToolCommand(ids::ID_REFRESH);
    });
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    refresh->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    menu->addSeparator();
    menu->addAction(QStringLiteral("&Close Window\tCtrl+F4"), [] {
        if (CUserObjWnd* w = ActiveObjectWindow()) w->close();
    });
}

}  // namespace

const MsgMap* CUserObjWnd::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_SENDMMLMSG, &CUserObjWnd::OnSendMMLMsg),
        ON_MESSAGE(msg::WM_CREATEORACTIVEOBJWND, &CUserObjWnd::OnCreateOrActiveObjWnd),
        ON_MESSAGE(msg::WM_SHOWREPORT, &CUserObjWnd::ShowReport),
    };
    static const MsgMap m{IObjWnd::MessageMap(), e};
    return &m;
}

CUserObjWnd::CUserObjWnd() {
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_greyLook.setSingleShot(true);
    m_greyLook.setInterval(kGreyLookDelayMs);
    connect(&m_greyLook, &QTimer::timeout, this, [this] {
        if (QWidget* content = widget()) content->setUpdatesEnabled(true);
    });
}

CUserObjWnd::~CUserObjWnd() {
    // Exports under way go while the window is whole: a job that ends drops
    // the page it waits for from this window's maps.
    qDeleteAll(findChildren<CExportJob*>(Qt::FindDirectChildrenOnly));
}

void CUserObjWnd::RegisterObjDesc(CComObj* obj, CObjDescData* desc) { m_mapObjDesc[obj] = desc; }

BOOL CUserObjWnd::Create(QObject* hostFrame) {
    const cfg::ConfigType* type = nullptr;
    for (const cfg::ConfigType& c : cfg::kConfigTypes)
        if (c.type == (m_iConfigType ? m_iConfigType : (m_bNumSegCfg ? 1 : m_bCentrexCfg ? 2 : 0))) type = &c;
    if (!type || !(m_bNumSegCfg || m_bCentrexCfg || m_bUserCfg || m_bCmdObjCfg)) return FALSE;
    if (!IObjWnd::Create(hostFrame)) return FALSE;

    auto* client = new QWidget;
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setWidget(client);
    if (OnCreate() == -1) return FALSE;
    if (m_wndToolBar) layout->addWidget(m_wndToolBar);

    // The client area of a maximised child: the host's MDI area, when there is one.
    QSize size(1000, 700);
    if (mdiArea()) size = mdiArea()->viewport()->size();
    if (!OnCreateClient(client, size.width(), size.height())) return FALSE;
    layout->addWidget(m_wndSplitter, 1);

    QMenu* menu = SharedMenu();
    if (menu->isEmpty()) FillSharedMenu(menu);
    setProperty(kSharedMenuProperty, QVariant::fromValue(static_cast<QObject*>(menu)));

    const int configType = type->type;
    setProperty("configType", configType);
    setWindowTitle(type->titleString ? QString::fromStdString(HostString(type->titleString))
                                     : QString::fromUtf8(type->literalTitle));
    auto wire = [this](CFormViewBase* view) {
        view->m_pMainFrame = m_pMainFrame.get();
        view->m_pFrame = this;
        view->m_pPropertyDisplayWnd = m_pDetailView;
    };
    if (m_bNumSegCfg) {
        wire(m_pUserView);
        m_pUserView->OnInitialUpdate();
    } else if (m_bCentrexCfg) {
        wire(m_pCentrexView);
        m_pCentrexView->OnInitialUpdate();
    } else if (m_bUserCfg) {
        wire(m_pConfigView);
        static const std::map<int, int> kinds = {{3, 1}, {4, 5}, {5, 2}, {6, 3}, {7, 4}, {12, 6}, {15, 7}};
        m_pConfigView->m_nCfgKind = kinds.at(configType);
        m_pConfigView->OnInitialUpdate();
    } else {
        m_pCmdListView->m_pOwner = this;
        InitCmdObjectView();
    }
    setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    return TRUE;
}

int CUserObjWnd::OnCreate() {
    if (m_bUserCfg) {
        CreateFilterToolBar();
    } else if (m_bCmdObjCfg) {
        CreateAllUserObj();
    }
    return 0;
}

BOOL CUserObjWnd::OnCreateClient(QWidget* client, int w, int h) {
    m_wndSplitter = new CLockSplitter(Qt::Horizontal, client);
    m_wndSplitter->setObjectName(QStringLiteral("splitter"));
    if (m_bNumSegCfg || m_bCentrexCfg || m_bUserCfg) {
        m_wndSplitter->m_bLock = 0;
        // The host's property view, created by its class; a plain panel when
        // no host published one (a module under test).
        QWidget* detail = nullptr;
        QObject* host = m_pMainFrame ? m_pMainFrame->GetHostFrame() : nullptr;
        const QVariant cls = host ? host->property(kPropertyViewClass) : QVariant();
        if (cls.isValid()) {
            auto* mo = static_cast<const QMetaObject*>(cls.value<void*>());
            detail = qobject_cast<QWidget*>(mo->newInstance(Q_ARG(QWidget*, nullptr)));
        }
        if (!detail) detail = new QWidget;
        detail->setObjectName(QStringLiteral("propertyView"));
        CFormViewBase* left = nullptr;
        if (m_bNumSegCfg) left = m_pUserView = new CUserView;
        else if (m_bCentrexCfg) left = m_pCentrexView = new CCentrexView;
        else left = m_pConfigView = new CConfigView;
        left->setObjectName(QStringLiteral("leftPane"));
        m_wndSplitter->addWidget(left);
        m_wndSplitter->addWidget(detail);
        // Four fifths for the view, one for the panel while there is room;
        // a narrower window narrows both down to minimums that keep the
        // lists and the panel's names and values readable.
        const int viewMin = fontMetrics().averageCharWidth() * kViewMinChars;
        const int panelMin = fontMetrics().averageCharWidth() * kPanelMinChars;
        m_wndSplitter->SetColumnInfo(0, std::max(w * 16 / 20, viewMin), viewMin);
        m_wndSplitter->SetColumnInfo(1, std::max(w * 4 / 20, panelMin), panelMin);
        m_wndSplitter->setSizes({w * 16 / 20, w * 4 / 20});
        m_wndSplitter->SetShares({16, 4}, {viewMin, panelMin});
        m_pDetailView = detail;
    } else if (m_bCmdObjCfg) {
        m_pCmdObjListView = new CCmdObjListView;
        m_pCmdListView = new CCmdListView;
        m_wndSplitter->addWidget(m_pCmdObjListView);
        m_wndSplitter->addWidget(m_pCmdListView);
        // No column info of its own: the object list keeps its width, the
        // operation list takes the rest.
        m_wndSplitter->SetColumnInfo(0, w * 2 / 10, 0);
        m_wndSplitter->SetColumnInfo(1, w * 8 / 10, 0);
        m_wndSplitter->setSizes({w * 2 / 10, w * 8 / 10});
        m_wndSplitter->SetShares({2, 8}, {0, 0});
    } else {
        return FALSE;
    }
    m_wndSplitter->resize(w, h);
    return TRUE;
}

void CUserObjWnd::CreateAllUserObj() {
    const CmdObjConfig* c = CmdObjConfigOf(m_iConfigType);
    IFrmDatabase* db = m_pMainFrame ? m_pMainFrame->GetDatabase() : nullptr;
    if (!c || !db) return;
    for (const auto& [index, type] : c->objects)
        m_aComObj[index].CreateEx(type, db->ObjLoadAllDesc(type), this);  // a failure leaves it uncreated
}

void CUserObjWnd::InitCmdObjectView() {
    const CmdObjConfig* c = CmdObjConfigOf(m_iConfigType);
    if (!c) return;
    m_imlCmdObj = LoadCmdObjImages();
    m_imlCmd = LoadCmdImages();
    if (m_pCmdObjListView) {
        for (const CmdObjItem& item : c->items) {
            auto* i = new QListWidgetItem(m_imlCmdObj.images.value(0), QString::fromStdString(HostString(item.text)));
            i->setData(kImageNameRole, m_imlCmdObj.names.value(0));
            i->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(&m_aComObj[item.index])));
            // An insert at position 1 of an empty list ends up first.
            const int at = item.insertAtOne ? std::min(1, m_pCmdObjListView->count()) : m_pCmdObjListView->count();
            m_pCmdObjListView->insertItem(at, i);
        }
        if (m_pCmdListView) m_pCmdListView->SetObj(&m_aComObj[c->items.front().index], &m_imlCmd);
    }
    if (m_pCmdObjListView && m_pCmdObjListView->count() > 0) {
        m_pCmdObjListView->setCurrentRow(0);
        // No focus given here: a child given the focus before the window is
        // shown makes the MDI area take it for the active window while it is
        // hidden. Activated, the window hands the keyboard to its first child,
        // the objects.
    }
    if (m_pCmdObjListView) m_pCmdObjListView->SetCmdListView(m_pCmdListView);
}

void CUserObjWnd::OnIdentity10(WORD objType, const std::string&, const std::string& what, DWORD) {
    if (!m_pConfigView || what.empty()) return;
    for (CUserDlg* d : m_pConfigView->Dialogs()) {
        auto* dlg = dynamic_cast<CSubscriberDlg*>(d);
        if (dlg && dlg->ShowJumpTarget(objType, what)) {
            m_pConfigView->ShowPage(dlg);
            return;
        }
    }
    W2L_FAIL("No list of the jump's object!");
}

void CUserObjWnd::OnClose() {
    // The switch frees the paged queries this window still holds.
    for (const QidList& q : std::list<QidList>(m_listQid)) {
        std::map<std::string, std::string> params{{HostString(HS_QID), q.qid}};
        const std::string bare = q.qid.size() >= 2 && q.qid.front() == '"' ? q.qid.substr(1, q.qid.size() - 2) : q.qid;
        if (!bare.empty() && bare != "-1" && !q.list.isNull() && q.list->m_obj)
            ExecuteCmd(HostString(HS_RELEASE_CMD), q.list->m_obj->GetComObj(), &params);
    }
    IObjWnd::OnClose();
}
