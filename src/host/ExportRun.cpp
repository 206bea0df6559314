// omclient --export FILE.
#include "ExportRun.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "HostMainWindow.h"
#include "MsgTarget.h"
#include "UiService.h"
#include "userobj/Messages.h"

namespace host {

namespace {

// Nobody is at the screen of a script: what the export would say in a
// message box goes to stderr, and its questions take their default answer.
class CScriptUi : public platform::IUiService {
public:
    int MessageBox(QWidget*, const std::string& text, const std::string&, unsigned style) override {
        std::fprintf(stderr, "omclient: %s\n", text.c_str());
        return (style & 0xF) == MB_YESNO || (style & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;
    }
    int ExecDialog(QDialog&) override { return 0; }
    std::string GetSaveFileName(QWidget*, const platform::SaveFileRequest&) override { return {}; }
};

}  // namespace

void ExportFirstWindow(CHostMainWindow& main, const std::string& path, int timeoutMs,
                       std::function<void(bool, const std::string&)> done) {
    QPointer<QMdiSubWindow> win;
    for (const auto& [id, w] : main.ObjectWindows())
        if (w) {
            win = w;
            break;
        }
    if (!win) return done(false, "no object window is open (give --config N)");
    // The window owns the event's data and tells how the export goes by its
    // property "exportState".
    win->setProperty("exportState", QVariant());
    const std::string name = "Export";
    auto previous = std::make_shared<std::unique_ptr<platform::IUiService>>(
        platform::SetUiService(std::make_unique<CScriptUi>()));
    done = [previous, done](bool ok, const std::string& error) {
        platform::SetUiService(std::move(*previous));
        done(ok, error);
    };
    SendMessage(win.data(), msg::WM_HOSTEVENT, ToWParam(&name), ToLParam(new std::string(path)));
    if (!win || win->property("exportState").toString().isEmpty())
        return done(false, "the window does not export");
    auto* timer = new QTimer(&main);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, &main, [timer, clock, win, timeoutMs, done] {
        const QString state = win ? win->property("exportState").toString() : QStringLiteral("failed");
        if (state == QStringLiteral("running") && clock->elapsed() < timeoutMs) return;
        timer->stop();
        timer->deleteLater();
        if (state == QStringLiteral("done")) done(true, {});
        else done(false, state == QStringLiteral("running") ? "the export did not finish in time" : "the export failed");
    });
    timer->start(50);
}

}  // namespace host
