// The number segment dialog.
#include "DnSegDlg.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>

#include "ControlIds.h"
#include "GreyedInput.h"
#include "HostStrings.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "TreeFollow.h"
#include "UserObjWnd.h"
#include "userobj/Messages.h"

namespace {

constexpr DWORD kSegmentType = 305;
constexpr DWORD kNumberType = 316;
const QColor kTreeBackground(210, 218, 210);

// The tree's images: a segment (a stack of numbers) and one block of it.
QList<QIcon> SegmentImages() {
    QList<QIcon> images;
    for (int kind = 0; kind < 2; ++kind) {
        QPixmap pm(16, 13);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(QColor(40, 60, 40));
        if (kind == 0) {
            for (int i = 0; i < 3; ++i) {
                p.setBrush(QColor(120 + 40 * i, 170, 120 + 30 * i));
                p.drawRect(1 + i * 2, 1 + i * 3, 10, 5);
            }
        } else {
            p.setBrush(QColor(230, 230, 160));
            p.drawRect(3, 2, 9, 8);
            p.drawLine(5, 5, 10, 5);
            p.drawLine(5, 7, 10, 7);
        }
        images.push_back(QIcon(pm));
    }
    return images;
}

}  // namespace

const MsgMap* CDnSegDlg::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_SELECTION_CHANGED, &CDnSegDlg::OnDataInitBuffer),
        ON_MESSAGE(msg::WM_REBUILT, &CDnSegDlg::OnDataUpdateBuffer),
        ON_MESSAGE(msg::WM_COUNT_CHANGED, &CDnSegDlg::OnIgnore),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CDnSegDlg::CDnSegDlg(QWidget* parent)
    : CWndT(parent),
      m_captionTree(ids::Control(new QLabel(this), 10191)),
      m_captionList(ids::Control(new QLabel(this), 10192)),
      m_tree(this, 10163),
      m_list(this, 10166),
      m_bar(ids::Control(new QFrame(this), 10167)) {
    setWindowFlags(Qt::Widget);
    setObjectName(QStringLiteral("dlg10030"));
    static_cast<QFrame*>(m_bar)->setFrameShape(QFrame::VLine);
    m_bar->setFixedWidth(6);
    OnInitDialog();
}

CDnSegDlg::~CDnSegDlg() {
    m_splitter.Unbind();
}

void CDnSegDlg::OnInitDialog() {
    setWindowTitle(QString::fromStdString(HostString(10029)));
    m_captionTree->setText(QString::fromStdString(HostString(10029)));
    m_list.setWindowTitle(QString::fromStdString(HostString(10252)));
    m_captionList->setText(m_list.windowTitle());
    QPalette pal = m_tree.palette();
    pal.setColor(QPalette::Base, kTreeBackground);
    m_tree.setPalette(pal);
    m_tree.SetImageList(SegmentImages());
    m_tree.viewport()->installEventFilter(this);
    m_list.viewport()->installEventFilter(this);
    m_splitter.BindWithControl(this, 10167);
    m_splitter.AttachAsLeftPane(10191);
    m_splitter.AttachAsLeftPane(10163);
    m_splitter.AttachAsRightPane(10192);
    m_splitter.AttachAsRightPane(10166);
    Relayout();
}

BOOL CDnSegDlg::InitObj(CUserObjWnd* frame, IFrmDatabase* db) {
    m_pFrame = frame;
    m_pDatabase = db;
    if (!db) return FALSE;
    const SComObj descSeg = db->ObjLoadAllDesc(kSegmentType);
    m_descList = db->ObjLoadAllDesc(kNumberType);
    QWidget* detail = frame ? frame->m_pDetailView : nullptr;
    if (!m_dataSeg.Create(kSegmentType, descSeg, frame, &m_tree, detail, 1, nullptr, nullptr))
        return FALSE;
    m_tree.m_obj = &m_dataSeg;
    m_tree.InitMenu();
    if (frame) {
        frame->RegisterObjDesc(m_dataSeg.GetComObj(), &m_dataSeg);
        frame->RegisterObjDesc(m_dataList.GetComObj(), &m_dataList);
    }
    ShowDetailOf(m_dataSeg);
    return TRUE;
}

bool CDnSegDlg::ShowDetailOf(CObjDescData& data) {
    if (!m_pFrame) {
        W2L_FAIL("m_pFrame is NULL!");
        return false;
    }
    if (!m_pFrame->m_pDetailView) {
        W2L_FAIL("m_pFrame->m_pDetailView is NULL!");
        return false;
    }
    SDetailSelection sel{data.GetComObj(), data.GetDynData(), -1};
    SendMessage(m_pFrame->m_pDetailView, msg::WM_SHOWDETAIL, 0, ToLParam(&sel));
    return true;
}

CRestrictInfo CDnSegDlg::BlockRestriction(const SItemData& data) {
    return CRestrictInfo{{HostString(10037), platform::Format(HostString(10035).c_str(),
                                                              static_cast<int>(data.nSegIndex))},
                         {HostString(10039), std::to_string(data.nFirst)},
                         {HostString(10042), std::to_string(data.nLast)}};
}

void CDnSegDlg::OnClickListDnSeg(QPoint pos) {
    if (m_nDetailSource != DETAIL_TREE) {
        m_nDetailSource = DETAIL_TREE;
        if (!ShowDetailOf(m_dataSeg)) return;
    }
    QTreeWidgetItem* item = m_tree.itemAt(pos);
    if (!item || !m_tree.visualItemRect(item).contains(pos)) return;
    SItemData data;
    const bool known = m_tree.LookupItemData(item, data);
    // The panel shows the segment clicked at once; its details come with a double click.
    if (known && data.dwInstID != CDnSegTreeCtrl::kBlockItem && m_dataSeg.IsCreated())
        m_dataSeg.GetComObj()->InvokeConfigDetailView(data.dwInstID, 0, 1, 1, -1);
    // A segment split into blocks only shows its details, and a range of
    // blocks nothing: its blocks bind the list.
    if (known && m_tree.IsLeaf(item)) BindList(BlockRestriction(data));
}

void CDnSegDlg::BindList(const CRestrictInfo& restrict) {
    if (!restrict.IsValid()) return;
    if (const CObjDescData* cached = m_cache.Find(restrict)) {
        m_dataList = *cached;
        m_list.ForgetQuery();
        m_list.m_obj = &m_dataList;
        m_list.BuildMenu();
        m_dataList.NotifyWndInit(&m_list);
        return;
    }
    m_dataList.Text().clear();
    if (!m_pFrame) {
        W2L_FAIL("m_pFrame is NULL!");
        return;
    }
    const CPackageStream package(restrict);
    m_list.ForgetQuery();
    if (!m_dataList.Create(kNumberType, m_descList, m_pFrame, &m_list, m_pFrame->m_pDetailView, 1,
                           nullptr, &package))
        return;
    m_list.m_obj = &m_dataList;
    m_list.BuildMenu();
}

void CDnSegDlg::OnClickList() {
    if (m_nDetailSource == DETAIL_LIST) return;
    m_nDetailSource = DETAIL_LIST;
    if (m_list.m_obj) ShowDetailOf(m_dataList);
}

LRESULT CDnSegDlg::OnDataInitBuffer(WPARAM wParam, LPARAM) {
    // A page of a longer list is not the block's numbers: it is not kept,
    // and going back to the block lists it again.
    if (FromWParam<QObject>(wParam) == &m_list && m_dataList.IsCreated() && !m_list.IsPaged())
        m_cache.Store(m_dataList.GetRestriction(), m_dataList);
    return 1;
}

LRESULT CDnSegDlg::OnDataUpdateBuffer(WPARAM wParam, LPARAM) {
    if (FromWParam<QObject>(wParam) != &m_tree) return 1;
    // The segments were listed again: the numbers of a block listed before
    // may no longer be the switch's, so neither the cache nor the list keeps them.
    m_cache.Clear();
    // Unless another operator's change of the segments listed them: the
    // block the operator looks at stays, if the tree still has it picked.
    QTreeWidgetItem* picked = m_tree.SelectedItem();
    SItemData data;
    if (CTreeFollower::IsFollowing(m_tree) && m_list.m_obj && m_tree.IsLeaf(picked) &&
        m_tree.LookupItemData(picked, data) && BlockRestriction(data) == m_dataList.GetRestriction())
        return 1;
    m_list.m_obj = nullptr;
    m_list.ForgetQuery();
    m_list.Model().RemoveAllRows();
    return 1;
}

bool CDnSegDlg::eventFilter(QObject* o, QEvent* e) {
    if (IsGreyedClick(o, e)) return CWndT::eventFilter(o, e);
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (o == m_tree.viewport())
            OnClickListDnSeg(static_cast<QMouseEvent*>(e)->position().toPoint());
        else if (o == m_list.viewport())
            OnClickList();
    }
    return CWndT::eventFilter(o, e);
}

void CDnSegDlg::resizeEvent(QResizeEvent* e) {
    CWndT::resizeEvent(e);
    if (!isMinimized()) Relayout();
}

void CDnSegDlg::Relayout() {
    const int w = width(), h = height(), ch = m_captionTree->sizeHint().height() + 4;
    const int half = (w - 6) / 2;
    m_captionTree->setGeometry(4, 2, half - 6, ch);
    m_tree.setGeometry(4, ch + 4, half - 6, h - ch - 8);
    m_bar->setGeometry(half, 2, 6, h - 4);
    m_captionList->setGeometry(half + 8, 2, w - half - 12, ch);
    m_list.setGeometry(half + 8, ch + 4, w - half - 12, h - ch - 8);
}
