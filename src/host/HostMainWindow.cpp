// The host client's main window.
#include "HostMainWindow.h"

#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "HostStrings.h"
#include "UiService.h"
#include "WindowHandles.h"
#include "hostlibs/FrmDatabase.h"
#include "userobj/ConfigTypes.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

namespace host {

const MsgMap* CHostMainWindow::MessageMap() {
    static const MsgMapEntry e[] = {
        ON_MESSAGE(msg::WM_OBJWND_DESTROYED, &CHostMainWindow::OnObjWndDestroyed),
        ON_MESSAGE(msg::WM_OBJIDENTITY, &CHostMainWindow::OnIdentity),
        ON_MESSAGE(msg::WM_SENDMML, &CHostMainWindow::OnSendMml),
        ON_MESSAGE(msg::WM_GETDATABASE, &CHostMainWindow::OnGetDatabase),
        ON_MESSAGE(msg::WM_SENDBINFRAME, &CHostMainWindow::OnSendBinFrame),
    };
    static const MsgMap m{CMsgTarget::MessageMap(), e};
    return &m;
}

static QString ConfigTitle(const cfg::ConfigType& c) {
    if (c.titleString == 0) return QString::fromUtf8(c.literalTitle);
    QString t = QString::fromStdString(HostString(c.titleString));
    return t.isEmpty() ? QStringLiteral("Configuration %1").arg(c.type) : t;
}

CHostMainWindow::CHostMainWindow(std::string pluginPath, std::unique_ptr<CSwitchLink> link)
    : m_mdi(new QMdiArea(this)),
      m_linkLabel(new QLabel(this)),
      m_pendingLabel(new QLabel(this)),
      m_loader(std::move(pluginPath)),
      m_link(std::move(link)) {
    setWindowTitle(QStringLiteral("O&M client"));
    setCentralWidget(m_mdi);
    m_mdi->setViewMode(QMdiArea::SubWindowView);

    QMenu* objects = menuBar()->addMenu(QStringLiteral("&Objects"));
    for (const cfg::ConfigType& c : cfg::kConfigTypes) {
        const int type = c.type;
        objects->addAction(ConfigTitle(c), this, [this, type] { OpenObjectWindow(type); });
    }
    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(QStringLiteral("&Tile"), m_mdi, &QMdiArea::tileSubWindows);
    window->addAction(QStringLiteral("&Cascade"), m_mdi, &QMdiArea::cascadeSubWindows);

    m_linkLabel->setText(QStringLiteral("Switch: ") + m_link->Describe());
    m_pendingLabel->setText(QStringLiteral("Outstanding commands: 0"));
    statusBar()->addPermanentWidget(m_linkLabel);
    statusBar()->addPermanentWidget(m_pendingLabel);
    connect(m_link.get(), &CSwitchLink::OutstandingChanged, this, [this](int n) {
        m_pendingLabel->setText(QStringLiteral("Outstanding commands: %1").arg(n));
    });
    connect(m_link.get(), &CSwitchLink::StateChanged, this,
            [this](bool, const QString& text) { m_linkLabel->setText(QStringLiteral("Switch: ") + text); });
    connect(m_link.get(), &CSwitchLink::LinkLost, this, &CHostMainWindow::OnLinkLost);
    resize(1280, 800);
}

void CHostMainWindow::OnLinkLost(const QString& text) {
    statusBar()->showMessage(QStringLiteral("Connection to the switch lost: ") + text);
    // Told once the current event is done, so no handler runs inside the box.
    QTimer::singleShot(0, this, [this, text] {
        platform::Ui().MessageBox(this,
                                  "The connection to the switch was lost (" + text.toStdString() +
                                      "). Outstanding commands were cancelled; the next command "
                                      "connects again.",
                                  "Switch", MB_OK | MB_ICONWARNING);
    });
}

bool CHostMainWindow::OpenObjectWindow(int configType) {
    auto entry = m_loader.Entry();
    if (!entry) {
        m_lastError = m_loader.Error();
        statusBar()->showMessage(QString::fromStdString(m_lastError));
        return false;
    }
    if (!entry(static_cast<QObject*>(this), configType)) {
        m_lastError = "configuration type " + std::to_string(configType) + " opens no object window";
        statusBar()->showMessage(QString::fromStdString(m_lastError), 5000);
        return false;
    }
    return true;
}

LRESULT CHostMainWindow::OnObjWndDestroyed(WPARAM, LPARAM) { return 0; }

LRESULT CHostMainWindow::OnIdentity(WPARAM w, LPARAM l) {
    switch (l) {
        case msg::IDENT_DESTROY_REQUEST: {
            // Agreeing means answering with the window's own handle.
            auto* block = FromWParam<SIdentityBlock>(w);
            (void)block;
            return 0;
        }
        default:
            return 0;
    }
}

LRESULT CHostMainWindow::OnSendMml(WPARAM w, LPARAM l) {
    auto* block = FromWParam<SCommandBlock>(w);
    if (!block || l != 1) return 0;
    const std::string text(block->text, strnlen(block->text, sizeof block->text));
    int sent = 0;
    for (WORD i = 0; i < block->count && i < 300; ++i) {
        if (QObject* window = FromWindowHandle(block->windows[i])) {
            m_link->Send(window, text);
            ++sent;
        }
    }
    return sent;
}

LRESULT CHostMainWindow::OnGetDatabase(WPARAM, LPARAM) {
    return ToLParam(static_cast<IFrmDatabase*>(&HostDatabase()));
}

LRESULT CHostMainWindow::OnSendBinFrame(WPARAM, LPARAM) { return 1; }

}  // namespace host
