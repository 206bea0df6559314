// The progress dialog of seeding the embedded switch.
#include "SeedProgress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>

#include "EmbeddedSwitchLink.h"

namespace host {

bool WaitShowingProgress(CEmbeddedSwitchLink& link, std::string& error) {
    QProgressDialog dlg(
        QStringLiteral("Preparing the switch's demo data (a new database is seeded once)..."),
        QString(), 0, 100);
    dlg.setObjectName(QStringLiteral("seedProgress"));
    dlg.setWindowTitle(QStringLiteral("O&M client"));
    dlg.setCancelButton(nullptr);
    dlg.setMinimumDuration(0);  // shown from the first step: seeding is known to be long
    dlg.setAutoClose(false);
    dlg.setAutoReset(false);
    QEventLoop loop;
    QObject::connect(&link, &CEmbeddedSwitchLink::SeedProgress, &dlg, [&dlg](int percent) {
        if (!dlg.isVisible()) dlg.show();
        dlg.setValue(percent);
    });
    QObject::connect(&link, &CEmbeddedSwitchLink::Ready, &loop, &QEventLoop::quit);
    // Progress told before this call is shown too; Ready follows the last step.
    QCoreApplication::processEvents();
    if (!link.IsReady()) loop.exec();
    return link.WaitReady(error);
}

}  // namespace host
