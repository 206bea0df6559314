// The host client's main window: MDI area, status bar, the menu of object
// windows the plug-in module can open, and the host side of the window
// message contract (database, commands, identity and destruction, frames).
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "MsgTarget.h"
#include "PluginLoader.h"
#include "SwitchLink.h"

namespace host {

class CBusyIndicator;
class CNoticeRouter;

class CHostMainWindow : public CWndT<QMainWindow> {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    CHostMainWindow(std::string pluginPath, std::unique_ptr<CSwitchLink> link);
    ~CHostMainWindow() override;

    // Asks the module for an object window of the type; false (with the
    // reason in LastError) when none opened.
    bool OpenObjectWindow(int configType);
    // Brings the open object window of the type to the front, or opens one.
    bool ShowObjectWindow(int configType);
    // An open object window of the type (the latest opened), or null.
    QMdiSubWindow* FindObjectWindow(int configType) const;
    // The configuration types of the open object windows, oldest first.
    std::vector<int> OpenWindowTypes() const;
    CBusyIndicator* BusyIndicator() const { return m_busy; }
    const std::string& LastError() const { return m_lastError; }
    QMdiArea* MdiArea() const { return m_mdi; }
    CSwitchLink* Link() const { return m_link.get(); }
    CNoticeRouter* Notices() const { return m_notices.get(); }
    // The client's settings (the operator name last logged in with).
    void SetSettingsFile(std::string file) { m_settingsFile = std::move(file); }

    LRESULT OnObjWndDestroyed(WPARAM, LPARAM);
    LRESULT OnIdentity(WPARAM, LPARAM);
    LRESULT OnSendMml(WPARAM, LPARAM);
    LRESULT OnGetDatabase(WPARAM, LPARAM);
    LRESULT OnSendBinFrame(WPARAM, LPARAM);

    // The object windows open now, by the identity the host gave them.
    const std::map<WORD, QPointer<QMdiSubWindow>>& ObjectWindows() const { return m_windows; }
    // Dialogs of the module that told the host they are open (WM_USER+1001, 5).
    int OpenDialogs() const { return static_cast<int>(m_openDialogs.size()); }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnLinkState(bool connected, const QString& text);
    void OnLinkLost(const QString& text);
    void OnCommandTimedOut(const QString& command);
    void OnSubWindowActivated(QMdiSubWindow* window);
    // The operator and role in the status bar, the role for the windows.
    void OnSession(const QString& op, const QString& role);
    // The switch forgot this client's queries: every object window asks anew.
    void AskWindowsAnew();

    QMdiArea* m_mdi;
    QLabel* m_linkLabel;
    QLabel* m_pendingLabel;
    QLabel* m_operatorLabel;
    CBusyIndicator* m_busy;
    CPluginLoader m_loader;
    std::unique_ptr<CSwitchLink> m_link;
    // Gone before the link it sends on; the windows it serves may outlive it.
    std::unique_ptr<CNoticeRouter> m_notices;
    std::string m_lastError;
    std::string m_settingsFile;
    std::map<WORD, QPointer<QMdiSubWindow>> m_windows;
    WORD m_nextObjId = 1;
    std::set<WPARAM> m_openDialogs;
    QAction* m_moduleMenu = nullptr;
    QPointer<QMdiSubWindow> m_lastOpened;  // in front when the window first shows
    bool m_bTimeoutBoxPending = false;
    bool m_bLinkLost = false;  // lost and told; cleared when the link is up again
};

}  // namespace host
