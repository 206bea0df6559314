// The object list on a million subscribers with the embedded switch, in the
// client as it opens: the main window at its first size, the MGCP window of
// configuration type 3 and its list as the window lays it out.
//
// End to end: from the paged head's arrival to the first page drawn, from a
// jump's key press to the new page drawn, and a wheel notch inside the held
// page and past it. Then the same page taken apart: the switch's answer,
// parsing it, the object data, the list's model, fitting the columns and
// painting the view, each on its own, so that the sum can be held against
// the whole. The list holds one page whatever the total.
//
// The database is a file (USEROBJ_BENCH_DB, else /tmp/userobj-bench-1m.db),
// seeded with a million subscribers the first time and reused after.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "EmbeddedSwitchLink.h"
#include "FormViews.h"
#include "HostMainWindow.h"
#include "HostStrings.h"
#include "MsgTarget.h"
#include "ObjListCtrl.h"
#include "SubscriberDlgs.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"
#include "hostlibs/ObjArray.h"
#include "userobj/Messages.h"

namespace {

template <class Pred>
bool Wait(Pred pred) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < 120000) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return pred();
}

// Counts the paints of a widget.
class CPaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void PressKey(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
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

// The embedded switch, keeping the last page fetch the list sent.
class CRecordingLink : public host::CEmbeddedSwitchLink {
public:
    using CEmbeddedSwitchLink::CEmbeddedSwitchLink;
    void Send(QObject* window, const std::string& command) override {
        if (command.find(HostString(HS_PAGE_BEGIN)) != std::string::npos) {
            lastPage = command;
            ++pagesSent;
        }
        CEmbeddedSwitchLink::Send(window, command);
    }
    std::string lastPage;
    int pagesSent = 0;
};

std::string DatabasePath() {
    const char* p = std::getenv("USEROBJ_BENCH_DB");
    return p && *p ? p : "/tmp/userobj-bench-1m.db";
}

struct Fixture {
    Fixture(const std::string& path, long long total) {
        auto link = std::make_unique<CRecordingLink>(path, total);
        std::string error;
        if (!link->WaitReady(error)) std::abort();
        linkPtr = link.get();
        main = std::make_unique<host::CHostMainWindow>("", std::move(link));
        main->show();
        if (!main->OpenObjectWindow(3)) std::abort();
        wnd = dynamic_cast<CUserObjWnd*>(main->MdiArea()->activeSubWindow());
        auto* dlg = wnd && wnd->m_pConfigView
                        ? dynamic_cast<CSubscriberDlg*>(wnd->m_pConfigView->Dialogs().at(0))
                        : nullptr;
        if (!dlg) std::abort();
        list = dlg->MainList();
        list->viewport()->installEventFilter(&painted);
        if (!Wait([&] { return list->GetItemData(0) != 0 && !wnd->IsBusy(); })) std::abort();
        Drawn();
    }
    // Lets the window finish what the last event started, paints included;
    // the paints of the list's rows it took.
    int Drawn() {
        const int before = painted.paints;
        for (int quiet = 0; quiet < 2;) {
            const int p = painted.paints;
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            quiet = painted.paints == p ? quiet + 1 : 0;
        }
        return painted.paints - before;
    }
    // Until nothing is out and everything is drawn (a page that arrives
    // may show rows that ask for another); the paints of the list's rows.
    int Settle() {
        const int before = painted.paints;
        do {
            Wait([&] { return !wnd->IsBusy(); });
            Drawn();
        } while (wnd->IsBusy());
        return painted.paints - before;
    }
    // The page fetch of the last records, as the list sends it for End.
    std::string LastPageCommand() {
        PressKey(list, Qt::Key_End);
        Settle();
        return linkPtr->lastPage;
    }
    // A fresh head from the switch, not yet seen by the window.
    std::string Head() {
        CCatcher c;
        linkPtr->Send(&c, "LST MGCPSUB:;");
        Wait([&] { return !c.last.empty(); });
        return c.last;
    }
    CRecordingLink* linkPtr;
    std::unique_ptr<host::CHostMainWindow> main;
    CUserObjWnd* wnd;
    CObjListCtrl* list;
    CPaintCounter painted;
};

Fixture& Million() {
    static Fixture* f = new Fixture(DatabasePath(), 1000000);  // lives until the process ends
    return *f;
}

// The per-iteration times of a benchmark, for their median (the mean hides
// nothing here but one slow iteration can move it).
class CTimes {
public:
    void Add(const QElapsedTimer& t, benchmark::State& state) {
        const double s = static_cast<double>(t.nsecsElapsed()) / 1e9;
        m_ms.push_back(s * 1e3);
        state.SetIterationTime(s);
    }
    void Report(benchmark::State& state) {
        std::sort(m_ms.begin(), m_ms.end());
        if (!m_ms.empty()) state.counters["median_ms"] = m_ms[m_ms.size() / 2];
    }

private:
    std::vector<double> m_ms;
};

// Gives the switch the moment it takes when nobody asks it anything (it
// then finishes reading the orders of the lists it answered with a page:
// here, after the heads above, many) and waits until it is done.
void LetTheSwitchIdle(Fixture& f) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    f.linkPtr->ExecuteNow("LST MGCPSUB: DN=20000000;");
}

void SizeCounters(benchmark::State& state, Fixture& f) {
    state.counters["list_w"] = f.list->width();
    state.counters["list_h"] = f.list->height();
    state.counters["rows_shown"] = f.list->RowsPerPage();
    state.counters["records_held"] = static_cast<double>(f.list->m_obj->GetDynData()->GetData().size());
}

// ---- end to end ----

void BM_HeadToFirstPageDrawn(benchmark::State& state) {
    Fixture& f = Million();
    int paints = 0;
    CTimes times;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string head = f.Head();
        f.wnd->m_mapCmdSender["LST MGCPSUB:;"] = f.list->m_obj->GetComObj();
        ++f.wnd->m_nMMLCount;
        f.list->m_nPageBegin = 1;  // so that the first page is a change
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        SendMessage(f.wnd, msg::WM_REPORT, ToWParam(head.c_str()), 0);
        paints += f.Settle();
        times.Add(t, state);
    }
    times.Report(state);
    state.counters["paints_per_page"] = paints / static_cast<double>(state.iterations());
    SizeCounters(state, f);
}
BENCHMARK(BM_HeadToFirstPageDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_JumpKeyToPageDrawn(benchmark::State& state) {
    Fixture& f = Million();
    bool toEnd = true;
    int paints = 0;
    LetTheSwitchIdle(f);
    CTimes times;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        PressKey(f.list, toEnd ? Qt::Key_End : Qt::Key_Home);
        paints += f.Settle();
        times.Add(t, state);
        toEnd = !toEnd;
    }
    times.Report(state);
    state.counters["paints_per_page"] = paints / static_cast<double>(state.iterations());
    SizeCounters(state, f);
}
BENCHMARK(BM_JumpKeyToPageDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void WheelNotch(QAbstractItemView* v) {
    const QPoint at = v->viewport()->rect().center();
    QWheelEvent e(at, v->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(v->viewport(), &e);
}

// One wheel notch on the list, timed until the list is settled again.
void TimedNotch(Fixture& f, CTimes& times, benchmark::State& state) {
    state.ResumeTiming();
    QElapsedTimer t;
    t.start();
    WheelNotch(f.list);
    f.Settle();
    times.Add(t, state);
}

// The first page held, the view at its top: a notch down stays inside it.
void BM_WheelNotchInsidePage(benchmark::State& state) {
    Fixture& f = Million();
    PressKey(f.list, Qt::Key_Home);
    f.Settle();
    LetTheSwitchIdle(f);
    CTimes times;
    for (auto _ : state) {
        state.PauseTiming();
        f.list->verticalScrollBar()->setValue(0);
        f.Settle();
        TimedNotch(f, times, state);
    }
    times.Report(state);
    state.counters["page_begin"] = f.list->m_nPageBegin;
}
BENCHMARK(BM_WheelNotchInsidePage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The view's last row is the held page's last: a notch down shows records
// the list does not hold, and the page around them is fetched and drawn.
void BM_WheelNotchPastPage(benchmark::State& state) {
    Fixture& f = Million();
    int fetched = 0, sent = 0;
    LetTheSwitchIdle(f);
    CTimes times;
    for (auto _ : state) {
        state.PauseTiming();
        PressKey(f.list, Qt::Key_Home);
        f.Settle();
        const int lastHeld = f.list->Model().PageFirstRow() + f.list->Model().PageRowCount() - 1;
        f.list->verticalScrollBar()->setValue(lastHeld - f.list->RowsPerPage() + 1);
        f.Settle();
        const int begin = f.list->m_nPageBegin, sentBefore = f.linkPtr->pagesSent;
        TimedNotch(f, times, state);
        fetched += f.list->m_nPageBegin != begin;
        sent += f.linkPtr->pagesSent - sentBefore;
    }
    times.Report(state);
    state.counters["pages_fetched"] = fetched;
    state.counters["pages_sent_per_notch"] = sent / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WheelNotchPastPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// ---- the same page, stage by stage (the page at the end of the million) ----

std::string LastPageReport(Fixture& f) {
    const std::vector<std::string> reports = f.linkPtr->ExecuteNow(f.LastPageCommand());
    return reports.empty() ? std::string() : reports.front();
}

void BM_Stage1_SwitchPage(benchmark::State& state) {
    Fixture& f = Million();
    const std::string cmd = f.LastPageCommand();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<std::string> reports = f.linkPtr->ExecuteNow(cmd);
        bytes = reports.empty() ? 0 : reports.front().size();
    }
    state.counters["report_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_Stage1_SwitchPage)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Stage2_Parse(benchmark::State& state) {
    Fixture& f = Million();
    const std::string report = LastPageReport(f);
    for (auto _ : state) {
        CObjArray parsed;
        benchmark::DoNotOptimize(Parse(report, 1, parsed));
    }
}
BENCHMARK(BM_Stage2_Parse)->Unit(benchmark::kMillisecond)->Iterations(20);

// The report's block taken out and made the records of a data set bound to
// no window (so that no list is told).
void BM_Stage3_ObjectData(benchmark::State& state) {
    Fixture& f = Million();
    const std::string report = LastPageReport(f);
    CObjArray parsed;
    Parse(report, 1, parsed);
    CObjDescData scratch;
    scratch.Create(308, HostDatabase().ObjLoadAllDesc(308), nullptr, nullptr, nullptr, 1, nullptr, nullptr);
    for (auto _ : state) {
        std::vector<std::string> header;
        CDataTable table;
        f.wnd->GetReportBlock(parsed, "MGCPSUB", header, table);
        scratch.ProcessCmdRslt(parsed.GetCommand(), TRUE, header, table);
    }
    state.counters["records"] = static_cast<double>(scratch.GetDynData()->GetData().size());
}
BENCHMARK(BM_Stage3_ObjectData)->Unit(benchmark::kMillisecond)->Iterations(20);

// The list's rows made again from the records it holds, as a new page does.
void BM_Stage4_Model(benchmark::State& state) {
    Fixture& f = Million();
    for (auto _ : state) f.list->DisplayAllData();
    f.Drawn();
}
BENCHMARK(BM_Stage4_Model)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Stage5_ColumnFit(benchmark::State& state) {
    Fixture& f = Million();
    for (auto _ : state) f.list->BuildColumns();
    f.list->DisplayAllData();
    f.Drawn();
    state.counters["columns"] = f.list->Model().columnCount();
}
BENCHMARK(BM_Stage5_ColumnFit)->Unit(benchmark::kMillisecond)->Iterations(20);

// One paint of the list's rows (the records held, shown afresh).
void BM_Stage6_Paint(benchmark::State& state) {
    Fixture& f = Million();
    for (auto _ : state) f.list->viewport()->repaint();
    SizeCounters(state, f);
}
BENCHMARK(BM_Stage6_Paint)->Unit(benchmark::kMillisecond)->Iterations(20);

// ---- start and dialogs ----

// The client as it starts on the million: the switch opened on its file,
// the main window, the type 3 window and its first page drawn. (The
// process itself, Qt and the catalogue come before this: `omclient
// --version` measures that part.)
void BM_StartToFilledWindow(benchmark::State& state) {
    double open = 0, window = 0;
    CTimes times;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        auto link = std::make_unique<host::CEmbeddedSwitchLink>(DatabasePath(), 1000000);
        std::string error;
        if (!link->WaitReady(error)) std::abort();
        open += static_cast<double>(t.nsecsElapsed()) / 1e6;
        auto main = std::make_unique<host::CHostMainWindow>("", std::move(link));
        main->show();
        if (!main->OpenObjectWindow(3)) std::abort();
        window += static_cast<double>(t.nsecsElapsed()) / 1e6;
        auto* wnd = dynamic_cast<CUserObjWnd*>(main->MdiArea()->activeSubWindow());
        auto* dlg = dynamic_cast<CSubscriberDlg*>(wnd->m_pConfigView->Dialogs().at(0));
        CObjListCtrl* list = dlg->MainList();
        Wait([&] { return list->GetItemData(0) != 0 && !wnd->IsBusy(); });
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        times.Add(t, state);
        state.PauseTiming();
        main.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    times.Report(state);
    state.counters["switch_open_ms"] = open / static_cast<double>(state.iterations());
    state.counters["window_open_ms"] = window / static_cast<double>(state.iterations());
}
BENCHMARK(BM_StartToFilledWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Modify chosen on a subscriber of the million: until its parameter dialog
// is shown and drawn.
void BM_ModifyDialogOpens(benchmark::State& state) {
    Fixture& f = Million();
    PressKey(f.list, Qt::Key_Home);
    f.Settle();
    f.list->SelectRow(1);
    CComObj* obj = f.list->m_obj->GetComObj();
    const DWORD modify = obj->GetOpIDByActionType(ACT_MODIFY);
    platform::CRecordingUiGuard ui;
    QElapsedTimer t;
    qint64 shown = 0;
    int dialogs = 0;
    ui->onDialog = [&](QDialog& d) {
        d.show();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        d.repaint();
        shown = t.nsecsElapsed();
        ++dialogs;
        return static_cast<int>(QDialog::Rejected);
    };
    for (auto _ : state) {
        const int before = dialogs;
        t.start();
        obj->InvokeOperation(modify, f.list->SelectedIds());
        Wait([&] { return dialogs > before; });
        state.SetIterationTime(static_cast<double>(shown) / 1e9);
        state.PauseTiming();
        f.Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ModifyDialogOpens)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The records a list holds for totals of ten thousand and a hundred thousand
// (a million: records_held above).
void BM_RecordsHeldByTotal(benchmark::State& state) {
    static std::map<long long, std::unique_ptr<Fixture>> fixtures;
    const long long total = state.range(0);
    if (!fixtures.count(total)) fixtures[total] = std::make_unique<Fixture>(":memory:", total);
    Fixture& f = *fixtures[total];
    for (auto _ : state) benchmark::DoNotOptimize(f.list->GetItemCount());
    state.counters["records_held"] = static_cast<double>(f.list->m_obj->GetDynData()->GetData().size());
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
