// The find dialog.
#include "FindDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "ControlIds.h"
#include "MsgTarget.h"
#include "ObjListCtrl.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "userobj/Messages.h"

namespace {

constexpr int kMaxTitle = 255;

}  // namespace

int CFindDlg::Run(CObjListCtrl* list) {
    if (!list || list->GetItemCount() == 0) return IDOK;
    const CUserObjWnd* w = list->ObjectWindow();
    QObject* host = w && w->HostLink() ? w->HostLink()->GetHostFrame() : nullptr;
    CFindDlg dlg(list, host, list);
    return platform::Ui().ExecDialog(dlg) == QDialog::Accepted ? IDOK : IDCANCEL;
}

CFindDlg::CFindDlg(CObjListCtrl* list, QObject* hostMainWindow, QWidget* parent)
    : QDialog(parent),
      m_pList(list),
      m_btnFindNext(
          ids::Control(new QPushButton(QStringLiteral("Find &Next"), this), ids::IDC_FIND_NEXT)),
      m_cbxColumn(ids::Control(new QComboBox(this), ids::IDC_FIND_COLUMN)),
      m_cbxMode(ids::Control(new QComboBox(this), ids::IDC_FIND_MODE)),
      m_editText(ids::Control(new QLineEdit(this), ids::IDC_FIND_TEXT)),
      m_host(hostMainWindow) {
    setObjectName(QStringLiteral("dlg%1").arg(ids::IDD_FIND));
    setWindowTitle(QStringLiteral("Find"));
    auto* find = ids::Control(new QPushButton(QStringLiteral("&Find"), this), ids::IDC_FIND);
    find->setDefault(true);
    m_btnFindNext->setAutoDefault(false);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("ctl2"));
    close->button(QDialogButtonBox::Close)->setAutoDefault(false);

    // Each label names the field its mnemonic (Alt and the underlined
    // letter) goes to.
    auto label = [this](const char* text, QWidget* field) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setBuddy(field);
        return l;
    };
    auto* grid = new QGridLayout(this);
    grid->addWidget(label("Find &what:", m_editText), 0, 0);
    grid->addWidget(m_editText, 0, 1);
    grid->addWidget(find, 0, 2);
    grid->addWidget(label("&Column:", m_cbxColumn), 1, 0);
    grid->addWidget(m_cbxColumn, 1, 1);
    grid->addWidget(m_btnFindNext, 1, 2);
    grid->addWidget(label("&Match:", m_cbxMode), 2, 0);
    grid->addWidget(m_cbxMode, 2, 1);
    grid->addWidget(close, 2, 2);
    grid->setColumnStretch(1, 1);
    // The column box is as wide as its longest title.
    m_cbxColumn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The keys go to the search text from the start, in the order the fields are shown.
    setTabOrder(m_editText, m_cbxColumn);
    setTabOrder(m_cbxColumn, m_cbxMode);
    m_editText->setFocus();

    connect(find, &QPushButton::clicked, this, &CFindDlg::OnFind);
    connect(m_btnFindNext, &QPushButton::clicked, this, &CFindDlg::OnFindNext);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    OnInitDialog();
    // Another text, column or mode is another search: find starts it.
    auto stale = [this] { m_btnFindNext->setEnabled(false); };
    connect(m_cbxMode, &QComboBox::currentIndexChanged, this, stale);
    connect(m_cbxColumn, &QComboBox::currentIndexChanged, this, stale);
    connect(m_editText, &QLineEdit::textChanged, this, stale);
    // Nothing to find in an empty text.
    find->setEnabled(false);
    connect(m_editText, &QLineEdit::textChanged, find, [find](const QString& t) { find->setEnabled(!t.isEmpty()); });
}

CFindDlg::~CFindDlg() {
    if (m_host)
        SendMessage(m_host.data(), msg::WM_OBJIDENTITY, ToWParam(this), msg::IDENT_DIALOG_CLOSING);
}

void CFindDlg::OnInitDialog() {
    if (m_host)
        SendMessage(m_host.data(), msg::WM_OBJIDENTITY, ToWParam(this), msg::IDENT_DIALOG_INIT);
    m_cbxMode->addItems({QStringLiteral("Whole text"), QStringLiteral("Beginning of text"),
                         QStringLiteral("Part of text")});
    m_cbxMode->setCurrentIndex(MATCH_WHOLE);
    for (const std::string& title : m_pList->Model().Titles())
        m_cbxColumn->addItem(QString::fromStdString(title.substr(0, kMaxTitle)));
    m_cbxColumn->setCurrentIndex(m_cbxColumn->count() > 0 ? 0 : -1);
    m_btnFindNext->setEnabled(false);
}

int CFindDlg::Search(const std::string& text, int mode, int column, int start) {
    if (column < 0 || column >= m_pList->Model().columnCount()) return -1;
    for (int row = start + 1; row < m_pList->GetItemCount(); ++row) {
        const std::string cell = m_pList->Model().CellText(row, column);
        const size_t at = cell.find(text);
        if (cell == text || (mode == MATCH_BEGIN && at == 0) ||
            (mode == MATCH_PART && at != std::string::npos))
            return row;
    }
    platform::Ui().MessageBox(this, "Search string not found", windowTitle().toStdString(),
                              MB_OK | MB_ICONINFORMATION);
    return -1;
}

void CFindDlg::ShowMatch(int row) {
    m_pList->clearSelection();
    if (row < 0) return;
    m_pList->SelectRow(row);
    m_pList->scrollTo(m_pList->Model().index(row, 0));
}

void CFindDlg::OnFind() {
    const int row = Search(m_editText->text().toStdString(), m_cbxMode->currentIndex(),
                           m_cbxColumn->currentIndex(), -1);
    ShowMatch(row);
    if (row >= 0) m_btnFindNext->setEnabled(true);
    m_nLastMatch = row;
}

void CFindDlg::OnFindNext() {
    const int row = Search(m_editText->text().toStdString(), m_cbxMode->currentIndex(),
                           m_cbxColumn->currentIndex(), m_nLastMatch);
    ShowMatch(row);
    if (row < 0) m_btnFindNext->setEnabled(false);
    m_nLastMatch = row;
}
