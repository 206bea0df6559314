// The subscriber type dialogs.
#include "SubscriberDlgs.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "DlgControls.h"
#include "GreyedInput.h"
#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UserObjWnd.h"
#include "WorkerPack.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/MmlText.h"
#include "userobj/Messages.h"

const SFamily kMgcpFamily{1, 10057, 10085, nullptr, {10194, 10196, 10091, 10153, 308}, {10195, 10197, 10092, 10047, 309}, 10193, true};
const SFamily kH248Family{1, 10061, 10086, nullptr, {10202, 10200, 10121, 10153, 319}, {10203, 10201, 10120, 10047, 320}, 10204, false};
const SFamily kSipFamily{3, 10063, 10087, nullptr, {10207, 10210, 10145, 10154, 311}, {10208, 10212, 10090, 10047, 310}, 10220, true};
const SFamily kH323Family{3, 10065, 10089, nullptr, {10216, 10214, 10146, 10154, 312}, {10218, 10215, 10123, 10047, 328}, 10221, false};
const SFamily kBraFamily{5, 10259, 0, "ISDN BRA", {10194, 10196, 10262, 10153, 313}, {10258, 10256, 10261, 10047, 318}, 10260, true};
const SFamily kIpnFamily{4, 10230, 10117, nullptr, {10198, 10199, 10117, 10047, 317}, {0, 0, 0, 0, 0}, 0, true};
const SFamily kOplogFamily{7, 10230, 11830, nullptr, {10198, 10199, 11830, 10047, 351}, {0, 0, 0, 0, 0}, 0, false};



const MsgMap* CSubscriberDlg::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_COUNT_CHANGED, &CSubscriberDlg::OnCountChanged),
        ON_MESSAGE(msg::WM_SELECTION_CHANGED, &CSubscriberDlg::OnIgnore),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CSubscriberDlg::CSubscriberDlg(const SFamily& family, QWidget* parent)
    : CUserDlg(parent), m_family(family), m_listMain(this, family.main.listId),
      m_captionMain(MakeCaption(this, family.main.captionId)) {
    setObjectName(QStringLiteral("dlg%1").arg(family.templateId));
    m_pActiveListCtrl = m_pDefaultList = &m_listMain;
    if (family.secondary.listId) {
        m_pListSub = std::make_unique<CObjListCtrl>(this, family.secondary.listId);
        m_captionSub = MakeCaption(this, family.secondary.captionId);
        m_bar = new QFrame(this);
        m_bar->setObjectName(QStringLiteral("ctl%1").arg(family.splitterId));
        static_cast<QFrame*>(m_bar)->setFrameShape(QFrame::VLine);
        m_bar->setFixedWidth(6);
    }
    OnInitDialog();
}

CSubscriberDlg::~CSubscriberDlg() = default;

void CSubscriberDlg::OnInitDialog() {
    setWindowTitle(m_family.titleString ? QString::fromStdString(HostString(m_family.titleString))
                                        : QString::fromUtf8(m_family.literalTitle));
    auto title = [](CObjListCtrl& l, int id) {
        l.setWindowTitle(QString::fromStdString(HostString(id)));
        l.SetListKey(HostString(id));
    };
    if (m_pListSub) {
        title(*m_pListSub, m_family.secondary.titleString);
        m_pListSub->m_bPassContext = TRUE;
    }
    title(m_listMain, m_family.main.titleString);
    m_captionMain->setText(m_listMain.windowTitle());
    m_listMain.installEventFilter(this);
    m_listMain.viewport()->installEventFilter(this);
    connect(&m_listMain, &QAbstractItemView::clicked, this, [this] { OnMainClick(); });
    if (m_pListSub) {
        m_captionSub->setText(m_pListSub->windowTitle());
        m_mapNextList[&m_listMain] = m_pListSub.get();
        m_mapNextList[m_pListSub.get()] = &m_listMain;
        m_pListSub->installEventFilter(this);
        m_pListSub->viewport()->installEventFilter(this);
        connect(m_pListSub.get(), &QAbstractItemView::clicked, this, [this] { OnSecondaryClick(); });
        m_splitter.BindWithControl(this, m_family.splitterId);
        m_splitter.AttachAsLeftPane(m_family.main.captionId);
        m_splitter.AttachAsLeftPane(m_family.main.listId);
        m_splitter.AttachAsRightPane(m_family.secondary.captionId);
        m_splitter.AttachAsRightPane(m_family.secondary.listId);
    }
    Relayout();
}

BOOL CSubscriberDlg::InitObj(CUserObjWnd* frame, IFrmDatabase* db) {
    m_pFrame = frame;
    m_pDatabase = db;
    if (!db) return FALSE;
    m_descMain = db->ObjLoadAllDesc(m_family.main.objType);
    if (m_pListSub) m_descSub = db->ObjLoadAllDesc(m_family.secondary.objType);
    QWidget* detail = frame ? frame->m_pDetailView : nullptr;
    if (!m_dataMain.Create(m_family.main.objType, m_descMain, frame, &m_listMain, detail, 1, nullptr, nullptr))
        return FALSE;
    m_listMain.m_obj = &m_dataMain;
    m_listMain.BuildMenu();
    if (frame) {
        frame->RegisterObjDesc(m_dataMain.GetComObj(), &m_dataMain);
        if (m_pListSub) frame->RegisterObjDesc(m_dataSub.GetComObj(), &m_dataSub);
    }
    if (m_family.showDetailAtInit) ShowActiveDetail();
    return TRUE;
}

void CSubscriberDlg::UpdateCaption(CObjListCtrl* list, QLabel* caption, int format) {
    if (!list || !caption) return;
    const std::string title = list->m_strListKey;
    const std::string filter = list->FilterName();
    std::string text = title;
    if (list->m_nTotalRecords != -1 && filter.empty()) {
        text = platform::Format(HostString(format).c_str(), title.c_str(), list->m_nTotalRecords);
    } else if (list->m_nTotalRecords != -1) {
        // Filtered: how many of how many, and which filter.
        const std::string shown = platform::GroupDigits(list->m_nTotalRecords);
        text = list->m_nUnfilteredTotal < 0
                   ? platform::Format(HostString(HS_CAPTION_FILTERED).c_str(), title.c_str(), shown.c_str(),
                                      filter.c_str())
                   : platform::Format(HostString(HS_CAPTION_FILTERED_OF).c_str(), title.c_str(), shown.c_str(),
                                      platform::GroupDigits(list->m_nUnfilteredTotal).c_str(), filter.c_str());
    }
    caption->setText(QString::fromStdString(text));
}

LRESULT CSubscriberDlg::OnCountChanged(WPARAM wParam, LPARAM) {
    // Captions only: what the detail view shows (a record the operator
    // opened, perhaps) stays until the operator picks something else.
    auto* list = FromWParam<CObjListCtrl>(wParam);
    if (list == &m_listMain) {
        UpdateCaption(&m_listMain, m_captionMain, m_family.main.captionFormat);
        if (m_pListSub && !m_listMain.m_strFilterCommand.empty()) {
            // The main list is filtered: what the secondary list showed may be gone.
            m_pListSub->Model().RemoveAllRows();
            m_captionSub->setText(QString::fromStdString(m_pListSub->m_strListKey));
        }
    } else if (list == m_pListSub.get()) {
        UpdateCaption(m_pListSub.get(), m_captionSub, m_family.secondary.captionFormat);
    }
    return 1;
}

void CSubscriberDlg::OnMainClick() {
    if (m_pActiveListCtrl != &m_listMain) {
        SetActiveListCtrl(&m_listMain);
        ShowActiveDetail();
    }
    if (!m_pListSub || m_listMain.SelectedCount() != 1) {
        if (!m_pListSub && m_listMain.SelectedCount() == 1 && m_dataMain.IsCreated())
            m_dataMain.GetComObj()->InvokeConfigDetailView(m_listMain.SelectedIds().front(), 0, 1,
                                                           1, -1);
        return;
    }
    CObjListCtrl& sub = *m_pListSub;
    sub.m_bResultSeen = TRUE;
    sub.m_mapQueryInfo.clear();
    sub.m_nSortColumn = -1;
    sub.m_strSortCommand.clear();
    sub.m_bFilterActive = FALSE;
    sub.m_bUnfiltered = TRUE;
    StartSubLoad();
}

void CSubscriberDlg::StartSubLoad() {
    const DWORD id = m_listMain.SelectedIds().front();
    // Read on this thread: the records belong to it.
    const CRestrictInfo restrict = m_dataMain.GetRestrictInfo(id);
    m_dataMain.GetComObj()->InvokeConfigDetailView(id, 0, 1, 1, -1);  // the pick shows at once
    const unsigned seq = ++m_nLoadSeq;
    ++m_nLoads;
    // The worker packs the restriction and touches nothing else; the binding
    // is handed back to this thread, and only the newest pick's load is
    // applied, so two loads never write the secondary data at the same time.
    PackOnWorker(this, restrict, [this, seq](const CPackageStream& package) {
        if (!package.Bytes().empty() && seq == m_nLoadSeq) BindSecondary(package);
        --m_nLoads;
    });
}

void CSubscriberDlg::BindSecondary(const CPackageStream& package) {
    m_dataSub.Text().clear();
    QWidget* detail = m_pFrame ? m_pFrame->m_pDetailView : nullptr;
    if (!m_dataSub.Create(m_family.secondary.objType, m_descSub, m_pFrame, m_pListSub.get(), detail, 1, nullptr,
                          &package))
        return;
    m_pListSub->m_obj = &m_dataSub;
    m_pListSub->BuildMenu();
    m_bSubBound = true;
}

bool CSubscriberDlg::ShowJumpTarget(DWORD objType, const std::string& what) {
    const bool full = what.find(':') != std::string::npos;
    if (m_pListSub && objType == m_family.secondary.objType) {
        // The sub-objects of one subscriber: the secondary list is bound to
        // the restriction as a pick of that subscriber would bind it.
        SMmlCommand parsed;
        std::string error;
        if (!ParseMml(full ? what : "LST X: " + what + ";", parsed, error) || parsed.params.empty()) return false;
        CRestrictInfo r;
        for (const SMmlParam& p : parsed.params) r.Add(p.name, p.value);
        ++m_nLoadSeq;
        BindSecondary(CPackageStream(r));
        if (m_bSubBound) SetActiveListCtrl(m_pListSub.get());
        return true;
    }
    if (objType != m_family.main.objType || !m_dataMain.IsCreated() || !m_pFrame) return false;
    // Subscribers themselves: the main list is narrowed like a filter, so a
    // refresh keeps showing them.
    const std::string command = full ? what : "LST " + m_descMain.mmlName + ": " + what + ";";
    m_listMain.SetFilterState(true);
    m_listMain.m_strFilterCommand = command;
    SetActiveListCtrl(&m_listMain);
    return m_pFrame->ExecuteCmd(command, m_dataMain.GetComObj()) != 0;
}

void CSubscriberDlg::OnSecondaryClick() {
    if (!m_bSubBound) return;
    if (m_pActiveListCtrl != m_pListSub.get()) {
        SetActiveListCtrl(m_pListSub.get());
        ShowActiveDetail();
    }
    if (m_pListSub->SelectedCount() == 1)
        m_dataSub.GetComObj()->InvokeConfigDetailView(m_pListSub->SelectedIds().front(), 0, 1, 1,
                                                      -1);
}

bool CSubscriberDlg::eventFilter(QObject* o, QEvent* e) {
    if (IsGreyedClick(o, e)) return CUserDlg::eventFilter(o, e);
    if (e->type() == QEvent::MouseButtonRelease) {
        // A click below the last row picks nothing, yet makes the list active.
        auto* me = static_cast<QMouseEvent*>(e);
        if (o == m_listMain.viewport() && !m_listMain.indexAt(me->position().toPoint()).isValid())
            OnMainClick();
        else if (m_pListSub && o == m_pListSub->viewport() &&
                 !m_pListSub->indexAt(me->position().toPoint()).isValid())
            OnSecondaryClick();
        return false;
    }
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && o == &m_listMain && m_pListSub &&
            m_pActiveListCtrl == &m_listMain) {
            if (m_listMain.SelectedCount() == 1) {
                const DWORD id = m_listMain.SelectedIds().front();
                ++m_nLoadSeq;  // a click's load still on its way is older than this pick
                m_dataMain.GetComObj()->InvokeConfigDetailView(id, 1, 1, 1, -1);
                const CRestrictInfo r = m_dataMain.GetRestrictInfo(id);
                if (r.IsValid()) BindSecondary(CPackageStream(r));
            }
            return true;
        }
        if (key == Qt::Key_Tab && !m_mapNextList.empty()) {
            OnTabKey();
            return true;
        }
    }
    return CUserDlg::eventFilter(o, e);
}

void CSubscriberDlg::resizeEvent(QResizeEvent* e) {
    CUserDlg::resizeEvent(e);
    Relayout();
}

void CSubscriberDlg::Relayout() {
    UpdateCaption(&m_listMain, m_captionMain, m_family.main.captionFormat);
    if (m_pListSub) UpdateCaption(m_pListSub.get(), m_captionSub, m_family.secondary.captionFormat);
    const int w = width(), h = height(), ch = m_captionMain->sizeHint().height() + 4;
    if (!m_pListSub) {
        m_captionMain->setGeometry(4, 2, w - 8, ch);
        m_listMain.setGeometry(4, ch + 4, w - 8, h - ch - 8);
        return;
    }
    const int half = (w - 6) / 2;
    m_captionMain->setGeometry(4, 2, half - 6, ch);
    m_listMain.setGeometry(4, ch + 4, half - 6, h - ch - 8);
    m_bar->setGeometry(half, 2, 6, h - 4);
    m_captionSub->setGeometry(half + 8, 2, w - half - 12, ch);
    m_pListSub->setGeometry(half + 8, ch + 4, w - half - 12, h - ch - 8);
}
