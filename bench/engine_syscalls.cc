// engine_syscalls: the engine's workload alone, with the system calls and bytes each operation
// costs. It runs the phases of engine_bench (insert N records, exact lookups, ordered scan,
// updates, deletes) on one table and one cache setting and prints, per phase, the operations, the
// read and write system calls per operation (the kernel's syscr/syscw counters of
// /proc/self/io, which count every pread and pwrite), the bytes read and written per operation
// and the wall time per operation. Run alone it is also the program bench/profile.sh runs under
// callgrind (each phase is its own EngineWorkload method, so a profile can be limited to one of
// them). With --store sqlite it runs the same phases on SQLite instead, for comparison.
//
//   engine_syscalls [--table KWRECIPE|KWRECING] [--records N] [--lookups N] [--updates N]
//                   [--deletes N] [--store-buffers N] [--btree-buffers N] [--store-type N]
//                   [--btree-type N] [--phases insert,lookup,scan,update,delete]
//                   [--store engine|sqlite]
//
// Defaults: KWRECIPE, 100000 records, 20000 lookups, 10000 updates, 10000 deletes, the engine's
// default cache (20 / 20, both types 2). The insert phase always runs (it fills the table);
// --phases chooses which of the others run. The database lives in a fresh directory under
// KW_BENCH_DIR (default $TMPDIR, else /tmp), removed at the end.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench_random.h"
#include "engine_workload.h"
#include "sqlite_workload.h"

namespace kw::bench {
namespace {

struct IoCounters {
    long long readCalls = 0, writeCalls = 0, readBytes = 0, writeBytes = 0;
};

IoCounters ReadIo() {
    IoCounters io;
    std::ifstream in("/proc/self/io");
    std::string name;
    long long value = 0;
    while (in >> name >> value) {
        if (name == "syscr:") io.readCalls = value;
        if (name == "syscw:") io.writeCalls = value;
        if (name == "rchar:") io.readBytes = value;
        if (name == "wchar:") io.writeBytes = value;
    }
    return io;
}

struct Options {
    std::string table = "KWRECIPE";
    size_t records = 100000;
    size_t lookups = 20000;
    size_t updates = 10000;
    size_t deletes = 10000;
    EngineCache cache;
    std::string phases = "lookup,scan,update,delete";
    bool sqlite = false;
};

bool Parse(int argc, char **argv, Options *o) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        const long number = std::strtol(value.c_str(), nullptr, 10);
        if (flag == "--table") {
            o->table = value;
        } else if (flag == "--records") {
            o->records = static_cast<size_t>(number);
        } else if (flag == "--lookups") {
            o->lookups = static_cast<size_t>(number);
        } else if (flag == "--updates") {
            o->updates = static_cast<size_t>(number);
        } else if (flag == "--deletes") {
            o->deletes = static_cast<size_t>(number);
        } else if (flag == "--store-buffers") {
            o->cache.storeBuffers = static_cast<int>(number);
        } else if (flag == "--btree-buffers") {
            o->cache.btreeBuffers = static_cast<int>(number);
        } else if (flag == "--store-type") {
            o->cache.storeType = static_cast<int>(number);
        } else if (flag == "--btree-type") {
            o->cache.btreeType = static_cast<int>(number);
        } else if (flag == "--phases") {
            o->phases = value;
        } else if (flag == "--store" && (value == "engine" || value == "sqlite")) {
            o->sqlite = value == "sqlite";
        } else {
            return false;
        }
    }
    return o->records > 0;
}

bool Wanted(const Options &o, const char *phase) {
    std::stringstream in(o.phases);
    for (std::string part; std::getline(in, part, ',');) {
        if (part == phase) return true;
    }
    return false;
}

// Runs work, which does ops operations, and prints its line; false when it did fewer.
template <typename Work>
bool Phase(const char *name, size_t ops, Work &&work) {
    const IoCounters before = ReadIo();
    const auto start = std::chrono::steady_clock::now();
    const size_t done = work();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const IoCounters after = ReadIo();
    const double n = static_cast<double>(ops ? ops : 1);
    std::printf("%-8s %9zu %10.2f %10.2f %12.0f %12.0f %10.2f\n", name, ops,
                static_cast<double>(after.readCalls - before.readCalls) / n,
                static_cast<double>(after.writeCalls - before.writeCalls) / n,
                static_cast<double>(after.readBytes - before.readBytes) / n,
                static_cast<double>(after.writeBytes - before.writeBytes) / n, seconds * 1e6 / n);
    if (done != ops) {
        std::fprintf(stderr, "engine_syscalls: %s did %zu of %zu\n", name, done, ops);
        return false;
    }
    return true;
}

std::vector<size_t> Pick(BenchRandom &random, const std::vector<size_t> &alive, size_t count) {
    std::vector<size_t> which(count);
    for (size_t &w : which)
        w = alive[random.Below(alive.size())];
    return which;
}

int Run(const Options &o, const std::string &dir) {
    const BenchTable *table = FindBenchTable(o.table);
    if (!table) {
        std::fprintf(stderr, "engine_syscalls: no table %s\n", o.table.c_str());
        return 2;
    }
    const RowSet rows(*table, o.records, 7);
    std::string error;
    std::unique_ptr<Workload> engine;
    if (o.sqlite) {
        engine = SqliteWorkload::Open(*table, dir + "/sqlite.db", &error);
    } else {
        engine = EngineWorkload::Open(*table, "SYSCALLS", dir + "/engine", o.cache, &error);
    }
    if (!engine) {
        std::fprintf(stderr, "engine_syscalls: %s\n", error.c_str());
        return 1;
    }
    if (o.sqlite) {
        std::printf("%s, %zu records, SQLite\n", o.table.c_str(), o.records);
    } else {
        std::printf("%s, %zu records, StoreBuffers %d BtreeBuffers %d StoreType %d BtreeType %d\n",
                    o.table.c_str(), o.records, o.cache.storeBuffers, o.cache.btreeBuffers,
                    o.cache.storeType, o.cache.btreeType);
    }
    std::printf("%-8s %9s %10s %10s %12s %12s %10s\n", "phase", "ops", "reads/op", "writes/op",
                "rbytes/op", "wbytes/op", "us/op");
    BenchRandom random(20240607);
    std::vector<size_t> alive(o.records);
    for (size_t i = 0; i < o.records; ++i)
        alive[i] = i;
    bool ok = Phase("insert", o.records, [&] { return engine->Insert(rows, 0, o.records); });
    if (ok && Wanted(o, "lookup")) {
        const std::vector<size_t> which = Pick(random, alive, o.lookups);
        ok = Phase("lookup", which.size(), [&] { return engine->Lookup(rows, which); });
    }
    if (ok && Wanted(o, "scan")) {
        ok = Phase("scan", alive.size(), [&] { return engine->Scan(); });
    }
    if (ok && Wanted(o, "update")) {
        const std::vector<size_t> which = Pick(random, alive, o.updates);
        ok = Phase("update", which.size(), [&] { return engine->Update(rows, which); });
    }
    if (ok && Wanted(o, "delete")) {
        const size_t count = std::min(o.deletes, alive.size());
        for (size_t k = 0; k < count; ++k) {
            const size_t last = alive.size() - 1 - k;
            std::swap(alive[last], alive[random.Below(last + 1)]);
        }
        const std::vector<size_t> which(alive.end() - static_cast<ptrdiff_t>(count), alive.end());
        ok = Phase("delete", which.size(), [&] { return engine->Delete(rows, which); });
    }
    if (!ok) std::fprintf(stderr, "engine_syscalls: %s\n", engine->error().c_str());
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace kw::bench

int main(int argc, char **argv) {
    kw::bench::Options options;
    if (!kw::bench::Parse(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: engine_syscalls [--table T] [--records N] [--lookups N] "
                     "[--updates N] [--deletes N] [--store-buffers N] [--btree-buffers N] "
                     "[--store-type N] [--btree-type N] [--phases list] [--store engine|sqlite]\n");
        return 2;
    }
    const char *base = std::getenv("KW_BENCH_DIR");
    if (!base || !*base) base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kwsyscalls-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("engine_syscalls: mkdtemp");
        return 1;
    }
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(pattern);
    const int status = kw::bench::Run(options, pattern);
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return status;
}
