// The object window's filter tool bar. The window only routes: every command
// goes to the active list of the active dialog, which does the work.
#include <QAction>
#include <QComboBox>
#include <QStyle>
#include <QToolBar>

#include <functional>

#include "ControlIds.h"
#include "Filter.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "Trace.h"
#include "UserDlg.h"
#include "UserObjWnd.h"
#include "V5UserDlg.h"
#include "userobj/Messages.h"

namespace {

// The filter box: refilled each time its list drops down, so it always
// offers what the filter table holds now for the list that is active now.
class CFilterCombo : public QComboBox {
public:
    CFilterCombo(QWidget* parent, std::function<void()> beforeDropDown)
        : QComboBox(parent), m_beforeDropDown(std::move(beforeDropDown)) {}
    void showPopup() override {
        m_beforeDropDown();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_beforeDropDown;
};

}  // namespace

void CUserObjWnd::CreateFilterToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar%1").arg(ids::IDR_FILTER_TOOLBAR));
    m_pCbxFilter =
        ids::Control(new CFilterCombo(m_wndToolBar, [this] { InitCombo(); }), ids::ID_FILTER_COMBO);
    m_pCbxFilter->setMinimumWidth(170);
    m_pCbxFilter->setToolTip(QString::fromStdString(HostString(ids::ID_FILTER_COMBO)));
    m_wndToolBar->addWidget(m_pCbxFilter);
    connect(m_pCbxFilter, &QComboBox::activated, this,
            [this](int) { OnToolCommand(ids::ID_FILTER_COMBO); });
    auto button = [this](int id, QStyle::StandardPixmap icon) {
        // The host string of a command's own number is its tool tip.
        const QString tip = QString::fromStdString(HostString(id));
        QAction* a = m_wndToolBar->addAction(style()->standardIcon(icon), tip);
        a->setObjectName(QStringLiteral("cmd%1").arg(id));
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, [this, id] { OnToolCommand(id); });
        m_mapToolButtons[id] = a;
    };
    button(ids::ID_PREDEFINED_QUERY, QStyle::SP_FileDialogContentsView);
    button(ids::ID_DROP_FILTER, QStyle::SP_DialogResetButton);
    button(ids::ID_CUSTOMIZE_FILTER, QStyle::SP_FileDialogListView);
    button(ids::ID_REFRESH, QStyle::SP_BrowserReload);
    UpdateToolBar();
}

int CUserObjWnd::InitCombo() {
    if (!m_pCbxFilter) {
        W2L_FAIL("InitCombo Failure! m_pCbxFilter == NULL!");
        return 0;
    }
    if (!m_pActiveDlg) {
        W2L_FAIL("InitCombo Failure! m_pActiveDlg is NULL!");
        return 0;
    }
    CObjListCtrl* list = m_pActiveDlg->GetActiveListCtrl();
    if (!list) {
        W2L_FAIL("InitCombo Failure! m_pActiveDlg->GetActiveListCtrl is NULL");
        return 0;
    }
    m_pCbxFilter->clear();
    QString inForce;
    if (const CFilter::FilterMap* filters = FilterTable().Section(list->m_strListKey)) {
        for (const auto& [name, text] : *filters) {
            m_pCbxFilter->addItem(QString::fromStdString(name));
            if (text == list->m_strFilterCommand) inForce = QString::fromStdString(name);
        }
    }
    m_pCbxFilter->model()->sort(0);
    // A filter in force that is none of the saved ones selects nothing.
    m_pCbxFilter->setCurrentIndex(
        list->m_strFilterCommand.empty() || inForce.isEmpty()
            ? -1
            : m_pCbxFilter->findText(inForce, Qt::MatchExactly | Qt::MatchCaseSensitive));
    UpdateToolBar();
    return 1;
}

void CUserObjWnd::OnToolCommand(int id) {
    CObjListCtrl* list = m_pActiveDlg ? m_pActiveDlg->GetActiveListCtrl() : nullptr;
    switch (id) {
        case ids::ID_FILTER_COMBO:
            if (!list || !m_pCbxFilter || m_pCbxFilter->currentIndex() < 0) break;
            SendMessage(list, msg::WM_FILTER_CHOSEN, 0, m_pCbxFilter->currentIndex());
            InitCombo();  // a choice that could not be sent leaves the filter in force shown
            break;
        case ids::ID_PREDEFINED_QUERY:
            if (list) SendMessage(list, msg::WM_PREDEFINED_QUERY, 0, 0);
            break;
        case ids::ID_DROP_FILTER:
            if (list) list->DropFilter();
            break;
        case ids::ID_CUSTOMIZE_FILTER:
            if (list) SendMessage(list, msg::WM_CUSTOMIZE_FILTER, 0, 0);
            break;
        case ids::ID_REFRESH:
            // The list's own refresh: its sort or filter stays in force. A V5
            // dialog refreshes what its detail view shows.
            if (IsBusy()) break;
            if (auto* v5 = dynamic_cast<CV5DialogBase*>(m_pActiveDlg)) v5->Refresh();
            else if (list) list->Refresh();
            break;
        default:
            break;
    }
}

void CUserObjWnd::UpdateToolBar() {
    if (!m_wndToolBar) return;
    const CObjListCtrl* list = m_pActiveDlg ? m_pActiveDlg->GetActiveListCtrl() : nullptr;
    const bool bound = list && list->m_obj;
    if (m_pCbxFilter) m_pCbxFilter->setEnabled(bound && list->HasFilters());
    const std::map<int, bool> enabled = {
        {ids::ID_PREDEFINED_QUERY, list && list->GetItemCount() > 0},
        {ids::ID_DROP_FILTER, list && list->m_bFilterActive},
        {ids::ID_CUSTOMIZE_FILTER, bound},
        {ids::ID_REFRESH, !IsBusy()},
    };
    for (const auto& [id, on] : enabled)
        if (auto it = m_mapToolButtons.find(id); it != m_mapToolButtons.end())
            it->second->setEnabled(on);
}
