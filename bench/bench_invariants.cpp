// The randomized invariant run of the switch tests, longer: random changes
// from several sessions on the demo dataset in a database file, many of
// them refused, then the invariant checker; prints the pace of the changes
// and the checker's time, and exits 1 when the checker found anything.
//   bench_invariants [--commands N] [--sessions N] [--seed N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "ClientRoot.h"
#include "DemoData.h"
#include "RandomCommands.h"
#include "Switch.h"
#include "hostlibs/ObjArray.h"

int main(int argc, char* argv[]) {
    long commands = 200000, sessions = 8, seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const long v = std::atol(argv[i + 1]);
        if (!std::strcmp(argv[i], "--commands")) commands = v;
        else if (!std::strcmp(argv[i], "--sessions")) sessions = std::max(1L, v);
        else if (!std::strcmp(argv[i], "--seed")) seed = v;
    }
    CFrmDatabase cat;
    if (!cat.Load(platform::DataFile("objects.json"))) return std::fprintf(stderr, "%s\n", cat.Error().c_str()), 2;
    const std::string file = (std::filesystem::temp_directory_path() / "bench_invariants.db").string();
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file + suffix);
    mmlsw::CSwitch sw(cat);
    std::string error;
    if (!sw.Open(file, error) || !mmlsw::SeedDemo(sw, {1200}, error)) return std::fprintf(stderr, "%s\n", error.c_str()), 2;
    mmlsw::test::CRandomCommands random(static_cast<unsigned>(seed));
    std::map<int, long> codes;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < commands; ++i) {
        CObjArray a;
        Parse(sw.Execute(random.Next(), 1 + static_cast<mmlsw::SessionId>(i % sessions)).front(), 1, a);
        ++codes[a.GetRetCode()];
    }
    const double changeS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto checkStart = std::chrono::steady_clock::now();
    const std::vector<std::string> violations = sw.CheckInvariants();
    const double checkS = std::chrono::duration<double>(std::chrono::steady_clock::now() - checkStart).count();
    std::printf("%ld commands from %ld sessions in %.1f s (%.0f/s); answers:", commands, sessions, changeS,
                commands / changeS);
    for (const auto& [code, n] : codes) std::printf(" %d x%ld", code, n);
    std::printf("\ncheck: %zu violations in %.2f s\n", violations.size(), checkS);
    for (const std::string& v : violations) std::printf("  %s\n", v.c_str());
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file + suffix);
    return violations.empty() && !codes.count(mmlsw::RC_INTERNAL) ? 0 : 1;
}
