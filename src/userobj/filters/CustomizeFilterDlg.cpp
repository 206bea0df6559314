// The customize-filter dialog.
#include "CustomizeFilterDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <memory>

#include "CmdText.h"
#include "ControlIds.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UiService.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ObjData.h"

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CFilterNameEdit::CFilterNameEdit(QWidget* parent) : QLineEdit(parent) {
    // ; ' " % = : [ ] are swallowed as they are typed (and refused when pasted).
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^;'\"%=:\\[\\]]*")), this));
    setMaxLength(CCustomizeFilterDlg::kMaxName);
}

CCustomizeFilterDlg::CCustomizeFilterDlg(CObjListCtrl* list, std::string listKey, QWidget* parent)
    : QDialog(parent),
      m_editName(ids::Control(new CFilterNameEdit(this), ids::IDC_FILTER_NAME)),
      m_listFilter(ids::Control(new QTreeWidget(this), ids::IDC_FILTER_LIST)),
      m_pList(list),
      m_strListKey(std::move(listKey)),
      m_editCommand(ids::Control(new QLineEdit(this), ids::IDC_FILTER_COMMAND)) {
    setObjectName(QStringLiteral("dlg%1").arg(ids::IDD_CUSTOMIZE_FILTER));
    FilterTable().SetModified(false);
    auto* add =
        ids::Control(new QPushButton(QStringLiteral("&Add/Change"), this), ids::IDC_FILTER_ADD);
    auto* remove =
        ids::Control(new QPushButton(QStringLiteral("&Delete"), this), ids::IDC_FILTER_DELETE);
    auto* edit =
        ids::Control(new QPushButton(QStringLiteral("..."), this), ids::IDC_FILTER_COMMAND_BUTTON);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ctl1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("ctl2"));
    for (QPushButton* b : {add, remove, edit}) b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(Q(HostString(10136)), this), 0, 0);
    grid->addWidget(m_editName, 0, 1, 1, 2);
    grid->addWidget(add, 0, 3);
    grid->addWidget(new QLabel(Q(HostString(10137)), this), 1, 0);
    grid->addWidget(m_editCommand, 1, 1);
    grid->addWidget(edit, 1, 2);
    grid->addWidget(remove, 1, 3);
    grid->addWidget(m_listFilter, 2, 0, 1, 4);
    grid->addWidget(buttons, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    connect(add, &QPushButton::clicked, this, &CCustomizeFilterDlg::OnAddOrChange);
    connect(remove, &QPushButton::clicked, this, &CCustomizeFilterDlg::OnDelete);
    connect(edit, &QPushButton::clicked, this, &CCustomizeFilterDlg::OnCommandButton);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCustomizeFilterDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    OnInitDialog();
    // The Delete key deletes the filter wherever the focus is: the dialog
    // sees it before any of its controls does.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void CCustomizeFilterDlg::OnInitDialog() {
    m_pMapCmd = FilterTable().Section(m_strListKey);
    const int count = m_pMapCmd ? static_cast<int>(m_pMapCmd->size()) : 0;
    setWindowTitle(Q(platform::Format(HostString(10156).c_str(), HostString(10244).c_str(),
                                      m_strListKey.c_str(), count)));
    m_listFilter->setColumnCount(2);
    m_listFilter->setHeaderLabels({Q(HostString(10136)), Q(HostString(10137))});
    m_listFilter->setRootIsDecorated(false);
    m_listFilter->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listFilter->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listFilter->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_listFilter->setStyleSheet(QStringLiteral("QTreeWidget { background: rgb(217,222,223); }"));
    const QFontMetrics fm(m_listFilter->font());
    m_listFilter->setColumnWidth(0, fm.horizontalAdvance(Q(HostString(10136))) + 50);
    m_listFilter->setColumnWidth(1, fm.horizontalAdvance(Q(HostString(10137))) + 137);
    if (m_pMapCmd)
        for (const auto& [name, command] : *m_pMapCmd) AddRow(name, command);
    resize(560, 360);
}

void CCustomizeFilterDlg::AddRow(const std::string& name, const std::string& command) {
    new QTreeWidgetItem(m_listFilter, {Q(name), Q(command)});
}

void CCustomizeFilterDlg::TakeValues() {
    m_strName = m_editName->text().toStdString();
    m_strCommand = m_editCommand->text().toStdString();
}

bool CCustomizeFilterDlg::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    if (o == m_listFilter->viewport() && e->type() == QEvent::MouseButtonPress &&
        !m_listFilter->indexAt(static_cast<QMouseEvent*>(e)->position().toPoint()).isValid()) {
        // A click beside the rows picks none.
        m_listFilter->clearSelection();
        m_listFilter->setCurrentItem(nullptr);
    } else if (o == m_listFilter->viewport() && e->type() == QEvent::MouseButtonRelease) {
        OnClickList();
    }
    return QDialog::eventFilter(o, e);
}

void CCustomizeFilterDlg::OnClickList() {
    const QList<QTreeWidgetItem*> picked = m_listFilter->selectedItems();
    m_editName->setText(picked.isEmpty() ? QString() : picked.front()->text(0));
    m_editCommand->setText(picked.isEmpty() ? QString() : picked.front()->text(1));
    TakeValues();
}

void CCustomizeFilterDlg::OnAddOrChange() {
    TakeValues();
    m_strName = platform::Trim(m_strName);
    auto refuse = [this](const std::string& text, QWidget* focus) {
        platform::Ui().MessageBox(this, text, windowTitle().toStdString(), MB_OK | MB_ICONWARNING);
        if (focus) focus->setFocus();
    };
    if (m_strName.empty()) return refuse(HostString(10138), m_editName);
    if (m_strCommand.empty()) return refuse(HostString(10139), m_editCommand);
    if (m_strCommand.find('=') == std::string::npos) return refuse(HostString(10128), nullptr);
    if (m_pMapCmd)
        for (const auto& [name, command] : *m_pMapCmd)
            if (command == m_strCommand && !platform::EqualsNoCase(name, m_strName))
                return refuse(platform::Format(HostString(10127).c_str(), m_strName.c_str()),
                              nullptr);
    // Names are the file's keys, which do not tell case apart: a name that
    // differs from a saved one only in case is that filter, renamed once the
    // operator agrees.
    if (m_pMapCmd) {
        const auto saved = m_pMapCmd->find(m_strName);
        if (saved != m_pMapCmd->end() && saved->first != m_strName) {
            const std::string question =
                platform::Format(HostString(HS_FILTER_NAME_CASE).c_str(), saved->first.c_str(), m_strName.c_str());
            if (platform::Ui().MessageBox(this, question, windowTitle().toStdString(),
                                          MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
                m_editName->setFocus();
                return;
            }
            m_pMapCmd->erase(saved);
        }
    }
    // A filter of the same name takes the new command (and the name as typed).
    const QList<QTreeWidgetItem*> same = m_listFilter->findItems(Q(m_strName), Qt::MatchFixedString, 0);
    if (!same.isEmpty()) {
        same.front()->setText(0, Q(m_strName));
        same.front()->setText(1, Q(m_strCommand));
    } else {
        AddRow(m_strName, m_strCommand);
    }
    if (!m_pMapCmd) {
        // The list's first filter starts its section.
        auto& section = FilterTable().Sections()[m_strListKey];
        section = std::make_unique<CFilter::FilterMap>();
        m_pMapCmd = section.get();
    }
    (*m_pMapCmd)[m_strName] = m_strCommand;
    FilterTable().SetModified();
}

void CCustomizeFilterDlg::OnDelete() {
    TakeValues();
    const QList<QTreeWidgetItem*> picked = m_listFilter->selectedItems();
    if (picked.isEmpty()) {
        platform::Ui().MessageBox(this, HostString(10141), windowTitle().toStdString(),
                                  MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string question = platform::Format(HostString(10140).c_str(), m_strName.c_str());
    if (platform::Ui().MessageBox(this, question, windowTitle().toStdString(),
                                  MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDNO)
        return;
    std::unique_ptr<QTreeWidgetItem>(
        m_listFilter->takeTopLevelItem(m_listFilter->indexOfTopLevelItem(picked.front())));
    m_editName->clear();
    m_editCommand->clear();
    // The name in the field goes: after an edit there, that may be another
    // filter than the row picked.
    if (m_pMapCmd && m_pMapCmd->erase(m_strName) > 0)
        FilterTable().SetModified();
    else
        W2L_FAIL("Not found filter command to delete!");
}

void CCustomizeFilterDlg::OnCommandButton() {
    CCmd cmd;
    if (!m_pList || !m_pList->m_obj || !GetFilterBaseCmd(*m_pList->m_obj->GetComObj(), cmd)) {
        platform::Ui().MessageBox(this, HostString(10152), windowTitle().toStdString(),
                                  MB_OK | MB_ICONWARNING);
        accept();
        return;
    }
    m_strCommand = m_editCommand->text().toStdString();
    if (!m_strCommand.empty()) LoadCmdText(cmd, m_strCommand);
    ICmdParamEditor* editor = GetCmdParamEditor();
    if (!editor || editor->EditCommand(cmd, this) != IDOK) return;
    m_strCommand = cmd.Format();
    m_editCommand->setText(Q(m_strCommand));
}

void CCustomizeFilterDlg::accept() {
    CFilter& table = FilterTable();
    if (table.IsModified()) {
        if (!table.FilterSave()) {
            // The file keeps what it held; the changes stay here to try again.
            platform::Ui().MessageBox(
                this,
                platform::Format(HostString(HS_FILTER_SAVE_FAILED).c_str(), table.Path().c_str()),
                windowTitle().toStdString(), MB_OK | MB_ICONERROR);
            return;
        }
        table.SetModified(false);
    }
    QDialog::accept();
}
