// The V5 trees' shared behaviour.
#include "V5Tree.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

#include "HostStrings.h"
#include "TreeFollow.h"
#include "hostlibs/ObjData.h"
#include "userobj/Messages.h"

namespace {
// The trees' one image: a small lamp on the tree's background.
QIcon TreeImage() {
    QPixmap pm(16, 13);
    pm.fill(QColor(210, 218, 210));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(40, 90, 40));
    p.setBrush(QColor(90, 170, 90));
    p.drawEllipse(QRectF(3.5, 2.5, 9, 8));
    return QIcon(pm);
}
}  // namespace

const MsgMap* CV5TreeBase::MessageMap() {
    // Only a whole delivery rebuilds a tree. A record changed one by one
    // (an interface's new state from its details) leaves the trees, the
    // port tree's binding and the port cache as they are; F5 lists again.
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_BUSYLOCK, &CV5TreeBase::OnBusyLock),
        ON_MESSAGE(msg::WM_DATA_INIT, &CV5TreeBase::OnDataInit),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CV5TreeBase::CV5TreeBase(QWidget* parent, int controlId, int refreshCommand)
    : CWndT(parent), m_nRefreshCommand(refreshCommand) {
    setObjectName(QStringLiteral("ctl%1").arg(controlId));
    setProperty("controlId", controlId);
    setHeaderHidden(true);
    setIconSize(QSize(16, 13));
    setStyleSheet(QStringLiteral("QTreeWidget { background: rgb(210,218,210); }"));
}

WORD CV5TreeBase::ItemKind(const QTreeWidgetItem* item) {
    return item ? static_cast<WORD>(item->data(0, Qt::UserRole).toUInt() >> 16) : 0;
}

WORD CV5TreeBase::ItemNumber(const QTreeWidgetItem* item) {
    return item ? static_cast<WORD>(item->data(0, Qt::UserRole).toUInt() & 0xFFFF) : 0;
}

QTreeWidgetItem* CV5TreeBase::HitTest(QPoint viewportPos) const {
    QTreeWidgetItem* item = itemAt(viewportPos);
    if (!item) return nullptr;
    // Left of the icon lie the indentation and the expand button: no hit.
    return viewportPos.x() >= visualItemRect(item).left() ? item : nullptr;
}

QTreeWidgetItem* CV5TreeBase::AddItem(QTreeWidgetItem* parent, const QString& text, DWORD data,
                                      bool hasChildren) {
    auto* item = parent ? new QTreeWidgetItem(parent, QStringList{text})
                        : new QTreeWidgetItem(this, QStringList{text});
    item->setData(0, Qt::UserRole, static_cast<uint>(data));
    static const QIcon image = TreeImage();
    item->setIcon(0, image);
    if (hasChildren) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    item->setExpanded(true);
    return item;
}

void CV5TreeBase::NotifyParent(UINT message, WPARAM wParam, LPARAM lParam) {
    if (QWidget* p = parentWidget()) SendMessage(p, message, wParam, lParam);
}

void CV5TreeBase::EmptyUntilDelivery(bool keepPlace) {
    // Emptied again on the way (another interface announced first): the
    // place taken before stays.
    if (!keepPlace)
        m_placeEmptied = {};
    else if (topLevelItemCount() > 0)
        m_placeEmptied = CTreePlace::Take(*this);
    clear();
}

CTreePlace CV5TreeBase::TakePlace() {
    CTreePlace emptied = std::exchange(m_placeEmptied, {});
    if (topLevelItemCount() == 0) return emptied;
    return CTreeFollower::IsFollowing(*this) ? CTreePlace::Take(*this) : CTreePlace {};
}

LRESULT CV5TreeBase::OnBusyLock(WPARAM count, LPARAM) {
    BusyCount() = static_cast<int>(count);
    return 1;
}

void CV5TreeBase::keyPressEvent(QKeyEvent* e) {
    if (BusyCount() <= 0 && e->key() == Qt::Key_F5 && m_obj) {
        m_obj->InvokeUpdate();  // the data is queried again
        e->accept();
        return;
    }
    CWndT::keyPressEvent(e);
}

void CV5TreeBase::mousePressEvent(QMouseEvent* e) {
    CWndT::mousePressEvent(e);
    if (e->button() == Qt::RightButton) ShowContextMenu(e->position().toPoint());
}

void CV5TreeBase::ShowContextMenu(QPoint viewportPos) {
    if (QTreeWidgetItem* item = itemAt(viewportPos)) setCurrentItem(item);
    if (!m_obj) return;
    if (!m_pMenu) {
        m_pMenu = std::make_unique<QMenu>();
        const QString text =
            QString::fromStdString(HostString(10050)) + QStringLiteral("                       F5");
        m_pMenu->addAction(text, this, [this] {
            if (QWidget* p = parentWidget())
                SendMessage(p, msg::WM_COMMAND, static_cast<WPARAM>(m_nRefreshCommand), 0);
        });
    }
    m_pMenu->popup(viewport()->mapToGlobal(viewportPos));
}
