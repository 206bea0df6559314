// The host client's main window.
#include "HostMainWindow.h"

#include <QMenuBar>
#include <QStatusBar>

#include "HostStrings.h"
#include "userobj/ConfigTypes.h"

namespace host {

static QString ConfigTitle(const cfg::ConfigType& c) {
    if (c.titleString == 0) return QString::fromUtf8(c.literalTitle);
    QString t = QString::fromStdString(HostString(c.titleString));
    return t.isEmpty() ? QStringLiteral("Configuration %1").arg(c.type) : t;
}

CHostMainWindow::CHostMainWindow(std::string pluginPath)
    : m_mdi(new QMdiArea(this)),
      m_linkLabel(new QLabel(this)),
      m_pendingLabel(new QLabel(this)),
      m_loader(std::move(pluginPath)) {
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

    m_linkLabel->setText(QStringLiteral("Switch: embedded"));
    m_pendingLabel->setText(QStringLiteral("Outstanding commands: 0"));
    statusBar()->addPermanentWidget(m_linkLabel);
    statusBar()->addPermanentWidget(m_pendingLabel);
    resize(1280, 800);
}

bool CHostMainWindow::OpenObjectWindow(int configType) {
    auto entry = m_loader.Entry();
    if (!entry) {
        m_lastError = m_loader.Error();
        statusBar()->showMessage(QString::fromStdString(m_lastError));
        return false;
    }
    if (!entry(static_cast<QObject*>(this), configType)) {
        m_lastError = "configuration type " + std::to_string(configType) +
                      " opens no object window";
        statusBar()->showMessage(QString::fromStdString(m_lastError), 5000);
        return false;
    }
    return true;
}

}  // namespace host
