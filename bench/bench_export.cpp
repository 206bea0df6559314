// Export of a paged list of many subscribers (embedded switch) to a workbook
// and to a text file: the time from the start to the file written, and the
// memory the process took on top of what it held before (its peak resident
// set, reset before each export). The export reads the list's query page by
// page and writes rows as they come, so the memory should not follow the total.
//   bench_export [--subscribers N] [--db FILE] [--out DIR]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "EmbeddedSwitchLink.h"
#include "HostMainWindow.h"
#include "ListExport.h"
#include "ObjListCtrl.h"
#include "UiService.h"
#include "UserDlg.h"
#include "UserObjWnd.h"

namespace {

template <class Pred>
bool Wait(Pred pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return pred();
}

long Kib(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    long long total = 1000000;
    std::string db = "/tmp/bench_export.db", out = "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--subscribers")) total = std::atoll(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--db")) db = argv[i + 1];
        else if (!std::strcmp(argv[i], "--out")) out = argv[i + 1];
    }
    platform::CRecordingUiGuard ui;  // nobody at the screen
    auto link = std::make_unique<host::CEmbeddedSwitchLink>(db, total);
    std::string error;
    if (!link->WaitReady(error)) {
        std::fprintf(stderr, "bench_export: %s\n", error.c_str());
        return 2;
    }
    host::CHostMainWindow main("", std::move(link));
    main.show();
    if (!main.OpenObjectWindow(3)) return 2;
    auto* w = dynamic_cast<CUserObjWnd*>(main.MdiArea()->activeSubWindow());
    CObjListCtrl* list = w && w->m_pActiveDlg ? w->m_pActiveDlg->GetActiveListCtrl() : nullptr;
    if (!list || !Wait([&] { return list->m_nTotalRecords > 0 && !w->IsBusy(); }, 120000)) return 2;
    std::printf("records in the list: %d\n", list->m_nTotalRecords);
    for (const char* name : {"bench_export.xlsx", "bench_export.txt"}) {
        const std::string path = out + "/" + name;
        QFile::remove(QString::fromStdString(path));
        const long before = Kib("VmRSS:");
        ResetPeak();
        bool ended = false, ok = false;
        QElapsedTimer t;
        t.start();
        ExportListTo(*list, path, [&](bool result) { ended = true, ok = result; });
        Wait([&] { return ended; }, 3600000);
        const double seconds = t.elapsed() / 1000.0;
        const long peak = Kib("VmHWM:");
        std::printf("%-18s %s in %.1f s, %lld bytes; resident before %ld MiB, peak %ld MiB (+%ld MiB)\n", name,
                    ok ? "written" : "FAILED", seconds,
                    static_cast<long long>(QFileInfo(QString::fromStdString(path)).size()), before / 1024,
                    peak / 1024, (peak - before) / 1024);
        std::fflush(stdout);
    }
    return 0;
}
