// The operation list of the command-object configurations.
#include "CmdListView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <functional>

#include "RoleGate.h"
#include "CmdCategories.h"
#include "hostlibs/Cmd.h"
#include "hostlibs/ObjData.h"

namespace {

// The item under the mouse is drawn underlined, as a hot link.
class CHotItemDelegate : public QStyledItemDelegate {
public:
    CHotItemDelegate(QObject* parent, std::function<bool(const QModelIndex&)> mayRun)
        : QStyledItemDelegate(parent), m_mayRun(std::move(mayRun)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_MouseOver) option->font.setUnderline(true);
        // What the operator's role may not run is drawn greyed, as its menu entry.
        if (!m_mayRun(index)) option->state &= ~QStyle::State_Enabled;
    }

private:
    std::function<bool(const QModelIndex&)> m_mayRun;
};

}  // namespace

void SetCmdViewLook(QListView* view, int iconSize) {
    view->setViewMode(QListView::IconMode);
    view->setIconSize(QSize(iconSize, iconSize));
    view->setResizeMode(QListView::Adjust);
    view->setMovement(QListView::Static);
    view->setWrapping(true);
    view->setWordWrap(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette pal = view->palette();
    const QColor back(217, 222, 223);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, back);
        pal.setColor(group, QPalette::Window, back);
    }
    // The selection stays visible while another pane has the focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(pal);
}

const MsgMap* CCmdListView::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(WM_COMMAND, &CCmdListView::OnCommand)};
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CCmdListView::CCmdListView(QWidget* parent) : CWndT(parent) {
    setObjectName(QStringLiteral("cmdList"));
    SetCmdViewLook(this, 64);
    setGridSize(QSize(150, 110));
    setItemDelegate(new CHotItemDelegate(this, [this](const QModelIndex& index) {
        return !m_pObj || RoleAllowsOp(this, *m_pObj, index.data(Qt::UserRole).toUInt() - kCmdIdBase);
    }));
    // For the window dump: where the items keep their images' names.
    setProperty("dumpAs", QStringLiteral("operations"));
    setProperty("imageNameRole", kImageNameRole);
    connect(this, &QAbstractItemView::clicked, this, [this] { ChooseSelected(); });
}

CCmdListView::~CCmdListView() = default;

void CCmdListView::SetObj(CComObj* obj, const CImageList* images) {
    m_pObj = obj;
    if (images) m_pImages = images;
    if (m_pObj && !m_pObj->IsValidObj()) m_pObj = nullptr;
    FillCmdList();
    BuildContextMenu();
}

void CCmdListView::FillCmdList() {
    if (!m_pObj) return;
    clear();
    // Hover tracking off; the hot item underlined, its name as its tip.
    setMouseTracking(true);
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    m_pObj->EnumAllCmds(codes, names);
    for (const SCmdIcon& icon : ArrangeCmdIcons(codes, names)) {
        auto* item = new QListWidgetItem(QString::fromStdString(icon.name), this);
        item->setData(Qt::UserRole, static_cast<int>(icon.code + kCmdIdBase));
        item->setToolTip(item->text());
        if (m_pImages && icon.image < m_pImages->Count()) {
            item->setIcon(m_pImages->images.at(icon.image));
            item->setData(kImageNameRole, m_pImages->names.at(icon.image));
        }
    }
}

void CCmdListView::BuildContextMenu() {
    if (!m_pObj) return;
    m_pMenu = std::make_unique<QMenu>();
    m_pMenu->setObjectName(QStringLiteral("cmdMenu"));
    m_pMenuSpecial.reset();
    std::vector<DWORD> codes;
    std::vector<std::string> names;
    m_pObj->EnumAllCmds(codes, names);
    const SCmdMenuLayout layout = AssembleCmdMenu(GroupCmdMenu(codes, names, m_pObj->GetCmdTable()));
    auto addItems = [this](QMenu* menu, const std::vector<SCmdMenuItem>& items) {
        for (const SCmdMenuItem& item : items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QString::fromStdString(item.text));
            const UINT id = item.id;
            a->setData(id);
            connect(a, &QAction::triggered, this, [this, id] { PostMessage(this, WM_COMMAND, id, 0); });
        }
    };
    addItems(m_pMenu.get(), layout.items);
    if (layout.special) {
        m_pMenuSpecial = std::make_unique<QMenu>(QString::fromStdString(layout.specialTitle));
        addItems(m_pMenuSpecial.get(), layout.specialItems);
        m_pMenu->addMenu(m_pMenuSpecial.get());
    }
    setProperty("contextMenu", QVariant::fromValue(static_cast<QObject*>(m_pMenu.get())));
}

void CCmdListView::ChooseSelected() {
    if (!m_pObj) return;
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return;
    QListWidgetItem* first = selected.front();
    for (QListWidgetItem* item : selected)
        if (row(item) < row(first)) first = item;
    PostMessage(this, WM_COMMAND, static_cast<WPARAM>(first->data(Qt::UserRole).toInt()), 0);
}

void CCmdListView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        ChooseSelected();
        return;
    }
    CWndT::keyPressEvent(e);
}

void CCmdListView::contextMenuEvent(QContextMenuEvent* e) {
    if (!m_pMenu) return;
    // What the operator's role may not run stays grey.
    for (QMenu* menu : {m_pMenu.get(), m_pMenuSpecial.get()})
        if (menu)
            for (QAction* a : menu->actions())
                if (!a->isSeparator() && !a->menu())
                    a->setEnabled(RoleAllowsOp(this, *m_pObj, a->data().toUInt() - kCmdIdBase));
    m_pMenu->popup(e->globalPos());
}

LRESULT CCmdListView::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = static_cast<UINT>(wParam & 0xFFFF);
    const UINT code = static_cast<UINT>((wParam >> 16) & 0xFFFF);
    if (id >= kCmdIdBase && id < kCmdIdEnd && code == 0 && m_pObj) {
        const DWORD op = id - kCmdIdBase;
        if (!RoleAllowsOp(this, *m_pObj, op)) return DefWindowProc(WM_COMMAND, wParam, lParam);
        CCmd cmd;
        if (m_pObj->GetCmdByOpID(cmd, op)) m_strCurCmd = cmd.GetCmdDisplayName();
        m_pObj->InvokeOperation(op);
    }
    return DefWindowProc(WM_COMMAND, wParam, lParam);
}
