// The views of the object window's panes.
#include "FormViews.h"

#include <QVBoxLayout>

#include "hostlibs/ObjData.h"

CFormViewBase::CFormViewBase(QWidget* parent) : CWndT(parent), m_placeholder(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_placeholder);
    m_placeholder->setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
}

void CFormViewBase::OnInitialUpdate() {
    m_placeholder->setText(QStringLiteral("(the subscriber dialogs of this view are not built yet)"));
}

CCmdObjListView::CCmdObjListView(QWidget* parent) : CWndT(parent) {
    setObjectName(QStringLiteral("cmdObjList"));
    setViewMode(QListView::IconMode);
    setIconSize(QSize(32, 32));
    setResizeMode(QListView::Adjust);
    setStyleSheet(QStringLiteral("QListWidget { background: rgb(217,222,223); }"));
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (CComObj* obj = ItemObject(item); obj && m_pCmdListView) m_pCmdListView->SetObj(obj, nullptr);
    });
}

CComObj* CCmdObjListView::ItemObject(QListWidgetItem* item) {
    return item ? static_cast<CComObj*>(item->data(Qt::UserRole).value<void*>()) : nullptr;
}

CCmdListView::CCmdListView(QWidget* parent) : CWndT(parent) {
    setObjectName(QStringLiteral("cmdList"));
    setViewMode(QListView::IconMode);
    setIconSize(QSize(64, 64));
    setResizeMode(QListView::Adjust);
    setStyleSheet(QStringLiteral("QListWidget { background: rgb(217,222,223); }"));
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (m_pObj && item) m_pObj->InvokeOperation(static_cast<DWORD>(item->data(Qt::UserRole).toInt() - 3000));
    });
}

void CCmdListView::SetObj(CComObj* obj, const QList<QIcon>* images) {
    m_pObj = obj && obj->IsValidObj() ? obj : nullptr;
    if (!m_pObj) return;
    clear();
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    m_pObj->EnumAllCmds(codes, names);
    for (size_t i = codes.size(); i-- > 0;) {
        auto* item = new QListWidgetItem(QString::fromStdString(names[i]), this);
        item->setData(Qt::UserRole, static_cast<int>(codes[i] + 3000));
        if (images && !images->isEmpty()) item->setIcon(images->at(static_cast<int>(i) % images->size()));
    }
}
