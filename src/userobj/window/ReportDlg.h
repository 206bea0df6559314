// CReportDlg: shows the text of a command report.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <string>

class CReportDlg : public QDialog {
    Q_OBJECT
public:
    CReportDlg(QWidget* parent, const std::string& text, QObject* hostMainWindow);
    ~CReportDlg() override;
    QString Text() const { return m_edit->toPlainText(); }
    void SetText(const std::string& text);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QPlainTextEdit* m_edit;
    QPushButton* m_ok;
    QPointer<QObject> m_host;
};
