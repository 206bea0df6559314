// A tree follows the changes other operators make to its object.
#include "TreeFollow.h"

#include <QDialog>
#include <QTimer>
#include <QTreeWidget>

#include <utility>

#include "ModuleState.h"
#include "UserObjWnd.h"
#include "hostlibs/ObjData.h"

namespace {
constexpr int kFollowDelayMs = 150;  // a burst of notices asks once
constexpr int kFollowRetryMs = 100;  // while the window waits for the switch
}  // namespace

CTreeFollower::CTreeFollower(QTreeWidget& tree, CObjDescData& data, CUserObjWnd& window)
    : QObject(&tree), m_tree(tree), m_data(data), m_window(&window), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("treeFollower"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CTreeFollower::ReadAnew);
}

CTreeFollower* CTreeFollower::Find(const QTreeWidget& tree) {
    return tree.findChild<CTreeFollower*>(QStringLiteral("treeFollower"), Qt::FindDirectChildrenOnly);
}

CTreeFollower& CTreeFollower::Of(QTreeWidget& tree, CObjDescData& data, CUserObjWnd& window) {
    if (CTreeFollower* f = Find(tree)) return *f;
    return *new CTreeFollower(tree, data, window);  // the tree's child
}

void CTreeFollower::Follow(QDialog* editing) {
    if (editing) {
        // Once the dialog is done, the tree reads what the switch has then.
        const QByteArray once = "treeFollows" + QByteArray::number(reinterpret_cast<quintptr>(this));
        if (editing->property(once.constData()).toBool()) return;
        editing->setProperty(once.constData(), true);
        QPointer<CTreeFollower> self(this);
        connect(editing, &QDialog::finished, this, [self] {
            if (self) self->Follow(nullptr);
        }, Qt::QueuedConnection);
        return;
    }
    if (!m_timer->isActive()) m_timer->start(kFollowDelayMs);
}

std::vector<std::string> CTreeFollower::KeyOf(unsigned long id) const {
    std::vector<std::string> key;
    const CDynData* data = m_data.GetDynData();
    const CInstData* rec = data && id ? data->FindInst(static_cast<DWORD>(id)) : nullptr;
    if (!rec || !m_data.GetComObj()) return key;
    for (const SAttributeItem& a : m_data.GetComObj()->GetDesc().attributes)
        if (const int c = a.key ? data->ColumnOf(a.name) : -1; c >= 0) key.push_back(rec->GetFieldText(c));
    return key;
}

void CTreeFollower::ReadAnew() {
    if (!m_window || !m_data.IsCreated()) return;
    if (g_nListLock > 0 || m_window->IsBusy()) {
        // The window's own command first: the answer it waits for is the operator's.
        m_timer->start(kFollowRetryMs);
        return;
    }
    m_panelKey = KeyOf(m_data.GetDynData()->GetDetailInst());
    m_following = m_data.InvokeUpdate() != 0;
    if (m_following) QTimer::singleShot(kFollowRetryMs, this, &CTreeFollower::ForgetUnanswered);
}

void CTreeFollower::ForgetUnanswered() {
    if (!m_following) return;
    if (m_window && m_window->IsBusy()) {
        QTimer::singleShot(kFollowRetryMs, this, &CTreeFollower::ForgetUnanswered);
        return;
    }
    m_following = false;
    m_panelKey.clear();
}

void CTreeFollower::Rebuilt(QTreeWidget& tree) {
    CTreeFollower* f = Find(tree);
    if (!f || !f->m_following) return;
    f->m_following = false;
    const std::vector<std::string> shown = std::exchange(f->m_panelKey, {});
    if (shown.empty() || !f->m_data.GetDynData()) return;
    for (const CInstData& rec : f->m_data.GetDynData()->GetData())
        if (f->KeyOf(rec.GetInstID()) == shown) {
            // The panel's record as the switch has it now.
            f->m_data.GetComObj()->InvokeConfigDetailView(rec.GetInstID(), 1, 0, 1, -1);
            return;
        }
}

bool CTreeFollower::IsFollowing(const QTreeWidget& tree) {
    const CTreeFollower* f = Find(tree);
    return f && f->m_following;
}
