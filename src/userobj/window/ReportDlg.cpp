// The report dialog.
#include "ReportDlg.h"

#include <QResizeEvent>

#include "HostStrings.h"
#include "MsgTarget.h"
#include "userobj/Messages.h"

CReportDlg::CReportDlg(QWidget* parent, const std::string& text, QObject* hostMainWindow)
    : QDialog(parent), m_edit(new QPlainTextEdit(this)), m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_host(hostMainWindow) {
    setObjectName(QStringLiteral("dlg10041"));
    setWindowTitle(QStringLiteral("Report"));
    m_edit->setObjectName(QStringLiteral("ctl10164"));
    m_edit->setReadOnly(true);
    m_ok->setObjectName(QStringLiteral("ctl1"));
    QFont font(QString::fromStdString(HostString(10254)));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    font.setWeight(QFont::Normal);
    m_edit->setFont(font);
    SetText(text);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(640, 420);
    if (m_host) SendMessage(m_host.data(), msg::WM_OBJIDENTITY, ToWParam(this), msg::IDENT_DIALOG_INIT);
}

void CReportDlg::SetText(const std::string& text) { m_edit->setPlainText(QString::fromStdString(text)); }

CReportDlg::~CReportDlg() {
    if (m_host) SendMessage(m_host.data(), msg::WM_OBJIDENTITY, ToWParam(this), msg::IDENT_DIALOG_CLOSING);
}

void CReportDlg::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    const QSize b = m_ok->sizeHint();
    const int w = width(), h = height();
    m_edit->setGeometry(3, 3, w - 6, h - b.height() - 11);
    m_ok->setGeometry((w - b.width()) / 2, h - b.height() - 3, b.width(), b.height());
}
