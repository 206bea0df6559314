// The switch on a million subscribers: seeding, the head of a query over
// all of them, and pages at the start, middle and end of that query.
#include <benchmark/benchmark.h>

#include <memory>

#include "DemoData.h"
#include "Switch.h"
#include "hostlibs/ObjArray.h"

namespace {

constexpr int64_t kSubscribers = 1000000;

mmlsw::CSwitch& Seeded() {
    static std::unique_ptr<mmlsw::CSwitch> sw = [] {
        auto s = std::make_unique<mmlsw::CSwitch>(HostDatabase());
        std::string error;
        if (!s->Open(":memory:", error) || !mmlsw::SeedDemo(*s, {kSubscribers}, error)) std::abort();
        return s;
    }();
    return *sw;
}

std::string QidOf(const std::string& head) {
    CObjArray a;
    Parse(head, 1, a);
    return std::string(a.GetProperty(0, 0)->GetValue(0));
}

std::string OpenQuery(mmlsw::CSwitch& sw) { return QidOf(sw.Execute("LST MGCPSUB:;").front()); }

void BM_Seed1M(benchmark::State& state) {
    for (auto _ : state) {
        mmlsw::CSwitch sw(HostDatabase());
        std::string error;
        sw.Open(":memory:", error);
        benchmark::DoNotOptimize(mmlsw::SeedDemo(sw, {kSubscribers}, error));
    }
}
BENCHMARK(BM_Seed1M)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PagedHead1M(benchmark::State& state) {
    mmlsw::CSwitch& sw = Seeded();
    for (auto _ : state) {
        auto r = sw.Execute("LST MGCPSUB:;");
        benchmark::DoNotOptimize(r);
        state.PauseTiming();
        // Released, the result is no query's: the next head reads the million again.
        sw.Execute("RLS MGCPSUB: QID=\"" + QidOf(r.front()) + "\";");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PagedHead1M)->Unit(benchmark::kMillisecond);

void BM_PageAt(benchmark::State& state) {
    mmlsw::CSwitch& sw = Seeded();
    static const std::string qid = OpenQuery(sw);
    const int64_t begin = state.range(0);
    const std::string cmd = "LST MGCPSUB: QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) +
                            ", END=" + std::to_string(begin + 499) + ";";
    for (auto _ : state) {
        auto r = sw.Execute(cmd);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PageAt)->Arg(0)->Arg(500000)->Arg(999500)->Unit(benchmark::kMicrosecond);

// A list sorted by a column no index orders (the description, descending):
// its head and first page, as the list asks for them.
constexpr const char* kSortedHead = "LST MGCPSUB: SORT=DESC-DESC;";

std::string PageCmd(const std::string& qid, int64_t begin) {
    return "LST MGCPSUB: QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) + ", END=" + std::to_string(begin + 499) +
           ";";
}

void BM_SortedHeadToFirstPage1M(benchmark::State& state) {
    mmlsw::CSwitch& sw = Seeded();
    for (auto _ : state) {
        const std::string qid = QidOf(sw.Execute(kSortedHead).front());
        auto page = sw.Execute(PageCmd(qid, 0));
        benchmark::DoNotOptimize(page);
        state.PauseTiming();
        sw.Execute("RLS MGCPSUB: QID=\"" + qid + "\";");
        sw.FinishSorts();  // nothing left to finish: released
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SortedHeadToFirstPage1M)->Unit(benchmark::kMillisecond)->Iterations(5);

// The rest of that order, read when the switch has time (or a later page needs it).
void BM_SortedRestOfOrder1M(benchmark::State& state) {
    mmlsw::CSwitch& sw = Seeded();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string qid = QidOf(sw.Execute(kSortedHead).front());
        state.ResumeTiming();
        sw.FinishSorts();
        state.PauseTiming();
        sw.Execute("RLS MGCPSUB: QID=\"" + qid + "\";");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SortedRestOfOrder1M)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortedPageAt(benchmark::State& state) {
    mmlsw::CSwitch& sw = Seeded();
    static const std::string qid = [&] {
        const std::string q = QidOf(sw.Execute(kSortedHead).front());
        sw.FinishSorts();
        return q;
    }();
    const std::string cmd = PageCmd(qid, state.range(0));
    for (auto _ : state) {
        auto r = sw.Execute(cmd);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_SortedPageAt)->Arg(0)->Arg(500000)->Arg(999500)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
