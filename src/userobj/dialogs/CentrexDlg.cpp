// The Centrex dialog.
#include "CentrexDlg.h"

#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ControlIds.h"
#include "FormViews.h"
#include "GreyedInput.h"
#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UserObjWnd.h"
#include "WorkerPack.h"
#include "hostlibs/HostStringIds.h"
#include "userobj/Messages.h"

namespace {

constexpr DWORD kGroupType = 303;
constexpr DWORD kMemberType = 329;
constexpr DWORD kPrefixType = 304;

struct SCentrexList {
    int captionId, titleString, captionFormat;
};
// Group list, first sub-list (members), second sub-list (prefixes).
constexpr SCentrexList kLists[3] = {
    {10189, 10132, 10119}, {10190, 10130, 10155}, {10165, 10131, 10047}};

QWidget* Bar(QWidget* parent, int id, QFrame::Shape shape) {
    auto* bar = ids::Control(new QFrame(parent), id);
    bar->setFrameShape(shape);
    return bar;
}

}  // namespace

const MsgMap* CCentrexDlg::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_COUNT_CHANGED, &CCentrexDlg::OnCountChanged),
        ON_MESSAGE(msg::WM_SELECTION_CHANGED, &CCentrexDlg::OnDataInitBuffer),
        ON_MESSAGE(msg::WM_REBUILT, &CCentrexDlg::OnDataUpdateBuffer),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CCentrexDlg::CCentrexDlg(QWidget* parent)
    : CWndT(parent),
      m_listGroup(this, 10187),
      m_listMember(this, 10188),
      m_listPrefix(this, 10174),
      m_barH(Bar(this, 10175, QFrame::HLine)),
      m_barV(Bar(this, 10167, QFrame::VLine)),
      m_pActiveList(&m_listGroup) {
    setWindowFlags(Qt::Widget);
    setObjectName(QStringLiteral("dlg10032"));
    for (int i = 0; i < 3; ++i) m_captions[i] = ids::Control(new QLabel(this), kLists[i].captionId);
    OnInitDialog();
}

CCentrexDlg::~CCentrexDlg() {
    m_splitterV.Unbind();
    m_splitterH.Unbind();
}

void CCentrexDlg::OnInitDialog() {
    setWindowTitle(QString::fromStdString(HostString(10031)));
    CObjListCtrl* lists[3] = {&m_listGroup, &m_listMember, &m_listPrefix};
    for (int i = 0; i < 3; ++i) {
        const std::string& title = HostString(kLists[i].titleString);
        lists[i]->setWindowTitle(QString::fromStdString(title));
        lists[i]->SetListKey(title);
        m_strCaptionBase[i] = QString::fromStdString(title);
        m_captions[i]->setText(m_strCaptionBase[i]);
        lists[i]->installEventFilter(this);
        lists[i]->viewport()->installEventFilter(this);
    }
    connect(&m_listGroup, &QAbstractItemView::clicked, this, [this] { OnClickGroup(); });
    connect(&m_listMember, &QAbstractItemView::clicked, this, [this] { OnClickMember(); });
    connect(&m_listPrefix, &QAbstractItemView::clicked, this, [this] { OnClickPrefix(); });
    m_splitterH.BindWithControl(this, 10175);
    m_splitterH.AttachAsAbovePane(10187);
    for (int id : {10190, 10188, 10165, 10174, 10167}) m_splitterH.AttachAsBelowPane(id);
    m_splitterH.AttachAsAbovePane(10189);
    m_splitterV.BindWithControl(this, 10167);
    m_splitterV.AttachAsLeftPane(10190);
    m_splitterV.AttachAsLeftPane(10188);
    m_splitterV.AttachAsRightPane(10165);
    m_splitterV.AttachAsRightPane(10174);
    Relayout();
}

BOOL CCentrexDlg::InitObj(CUserObjWnd* frame, IFrmDatabase* db) {
    m_pFrame = frame;
    m_pDatabase = db;
    if (!db) return FALSE;
    const SComObj descGroup = db->ObjLoadAllDesc(kGroupType);
    m_descMember = db->ObjLoadAllDesc(kMemberType);
    m_descPrefix = db->ObjLoadAllDesc(kPrefixType);
    if (!m_dataGroup.Create(kGroupType, descGroup, frame, &m_listGroup, DetailView(false), 1,
                            nullptr, nullptr))
        return FALSE;
    m_listGroup.m_obj = &m_dataGroup;
    m_listGroup.BuildMenu();
    if (frame) {
        frame->RegisterObjDesc(m_dataGroup.GetComObj(), &m_dataGroup);
        frame->RegisterObjDesc(m_dataMember.GetComObj(), &m_dataMember);
        frame->RegisterObjDesc(m_dataPrefix.GetComObj(), &m_dataPrefix);
    }
    ShowDetailOf(DetailView(false), m_dataGroup);
    return TRUE;
}

// ---- where details go ----

QWidget* CCentrexDlg::DetailView(bool centrexPanel) const {
    if (!m_pFrame) {
        W2L_FAIL("m_pFrame is NULL!");
        return nullptr;
    }
    if (!centrexPanel) {
        if (!m_pFrame->m_pDetailView) W2L_FAIL("m_pFrame->m_pDetailView is NULL!");
        return m_pFrame->m_pDetailView;
    }
    if (!m_pFrame->m_pCentrexView) {
        W2L_FAIL("m_pFrame->m_pCentrexView is NULL!");
        return nullptr;
    }
    if (!m_pFrame->m_pCentrexView->m_pPropertyDisplayWnd)
        W2L_FAIL("m_pFrame->m_pCentrexView->m_pPropertyDisplayWnd is NULL!");
    return m_pFrame->m_pCentrexView->m_pPropertyDisplayWnd;
}

void CCentrexDlg::ShowDetailOf(QWidget* target, CObjDescData& data) {
    if (!target) return;
    SDetailSelection sel{data.GetComObj(), data.GetDynData(), -1};
    SendMessage(target, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
}

bool CCentrexDlg::Activate(CObjListCtrl* list) {
    if (m_pActiveList == list) return false;
    m_pActiveList = list;
    return true;
}

// ---- picks ----

void CCentrexDlg::OnClickGroup() {
    if (Activate(&m_listGroup)) {
        QWidget* panel = DetailView(true);
        if (!panel) return;
        ShowDetailOf(panel, m_dataGroup);
    }
    if (m_listGroup.SelectedCount() == 1) StartSubLoad();
}

void CCentrexDlg::StartSubLoad() {
    const DWORD id = m_listGroup.SelectedIds().front();
    // Read on this thread: the records belong to it.
    const CRestrictInfo restrict = m_dataGroup.GetRestrictInfo(id);
    m_dataGroup.GetComObj()->InvokeConfigDetailView(id, 0, 0, 1, -1);
    const unsigned seq = ++m_nLoadSeq;
    ++m_nLoads;
    // Only the newest pick binds: an older load that comes back late would
    // write the same data sets.
    PackOnWorker(this, restrict, [this, seq, restrict](const CPackageStream& package) {
        if (!package.Bytes().empty() && seq == m_nLoadSeq) {
            BindMembers(restrict, true);
            BindAnew(restrict, m_dataPrefix, kPrefixType, m_descPrefix, m_listPrefix);
        }
        --m_nLoads;
    });
}

void CCentrexDlg::BindMembers(const CRestrictInfo& restrict, bool useCache) {
    const CObjDescData* cached = useCache ? m_cache.Find(restrict) : nullptr;
    // The members are kept under the group's whole restriction, whatever a
    // member click leaves of the data's own.
    if (restrict.IsValid()) m_keyMember = restrict;
    if (!cached) {
        BindAnew(restrict, m_dataMember, kMemberType, m_descMember, m_listMember);
        return;
    }
    m_dataMember = *cached;
    m_listMember.ForgetQuery();
    m_listMember.m_obj = &m_dataMember;
    m_listMember.BuildMenu();
    m_dataMember.NotifyWndInit(&m_listMember);
}

void CCentrexDlg::BindAnew(const CRestrictInfo& restrict, CObjDescData& data, DWORD type,
                           const SComObj& desc, CObjListCtrl& list) {
    if (!restrict.IsValid()) return;
    const CPackageStream package(restrict);
    data.Text().clear();
    if (!m_pFrame) {
        W2L_FAIL("m_pFrame is NULL!");
        return;
    }
    list.ForgetQuery();
    if (!data.Create(type, desc, m_pFrame, &list, m_pFrame->m_pDetailView, 1, nullptr, &package))
        return;
    list.m_obj = &data;
    list.BuildMenu();
}

void CCentrexDlg::OnEnterKey() {
    const std::vector<DWORD> ids = m_listGroup.SelectedIds();
    if (!ids.empty() && m_dataGroup.IsCreated()) {
        const CRestrictInfo restrict = m_dataGroup.GetRestrictInfo(ids.front());
        m_dataGroup.GetComObj()->InvokeConfigDetailView(ids.front(), 1, 1, 1, -1);
        ++m_nLoadSeq;  // a click's load still on its way is older than this pick
        BindMembers(restrict, false);
        BindAnew(restrict, m_dataPrefix, kPrefixType, m_descPrefix, m_listPrefix);
    }
    if (m_pActiveList) m_pActiveList->setFocus();
}

void CCentrexDlg::OnClickMember() {
    if (!m_pActiveList) return;
    // The members' commands name the group by its number only.
    m_dataMember.GetRestriction().RemoveLast(HostString(HS_CX_GROUPNAME), true);
    if (Activate(&m_listMember)) {
        QWidget* detail = DetailView(false);
        if (!detail) return;
        ShowDetailOf(detail, m_dataMember);
    }
    if (m_listMember.SelectedCount() != 1) return;
    QWidget* detail = DetailView(false);
    if (!detail) return;
    const DWORD id = m_listMember.SelectedIds().front();
    PostMessage(detail, msg::WM_SHOWINSTANCE, 0, static_cast<LPARAM>(id));
    if (m_listMember.IsOperationAllowed(ACT_DETAIL, 1))
        m_dataMember.GetComObj()->InvokeOperationByActType(ACT_DETAIL, {id}, 0);
    else
        PostMessage(detail, msg::WM_INSTANCE_MODIFIED, 0, static_cast<LPARAM>(id));
}

void CCentrexDlg::OnClickPrefix() {
    if (!m_pActiveList) return;
    if (Activate(&m_listPrefix)) {
        QWidget* detail = DetailView(false);
        if (!detail) return;
        ShowDetailOf(detail, m_dataPrefix);
    }
    if (m_listPrefix.SelectedCount() != 1 || !m_listPrefix.m_obj) return;
    const DWORD id = m_listPrefix.SelectedIds().front();
    if (id != 0) m_dataPrefix.GetComObj()->InvokeConfigDetailView(id, 0, 0, 1, -1);
}

// ---- messages of the lists ----

LRESULT CCentrexDlg::OnCountChanged(WPARAM, LPARAM) {
    const CObjListCtrl* lists[3] = {&m_listGroup, &m_listMember, &m_listPrefix};
    for (int i = 0; i < 3; ++i) {
        const std::string base = m_strCaptionBase[i].toStdString();
        m_captions[i]->setText(QString::fromStdString(platform::Format(
            HostString(kLists[i].captionFormat).c_str(), base.c_str(), lists[i]->GetItemCount())));
    }
    return 1;
}

LRESULT CCentrexDlg::OnDataInitBuffer(WPARAM wParam, LPARAM) {
    // A page of a longer list is not the group's members: it is not kept,
    // and going back to the group lists it again.
    if (FromWParam<QObject>(wParam) == &m_listMember && m_dataMember.IsCreated() &&
        !m_listMember.IsPaged() && m_keyMember.IsValid())
        m_cache.Store(m_keyMember, m_dataMember);
    return 1;
}

void CCentrexDlg::OthersChanged(const std::string& object, bool everything) {
    if (everything || object == m_descMember.mmlName) m_cache.Clear();
}

LRESULT CCentrexDlg::OnDataUpdateBuffer(WPARAM wParam, LPARAM) {
    if (FromWParam<QObject>(wParam) == &m_listGroup) m_cache.Clear();
    return 1;
}

// ---- input and layout ----

bool CCentrexDlg::eventFilter(QObject* o, QEvent* e) {
    if (IsGreyedClick(o, e)) return CWndT::eventFilter(o, e);
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnEnterKey();
            return true;
        }
    } else if (e->type() == QEvent::MouseButtonRelease) {
        // A click below the last row picks nothing, yet makes the list active.
        const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
        if (o == m_listGroup.viewport() && !m_listGroup.indexAt(p).isValid())
            OnClickGroup();
        else if (o == m_listMember.viewport() && !m_listMember.indexAt(p).isValid())
            OnClickMember();
        else if (o == m_listPrefix.viewport() && !m_listPrefix.indexAt(p).isValid())
            OnClickPrefix();
    }
    return CWndT::eventFilter(o, e);
}

void CCentrexDlg::resizeEvent(QResizeEvent* e) {
    CWndT::resizeEvent(e);
    if (!isMinimized()) Relayout();
}

void CCentrexDlg::Relayout() {
    const int w = width(), h = height(), ch = m_captions[0]->sizeHint().height() + 4;
    m_splitterH.SetMinHeight(2, 2);
    const int top = std::max(h / 3, ch + 20);
    m_captions[0]->setGeometry(4, 2, w - 8, ch);
    m_listGroup.setGeometry(4, ch + 4, w - 8, top - ch - 4);
    m_barH->setGeometry(4, top + 2, w - 8, 6);
    const int y = top + 10, half = (w - 6) / 2;
    m_captions[1]->setGeometry(4, y, half - 6, ch);
    m_listMember.setGeometry(4, y + ch + 2, half - 6, h - y - ch - 6);
    m_barV->setGeometry(half, y, 6, h - y - 2);
    m_captions[2]->setGeometry(half + 8, y, w - half - 12, ch);
    m_listPrefix.setGeometry(half + 8, y + ch + 2, w - half - 12, h - y - ch - 6);
}
