// The host client's main window.
#include "HostMainWindow.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>

#include <utility>

#include "BusyIndicator.h"
#include "NoticeRouter.h"
#include "ClientRoot.h"
#include "HostStrings.h"
#include "LoginDlg.h"
#include "PropertyDisplayView.h"
#include "StartWindows.h"
#include "TcpSwitchLink.h"
#include "UiService.h"
#include "WindowArrange.h"
#include "WindowHandles.h"
#include "WindowMenu.h"
#include "hostlibs/FrmDatabase.h"
#include "hostlibs/SwitchCmdHandles.h"
#include "userobj/ConfigTypes.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"
#include "userobj/OperatorRole.h"

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
    if (c.titleString == 0) return QString::fromUtf8(c.menuTitle ? c.menuTitle : c.literalTitle);
    QString t = QString::fromStdString(HostString(c.titleString));
    return t.isEmpty() ? QStringLiteral("Configuration %1").arg(c.type) : t;
}

CHostMainWindow::CHostMainWindow(std::string pluginPath, std::unique_ptr<CSwitchLink> link)
    : m_mdi(new QMdiArea(this)),
      m_linkLabel(new QLabel(this)),
      m_pendingLabel(new QLabel(this)),
      m_operatorLabel(new QLabel(this)),
      m_busy(nullptr),
      m_loader(std::move(pluginPath)),
      m_link(std::move(link)),
      m_settingsFile(DefaultWindowsFile()) {
    setWindowTitle(QStringLiteral("O&M client"));
    setCentralWidget(m_mdi);
    m_mdi->setViewMode(QMdiArea::SubWindowView);

    // An entry brings its open window to the front; Ctrl+click, or the
    // entry under "Another Window", opens one more.
    QMenu* objects = menuBar()->addMenu(QStringLiteral("&Objects"));
    QMenu* another = new QMenu(QStringLiteral("&Another Window"), objects);
    another->setObjectName(QStringLiteral("anotherWindowMenu"));
    for (const cfg::ConfigType& c : cfg::kConfigTypes) {
        const int type = c.type;
        objects->addAction(ConfigTitle(c), this, [this, type] {
            if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier)
                OpenObjectWindow(type);
            else
                ShowObjectWindow(type);
        });
        another->addAction(ConfigTitle(c), this, [this, type] { OpenObjectWindow(type); });
    }
    objects->addSeparator();
    objects->addMenu(another);
    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->setObjectName(QStringLiteral("windowMenu"));
    connect(window, &QMenu::aboutToShow, this, [this, window] { FillWindowMenu(window, m_mdi); });
    FillWindowMenu(window, m_mdi);

    m_linkLabel->setText(QStringLiteral("Switch: ") + m_link->Describe());
    m_pendingLabel->setText(QStringLiteral("Outstanding commands: 0"));
    m_busy = new CBusyIndicator(m_link.get(), this);
    m_notices = std::make_unique<CNoticeRouter>(*m_link);
    connect(m_busy, &CBusyIndicator::Stopped, this, [this](int n) {
        statusBar()->showMessage(
            QStringLiteral("Stopped waiting for %1 command(s); their windows are free again.")
                .arg(n),
            10000);
    });
    statusBar()->addPermanentWidget(m_busy);
    m_operatorLabel->setObjectName(QStringLiteral("operatorLabel"));
    statusBar()->addPermanentWidget(m_operatorLabel);
    statusBar()->addPermanentWidget(m_linkLabel);
    statusBar()->addPermanentWidget(m_pendingLabel);
    connect(m_link.get(), &CSwitchLink::OutstandingChanged, this, [this](int n) {
        m_pendingLabel->setText(QStringLiteral("Outstanding commands: %1").arg(n));
    });
    connect(m_link.get(), &CSwitchLink::StateChanged, this, &CHostMainWindow::OnLinkState);
    connect(m_link.get(), &CSwitchLink::LinkLost, this, &CHostMainWindow::OnLinkLost);
    connect(m_link.get(), &CSwitchLink::CommandTimedOut, this, &CHostMainWindow::OnCommandTimedOut);
    m_link->SetCommandTimeout(platform::GetCmdTimeOut() * 1000);
    connect(m_link.get(), &CSwitchLink::SessionChanged, this, &CHostMainWindow::OnSession);
    OnSession(m_link->OperatorName(), m_link->Role());
    if (auto* tcp = qobject_cast<CTcpSwitchLink*>(m_link.get())) {
        tcp->SetTrustQuestion(AskTheOperator(this));
        connect(tcp, &CTcpSwitchLink::LoginNeeded, this,
                [this, tcp](const QString& problem) { AskForLogin(this, *tcp, problem, m_settingsFile); });
        connect(tcp, &CTcpSwitchLink::SessionRenewed, this, &CHostMainWindow::AskWindowsAnew);
    }
    // Object windows create the property panel by its class.
    setProperty(kPropertyViewClass,
                QVariant::fromValue(static_cast<void*>(const_cast<QMetaObject*>(&CPropertyDisplayView::staticMetaObject))));
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CHostMainWindow::OnSubWindowActivated);
    resize(1280, 800);
}

CHostMainWindow::~CHostMainWindow() {
    // The windows close with the frame; nothing may reach a frame half gone.
    disconnect(m_mdi, nullptr, this, nullptr);
    disconnect(m_link.get(), nullptr, this, nullptr);
    disconnect(m_link.get(), nullptr, m_busy, nullptr);
    m_mdi->closeAllSubWindows();
    delete m_mdi;
}

void CHostMainWindow::OnSubWindowActivated(QMdiSubWindow* window) {
    // The active object window's shared menu stands in the menu bar.
    if (m_moduleMenu) {
        menuBar()->removeAction(m_moduleMenu);
        m_moduleMenu = nullptr;
    }
    if (!window) return;
    auto* menu = qobject_cast<QMenu*>(window->property(kSharedMenuProperty).value<QObject*>());
    if (menu) m_moduleMenu = menuBar()->insertMenu(menuBar()->actions().value(1), menu);
}

void CHostMainWindow::OnSession(const QString& op, const QString& role) {
    m_operatorLabel->setText(op.isEmpty() ? QStringLiteral("Not logged in")
                                          : QStringLiteral("Operator: %1 (%2)").arg(op, role));
    // The windows read it whenever they enable their operations.
    setProperty(kOperatorRoleProperty, role);
}

void CHostMainWindow::AskWindowsAnew() {
    const std::string name = msg::kEventRequery;
    std::vector<QPointer<QMdiSubWindow>> windows;  // a window may go while another asks
    for (const auto& [id, window] : m_windows) windows.push_back(window);
    for (const QPointer<QMdiSubWindow>& window : windows)
        if (window) SendMessage(window.data(), msg::WM_HOSTEVENT, ToWParam(&name), 0);
}

void CHostMainWindow::OnLinkState(bool connected, const QString& text) {
    m_linkLabel->setText(QStringLiteral("Switch: ") + text);
    if (!connected || !m_bLinkLost) return;
    // Back again: the loss told before is no longer true.
    m_bLinkLost = false;
    statusBar()->showMessage(QStringLiteral("Connected to the switch again: ") + text, 10000);
}

void CHostMainWindow::OnLinkLost(const QString& text) {
    statusBar()->showMessage(QStringLiteral("Connection to the switch lost: ") + text);
    // One box per outage: while the switch stays away, each command that
    // fails to reach it says so in the status bar only.
    if (std::exchange(m_bLinkLost, true)) return;
    // Told once the current event is done, so no handler runs inside the box.
    QTimer::singleShot(0, this, [this, text] {
        platform::Ui().MessageBox(this,
                                  "The connection to the switch was lost (" + text.toStdString() +
                                      "). Outstanding commands were cancelled; the next command "
                                      "connects again.",
                                  "Switch", MB_OK | MB_ICONWARNING);
    });
}

void CHostMainWindow::OnCommandTimedOut(const QString& command) {
    const int seconds = m_link->CommandTimeout() / 1000;
    statusBar()->showMessage(QStringLiteral("The switch did not answer in %1 s: %2").arg(seconds).arg(command));
    // One box for a burst of them (a switch that stopped answering gives
    // up every command it holds at once).
    if (m_bTimeoutBoxPending) return;
    m_bTimeoutBoxPending = true;
    QTimer::singleShot(0, this, [this, command, seconds] {
        platform::Ui().MessageBox(this,
                                  "The switch did not answer within " + std::to_string(seconds) +
                                      " seconds, so the client stopped waiting for \"" + command.toStdString() +
                                      "\". Its window is free again; the command may or may not have been "
                                      "carried out on the switch.",
                                  "Switch", MB_OK | MB_ICONWARNING);
        m_bTimeoutBoxPending = false;
    });
}

bool CHostMainWindow::OpenObjectWindow(int configType) {
    auto entry = m_loader.Entry();
    if (!entry) {
        m_lastError = m_loader.Error();
        statusBar()->showMessage(QString::fromStdString(m_lastError));
        return false;
    }
    void* handle = entry(static_cast<QObject*>(this), configType);
    if (!handle) {
        m_lastError = "configuration type " + std::to_string(configType) + " opens no object window";
        statusBar()->showMessage(QString::fromStdString(m_lastError), 5000);
        return false;
    }
    // The host names the window: it answers the destruction request by this identity.
    auto* window = static_cast<QMdiSubWindow*>(static_cast<QObject*>(handle));
    const WORD id = m_nextObjId++;
    m_windows[id] = window;
    KeepWholeWhenRestored(m_mdi, window);
    auto block = std::make_unique<SIdentityBlock>();
    std::memset(block.get(), 0, sizeof(SIdentityBlock));
    block->objId = id;
    CopyField(block->text1, window->windowTitle().toStdString());
    block->value = static_cast<DWORD>(configType);
    SendMessage(window, msg::WM_OBJIDENTITY, ToWParam(block.get()), 1);
    // The new window takes the focus, or the MDI area would give the window
    // that keeps it the front again.
    m_mdi->setActiveSubWindow(window);
    window->setFocus();
    OnSubWindowActivated(m_mdi->activeSubWindow());
    if (!isVisible()) m_lastOpened = window;
    return true;
}

void CHostMainWindow::showEvent(QShowEvent* e) {
    CWndT::showEvent(e);
    // Windows opened before the frame ever showed were not activated (a
    // hidden MDI area activates none); the last one opened comes in front.
    if (m_lastOpened && !e->spontaneous()) {
        m_mdi->setActiveSubWindow(m_lastOpened);
        m_lastOpened->setFocus();
    }
    m_lastOpened = nullptr;
}

QMdiSubWindow* CHostMainWindow::FindObjectWindow(int configType) const {
    QMdiSubWindow* found = nullptr;
    for (const auto& [id, win] : m_windows)
        if (win && win->property("configType").toInt() == configType) found = win;
    return found;
}

bool CHostMainWindow::ShowObjectWindow(int configType) {
    QMdiSubWindow* w = FindObjectWindow(configType);
    if (!w) return OpenObjectWindow(configType);
    if (w->isMinimized()) w->showNormal();
    m_mdi->setActiveSubWindow(w);
    return true;
}

std::vector<int> CHostMainWindow::OpenWindowTypes() const {
    std::vector<int> types;
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        bool ok = false;
        const int type = w->property("configType").toInt(&ok);
        if (ok && type > 0) types.push_back(type);
    }
    return types;
}

LRESULT CHostMainWindow::OnObjWndDestroyed(WPARAM, LPARAM) {
    for (auto it = m_windows.begin(); it != m_windows.end();)
        it = it->second.isNull() ? m_windows.erase(it) : std::next(it);
    return 0;
}

LRESULT CHostMainWindow::OnIdentity(WPARAM w, LPARAM l) {
    switch (l) {
        case msg::IDENT_DESTROY_REQUEST: {
            // Agreeing means answering with the window's own handle.
            auto* block = FromWParam<SIdentityBlock>(w);
            auto it = block ? m_windows.find(block->objId) : m_windows.end();
            if (it == m_windows.end() || it->second.isNull()) return 0;
            QMdiSubWindow* window = it->second.data();
            m_windows.erase(it);
            if (m_moduleMenu && m_mdi->activeSubWindow() == window) {
                menuBar()->removeAction(m_moduleMenu);
                m_moduleMenu = nullptr;
            }
            return static_cast<LRESULT>(GetWindowHandle(window));
        }
        case msg::IDENT_OPEN_OTHER: {
            // A jump: open a window that shows the target object, if one does.
            auto* block = FromWParam<SIdentityBlock>(w);
            if (!block) return 0;
            static const std::map<WORD, int> configOf = {
                {303, 2}, {329, 2}, {304, 2}, {305, 1}, {316, 1}, {308, 3}, {309, 3}, {319, 3},
                {320, 3}, {313, 4}, {318, 4}, {325, 5}, {326, 5}, {327, 5}, {311, 6}, {310, 6},
                {312, 6}, {328, 6}, {317, 7}, {334, 12}, {335, 12}};
            auto c = configOf.find(block->objId);
            if (c == configOf.end()) return 0;  // a switch command stays the module's
            QMdiSubWindow* target = FindObjectWindow(c->second);
            if (target)
                m_mdi->setActiveSubWindow(target);
            else if (OpenObjectWindow(c->second))
                target = m_mdi->activeSubWindow();
            // "Default" carries a switch command, which is the host's from
            // here on; a jump carries the restriction of its records.
            std::unique_ptr<SSwitchCmd> sw;
            if (std::strncmp(block->text1, "Default", sizeof block->text1) == 0) sw = TakeSwitchCmd(block->value);
            if (!target) return sw ? 1 : 0;
            auto run = std::make_unique<SIdentityBlock>();
            std::memset(run.get(), 0, sizeof(SIdentityBlock));
            run->objId = block->objId;
            CopyField(run->text1, block->text1);
            CopyField(run->text2, sw ? sw->command : std::string(block->text2, strnlen(block->text2, sizeof block->text2)));
            run->value = block->value;
            SendMessage(target, msg::WM_OBJIDENTITY, ToWParam(run.get()), msg::IDENT_TYPE10);
            return 1;
        }
        case msg::IDENT_DIALOG_INIT:
            m_openDialogs.insert(w);
            return 0;
        case msg::IDENT_DIALOG_CLOSING:
            m_openDialogs.erase(w);  // a dialog that never said it opened counts nothing
            return 0;
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
            m_notices->Seen(window, text);
            m_link->Send(window, text);
            ++sent;
        }
    }
    return sent;
}

LRESULT CHostMainWindow::OnGetDatabase(WPARAM, LPARAM) {
    return ToLParam(static_cast<IFrmDatabase*>(&HostDatabase()));
}

LRESULT CHostMainWindow::OnSendBinFrame(WPARAM, LPARAM l) {
    // No binary peer is attached to this host: frames are accepted and dropped;
    // their requests time out as they would against a silent peer.
    return FromLParam<SBinFrameRecord>(l) ? 1 : 0;
}

}  // namespace host
