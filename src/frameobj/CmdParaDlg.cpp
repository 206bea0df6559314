// The command parameter dialog.
#include "CmdParaDlg.h"
#include "ConflictDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>

#include "HostStrings.h"
#include "InPlaceEditors.h"
#include "ObjWnd.h"
#include "TextHelpers.h"
#include "UiService.h"
#include "userobj/Messages.h"

namespace {

// Draws rows as the dialog wants them: grey read-only rows, red names of
// required parameters, white value cells, raised or sunken row frames.
class CRowDelegate : public QStyledItemDelegate {
public:
    explicit CRowDelegate(CParaListCtrl* list) : QStyledItemDelegate(list), m_list(list) {}
    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        const int flags = m_list->RowFlags(index.row());
        const QPalette& pal = m_list->palette();
        QRect r = opt.rect;
        const bool white = index.column() == 1 && (flags & ROW_WHITE) && !(flags & ROW_READONLY);
        p->fillRect(r, white ? QColor(Qt::white) : pal.button().color());
        QColor text = pal.buttonText().color();
        if (flags & ROW_READONLY) text = QColor(128, 128, 128);
        else if (index.column() == 0 && (flags & ROW_REQUIRED)) text = QColor(255, 0, 0);
        p->setPen(text);
        p->drawText(r.adjusted(1 + 2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
        p->setPen(pal.mid().color());
        p->drawLine(r.topRight(), r.bottomRight());
        const bool selected = opt.state & QStyle::State_Selected;
        p->setPen(selected ? pal.dark().color() : pal.light().color());
        p->drawLine(r.topLeft(), r.topRight());
        p->setPen(selected ? pal.light().color() : pal.dark().color());
        p->drawLine(r.bottomLeft(), r.bottomRight());
    }

private:
    CParaListCtrl* m_list;
};

// "Name: "text" cannot be taken. Rule"
constexpr int HS_ENTRY_REFUSED = 11810;

}  // namespace

const MsgMap* CParaListCtrl::MessageMap() {
    static const MsgMapEntry e[] = {ON_MESSAGE(msg::WM_OPENEDITOR, &CParaListCtrl::OnOpenEditor)};
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

CParaListCtrl::CParaListCtrl(QWidget* parent) : CWndT(parent), m_pTitleTip(new CTitleTip(this)) {
    setObjectName(QStringLiteral("ctl2902"));
    setProperty("controlId", 2902);
    setColumnCount(2);
    setHorizontalHeaderLabels({QString::fromStdString(HostString(2921)), QString::fromStdString(HostString(2922))});
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(CCmdParaDlg::kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new CRowDelegate(this));
    setShowGrid(false);
    setMouseTracking(true);  // the title tip follows the pointer
    // Scrolling ends an open edit: the list takes the focus first.
    auto endEdit = [this] {
        HideTitleTip();
        if (m_pEditor) setFocus();
    };
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, endEdit);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, endEdit);
}

void CParaListCtrl::SetCommand(CCmd* cmd) {
    m_pCmd = cmd;
    m_refused.clear();
    m_relations = cmd ? cmd->GetRelations() : std::vector<SParaRelation>{};
    m_bRelationsPresent = m_relations.empty() ? 0 : 1;
}

int CParaListCtrl::RowFlags(int row) const {
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->data(Qt::UserRole).toInt() : 0;
}

int CParaListCtrl::ParaIndexOfRow(int row) const {
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->data(Qt::UserRole + 1).toInt() : -1;
}

void CParaListCtrl::SetRowFlags(int row, int flags) {
    if (QTableWidgetItem* it = item(row, 0)) it->setData(Qt::UserRole, flags);
    viewport()->update();
}

void CParaListCtrl::ShowPage(CCmd* cmd, const std::vector<int>* page, int callerFlag,
                             const std::vector<std::string>* fixed) {
    m_pCmd = cmd;
    m_pPage = page;
    m_nCallerFlag = callerFlag;
    if (!hasFocus()) setFocus();
    clearContents();
    setRowCount(0);
    if (!cmd || !page) return;
    const int margin = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int rowsHeight = static_cast<int>(page->size()) * CCmdParaDlg::kRowHeight;
    const int scroll = rowsHeight > viewport()->height() ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    const int half = std::max(40, (width() - margin - scroll) / 2);
    setColumnWidth(0, half);
    for (int index : *page) {
        const CParaItem& p = cmd->GetParaArray()[static_cast<size_t>(index)];
        const int row = rowCount();
        insertRow(row);
        auto* name = new QTableWidgetItem(QString::fromStdString(p.GetDisplayName()));
        auto* value = new QTableWidgetItem(ShownText(index));
        std::string tip = p.GetLimitText();
        if (p.GetKind() == PK_TEXT && !p.GetDefaultText().empty())
            tip += (tip.empty() ? "" : "\n") + p.GetDefaultText();
        value->setToolTip(QString::fromStdString(tip));
        bool readOnly = p.NamesInstance();
        if (!readOnly && !p.IsEditable()) {
            if (callerFlag) {
                readOnly = true;
            } else if (fixed) {
                readOnly = p.GetMatchIndex(*fixed) >= 0 ||
                           std::find(fixed->begin(), fixed->end(), p.GetMMLName()) != fixed->end();
            }
        }
        int flags = 0;
        if (readOnly) {
            flags = p.IsMustGive() ? ROW_READONLY | ROW_REQUIRED : ROW_READONLY;
        } else {
            flags = (p.IsMustGive() ? ROW_REQUIRED : 0) | (p.IsWhiteCell() ? ROW_WHITE : 0);
        }
        name->setData(Qt::UserRole, flags);
        name->setData(Qt::UserRole + 1, index);
        setItem(row, 0, name);
        setItem(row, 1, value);
    }
    EvaluateRelations();
}

void CParaListCtrl::EvaluateRelations() {
    if (!m_pCmd || m_relations.empty() || !m_pPage) return;
    const SRelationOutcome outcome = m_pCmd->EvaluateRelations(m_relations);
    auto& params = m_pCmd->GetParaArray();
    auto paraOfRow = [&](int row) -> CParaItem& { return params[static_cast<size_t>(ParaIndexOfRow(row))]; };
    if (outcome.waitingAfter >= 0) {
        for (int row = 0; row < rowCount(); ++row) {
            const CParaItem& p = paraOfRow(row);
            if (p.GetNumber() > outcome.waitingAfter) SetRowFlags(row, RowFlags(row) | ROW_READONLY);
            else if (p.IsMustGive()) SetRowFlags(row, RowFlags(row) | ROW_REQUIRED);
        }
        return;
    }
    // 1 enabled, -1 disabled, 0 untouched; a key of the instance stays as
    // it is, whatever a relation says.
    auto says = [&](const CParaItem& p) {
        auto it = outcome.enabled.find(p.GetNumber());
        return it == outcome.enabled.end() || p.NamesInstance() ? 0 : it->second ? 1 : -1;
    };
    for (CParaItem& p : params)
        if (const int s = says(p)) p.SetValid(s > 0 ? 1 : 0);
    for (int row = 0; row < rowCount(); ++row) {
        const CParaItem& p = paraOfRow(row);
        const int s = says(p);
        if (s == 0) continue;
        const bool required = outcome.required.count(p.GetNumber()) > 0;
        SetRowFlags(row, s > 0 ? (required ? ROW_REQUIRED : 0) : ROW_READONLY);
    }
    viewport()->update();
}

bool CParaListCtrl::BeginEdit(int row, EOpen how) {
    if (m_pEditor || !m_pCmd || row < 0 || row >= rowCount()) return false;
    if (RowFlags(row) & ROW_READONLY) return false;
    const int index = ParaIndexOfRow(row);
    if (!EditorFor(m_pCmd->GetParaArray()[static_cast<size_t>(index)])) return false;
    HideTitleTip();
    scrollToItem(item(row, 1));
    const QRect cell = visualItemRect(item(row, 1));
    m_pEditor = CreateInPlaceEditor(viewport(), cell, *m_pCmd, index, ShownText(index),
                                    [this, row, index](const SEditEnd& end) {
                                        QWidget* editor = m_pEditor;
                                        QWidget* focus = QApplication::focusWidget();
                                        const bool hadFocus = editor && focus && (focus == editor || editor->isAncestorOf(focus));
                                        m_pEditor = nullptr;  // the editor is going; another may open at once
                                        EditEnded(row, index, end, hadFocus);
                                    });
    if (auto* choice = qobject_cast<QComboBox*>(m_pEditor.data()); choice && how == EOpen::Ask) choice->showPopup();
    return m_pEditor != nullptr;
}

void CParaListCtrl::PassToEditor(const QKeyEvent& e) {
    QWidget* to = m_pEditor;
    if (auto* choice = qobject_cast<QComboBox*>(to); choice && choice->view()->isVisible()) {
        to = choice->view();
    } else if (QWidget* focus = QApplication::focusWidget(); focus && to && to->isAncestorOf(focus)) {
        to = focus;
    }
    if (!to) return;
    QKeyEvent copy(e.type(), e.key(), e.modifiers(), e.text(), e.isAutoRepeat(), static_cast<ushort>(e.count()));
    QApplication::sendEvent(to, &copy);
}

void CParaListCtrl::EditEnded(int row, int index, const SEditEnd& end, bool hadFocus) {
    // Keys go on in the list: the arrows to the next row, a key released
    // there to that row's editor.
    if (hadFocus) setFocus();
    if (end.how == SEditEnd::Unchanged) return;
    if (end.how == SEditEnd::Refused) {
        m_refused[index] = {end.text.toStdString(), end.rule, false};
        // Told once the edit has finished ending, unless the dialog is gone by then.
        QMetaObject::invokeMethod(
            this, [this] { if (isVisible()) TellRefused(false); }, Qt::QueuedConnection);
    } else {
        m_refused.erase(index);  // taken, or dropped with Escape: the value shows again
    }
    // A written value has come as the model's value event already.
    if (QTableWidgetItem* cell = item(row, 1)) cell->setText(ShownText(index));
}

void CParaListCtrl::OnParaChanged(int index) {
    if (!m_pCmd) return;
    m_refused.erase(index);  // the model's value stands now
    for (int row = 0; row < rowCount(); ++row)
        if (ParaIndexOfRow(row) == index)
            if (QTableWidgetItem* cell = item(row, 1)) cell->setText(ShownText(index));
    EvaluateRelations();
}

QString CParaListCtrl::ShownText(int index) const {
    auto refused = m_refused.find(index);
    if (refused != m_refused.end()) return QString::fromStdString(refused->second.text);
    return QString::fromStdString(m_pCmd->GetParaArray()[static_cast<size_t>(index)].GetValueText());
}

bool CParaListCtrl::TellRefused(bool again) {
    if (!m_pCmd) return false;
    const auto& params = m_pCmd->GetParaArray();
    std::pair<const int, SRefused>* pick = nullptr;
    for (auto& entry : m_refused) {
        if (!params[static_cast<size_t>(entry.first)].IsValid()) continue;  // switched off: not sent
        if (!entry.second.told) {
            pick = &entry;
            break;
        }
        if (again && !pick) pick = &entry;
    }
    if (!pick) return false;
    pick->second.told = true;
    const CParaItem& para = params[static_cast<size_t>(pick->first)];
    // A long entry is shortened here (the cell keeps it whole): the box
    // grows with its text and would run off the screen.
    constexpr qsizetype kShownChars = 64;
    QString entry = QString::fromStdString(pick->second.text);
    if (entry.size() > kShownChars) {
        qsizetype keep = kShownChars - 1;
        if (entry.at(keep - 1).isHighSurrogate()) --keep;  // never half a character
        entry = entry.left(keep) + QChar(0x2026);
    }
    const std::string text = platform::Format(HostString(HS_ENTRY_REFUSED).c_str(), para.GetDisplayName().c_str(),
                                              entry.toStdString().c_str(), pick->second.rule.c_str());
    platform::Ui().MessageBox(window(), text, m_pCmd->GetCmdDisplayName(), MB_OK | MB_ICONWARNING);
    return true;
}

LRESULT CParaListCtrl::OnOpenEditor(WPARAM wParam, LPARAM) {
    const int row = static_cast<int>(static_cast<intptr_t>(wParam)) == -1 ? currentRow() : static_cast<int>(wParam);
    if (row < 0 || row >= rowCount()) return 0;
    setCurrentCell(row, 0);
    if (m_pEditor || (RowFlags(row) >> ROW_STATE_SHIFT) != 2) return 0;
    return BeginEdit(row) ? 1 : 0;
}

bool CParaListCtrl::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && m_nTipTimer == -1) {
        m_tipTimer.start(kTipTimerMs, this);
        m_nTipTimer = kTipTimerId;
    }
    if (e->type() == QEvent::WindowDeactivate || e->type() == QEvent::Hide || e->type() == QEvent::Leave)
        HideTitleTip();
    return CWndT::event(e);
}

void CParaListCtrl::mouseMoveEvent(QMouseEvent* e) {
    QTableWidget::mouseMoveEvent(e);
    const QModelIndex at = indexAt(e->position().toPoint());
    if (!at.isValid() || m_pEditor || e->buttons() != Qt::NoButton) {
        HideTitleTip();
        return;
    }
    const QRect cell = visualRect(at);
    const QRect onScreen(viewport()->mapToGlobal(cell.topLeft()), cell.size());
    m_nRowMarker = m_pTitleTip->Show(onScreen, at.data().toString(), font()) ? at.row() : -1;
}

void CParaListCtrl::timerEvent(QTimerEvent* e) {
    if (e->timerId() != m_tipTimer.timerId()) return CWndT::timerEvent(e);
    // The tip lies over its cell and may keep the pointer's moves from the
    // list: whether the pointer has left the cell is looked up here.
    if (m_nRowMarker >= 0 && !m_pTitleTip->Cell().contains(QCursor::pos())) HideTitleTip();
}

void CParaListCtrl::HideTitleTip() {
    m_pTitleTip->hide();
    m_nRowMarker = -1;
}

void CParaListCtrl::mousePressEvent(QMouseEvent* e) {
    HideTitleTip();
    setFocus();  // ends an open edit
    const int before = currentRow();
    QTableWidget::mousePressEvent(e);
    const int row = currentRow();
    if (row >= 0 && row == before) BeginEdit(row);
}

void CParaListCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    // Any field opens on a double click; a choice drops its entries down,
    // also when the first click of the two has opened it already.
    const QModelIndex at = indexAt(e->position().toPoint());
    if (e->button() != Qt::LeftButton || !at.isValid()) return QTableWidget::mouseDoubleClickEvent(e);
    if (!m_pEditor) {
        setCurrentCell(at.row(), at.column());
        BeginEdit(at.row(), EOpen::Ask);
    } else if (auto* choice = qobject_cast<QComboBox*>(m_pEditor.data()); choice && at.row() == currentRow()) {
        choice->showPopup();
    }
}

namespace {
bool IsModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock: return true;
        default: return false;
    }
}
}  // namespace

namespace {
// A key that types a character: it opens the current row's editor and is
// the first character of what is typed there.
bool TypesACharacter(const QKeyEvent& e) {
    if (e.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = e.text();
    return !text.isEmpty() && text.at(0).isPrint();
}
}  // namespace

void CParaListCtrl::keyPressEvent(QKeyEvent* e) {
    if (!e->isAutoRepeat()) m_nPassedKey = 0;  // a release that went to the editor itself is not waited for
    if (!m_pEditor && TypesACharacter(*e)) {
        if (BeginEdit(currentRow(), EOpen::Ask)) {
            PassToEditor(*e);
            m_nPassedKey = e->key();
        }
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
        // Tab ends an edit and goes on to the next row (Shift+Tab: the one
        // before); past the last row it leaves the list.
        if (m_pEditor) setFocus();
        const int next = currentRow() + (e->key() == Qt::Key_Tab ? 1 : -1);
        if (next < 0 || next >= rowCount()) return e->ignore();
        setCurrentCell(next, 1);
        e->accept();
        return;
    }
    if (!m_pEditor && e->key() == Qt::Key_F2 && e->modifiers() == Qt::NoModifier) {
        BeginEdit(currentRow(), EOpen::Ask);
        e->accept();
        return;
    }
    // A key that reaches the list past an open editor (the arrows) ends
    // the edit before the list moves. Shift, Ctrl and the like come here
    // too, as keys of their own before the key they change: they move
    // nothing and leave the edit open.
    if (m_pEditor && !IsModifierKey(e->key())) setFocus();
    QTableWidget::keyPressEvent(e);
}

void CParaListCtrl::keyReleaseEvent(QKeyEvent* e) {
    const int key = e->key();
    if (m_nPassedKey && key == m_nPassedKey && !e->isAutoRepeat()) {
        // The release of a key that opened the editor belongs to the editor
        // (a check box ticks on the release of Space).
        m_nPassedKey = 0;
        if (m_pEditor) PassToEditor(*e);
        return;
    }
    if (!m_pEditor && key != Qt::Key_Tab && key != Qt::Key_Backtab && key != Qt::Key_Escape &&
        key != Qt::Key_Return && key != Qt::Key_Enter)
        BeginEdit(currentRow());
    QTableWidget::keyReleaseEvent(e);
}

// ---- the dialog ----

CCmdParaDlg::CCmdParaDlg(CCmd* cmd, QWidget* parent, std::string cancelText, int callerFlag,
                         const std::vector<std::string>* fixed, QObject* hostMainWindow)
    : QDialog(parent), m_pCmd(cmd), m_strCancel(std::move(cancelText)), m_nCallerFlag(callerFlag),
      m_pFixed(fixed), m_tabs(new QTabBar(this)), m_list(new CParaListCtrl(this)), m_host(hostMainWindow) {
    setObjectName(QStringLiteral("dlg2900"));
    m_tabs->setObjectName(QStringLiteral("ctl2903"));
    m_tabs->setProperty("controlId", 2903);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(m_strCancel.empty() ? QStringLiteral("Cancel") : QString::fromStdString(m_strCancel), this);
    ok->setObjectName(QStringLiteral("ctl1"));
    cancel->setObjectName(QStringLiteral("ctl2"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CCmdParaDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    m_list->setMinimumWidth(420);
    connect(m_tabs, &QTabBar::currentChanged, this, &CCmdParaDlg::ShowTab);
    Initialise();
}

CCmdParaDlg::~CCmdParaDlg() {
    if (!m_bOpened) return;
    m_pCmd->UnRegisterEvent();
    if (m_host) SendMessage(m_host.data(), msg::WM_OBJIDENTITY, ToWParam(this), msg::IDENT_DIALOG_CLOSING);
}

std::vector<std::vector<int>> CCmdParaDlg::BuildPages(const CCmd& cmd) {
    std::vector<std::vector<int>> pages;
    std::vector<int> current;
    const int n = cmd.GetParaCount();
    for (int i = 0; i < n; ++i) {
        if (cmd.GetParaArray()[static_cast<size_t>(i)].IsConstant()) continue;
        if (static_cast<int>(current.size()) == kPerPage && n - i > kPerPage && pages.size() + 1 < kMaxPages) {
            pages.push_back(std::move(current));
            current.clear();
        }
        current.push_back(i);
    }
    if (!current.empty()) pages.push_back(std::move(current));
    return pages;
}

int CCmdParaDlg::ListHeight(int rows) { return rows < 11 ? (rows + 1) * kRowHeight + 6 : 226; }

void CCmdParaDlg::Initialise() {
    if (!m_pCmd) return;
    const auto pages = BuildPages(*m_pCmd);
    m_nPageCount = static_cast<int>(pages.size());
    for (int i = 0; i < m_nPageCount; ++i) m_aPages[static_cast<size_t>(i)] = pages[static_cast<size_t>(i)];
    if (m_nPageCount == 0) return;
    m_list->setStyleSheet(QStringLiteral("QTableWidget { background: palette(button); }"));
    for (int i = 0; i < m_nPageCount; ++i)
        m_tabs->addTab(QString::fromStdString(platform::Format(HostString(2904).c_str(), i + 1)));
    setWindowTitle(QString::fromStdString(m_pCmd->GetCmdDisplayName()));
    m_list->setFixedHeight(ListHeight(static_cast<int>(m_aPages[0].size())));
    m_pCmd->RegisterEvent([list = m_list](int index) { list->OnParaChanged(index); });
    m_list->SetCommand(m_pCmd);
    m_list->ShowPage(m_pCmd, &m_aPages[0], m_nCallerFlag, m_pFixed);
    m_tabs->setCurrentIndex(0);
    m_bOpened = true;
    if (m_host) SendMessage(m_host.data(), msg::WM_OBJIDENTITY, ToWParam(this), msg::IDENT_DIALOG_INIT);
}

int CCmdParaDlg::exec() {
    // Nothing to enter: OK at once; no command: Cancel.
    if (!m_pCmd) return QDialog::Rejected;
    if (!m_bOpened) return QDialog::Accepted;
    return QDialog::exec();
}

void CCmdParaDlg::ShowTab(int tab) {
    if (tab >= 0 && tab < m_nPageCount) m_list->ShowPage(m_pCmd, &m_aPages[static_cast<size_t>(tab)], m_nCallerFlag, m_pFixed);
}

void CCmdParaDlg::accept() {
    setFocus();  // ends an open edit and keeps its value
    if (m_list->Editor()) m_list->setFocus();
    // A value the parameter could not take is still in its cell: nothing
    // leaves until the operator has corrected it.
    if (m_list->TellRefused(true)) return;
    if (m_pCmd && m_pCmd->IsMustGiveParaReady()) {
        QDialog::accept();
        return;
    }
    platform::Ui().MessageBox(this, HostString(796), m_pCmd ? m_pCmd->GetCmdDisplayName() : std::string(),
                              MB_OK | MB_ICONWARNING);
}

int CCmdParaEditor::ResolveConflict(const std::string& title, const std::string& text,
                                    const std::vector<SConflictRow>& rows, HWND owner) {
    CConflictDlg dlg(title, text, rows, qobject_cast<QWidget*>(owner));
    return platform::Ui().ExecDialog(dlg) == QDialog::Accepted ? IDOK : IDCANCEL;
}

int CCmdParaEditor::EditCommand(CCmd& cmd, HWND owner) {
    auto* wnd = dynamic_cast<IObjWnd*>(owner);
    QObject* host = wnd && wnd->HostLink() ? wnd->HostLink()->GetHostFrame() : nullptr;
    CCmdParaDlg dlg(&cmd, qobject_cast<QWidget*>(owner), {}, 1, nullptr, host);
    if (dlg.PageCount() == 0) return IDOK;  // only constant parameters
    return platform::Ui().ExecDialog(dlg) == QDialog::Accepted ? IDOK : IDCANCEL;
}
