// The login dialog and the question that runs it.
#include "LoginDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "LinkLogin.h"
#include "ProfileFile.h"
#include "TcpSwitchLink.h"
#include "UiService.h"

namespace host {

namespace {
constexpr const char* kSection = "Login";
constexpr const char* kKey = "Operator";
}  // namespace

CLoginDlg::CLoginDlg(QWidget* parent, const QString& address, const QString& name, const QString& problem)
    : QDialog(parent), m_name(new QLineEdit(name, this)), m_password(new QLineEdit(this)), m_problem(new QLabel(problem, this)) {
    setObjectName(QStringLiteral("loginDialog"));
    setWindowTitle(QStringLiteral("Log in to the switch"));
    m_name->setObjectName(QStringLiteral("loginName"));
    m_name->setMaxLength(32);
    m_password->setObjectName(QStringLiteral("loginPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_problem->setObjectName(QStringLiteral("loginProblem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->setVisible(!problem.isEmpty());
    auto* lead = new QLabel(QStringLiteral("The switch at %1 asks for a login.").arg(address), this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Operator:"), m_name);
    form->addRow(QStringLiteral("&Password:"), m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Log In"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("loginOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("loginCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CLoginDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLoginDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lead);
    layout->addWidget(m_problem);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // A name known already: the password is what is left to type.
    (name.isEmpty() ? m_name : m_password)->setFocus();
}

void CLoginDlg::accept() {
    const QString problem = CheckCredentials(Name(), Password());
    if (problem.isEmpty()) {
        QDialog::accept();
        return;
    }
    m_problem->setText(problem);
    m_problem->setVisible(true);
}

QString RememberedOperator(const std::string& settingsFile) {
    return QString::fromStdString(platform::ProfileString(settingsFile, kSection, kKey));
}

void AskForLogin(QWidget* parent, CTcpSwitchLink& link, const QString& problem, const std::string& settingsFile) {
    CLoginDlg dlg(parent, link.Describe(), RememberedOperator(settingsFile), problem);
    if (platform::Ui().ExecDialog(dlg) == QDialog::Accepted) {
        WritePrivateProfileString(kSection, kKey, dlg.Name().toStdString().c_str(), settingsFile);
        link.LogIn(dlg.Name(), dlg.Password());
        return;
    }
    const int waiting = link.WaitingForLogin();
    link.CancelLogin();
    platform::Ui().MessageBox(parent,
                              "Not logged in to the switch at " + link.Describe().toStdString() + ". " +
                                  (waiting ? std::to_string(waiting) + " command(s) that waited for the login were "
                                                                       "cancelled. "
                                           : std::string()) +
                                  "The next command asks for the login again.",
                              "Switch", MB_OK | MB_ICONWARNING);
}

}  // namespace host
