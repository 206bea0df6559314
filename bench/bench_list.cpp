// The object list on a million subscribers with the embedded switch: from
// the paged head's arrival to the first page drawn, and from a jump's key
// press to the new page drawn. The list holds one page whatever the total.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "EmbeddedSwitchLink.h"
#include "HostMainWindow.h"
#include "HostStrings.h"
#include "MsgTarget.h"
#include "ObjListCtrl.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "hostlibs/ObjArray.h"
#include "userobj/Messages.h"

extern "C" void* ExternMain(void* hostFrame, int configType);

namespace {

template <class Pred>
bool Wait(Pred pred) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return pred();
}

// Keeps the reports it is sent (to obtain a head the switch really holds).
class CCatcher : public CWndT<QObject> {
public:
    std::string last;
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM) override {
        if (m == msg::WM_REPORT) last = FromWParam<const char>(w);
        return 0;
    }
};

struct Fixture {
    explicit Fixture(long long total) {
        auto link = std::make_unique<host::CEmbeddedSwitchLink>(":memory:", total);
        std::string error;
        if (!link->WaitReady(error)) std::abort();
        linkPtr = link.get();
        main = std::make_unique<host::CHostMainWindow>("", std::move(link));
        main->show();
        wnd = static_cast<CUserObjWnd*>(ExternMain(main.get(), 7));  // its dialog lists no MGCP
        list = new CObjListCtrl(wnd->widget(), 10194);
        list->resize(800, 600);
        list->show();
        list->m_obj = &data;
        data.Create(308, HostDatabase().ObjLoadAllDesc(308), wnd, list, nullptr, 1, nullptr, nullptr);
        wnd->RegisterObjDesc(data.GetComObj(), &data);
        Wait([&] { return list->GetItemData(0) != 0 && !wnd->IsBusy(); });
    }
    // A fresh head from the switch, not yet seen by the window.
    std::string Head() {
        CCatcher c;
        linkPtr->Send(&c, "LST MGCPSUB:;");
        Wait([&] { return !c.last.empty(); });
        return c.last;
    }
    host::CEmbeddedSwitchLink* linkPtr;
    std::unique_ptr<host::CHostMainWindow> main;
    CUserObjWnd* wnd;
    CObjListCtrl* list;
    CObjDescData data;
};

Fixture& Million() {
    static Fixture* f = new Fixture(1000000);  // lives until the process ends
    return *f;
}

void BM_HeadToFirstPageDrawn(benchmark::State& state) {
    Fixture& f = Million();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string head = f.Head();
        f.wnd->m_mapCmdSender["LST MGCPSUB:;"] = f.data.GetComObj();
        ++f.wnd->m_nMMLCount;
        f.list->m_nPageBegin = 1;  // so that the first page is a change
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        SendMessage(f.wnd, msg::WM_REPORT, ToWParam(head.c_str()), 0);
        Wait([&] { return !f.wnd->IsBusy(); });
        f.list->repaint();
        state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    state.counters["records_held"] = static_cast<double>(f.data.GetDynData()->GetData().size());
}
BENCHMARK(BM_HeadToFirstPageDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_JumpKeyToPageDrawn(benchmark::State& state) {
    Fixture& f = Million();
    bool toEnd = true;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        QKeyEvent e(QEvent::KeyPress, toEnd ? Qt::Key_End : Qt::Key_Home, Qt::NoModifier);
        QApplication::sendEvent(f.list, &e);
        Wait([&] { return !f.wnd->IsBusy(); });
        f.list->repaint();
        state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
        toEnd = !toEnd;
    }
    state.counters["rows"] = f.list->GetItemCount();
    state.counters["records_held"] = static_cast<double>(f.data.GetDynData()->GetData().size());
}
BENCHMARK(BM_JumpKeyToPageDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The records a list holds for totals of ten thousand to a million.
void BM_RecordsHeldByTotal(benchmark::State& state) {
    static std::map<long long, std::unique_ptr<Fixture>> fixtures;
    const long long total = state.range(0);
    if (!fixtures.count(total)) fixtures[total] = std::make_unique<Fixture>(total);
    Fixture& f = *fixtures[total];
    for (auto _ : state) benchmark::DoNotOptimize(f.list->GetItemCount());
    state.counters["records_held"] = static_cast<double>(f.data.GetDynData()->GetData().size());
    state.counters["rows"] = f.list->GetItemCount();
}
BENCHMARK(BM_RecordsHeldByTotal)->Arg(10000)->Arg(100000);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    platform::CRecordingUiGuard ui;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::_Exit(0);  // the windows die with the process
}
