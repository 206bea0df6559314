// Load on mmlswitch over TCP: N operators at once, each opening paged lists
// of a big switch and fetching pages, looking subscribers up, and modifying
// subscribers of its own and reading the change back. Prints the latency of
// each kind of command (p50, p99, max), errors, lost updates, throughput and
// where the CPU time went; exits 1 on any error or lost update.
//
//   bench_load --subscribers 1000000 --clients 100 --seconds 60               operators' pace
//   bench_load --subscribers 1000000 --clients 100 --seconds 60 --pace 0      flat out
//   bench_load --subscribers 1000000 --clients 10 --scanners 300 --seconds 60 stall
//   bench_load --subscribers 1000000 --clients 10 --pagers 200 --seconds 20   memory
//   bench_load --subscribers 100000 --clients 100 --contention 1000 --seconds 60  contention
//   bench_load --sorted 3                                                       sorted pages
//
// Stall: besides the clients, `--scanners` connections send list heads that
// scan every record (a condition no index serves, never the same twice), one
// after the other for the whole run, and the clients only look subscribers
// up by key (LST by the key, DSP), to show that lookups never wait behind
// scans. Memory: `--pagers` connections open a list and send 100 page
// fetches each without reading an answer, then close; the switch's own
// resident memory (not the mapped database file) is shown before, while
// they wait, and after they went. Contention: the clients edit the first
// `--contention` subscribers together, with revisions, and hear of each
// other's changes as notices (see CContender). Sorted pages: one client
// opens a list of a million sorted by a column no index orders, `--sorted`
// times, and times its head with the first page, the first page past that
// (which waits for the rest of the order when the switch reads it later),
// and pages at the start, middle and end; on the file USEROBJ_BENCH_DB, else
// /tmp/userobj-bench-1m.db, unless --db names another.
//
// The switch runs as its own process (mmlswitch beside this program) on a
// database file, seeded first when the file does not exist yet. Every
// connection logs in with an account of its own (load0, load1, ...), made
// by an admin account the program adds; the logins happen before the
// timed run begins.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdio>
#include <fstream>
#include <future>
#include <latch>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BlockingClient.h"

namespace {

using Clock = std::chrono::steady_clock;

struct SOptions {
    int clients = 10;
    int64_t subscribers = 20000;
    double seconds = 3;
    int paceMin = 500, paceMax = 1500;  // ms after each answer; 0 0 for flat out
    int readers = 1;
    int scanners = 0, pagers = 0;
    int64_t contention = 0;  // records the clients edit together with revisions; 0: no contention run
    std::string sync = "full";
    std::string db;
    std::string server;
    bool login = true;  // --no-login: for a switch of a build before accounts, to compare
    int sorted = 0;     // sorted heads timed, instead of the operators
};

// kVerify: the final reading of every change, not timed.
enum Kind { kHead, kPage, kLookup, kKeyList, kModify, kReadBack, kRelease, kScan, kKinds, kVerify = kKinds };
const char* const kKindNames[] = {"list head", "page of 500", "key lookup", "LST by key", "modify",
                                  "read back", "release",     "scan head"};

struct SStats {
    std::vector<double> ms[kKinds];
    int64_t errors = 0, lost = 0;
    std::vector<std::string> samples;  // a few failures, for the operator

    void Merge(const SStats& o) {
        for (int k = 0; k < kKinds; ++k) ms[k].insert(ms[k].end(), o.ms[k].begin(), o.ms[k].end());
        errors += o.errors;
        lost += o.lost;
        for (const std::string& s : o.samples)
            if (samples.size() < 5) samples.push_back(s);
    }
};

// The heads operators open: the whole list in key order most often, sorted
// the other way, on a condition without an index, and on a number prefix.
const char* const kHeads[] = {"LST MGCPSUB:;", "LST MGCPSUB:;", "LST MGCPSUB:;", "LST MGCPSUB:;",
                              "LST MGCPSUB:;", "LST MGCPSUB:;", "LST MGCPSUB: SORT=DN-DESC;",
                              "LST MGCPSUB: SORT=DN-DESC;", "LST MGCPSUB: CODEC=G729;", "LST MGCPSUB: DN=2000*;"};

constexpr const char* kAdmin = "load-admin";

std::string PasswordOf(const std::string& name) { return name + "-Pa55word"; }
std::string AccountOf(int connection) { return "load" + std::to_string(connection); }

// Connects and logs in as the account; false with a reason.
bool Connect(mmlsw::CBlockingClient& c, uint16_t port, const SOptions& o, const std::string& account,
             std::string& error) {
    std::string report;
    if (!c.Connect(port, error)) return false;
    if (!o.login) return true;
    if (!c.Send("LGI: OP=\"" + account + "\", PWD=\"" + PasswordOf(account) + "\";\n") || !c.Receive(report))
        return error = "no answer to the login", false;
    if (mmlsw::ReportField(report, "RETCODE") != "0") return error = "login: " + report.substr(0, 200), false;
    return true;
}

// The accounts of the connections: made by the admin once per store.
bool MakeAccounts(uint16_t port, const SOptions& o, std::string& error) {
    const int connections = o.scanners + o.clients + o.pagers;
    if (!o.login) return true;
    mmlsw::CBlockingClient admin;
    if (!Connect(admin, port, o, kAdmin, error)) return false;
    std::string report;
    for (int i = 0; i < connections; ++i) {
        const std::string name = AccountOf(i);
        if (!admin.Send("ADD OP: OP=\"" + name + "\", ROLE=operator, PWD=\"" + PasswordOf(name) + "\";\n") ||
            !admin.Receive(report))
            return error = "no answer to ADD OP", false;
        const std::string rc = mmlsw::ReportField(report, "RETCODE");
        if (rc != "0" && rc != "1007") return error = report.substr(0, 200), false;
    }
    return true;
}

// When the timed run ends: known once every connection has logged in.
using SharedEnd = std::shared_future<Clock::time_point>;

class COperator {
public:
    COperator(int id, const SOptions& o, uint16_t port, std::latch& ready, SharedEnd end)
        : m_id(id), m_o(o), m_port(port), m_ready(ready), m_endAt(std::move(end)),
          m_rng(static_cast<unsigned>(id) * 7919u + 17u) {}

    SStats Run() {
        std::string error;
        const bool connected = Connect(m_c, m_port, m_o, AccountOf(m_o.scanners + m_id), error);
        m_ready.count_down();
        m_end = m_endAt.get();
        if (!connected) return Fail("connect: " + error), m_stats;
        while (Clock::now() < m_end && m_o.scanners > 0) {
            // Only lookups while the scanners keep the readers busy.
            if (Pick(0, 1))
                Lookup();
            else
                KeyList();
            Pace();
        }
        while (Clock::now() < m_end && m_o.scanners == 0) {
            const int r = Pick(0, 99);
            if (m_qid.empty() || r < 10)
                Head();
            else if (r < 50)
                Page();
            else if (r < 80)
                Lookup();
            else
                Modify();
            Pace();
        }
        // Every change acknowledged must still be there.
        for (const auto& [dn, desc] : m_written) {
            std::string report;
            if (!Ask(kVerify, "DSP MGCPSUB: DN=" + dn + ";", report)) continue;
            if (mmlsw::ReportField(report, "DESC") != desc) Lost(dn, desc, report);
        }
        return m_stats;
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    std::string Number(int64_t index) const { return std::to_string(20000000 + index); }

    void Fail(const std::string& what) {
        ++m_stats.errors;
        if (m_stats.samples.size() < 3) m_stats.samples.push_back("client " + std::to_string(m_id) + ": " + what);
    }
    void Lost(const std::string& dn, const std::string& desc, const std::string& report) {
        ++m_stats.lost;
        if (m_stats.samples.size() < 3)
            m_stats.samples.push_back("lost " + dn + " \"" + desc + "\": " + report.substr(0, 200));
    }

    // Sends a command and times its answer; false (counted) on any failure.
    bool Ask(Kind kind, const std::string& cmd, std::string& report) {
        const auto start = Clock::now();
        if (!m_c.Send(cmd + "\n") || !m_c.Receive(report, 60000)) {
            Fail("no answer to " + cmd);
            std::string error;
            Connect(m_c, m_port, m_o, AccountOf(m_o.scanners + m_id), error);
            m_qid.clear();
            return false;
        }
        if (kind != kVerify)
            m_stats.ms[kind].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (mmlsw::ReportField(report, "RETCODE") != "0") {
            Fail(cmd + " -> " + mmlsw::ReportField(report, "RETCODE") + " " + mmlsw::ReportField(report, "RESULT"));
            return false;
        }
        return true;
    }

    void Head() {
        std::string report;
        const std::string old = m_qid;
        if (!Ask(kHead, kHeads[Pick(0, 9)], report)) return;
        m_qid = mmlsw::ReportField(report, "QID");
        m_total = std::atoll(mmlsw::ReportField(report, "Total Recs").c_str());
        if (m_qid.empty() || m_total <= 500) Fail("no paged head: " + report.substr(0, 200));
        if (!old.empty()) Ask(kRelease, "RLS MGCPSUB: QID=\"" + old + "\";", report);
    }

    void Page() {
        const int64_t begin = std::uniform_int_distribution<int64_t>(0, m_total - 500)(m_rng);
        std::string report;
        if (!Ask(kPage, "LST MGCPSUB: QID=\"" + m_qid + "\", BEGIN=" + std::to_string(begin) +
                            ", END=" + std::to_string(begin + 499) + ";",
                 report))
            return;
        if (mmlsw::ReportField(report, "OBJECTS") != "500") Fail("short page: " + report.substr(0, 200));
    }

    void Lookup() {
        const std::string dn = Number(std::uniform_int_distribution<int64_t>(0, m_o.subscribers - 1)(m_rng));
        std::string report;
        if (Ask(kLookup, "DSP MGCPSUB: DN=" + dn + ";", report) && mmlsw::ReportField(report, "DN") != dn)
            Fail("lookup of " + dn + " answered " + report.substr(0, 200));
    }

    void KeyList() {
        const std::string dn = Number(std::uniform_int_distribution<int64_t>(0, m_o.subscribers - 1)(m_rng));
        std::string report;
        if (Ask(kKeyList, "LST MGCPSUB: DN=" + dn + ";", report) && mmlsw::ReportField(report, "DN") != dn)
            Fail("list of " + dn + " answered " + report.substr(0, 200));
    }

    // Subscribers of its own (every clients-th one): what it wrote last is
    // what the switch must have.
    void Modify() {
        const int64_t own = (m_o.subscribers - m_id - 1) / m_o.clients;
        const std::string dn = Number(m_id + m_o.clients * std::uniform_int_distribution<int64_t>(0, own)(m_rng));
        const std::string desc = "op " + std::to_string(m_id) + " change " + std::to_string(++m_changes);
        std::string report;
        if (!Ask(kModify, "MOD MGCPSUB: DN=" + dn + ", DESC=\"" + desc + "\";", report)) return;
        m_written[dn] = desc;
        if (Ask(kReadBack, "DSP MGCPSUB: DN=" + dn + ";", report) && mmlsw::ReportField(report, "DESC") != desc)
            Lost(dn, desc, report);
    }

    void Pace() {
        if (m_o.paceMax <= 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(Pick(m_o.paceMin, m_o.paceMax)));
    }

    int m_id;
    const SOptions& m_o;
    uint16_t m_port;
    std::latch& m_ready;
    SharedEnd m_endAt;
    Clock::time_point m_end;
    std::mt19937 m_rng;
    mmlsw::CBlockingClient m_c;
    std::string m_qid;
    int64_t m_total = 0, m_changes = 0;
    std::map<std::string, std::string> m_written;
    SStats m_stats;
};

// Sends list heads that scan every record, one after the other, until the
// end; what is still unanswered then is left to the switch (the connection
// closes). Only answered heads count.
SStats Scan(int id, const SOptions& o, uint16_t port, std::latch& ready, const SharedEnd& endAt) {
    SStats stats;
    mmlsw::CBlockingClient c;
    std::string error, report;
    const bool connected = Connect(c, port, o, AccountOf(id), error);
    ready.count_down();
    const Clock::time_point end = endAt.get();
    if (!connected) {
        ++stats.errors;
        stats.samples.push_back("scanner " + std::to_string(id) + ": " + error);
        return stats;
    }
    for (int k = 0; Clock::now() < end; ++k) {
        const auto start = Clock::now();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
        if (!c.Send("LST MGCPSUB: DESC=\"scan " + std::to_string(id) + " " + std::to_string(k) + "\";\n") ||
            !c.Receive(report, static_cast<int>(std::max<int64_t>(left, 1))))
            break;
        stats.ms[kScan].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return stats;
}

// Resident memory of a process in MiB that is its own (heap and stacks),
// not pages of the database file it maps, which the system takes back
// whenever it needs them.
double ResidentMiB(qint64 pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("RssAnon:", 0) == 0) return std::stod(line.substr(8)) / 1024;
    return 0;
}

// Connections that open a paged list and ask for 100 pages without reading
// the answers, then close, while the switch's memory is watched.
void Pagers(const SOptions& o, uint16_t port, qint64 pid) {
    const int n = o.pagers, first = o.scanners + o.clients;
    const double before = ResidentMiB(pid);
    std::vector<std::unique_ptr<mmlsw::CBlockingClient>> pagers;
    std::string error, report;
    for (int i = 0; i < n; ++i) {
        auto c = std::make_unique<mmlsw::CBlockingClient>();
        if (!Connect(*c, port, o, AccountOf(first + i), error) || !c->Send("LST MGCPSUB:;\n") || !c->Receive(report))
            break;
        const std::string qid = mmlsw::ReportField(report, "QID");
        std::string pages;
        for (int k = 0; k < 100; ++k)
            pages += "LST MGCPSUB: QID=\"" + qid + "\", BEGIN=" + std::to_string(k * 500) + ", END=" +
                     std::to_string(k * 500 + 499) + ";\n";
        c->Send(pages);
        pagers.push_back(std::move(c));
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double waiting = ResidentMiB(pid);
    pagers.clear();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::printf("%zu pagers that do not read: switch's own resident memory %.0f MiB before, %.0f MiB while they wait, "
                "%.0f MiB 3 s after they closed\n",
                static_cast<size_t>(n), before, waiting, ResidentMiB(pid));
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// CPU seconds (user and system) a process's threads used so far, by
// thread name: the switch's event loop is "mmlswitch", its readers
// "mmlsw-reader".
std::map<std::string, double> ThreadCpu(qint64 pid) {
    std::map<std::string, double> out;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream f((tasks + "/" + tid + "/stat").toStdString());
        const std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        const size_t open = s.find('('), close = s.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::vector<std::string> fields;
        for (size_t at = close + 2; at < s.size();) {
            const size_t sp = s.find(' ', at);
            fields.push_back(s.substr(at, sp - at));
            if (sp == std::string::npos) break;
            at = sp + 1;
        }
        if (fields.size() < 13) continue;
        out[s.substr(open + 1, close - open - 1)] +=
            (std::stod(fields[11]) + std::stod(fields[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return out;
}

double OwnCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// ---- contention: operators editing the same records with revisions ----
//
// Every client subscribes to notices of MGCPSUB and, at operators' pace,
// reads one of the first --contention subscribers (its REV), thinks, and
// changes one of two fields (DESC or CSC) with REV=n. A reader thread per
// client takes the notices as they come and stamps them. At the end:
//   - of the acknowledged changes of one field of one record, the one made
//     on the highest revision is what the record holds (a later one can
//     only go through on a revision at or after the earlier one's);
//   - every refusal (1018) names the field it set among those changed,
//     and another client's acknowledged change of that field came back
//     after the refused one's read went out (else it was no conflict);
//   - notice latency: from the change's acknowledgement to each other
//     client's receipt, the change found by its revision (a record's n-th
//     acknowledged change raised it to n + 1).
struct SContention {
    struct Change {
        int64_t index = 0;
        int field = 0;
        std::string value;
        int64_t base = 0;
        Clock::time_point readSent, acked;
    };
    struct Notice {
        int64_t index = 0, rev = 0;
        Clock::time_point at;
    };
    std::mutex mutex;
    std::vector<Change> acked, refused;
    std::vector<Notice> notices;
    std::vector<std::string> refusalTexts;
};
const char* const kContendedFields[] = {"DESC", "CSC"};

class CContender {
public:
    CContender(int id, const SOptions& o, uint16_t port, std::latch& ready, SharedEnd end, SContention& shared)
        : m_id(id), m_o(o), m_port(port), m_ready(ready), m_endAt(std::move(end)), m_shared(shared),
          m_rng(static_cast<unsigned>(id) * 104729u + 7u) {}

    SStats Run() {
        std::string error, report;
        const bool connected = Connect(m_c, m_port, m_o, AccountOf(m_o.scanners + m_id), error);
        m_ready.count_down();
        m_end = m_endAt.get();
        if (!connected) return Fail("connect: " + error), m_stats;
        std::thread reader([this] { Read(); });
        if (Ask(kVerify, "SUB NOTICE: OBJ=MGCPSUB;", report))
            while (Clock::now() < m_end) Edit();
        m_stop = true;
        reader.join();
        return m_stats;
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    void Fail(const std::string& what) {
        ++m_stats.errors;
        if (m_stats.samples.size() < 3) m_stats.samples.push_back("contender " + std::to_string(m_id) + ": " + what);
    }
    void Pace() { std::this_thread::sleep_for(std::chrono::milliseconds(Pick(m_o.paceMin, m_o.paceMax))); }

    // The one thread that takes what comes: notices stamped, answers handed on.
    void Read() {
        std::string block;
        while (!m_stop) {
            if (!m_c.Receive(block, 100)) continue;
            const auto at = Clock::now();
            if (block.rfind("NOTICE\n", 0) == 0) {
                const int64_t index = std::atoll(mmlsw::ReportField(block, "DN").c_str()) - 20000000;
                const int64_t rev = std::atoll(mmlsw::ReportField(block, "REV").c_str());
                m_notices.push_back({index, rev, at});
                continue;
            }
            std::lock_guard lock(m_answerMutex);
            m_answers.push_back(std::move(block));
            m_answered.notify_one();
        }
        std::lock_guard lock(m_shared.mutex);
        m_shared.notices.insert(m_shared.notices.end(), m_notices.begin(), m_notices.end());
    }
    bool Ask(Kind kind, const std::string& cmd, std::string& report) {
        const auto start = Clock::now();
        std::unique_lock lock(m_answerMutex);
        if (!m_c.Send(cmd + "\n") ||
            !m_answered.wait_for(lock, std::chrono::seconds(60), [this] { return !m_answers.empty(); })) {
            Fail("no answer to " + cmd);
            return false;
        }
        report = std::move(m_answers.front());
        m_answers.pop_front();
        if (kind != kVerify)
            m_stats.ms[kind].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        return true;
    }

    void Edit() {
        SContention::Change c;
        c.index = Pick(0, static_cast<int>(m_o.contention) - 1);
        const std::string dn = std::to_string(20000000 + c.index);
        std::string report;
        c.readSent = Clock::now();
        if (!Ask(kLookup, "DSP MGCPSUB: DN=" + dn + ";", report)) return;
        c.base = std::atoll(mmlsw::ReportField(report, "REV").c_str());
        Pace();  // the operator fills in the dialog
        c.field = Pick(0, 1);
        // Always another value: a change that changes nothing raises no revision.
        const int was = std::atoi(mmlsw::ReportField(report, "CSC").c_str());
        c.value = c.field == 0 ? "op " + std::to_string(m_id) + " change " + std::to_string(++m_changes)
                               : std::to_string((was + Pick(1, 255)) % 256);
        const std::string value = c.field == 0 ? "\"" + c.value + "\"" : c.value;
        if (!Ask(kModify, "MOD MGCPSUB: DN=" + dn + ", " + kContendedFields[c.field] + "=" + value +
                              ", REV=" + std::to_string(c.base) + ";",
                 report))
            return;
        c.acked = Clock::now();
        const std::string code = mmlsw::ReportField(report, "RETCODE");
        if (code == "0" || code == "1018") {
            std::lock_guard lock(m_shared.mutex);
            (code == "0" ? m_shared.acked : m_shared.refused).push_back(c);
            if (code == "1018") m_shared.refusalTexts.push_back(mmlsw::ReportField(report, "RESULT"));
        } else {
            Fail(code + " " + mmlsw::ReportField(report, "RESULT"));
        }
        Pace();
    }

    int m_id;
    const SOptions& m_o;
    uint16_t m_port;
    std::latch& m_ready;
    SharedEnd m_endAt;
    Clock::time_point m_end;
    SContention& m_shared;
    std::mt19937 m_rng;
    mmlsw::CBlockingClient m_c;
    std::atomic<bool> m_stop{false};
    std::mutex m_answerMutex;
    std::condition_variable m_answered;
    std::deque<std::string> m_answers;
    std::vector<SContention::Notice> m_notices;
    int64_t m_changes = 0;
    SStats m_stats;
};

// What the records hold at the end against what the clients were told;
// prints the findings and the notice latency, false on any violation.
bool CheckContention(SContention& s, uint16_t port, const SOptions& o) {
    const int64_t records = o.contention;
    const int clients = o.clients;
    mmlsw::CBlockingClient c;
    std::string error, report;
    if (!Connect(c, port, o, kAdmin, error)) return std::printf("contention check: %s\n", error.c_str()), false;
    // Per record and field, the acknowledged changes in revision order.
    std::map<std::pair<int64_t, int>, std::vector<const SContention::Change*>> byField;
    for (const auto& a : s.acked) byField[{a.index, a.field}].push_back(&a);
    int64_t lostChanges = 0, overwritten = 0, kept = 0, sameBase = 0;
    std::vector<std::string> samples;
    for (auto& [key, changes] : byField) {
        std::sort(changes.begin(), changes.end(), [](auto* a, auto* b) { return a->base < b->base; });
        for (size_t i = 1; i < changes.size(); ++i) sameBase += changes[i]->base == changes[i - 1]->base;
        const std::string dn = std::to_string(20000000 + key.first);
        if (!c.Send("DSP MGCPSUB: DN=" + dn + ";\n") || !c.Receive(report, 60000))
            return std::printf("contention check: no answer for %s\n", dn.c_str()), false;
        const std::string now = mmlsw::ReportField(report, kContendedFields[key.second]);
        if (now != changes.back()->value) {
            ++lostChanges;
            if (samples.size() < 3)
                samples.push_back(dn + " " + kContendedFields[key.second] + " holds \"" + now + "\", last acknowledged \"" +
                                  changes.back()->value + "\"");
        }
        kept += 1;
        overwritten += static_cast<int64_t>(changes.size()) - 1;
    }
    // A refusal is real when another acknowledged change of its field came
    // back after its read went out, and the switch named that field.
    int64_t unreal = 0;
    for (size_t i = 0; i < s.refused.size(); ++i) {
        const auto& r = s.refused[i];
        const std::string& text = s.refusalTexts[i];
        const auto it = byField.find({r.index, r.field});
        const bool later = it != byField.end() && std::any_of(it->second.begin(), it->second.end(), [&](auto* a) {
                               return a->acked > r.readSent;
                           });
        const size_t since = text.find("Changed since");
        const bool named = since != std::string::npos &&
                           text.substr(since, text.find(". Now:") - since).find(kContendedFields[r.field]) != std::string::npos;
        if (!later || !named) {
            ++unreal;
            if (samples.size() < 6) samples.push_back("refusal without a conflict: " + text.substr(0, 160));
        }
    }
    // Notice latency: the change of a record that raised it to rev.
    std::map<std::pair<int64_t, int64_t>, Clock::time_point> ackOf;
    {
        std::map<int64_t, std::vector<Clock::time_point>> perRecord;
        for (const auto& a : s.acked) perRecord[a.index].push_back(a.acked);
        for (auto& [index, times] : perRecord) {
            std::sort(times.begin(), times.end());
            for (size_t n = 0; n < times.size(); ++n) ackOf[{index, static_cast<int64_t>(n) + 2}] = times[n];
        }
    }
    std::vector<double> latency;
    for (const auto& n : s.notices)
        if (auto it = ackOf.find({n.index, n.rev}); it != ackOf.end())
            latency.push_back(std::max(0.0, std::chrono::duration<double, std::milli>(n.at - it->second).count()));
    const double expected = static_cast<double>(s.acked.size()) * (clients - 1);
    std::printf("contention on %lld records: %zu changes acknowledged, %zu refused as conflicts (%lld of them "
                "without one); %lld record fields checked, %lld hold the last acknowledged change, %lld changes "
                "overwritten by a later one, %lld lost\n",
                static_cast<long long>(records), s.acked.size(), s.refused.size(), static_cast<long long>(unreal),
                static_cast<long long>(kept), static_cast<long long>(kept - lostChanges),
                static_cast<long long>(overwritten), static_cast<long long>(lostChanges));
    // Clients that finished earlier miss the last changes of the others.
    std::printf("notices: %zu received of at most %.0f; latency after the acknowledgement p50 %.2f ms, p99 %.2f "
                "ms, max %.2f ms\n",
                s.notices.size(), expected, latency.empty() ? 0.0 : Percentile(latency, 0.5),
                latency.empty() ? 0.0 : Percentile(latency, 0.99),
                latency.empty() ? 0.0 : *std::max_element(latency.begin(), latency.end()));
    for (const std::string& t : samples) std::printf("  %s\n", t.c_str());
    return lostChanges == 0 && unreal == 0 && sameBase == 0 && !latency.empty() &&
           static_cast<double>(s.notices.size()) <= expected;
}

// Milliseconds from sending a command to its whole answer; negative when it
// failed.
double Timed(mmlsw::CBlockingClient& c, const std::string& command, std::string& report) {
    const auto start = Clock::now();
    if (!c.Send(command + "\n") || !c.Receive(report, 120000) || mmlsw::ReportField(report, "RETCODE") != "0")
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A list of the million sorted by a column no index orders, as a list
// window asks for it: its head, then its first page; a page past the first
// right after; then pages at the start, middle and end, each asked 20 times.
// Medians over the repetitions.
bool SortedPages(const SOptions& o, uint16_t port) {
    mmlsw::CBlockingClient c;
    std::string error, report;
    if (!Connect(c, port, o, AccountOf(0), error)) {
        std::fprintf(stderr, "bench_load: %s\n", error.c_str());
        return false;
    }
    constexpr int64_t kAt[] = {0, 500000, 999500};
    auto page = [](const std::string& qid, int64_t begin) {
        return "LST MGCPSUB: QID=\"" + qid + "\", BEGIN=" + std::to_string(begin) +
               ", END=" + std::to_string(begin + 499) + ";";
    };
    std::vector<double> head, first, past, at[3];
    for (int r = 0; r < o.sorted; ++r) {
        const double h = Timed(c, "LST MGCPSUB: SORT=DESC-DESC;", report);
        const std::string qid = mmlsw::ReportField(report, "QID");
        if (h < 0 || qid.empty() || mmlsw::ReportField(report, "Total Recs") != std::to_string(o.subscribers)) {
            std::fprintf(stderr, "bench_load: head: %s\n", report.substr(0, 300).c_str());
            return false;
        }
        const double f = Timed(c, page(qid, 0), report);
        const double p = Timed(c, page(qid, 500), report);
        if (f < 0 || p < 0) return std::fprintf(stderr, "bench_load: page: %s\n", report.substr(0, 300).c_str()), false;
        head.push_back(h + f);
        first.push_back(f);
        past.push_back(p);
        for (int k = 0; k < 20; ++k)
            for (int i = 0; i < 3; ++i) {
                const double ms = Timed(c, page(qid, kAt[i]), report);
                if (ms < 0) return std::fprintf(stderr, "bench_load: page: %s\n", report.substr(0, 300).c_str()), false;
                at[i].push_back(ms);
            }
        Timed(c, "RLS MGCPSUB: QID=\"" + qid + "\";", report);
        std::printf("run %d: head to first page %.1f ms (first page %.2f ms), next page %.1f ms\n", r + 1, h + f, f, p);
    }
    std::printf(
        "sorted list of %lld over TCP, %d runs: head to first page median %.1f ms; next page (waits for the "
        "rest of the order) %.1f ms; pages at 0 / 500,000 / 999,500: %.2f / %.2f / %.2f ms\n",
        static_cast<long long>(o.subscribers), o.sorted, Percentile(head, 0.5), Percentile(past, 0.5),
        Percentile(at[0], 0.5), Percentile(at[1], 0.5), Percentile(at[2], 0.5));
    return true;
}

bool ParseArgs(const QStringList& args, SOptions& o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const QString v = i + 1 < args.size() ? args[i + 1] : QString();
        bool ok = true;
        if (a == "--clients") o.clients = v.toInt(&ok), ++i;
        else if (a == "--subscribers") o.subscribers = v.toLongLong(&ok), ++i;
        else if (a == "--seconds") o.seconds = v.toDouble(&ok), ++i;
        else if (a == "--readers") o.readers = v.toInt(&ok), ++i;
        else if (a == "--scanners") o.scanners = v.toInt(&ok), ++i;
        else if (a == "--pagers") o.pagers = v.toInt(&ok), ++i;
        else if (a == "--contention") o.contention = v.toLongLong(&ok), ++i;
        else if (a == "--synchronous") o.sync = v.toStdString(), ++i;
        else if (a == "--db") o.db = v.toStdString(), ++i;
        else if (a == "--server") o.server = v.toStdString(), ++i;
        else if (a == "--no-login") o.login = false;
        else if (a == "--sorted") o.sorted = v.toInt(&ok), ++i;
        else if (a == "--pace") {
            const QStringList p = v.split('-');
            o.paceMin = p[0].toInt(&ok);
            o.paceMax = p.size() > 1 ? p[1].toInt(&ok) : o.paceMin;
            ++i;
        } else {
            return false;
        }
        if (!ok || o.clients < 1 || o.subscribers < 1000 || o.seconds <= 0 || o.paceMin > o.paceMax ||
            o.scanners < 0 || o.pagers < 0 || o.contention < 0 || o.contention > o.subscribers || o.sorted < 0)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    SOptions o;
    if (!ParseArgs(app.arguments(), o)) {
        std::fprintf(stderr,
                     "bench_load [--clients N] [--subscribers N] [--seconds S] [--pace MIN-MAX ms | --pace 0]\n"
                     "           [--readers N] [--scanners N] [--pagers N] [--contention RECORDS]\n"
                     "           [--synchronous full|normal] [--db FILE] [--server PATH] [--no-login]\n"
                     "           [--sorted REPETITIONS]\n");
        return 2;
    }
    if (o.server.empty()) o.server = (QCoreApplication::applicationDirPath() + "/mmlswitch").toStdString();
    QTemporaryDir scratch;
    if (o.db.empty() && o.sorted > 0) {
        const char* made = std::getenv("USEROBJ_BENCH_DB");
        o.db = made && *made ? made : "/tmp/userobj-bench-1m.db";
        o.subscribers = 1000000;
    }
    if (o.db.empty()) o.db = (scratch.path() + "/load.db").toStdString();
    const QString server = QString::fromStdString(o.server), db = QString::fromStdString(o.db);

    if (!QFileInfo::exists(db)) {
        const auto start = Clock::now();
        QProcess seed;
        seed.start(server, {"--db", db, "--seed", "demo", "--subscribers", QString::number(o.subscribers)});
        if (!seed.waitForFinished(-1) || seed.exitCode() != 0) {
            std::fprintf(stderr, "bench_load: seeding failed: %s\n", seed.readAllStandardError().constData());
            return 2;
        }
        std::printf("seeded %lld subscribers in %.1f s\n", static_cast<long long>(o.subscribers),
                    std::chrono::duration<double>(Clock::now() - start).count());
    }
    if (o.login) {
        // The admin that makes the connections' accounts (once per store).
        QProcess add;
        add.start(server, {"--db", db, "--add-operator", kAdmin, "--role", "admin"});
        add.write((PasswordOf(kAdmin) + "\n").c_str());
        add.closeWriteChannel();
        add.waitForFinished(-1);
    }
    QProcess sw;
    sw.setReadChannel(QProcess::StandardError);
    sw.start(server, {"--db", db, "--listen", "127.0.0.1:0", "--readers", QString::number(o.readers),
                      "--synchronous", QString::fromStdString(o.sync), "--max-connections",
                      QString::number(o.clients + o.scanners + o.pagers + 16)});
    QString said;
    uint16_t port = 0;
    const QRegularExpression serving(QStringLiteral("serving on \\S+:(\\d+)"));
    while (!port && sw.waitForReadyRead(30000)) {
        said += QString::fromUtf8(sw.readAllStandardError());
        if (const auto m = serving.match(said); m.hasMatch()) port = static_cast<uint16_t>(m.captured(1).toUInt());
    }
    if (!port) {
        std::fprintf(stderr, "bench_load: the switch did not start: %s\n", qPrintable(said));
        return 2;
    }

    std::string error;
    const auto loginStart = Clock::now();
    if (!MakeAccounts(port, o, error)) {
        std::fprintf(stderr, "bench_load: accounts: %s\n", error.c_str());
        ::kill(static_cast<pid_t>(sw.processId()), SIGTERM);
        sw.waitForFinished(30000);
        return 2;
    }
    if (o.sorted > 0) {
        const bool timed = SortedPages(o, port);
        ::kill(static_cast<pid_t>(sw.processId()), SIGTERM);
        sw.waitForFinished(30000);
        return timed ? 0 : 1;
    }
    std::vector<SStats> results(static_cast<size_t>(o.clients));
    std::vector<std::thread> threads;
    std::vector<SStats> scans(static_cast<size_t>(o.scanners));
    std::latch ready(o.scanners + o.clients);
    std::promise<Clock::time_point> endPromise;
    const SharedEnd endAt = endPromise.get_future().share();
    for (int i = 0; i < o.scanners; ++i)
        threads.emplace_back([&, i] { scans[static_cast<size_t>(i)] = Scan(i, o, port, ready, endAt); });
    SContention contention;
    for (int i = 0; i < o.clients; ++i)
        threads.emplace_back([&, i] {
            results[static_cast<size_t>(i)] = o.contention > 0 ? CContender(i, o, port, ready, endAt, contention).Run()
                                                               : COperator(i, o, port, ready, endAt).Run();
        });
    ready.wait();
    std::printf("accounts and logins of %d connections: %.1f s (before the timed run)\n", o.scanners + o.clients,
                std::chrono::duration<double>(Clock::now() - loginStart).count());
    const std::map<std::string, double> serverCpu0 = ThreadCpu(sw.processId());
    const double ownCpu0 = OwnCpu();
    const auto start = Clock::now();
    endPromise.set_value(start + std::chrono::milliseconds(static_cast<int64_t>(o.seconds * 1000)));
    if (o.pagers > 0) Pagers(o, port, sw.processId());
    for (std::thread& t : threads) t.join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::map<std::string, double> serverCpu = ThreadCpu(sw.processId());
    for (auto& [name, seconds] : serverCpu) seconds -= serverCpu0.count(name) ? serverCpu0.at(name) : 0;
    const double ownCpu = OwnCpu() - ownCpu0;
    const bool contended = o.contention == 0 || CheckContention(contention, port, o);
    ::kill(static_cast<pid_t>(sw.processId()), SIGTERM);
    sw.waitForFinished(30000);

    SStats all;
    for (const SStats& s : results) all.Merge(s);
    for (const SStats& s : scans) all.Merge(s);
    size_t commands = 0;
    std::printf("%d clients, %d scanners, %lld subscribers, %.1f s, synchronous %s, pace %s\n", o.clients,
                o.scanners, static_cast<long long>(o.subscribers), wall, o.sync.c_str(),
                o.paceMax > 0 ? (std::to_string(o.paceMin) + "-" + std::to_string(o.paceMax) + " ms").c_str()
                              : "none (flat out)");
    std::printf("%-12s %9s %9s %9s %9s\n", "command", "count", "p50 ms", "p99 ms", "max ms");
    for (int k = 0; k < kKinds; ++k) {
        const auto& v = all.ms[k];
        if (v.empty()) continue;
        commands += v.size();
        std::printf("%-12s %9zu %9.2f %9.2f %9.2f\n", kKindNames[k], v.size(), Percentile(v, 0.5),
                    Percentile(v, 0.99), v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()));
    }
    std::printf("throughput %.0f commands/s; errors %lld; lost updates %lld\n", static_cast<double>(commands) / wall,
                static_cast<long long>(all.errors), static_cast<long long>(all.lost));
    std::printf("CPU in %% of one core:");
    for (const auto& [name, seconds] : serverCpu)
        if (seconds > 0) std::printf(" %s %.0f,", name.c_str(), 100 * seconds / wall);
    std::printf(" clients %.0f\n", 100 * ownCpu / wall);
    for (const std::string& s : all.samples) std::printf("  %s\n", s.c_str());
    return all.errors || all.lost || !contended ? 1 : 0;
}
