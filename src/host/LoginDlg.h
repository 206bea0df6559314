// The login dialog: the operator's name (remembered in the client's
// settings) and password (never kept beyond the run's memory) for a switch
// that asks for a login, with the switch's word on the last try above them.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

#include <string>

namespace host {

class CTcpSwitchLink;

class CLoginDlg : public QDialog {
    Q_OBJECT
public:
    CLoginDlg(QWidget* parent, const QString& address, const QString& name, const QString& problem);
    QString Name() const { return m_name->text().trimmed(); }
    QString Password() const { return m_password->text(); }
    QString Problem() const { return m_problem->text(); }
    // Checks the fields first: what cannot be sent is said and the dialog stays.
    void accept() override;

private:
    QLineEdit* m_name;
    QLineEdit* m_password;
    QLabel* m_problem;
};

// Asks the operator for the login the link needs (problem: why again, or
// empty) and hands the answer to the link. Cancel gives up the commands
// that waited, tells so, and leaves every window free.
void AskForLogin(QWidget* parent, CTcpSwitchLink& link, const QString& problem, const std::string& settingsFile);

// The operator name last logged in with, from the settings.
QString RememberedOperator(const std::string& settingsFile);

}  // namespace host
