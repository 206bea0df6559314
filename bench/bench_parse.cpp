// Parsing a page of 500 subscriber records, against a plain newline scan of
// the same bytes (the least any parser must do); and parsing command lines
// of many parameters, whose cost must grow with their length only.
#include <benchmark/benchmark.h>

#include <cstring>

#include "hostlibs/MmlText.h"
#include "hostlibs/ObjArray.h"
#include "hostlibs/ReportWriter.h"

namespace {

std::string PageReport() {
    CReportWriter w("LST MGCPSUB: QID=\"17\", BEGIN=0, END=499;", 0, "Operation succeeded.");
    for (int i = 0; i < 500; ++i) {
        const std::string dn = std::to_string(55500000 + i);
        w.BeginObject("MGCPSUB");
        w.Add("DN", dn);
        w.Add("MGWNAME", "mgw-" + std::to_string(i / 24));
        w.Add("EID", "aaln/" + std::to_string(i % 24) + "@mgw-" + std::to_string(i / 24) + ".example.net");
        w.Add("CODEC", "PCMA");
        w.Add("CSC", "0");
        w.Add("RCHS", "0");
        w.Add("OUTRIGHT", "LOCAL-1&NATIONAL-1&INTL-0&PREMIUM-0");
        w.Add("STATUS", "IDLE");
        w.Add("REGDATE", "2026&11&30");
        w.Add("DESC", "Subscriber " + dn);
        w.Add("HOTLINE", "NO");
        w.Add("HOTDN", "");
        w.Add("HOTDELAY", "");
    }
    return w.Finish();
}

const std::string& Report() {
    static const std::string r = PageReport();
    return r;
}

void BM_Parse500Records(benchmark::State& state) {
    CObjArray a;
    for (auto _ : state) {
        int n = Parse(Report(), 1, a);
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Report().size()));
    state.counters["bytes"] = static_cast<double>(Report().size());
}
BENCHMARK(BM_Parse500Records);

void BM_NewlineScan(benchmark::State& state) {
    const std::string& r = Report();
    for (auto _ : state) {
        size_t lines = 0;
        const char* p = r.data();
        const char* end = p + r.size();
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
            ++lines;
            ++p;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * r.size()));
}
BENCHMARK(BM_NewlineScan);

// A command line of n parameters A1=1, A2=1, ... (13,000 fill 64 KiB).
void BM_ParseCommandOfManyParameters(benchmark::State& state) {
    std::string text = "LST MGCPSUB:";
    for (int64_t i = 0; i < state.range(0); ++i) text += (i ? ", A" : " A") + std::to_string(i) + "=1";
    text += ';';
    SMmlCommand cmd;
    std::string error;
    for (auto _ : state) {
        bool ok = ParseMml(text, cmd, error);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseCommandOfManyParameters)->Arg(1000)->Arg(13000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
