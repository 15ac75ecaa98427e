// engine_bench: the record engine against SQLite on the KWRECIPE and KWRECING tables.
//
// For each table, engine cache setting and record count it runs five benchmarks in order:
// insert (N records into empty tables), lookup (exact search by the unique key, random records),
// scan (the whole table in index order), update (random records found and rewritten) and delete
// (random records found and deleted). Each benchmark times the engine's batch and then SQLite's
// batch on the same records in the same process, so their ratio holds on a busy machine. The
// benchmark's own time is the engine's; the counters give both:
//
//   ops           operations in the batch (records inserted, found, walked, rewritten, deleted)
//   ours_ms       the engine's time for the batch         sqlite_ms   SQLite's time
//   ours_us_op    per operation                          sqlite_us_op
//   ratio         ours_ms / sqlite_ms (below 1: the engine is faster)
//
// The databases live in a fresh directory under KW_BENCH_DIR (default $TMPDIR, else /tmp) that
// is removed at the end; the process works in it, as the engine keeps KWDATA.INI in the working
// directory. Settings, from the environment:
//
//   KW_BENCH_SIZES          record counts, comma-separated (default "10000,100000")
//   KW_BENCH_LARGE=1        adds 1000000 (a KWRECIPE database of a million records takes 4 GB)
//   KW_BENCH_TABLES         default "KWRECIPE,KWRECING"
//   KW_BENCH_CACHES         default "default,largest"
//   KW_BENCH_STORE_BUFFERS  StoreBuffers of the largest setting (default 4096; BtreeBuffers is
//                           at its largest, 255)
//
// The engine's default setting is KWDATA.INI's: StoreBuffers 20, BtreeBuffers 20, both types 2
// (writes deferred). SQLite runs with journal_mode=WAL, synchronous=NORMAL, its default page
// cache, one transaction per batch; the engine flushes the table at the end of each writing
// batch.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench_random.h"
#include "engine_workload.h"
#include "sqlite_workload.h"

namespace kw::bench {
namespace {

struct Setup {
    const BenchTable *table;
    std::string cacheName;
    EngineCache cache;
    size_t records;

    std::string Key() const {
        return std::string(table->name) + "/" + cacheName + "/" + std::to_string(records);
    }
};

// The engine and SQLite databases of one setup, holding the same live records.
class Pair {
  public:
    // The pair of setup: a new one with empty tables when fresh, else the current one, made
    // and filled (untimed) when the current pair belongs to another setup.
    static Pair *For(const Setup &setup, bool fresh, std::string *error);
    static void Release() { current_.reset(); }

    const RowSet &rows() const { return *rows_; }
    EngineWorkload &engine() { return *engine_; }
    SqliteWorkload &sqlite() { return *sqlite_; }
    std::vector<size_t> &alive() { return alive_; }
    BenchRandom &random() { return random_; }

  private:
    Pair() : random_(20240607) {}

    static std::unique_ptr<Pair> current_;
    static std::string currentKey_;
    static std::shared_ptr<RowSet> rowsCache_;
    static int serial_;

    std::shared_ptr<RowSet> rows_;
    std::unique_ptr<EngineWorkload> engine_;
    std::unique_ptr<SqliteWorkload> sqlite_;
    std::vector<size_t> alive_;
    BenchRandom random_;
};

std::unique_ptr<Pair> Pair::current_;
std::string Pair::currentKey_;
std::shared_ptr<RowSet> Pair::rowsCache_;
int Pair::serial_ = 0;

Pair *Pair::For(const Setup &setup, bool fresh, std::string *error) {
    if (!fresh && current_ && currentKey_ == setup.Key()) return current_.get();
    // One engine database at a time: the engine reads its cache settings when it starts.
    current_.reset();
    if (!rowsCache_ || &rowsCache_->table() != setup.table || rowsCache_->size() != setup.records) {
        rowsCache_.reset();
        rowsCache_ = std::make_shared<RowSet>(*setup.table, setup.records, 7);
    }
    std::unique_ptr<Pair> pair(new Pair());
    pair->rows_ = rowsCache_;
    const std::string id = std::to_string(++serial_);
    const std::string dir = std::filesystem::current_path().string();
    pair->engine_ =
        EngineWorkload::Open(*setup.table, "BENCH" + id, dir + "/engine" + id, setup.cache, error);
    if (!pair->engine_) return nullptr;
    pair->sqlite_ = SqliteWorkload::Open(*setup.table, dir + "/sqlite" + id + ".db", error);
    if (!pair->sqlite_) return nullptr;
    if (!fresh) {
        const size_t n = setup.records;
        if (pair->engine_->Insert(pair->rows(), 0, n) != n ||
            pair->sqlite_->Insert(pair->rows(), 0, n) != n) {
            *error = "filling: " + pair->engine_->error() + pair->sqlite_->error();
            return nullptr;
        }
        pair->alive_.resize(n);
        for (size_t i = 0; i < n; ++i)
            pair->alive_[i] = i;
    }
    current_ = std::move(pair);
    currentKey_ = setup.Key();
    return current_.get();
}

enum class Phase { kInsert, kLookup, kScan, kUpdate, kDelete };

template <typename F>
double Seconds(F &&work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Records picked at random among the live ones (with repeats).
std::vector<size_t> Pick(Pair &pair, size_t count) {
    std::vector<size_t> which(count);
    for (size_t &w : which)
        w = pair.alive()[pair.random().Below(pair.alive().size())];
    return which;
}

void RunPhase(benchmark::State &state, const Setup &setup, Phase phase) {
    std::string error;
    Pair *pair = Pair::For(setup, phase == Phase::kInsert, &error);
    if (!pair) {
        state.SkipWithError(error.c_str());
        return;
    }
    const size_t n = setup.records;
    for (auto _ : state) {
        size_t ops = 0, ours = 0, theirs = 0;
        double oursTime = 0, theirTime = 0;
        EngineWorkload &engine = pair->engine();
        SqliteWorkload &sqlite = pair->sqlite();
        const RowSet &rows = pair->rows();
        switch (phase) {
            case Phase::kInsert:
                ops = n;
                oursTime = Seconds([&] { ours = engine.Insert(rows, 0, n); });
                theirTime = Seconds([&] { theirs = sqlite.Insert(rows, 0, n); });
                pair->alive().resize(n);
                for (size_t i = 0; i < n; ++i)
                    pair->alive()[i] = i;
                break;
            case Phase::kLookup: {
                const std::vector<size_t> which = Pick(*pair, std::min<size_t>(n, 20000));
                ops = which.size();
                oursTime = Seconds([&] { ours = engine.Lookup(rows, which); });
                theirTime = Seconds([&] { theirs = sqlite.Lookup(rows, which); });
                break;
            }
            case Phase::kScan:
                ops = pair->alive().size();
                oursTime = Seconds([&] { ours = engine.Scan(); });
                theirTime = Seconds([&] { theirs = sqlite.Scan(); });
                break;
            case Phase::kUpdate: {
                const std::vector<size_t> which = Pick(*pair, std::min<size_t>(n, 10000));
                ops = which.size();
                oursTime = Seconds([&] { ours = engine.Update(rows, which); });
                theirTime = Seconds([&] { theirs = sqlite.Update(rows, which); });
                break;
            }
            case Phase::kDelete: {
                std::vector<size_t> &alive = pair->alive();
                // Distinct live records: shuffle the tail and take it.
                const size_t count = std::min<size_t>({n / 10, 10000, alive.size()});
                for (size_t k = 0; k < count; ++k) {
                    const size_t last = alive.size() - 1 - k;
                    std::swap(alive[last], alive[pair->random().Below(last + 1)]);
                }
                const std::vector<size_t> which(alive.end() - static_cast<ptrdiff_t>(count),
                                                alive.end());
                alive.resize(alive.size() - count);
                ops = count;
                oursTime = Seconds([&] { ours = engine.Delete(rows, which); });
                theirTime = Seconds([&] { theirs = sqlite.Delete(rows, which); });
                break;
            }
        }
        if (ours != ops || theirs != ops) {
            const std::string message = "engine did " + std::to_string(ours) + ", SQLite " +
                                        std::to_string(theirs) + " of " + std::to_string(ops) +
                                        " " + engine.error() + " " + sqlite.error();
            state.SkipWithError(message.c_str());
            break;
        }
        state.SetIterationTime(oursTime);
        const double perOp = 1e6 / static_cast<double>(std::max<size_t>(ops, 1));
        state.counters["ops"] = static_cast<double>(ops);
        state.counters["ours_ms"] = oursTime * 1e3;
        state.counters["sqlite_ms"] = theirTime * 1e3;
        state.counters["ours_us_op"] = oursTime * perOp;
        state.counters["sqlite_us_op"] = theirTime * perOp;
        state.counters["ratio"] = theirTime > 0 ? oursTime / theirTime : 0;
    }
    // The last phase leaves nothing for later benchmarks: free the disk space now.
    if (phase == Phase::kDelete) Pair::Release();
}

std::vector<std::string> Split(const char *text, const char *fallback) {
    std::vector<std::string> parts;
    std::stringstream in(text && *text ? text : fallback);
    for (std::string part; std::getline(in, part, ',');) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

int EnvInt(const char *name, int fallback) {
    const char *text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

bool RegisterAll() {
    std::vector<size_t> sizes;
    for (const std::string &s : Split(std::getenv("KW_BENCH_SIZES"), "10000,100000"))
        sizes.push_back(std::stoul(s));
    if (EnvInt("KW_BENCH_LARGE", 0) == 1) sizes.push_back(1000000);
    const EngineCache largest{EnvInt("KW_BENCH_STORE_BUFFERS", 4096), 255, 2, 2};

    static const std::pair<Phase, const char *> kPhases[] = {{Phase::kInsert, "insert"},
                                                             {Phase::kLookup, "lookup"},
                                                             {Phase::kScan, "scan"},
                                                             {Phase::kUpdate, "update"},
                                                             {Phase::kDelete, "delete"}};
    for (const std::string &tableName :
         Split(std::getenv("KW_BENCH_TABLES"), "KWRECIPE,KWRECING")) {
        const BenchTable *table = FindBenchTable(tableName);
        if (!table) {
            std::fprintf(stderr, "engine_bench: no table %s\n", tableName.c_str());
            return false;
        }
        for (const std::string &cacheName :
             Split(std::getenv("KW_BENCH_CACHES"), "default,largest")) {
            if (cacheName != "default" && cacheName != "largest") {
                std::fprintf(stderr, "engine_bench: no cache setting %s\n", cacheName.c_str());
                return false;
            }
            for (const size_t records : sizes) {
                const Setup setup{table, cacheName,
                                  cacheName == "default" ? EngineCache{} : largest, records};
                for (const auto &[phase, phaseName] : kPhases) {
                    benchmark::RegisterBenchmark((setup.Key() + "/" + phaseName).c_str(),
                                                 [setup, phase = phase](benchmark::State &state) {
                                                     RunPhase(state, setup, phase);
                                                 })
                        ->Iterations(1)
                        ->UseManualTime()
                        ->Unit(benchmark::kMillisecond);
                }
            }
        }
    }
    benchmark::AddCustomContext("sqlite_version", sqlite3_libversion());
    benchmark::AddCustomContext("sqlite_settings",
                                "journal_mode=WAL synchronous=NORMAL default cache_size");
    benchmark::AddCustomContext("engine_default_cache",
                                "StoreBuffers=20 BtreeBuffers=20 StoreType=2 BtreeType=2");
    benchmark::AddCustomContext("engine_largest_cache",
                                "StoreBuffers=" + std::to_string(largest.storeBuffers) +
                                    " BtreeBuffers=255 StoreType=2 BtreeType=2");
    return true;
}

}  // namespace
}  // namespace kw::bench

int main(int argc, char **argv) {
    // The process works in the benchmark directory: an output file named relative to where it
    // started is made absolute first.
    std::vector<std::string> absolute;
    absolute.reserve(static_cast<size_t>(argc));
    for (int i = 1; i < argc; ++i) {
        const std::string flag = "--benchmark_out=";
        const std::string arg = argv[i];
        if (arg.rfind(flag, 0) == 0 && arg.size() > flag.size() && arg[flag.size()] != '/') {
            absolute.push_back(flag + std::filesystem::absolute(arg.substr(flag.size())).string());
            argv[i] = absolute.back().data();
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const char *base = std::getenv("KW_BENCH_DIR");
    if (!base || !*base) base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kwbench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("engine_bench: mkdtemp");
        return 1;
    }
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(pattern);

    int status = 1;
    if (kw::bench::RegisterAll()) {
        benchmark::RunSpecifiedBenchmarks();
        status = 0;
    }
    kw::bench::Pair::Release();
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    benchmark::Shutdown();
    return status;
}
