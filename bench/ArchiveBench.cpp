// FindFile over every entry of a large archive, and extracting every entry
// with the UI-free routine. Extraction goes into a new folder on every run;
// all of them are deleted when the process ends, because creating files
// right after deleting many is much slower on common file systems and would
// be measured instead.

#include "SyntheticArchive.h"

#include "app/ExtractEntry.h"
#include "archive/cBig.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <stdexcept>

using namespace pelkora;
using namespace pelkora::bench;

namespace {

struct BenchArchive {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<cBig> big = std::make_unique<cBig>();
    std::vector<QString> names;
};

// One archive per entry count, written once in a temporary folder.
BenchArchive& archive(int entries)
{
    static std::map<int, std::unique_ptr<BenchArchive>> archives;
    auto& slot = archives[entries];
    if (slot)
        return *slot;
    slot = std::make_unique<BenchArchive>();
    BenchArchive& a = *slot;
    if (!a.dir.isValid())
        throw std::runtime_error("no temporary folder");
    a.path = a.dir.filePath(QStringLiteral("bench.big"));
    const SyntheticLayout layout{.entries = entries, .folders = entries / 100, .meanSize = 512, .mixed = true};
    if (!testsupport::WriteBigArchive(a.path, SyntheticEntries(layout)))
        throw std::runtime_error("cannot write the benchmark archive");
    if (!a.big->Load(a.path))
        throw std::runtime_error("cannot load the benchmark archive");
    for (std::int32_t id = 0; id < a.big->FileCount(); ++id)
        a.names.push_back(a.big->GetFileName(id));
    return a;
}

void perEntry(benchmark::State& state, std::int64_t entries)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * entries);
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(entries),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FindFile(benchmark::State& state)
{
    BenchArchive& a = archive(static_cast<int>(state.range(0)));
    std::vector<std::uint64_t> hashes;
    for (std::int32_t id = 0; id < a.big->FileCount(); ++id)
        hashes.push_back(a.big->name_hash(id));
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (std::uint64_t h : hashes)
            sum += a.big->FindFile(h);
        benchmark::DoNotOptimize(sum);
    }
    perEntry(state, static_cast<std::int64_t>(hashes.size()));
}
BENCHMARK(BM_FindFile)->Arg(100000)->Unit(benchmark::kMillisecond);

// Every extraction run of the process goes into its own folder under this
// one, deleted only when the process ends, so that no run creates files
// right after many were deleted.
QTemporaryDir& extractionRoot()
{
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/pelkora-bench-extract-XXXXXX"));
    return root;
}

void BM_ExtractAll(benchmark::State& state)
{
    BenchArchive& a = archive(static_cast<int>(state.range(0)));
    QTemporaryDir& out = extractionRoot();
    if (!out.isValid()) {
        state.SkipWithError("cannot create the extraction folder");
        return;
    }
    static int run = 0;
    for (auto _ : state) {
        const QString dest = out.filePath(QStringLiteral("run-%1").arg(++run));
        QDir().mkpath(dest);
        // One writer for the run, as the window and the tool keep one.
        ConfinedWriter writer(ExtractRoot(dest));
        for (std::int32_t id = 0; id < a.big->FileCount(); ++id) {
            const Failure r = ExtractEntry(*a.big, id, writer, a.names[static_cast<std::size_t>(id)]);
            if (!r.ok()) {
                state.SkipWithError(qPrintable(r.description));
                break;
            }
        }
    }
    perEntry(state, a.big->FileCount());
}
// Wall time: most of the cost is the file system's, not this process's CPU.
BENCHMARK(BM_ExtractAll)->Arg(10000)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractAll)->Arg(100000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
