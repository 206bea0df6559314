// The V5 subscriber dialogs.
#include "V5UserDlg.h"

#include <QFocusEvent>
#include <QFrame>
#include <QMouseEvent>

#include "DlgControls.h"
#include "GreyedInput.h"
#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "TreeFollow.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"
#include "userobj/Messages.h"

const SV5Family kV5Family{10036, 325, 326, 327, HS_V5_PORT_PSTN, "V5 Subscribers"};
const SV5Family kV5BraFamily{14003, 325, 334, 335, HS_V5_PORT_ISDN, "V5 BRA Subscribers"};

namespace {

QWidget* MakeBar(QWidget* parent, int id) {
    auto* bar = new QFrame(parent);
    bar->setObjectName(QStringLiteral("ctl%1").arg(id));
    bar->setFrameShape(QFrame::VLine);
    return bar;
}

}  // namespace

const MsgMap* CV5DialogBase::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_COUNT_CHANGED, &CV5DialogBase::OnCountChanged),
        ON_MESSAGE(msg::WM_SELECTION_CHANGED, &CV5DialogBase::OnDataInitBuffer),
        ON_MESSAGE(msg::WM_REBUILT, &CV5DialogBase::OnDataUpdateBuffer),
        ON_MESSAGE(msg::WM_V5INTERFACE_CHOSEN, &CV5DialogBase::OnNotifyOtherCtrlRefresh),
        ON_MESSAGE(msg::WM_COMMAND, &CV5DialogBase::OnCommand),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CV5DialogBase::CV5DialogBase(const SV5Family& family, QWidget* parent)
    : CUserDlg(parent),
      m_family(family),
      m_captionIf(MakeCaption(this, kCaptionIf, QStringLiteral("V5 Interfaces"))),
      m_captionPort(MakeCaption(this, kCaptionPort, QStringLiteral("L3 Ports"))),
      m_captionSub(MakeCaption(this, kCaptionSub, QString::fromUtf8(family.subscriberCaption))),
      m_barIfPort(MakeBar(this, kBarIfPort)),
      m_barPortSub(MakeBar(this, kBarPortSub)),
      m_treeIf(this, kTreeIf),
      m_treePort(this, kTreePort),
      m_listSub(this, kListSub) {
    setObjectName(QStringLiteral("dlg%1").arg(family.templateId));
    // The trees come first: no list is active until the operator picks one.
    m_pDefaultList = m_pActiveListCtrl = nullptr;
    OnInitDialog();
}

CV5DialogBase::~CV5DialogBase() {
    // The bars let go of their panes before the controls go.
    m_splitterIfPort.Unbind();
    m_splitterPortSub.Unbind();
}

void CV5DialogBase::OnInitDialog() {
    // The tab names what the window lists: the plain twin's title is
    // string 10084, the BRA twin's its own subscriber caption.
    setWindowTitle(m_family.typeString == HS_V5_PORT_ISDN ? QString::fromUtf8(m_family.subscriberCaption)
                                                          : QString::fromStdString(HostString(10084)));
    m_strCaptionBase = m_captionSub->text().toStdString();
    m_listSub.setWindowTitle(QString::fromStdString(HostString(10149)));
    m_listSub.SetListKey(HostString(10149));
    m_splitterIfPort.BindWithControl(this, kBarIfPort);
    m_splitterIfPort.AttachAsLeftPane(kCaptionIf);
    m_splitterIfPort.AttachAsLeftPane(kTreeIf);
    m_splitterIfPort.AttachAsRightPane(kCaptionPort);
    m_splitterIfPort.AttachAsRightPane(kTreePort);
    m_splitterPortSub.BindWithControl(this, kBarPortSub);
    m_splitterPortSub.AttachAsLeftPane(kCaptionPort);
    m_splitterPortSub.AttachAsLeftPane(kTreePort);
    m_splitterPortSub.AttachAsRightPane(kCaptionSub);
    m_splitterPortSub.AttachAsRightPane(kListSub);
    for (QWidget* w : {static_cast<QWidget*>(&m_treeIf), static_cast<QWidget*>(&m_treePort),
                       static_cast<QWidget*>(&m_listSub)})
        w->installEventFilter(this);
    m_treeIf.viewport()->installEventFilter(this);
    m_treePort.viewport()->installEventFilter(this);
    m_listSub.viewport()->installEventFilter(this);
    Relayout();
}

QLabel* CV5DialogBase::Caption(int id) const {
    return id == kCaptionIf     ? m_captionIf
           : id == kCaptionPort ? m_captionPort
           : id == kCaptionSub  ? m_captionSub
                                : nullptr;
}

BOOL CV5DialogBase::InitObj(CUserObjWnd* frame, IFrmDatabase* db) {
    m_pFrame = frame;
    m_pDatabase = db;
    if (!db) return FALSE;
    const SComObj descIf = db->ObjLoadAllDesc(m_family.interfaceType);
    m_descPort = db->ObjLoadAllDesc(m_family.portType);
    m_descSub = db->ObjLoadAllDesc(m_family.subscriberType);
    QWidget* detail = frame ? frame->m_pDetailView : nullptr;
    if (!m_dataIf.Create(m_family.interfaceType, descIf, frame, &m_treeIf, detail, 1, nullptr,
                         nullptr))
        return FALSE;
    m_treeIf.m_obj = &m_dataIf;
    if (frame) {
        frame->RegisterObjDesc(m_dataIf.GetComObj(), &m_dataIf);
        frame->RegisterObjDesc(m_dataPort.GetComObj(), &m_dataPort);
        frame->RegisterObjDesc(m_dataSub.GetComObj(), &m_dataSub);
    }
    if (detail) {
        SDetailSelection sel{m_dataIf.GetComObj(), m_dataIf.GetDynData(), -1};
        SendMessage(detail, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
    }
    return TRUE;
}

void CV5DialogBase::ShowDetailOf(CObjDescData& data) {
    if (!m_pFrame || !m_pFrame->m_pDetailView) return;
    SDetailSelection sel{data.GetComObj(), data.GetDynData(), -1};
    SendMessage(m_pFrame->m_pDetailView, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
}

// ---- picks ----

void CV5DialogBase::OnInterfaceClick(QPoint viewportPos) {
    SetActiveListCtrl(nullptr);
    if (m_nDetailSource != kDetailInterface) {
        m_nDetailSource = kDetailInterface;
        ShowDetailOf(m_dataIf);
    }
    QTreeWidgetItem* item = m_treeIf.HitTest(viewportPos);
    if (!item) return;
    std::string key;
    DWORD instance = 0;
    if (CV5TreeBase::ItemKind(item) == CV5InterfaceTree::kInterface) {
        const size_t i = CV5TreeBase::ItemNumber(item);
        if (i < m_treeIf.Records().size()) {
            key = m_treeIf.Records()[i].key;
            instance = m_treeIf.FirstInstanceOf(key);
        }
    }
    if (m_dataIf.IsCreated()) m_dataIf.GetComObj()->InvokeConfigDetailView(instance, 0, 0, 1, -1);
    BindPortTree(key);
    BindSubscriberList(HostString(m_family.typeString), key, "0", "0");
}

void CV5DialogBase::OnPortClick(QPoint viewportPos) {
    SetActiveListCtrl(nullptr);
    if (!m_bPortBound) return;
    if (m_nDetailSource != kDetailPort) {
        m_nDetailSource = kDetailPort;
        ShowDetailOf(m_dataPort);
    }
    QTreeWidgetItem* item = m_treePort.HitTest(viewportPos);
    if (!item) return;
    const std::string parentText =
        item->parent() ? item->parent()->text(0).toStdString() : std::string();
    if (CV5TreeBase::ItemKind(item) != CV5PortL3Tree::kPort) return;
    const size_t i = CV5TreeBase::ItemNumber(item);
    if (i >= m_treePort.Records().size()) return;
    const CV5PortL3Tree::L3& port = m_treePort.Records()[i];
    BindSubscriberList(parentText, m_treePort.m_strInterfaceKey, port.value1, port.value2);
}

void CV5DialogBase::OnListClick() {
    SetActiveListCtrl(&m_listSub);
    if (!m_bListBound) return;
    if (m_nDetailSource != kDetailSubscriber) {
        m_nDetailSource = kDetailSubscriber;
        ShowActiveDetail();
    }
    if (m_listSub.SelectedCount() == 1 && m_dataSub.IsCreated())
        m_dataSub.GetComObj()->InvokeConfigDetailView(m_listSub.SelectedIds().front(), 0, 0, 1, -1);
}

// ---- binding ----

void CV5DialogBase::BindPortTree(const std::string& key) {
    const CRestrictInfo restrict {{HostString(HS_V5_INTERFACE), key}};
    // The root and the groups name no interface: an empty key binds nothing.
    if (key.empty() || !restrict.IsValid()) return;
    // Ports delivered for another operator's change or a new session show
    // the operator's place; those the operator asked for start afresh.
    m_treePort.Empty(CTreeFollower::IsFollowing(m_treeIf) || CTreeFollower::IsFollowing(m_treePort));
    if (const CObjDescData* cached = m_portCache.Find(restrict)) {
        // Known ports: delivered to the tree again without a query.
        m_dataPort = *cached;
        m_treePort.m_strInterfaceKey = key;
        m_treePort.m_obj = &m_dataPort;
        m_dataPort.NotifyWndInit(&m_treePort);
        return;
    }
    m_dataPort.Text().clear();
    const CPackageStream package(restrict);
    QWidget* detail = m_pFrame ? m_pFrame->m_pDetailView : nullptr;
    if (!m_dataPort.Create(m_family.portType, m_descPort, m_pFrame, &m_treePort, detail, 1, nullptr,
                           &package))
        return;
    m_treePort.m_obj = &m_dataPort;
    m_treePort.m_strInterfaceKey = key;
    m_bPortBound = true;
}

void CV5DialogBase::BindSubscriberList(const std::string& groupText, const std::string& key,
                                       const std::string& value1, const std::string& value2) {
    const std::string first = HostString(HS_V5_PORT_FIRST), last = HostString(HS_V5_PORT_LAST);
    const CRestrictInfo restrict {
        {HostString(HS_V5_INTERFACE), key}, {first, value1}, {last, value2}};
    if (!key.empty() && restrict.IsValid()) {
        m_dataSub.Text().clear();
        if (groupText == HostString(m_family.typeString)) {
            const CPackageStream package(restrict);
            QWidget* detail = m_pFrame ? m_pFrame->m_pDetailView : nullptr;
            if (m_dataSub.Create(m_family.subscriberType, m_descSub, m_pFrame, &m_listSub, detail,
                                 1, nullptr, &package)) {
                m_listSub.m_obj = &m_dataSub;
                m_listSub.BuildMenu();
                m_bListBound = true;
            }
        }
    }
    // The data keeps only the interface as its parent; the port range
    // stays in the list command alone.
    CRestrictInfo& kept = m_dataSub.GetRestriction();
    while (kept.RemoveLast(first, true) || kept.RemoveLast(last, true)) {
    }
}

// ---- notifications ----

LRESULT CV5DialogBase::OnDataInitBuffer(WPARAM wParam, LPARAM) {
    if (wParam == ToWParam(&m_treePort) && m_dataPort.IsCreated())
        m_portCache.Store(m_dataPort.GetRestriction(), m_dataPort);
    return 1;
}

LRESULT CV5DialogBase::OnDataUpdateBuffer(WPARAM wParam, LPARAM) {
    if (wParam == ToWParam(&m_treeIf)) m_portCache.Clear();  // the interfaces were loaded again
    // Another operator changed ports: those of the other interfaces kept
    // here may be theirs no longer.
    if (wParam == ToWParam(&m_treePort) && CTreeFollower::IsFollowing(m_treePort)) m_portCache.Clear();
    return 1;
}

LRESULT CV5DialogBase::OnNotifyOtherCtrlRefresh(WPARAM wParam, LPARAM) {
    const auto* key = FromWParam<const std::string>(wParam);
    if (!key) return 1;
    // The root's announcement opens a build of the interfaces: the ports
    // cached so far may have changed with them.
    if (key->empty()) m_portCache.Clear();
    // Interfaces listed again for another operator's change end with the
    // port tree on the operator's interface: its subscribers stay listed.
    if (CTreeFollower::IsFollowing(m_treeIf)) {
        BindPortTree(*key);
        return 1;
    }
    m_listSub.Model().RemoveAllRows();
    m_listSub.Model().RemoveAllColumns();
    m_bListBound = false;
    m_captionSub->setText(QString::fromStdString(m_strCaptionBase));  // no count for an empty list
    BindPortTree(*key);
    return 1;
}

LRESULT CV5DialogBase::OnCountChanged(WPARAM wParam, LPARAM) {
    if (wParam != ToWParam(&m_listSub)) return 1;
    m_captionSub->setText(QString::fromStdString(platform::Format(
        HostString(10047).c_str(), m_strCaptionBase.c_str(), m_listSub.GetItemCount())));
    return 1;
}

LRESULT CV5DialogBase::OnCommand(WPARAM id, LPARAM) {
    if (id == kCmdRefreshIf) {
        if (m_dataIf.IsCreated() && m_dataIf.GetComObj()->IsValidObj()) {
            m_treeIf.clear();
            m_dataIf.InvokeUpdate();
        }
        return 1;
    }
    if (id == kCmdRefreshPort) {
        if (m_treePort.m_obj) m_treePort.m_obj->InvokeUpdate();
        return 1;
    }
    return 0;
}

void CV5DialogBase::Refresh() {
    switch (m_nDetailSource) {
        case kDetailInterface:
            if (m_dataIf.IsCreated() && m_dataIf.GetComObj()->IsValidObj()) m_dataIf.InvokeUpdate();
            break;
        case kDetailPort:
            if (m_treePort.m_obj) m_treePort.m_obj->InvokeUpdate();
            break;
        default:
            if (m_listSub.m_obj) m_listSub.Refresh();
            break;
    }
}

// ---- input and layout ----

bool CV5DialogBase::eventFilter(QObject* o, QEvent* e) {
    if (IsGreyedClick(o, e)) return CUserDlg::eventFilter(o, e);
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
        if (o == m_treeIf.viewport())
            OnInterfaceClick(p);
        else if (o == m_treePort.viewport())
            OnPortClick(p);
        else if (o == m_listSub.viewport())
            OnListClick();
    } else if (e->type() == QEvent::FocusIn) {
        if (o == &m_listSub) {
            if (m_pFrame && m_pActiveListCtrl != &m_listSub) SetActiveListCtrl(&m_listSub);
        } else if ((o == &m_treeIf || o == &m_treePort) && m_pActiveListCtrl) {
            SetActiveListCtrl(nullptr);
        }
    }
    return CUserDlg::eventFilter(o, e);
}

void CV5DialogBase::resizeEvent(QResizeEvent* e) {
    CUserDlg::resizeEvent(e);
    if (!isMinimized()) Relayout();
}

void CV5DialogBase::Relayout() {
    constexpr int margin = 4, gap = 4,
                  bar = 2;  // a pane ends 2 pixels before a bar, as the bars keep it
    const int w = width(), h = height();
    const int column = std::max(0, (w - 2 * margin - 2 * gap) / 3);
    const int ch = m_captionIf->sizeHint().height();
    const int top = margin + ch + 2, below = std::max(0, h - top - margin);
    QWidget* captions[] = {m_captionIf, m_captionPort, m_captionSub};
    QWidget* panes[] = {&m_treeIf, &m_treePort, &m_listSub};
    QWidget* bars[] = {m_barIfPort, m_barPortSub};
    for (int i = 0; i < 3; ++i) {
        const int x = margin + i * (column + gap);
        captions[i]->setGeometry(x, margin, column, ch);
        panes[i]->setGeometry(x, top, column, below);
        if (i < 2) bars[i]->setGeometry(x + column + (gap - bar) / 2, margin, bar, h - 2 * margin);
    }
}
