// The host client's main window: MDI area, status bar, and the menu of
// object windows the plug-in module can open.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>

#include "MsgTarget.h"
#include "PluginLoader.h"

namespace host {

class CHostMainWindow : public CWndT<QMainWindow> {
    Q_OBJECT
public:
    explicit CHostMainWindow(std::string pluginPath);

    // Asks the module for an object window of the type; false (with the
    // reason in LastError) when none opened.
    bool OpenObjectWindow(int configType);
    const std::string& LastError() const { return m_lastError; }
    QMdiArea* MdiArea() const { return m_mdi; }

private:
    QMdiArea* m_mdi;
    QLabel* m_linkLabel;
    QLabel* m_pendingLabel;
    CPluginLoader m_loader;
    std::string m_lastError;
};

}  // namespace host
