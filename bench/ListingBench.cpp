// Opening an archive in the window, offscreen: the whole OpenFile, from the
// call to the sorted list painted, at 10,000 and 100,000 entries. Also
// reports the longest time the event loop went unserved meanwhile.

#include "SyntheticArchive.h"

#include "app/ModMain.h"
#include "ui/FileGrid.h"
#include "ui/Startup.h"
#include "ui/frmMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <map>
#include <memory>

using namespace pelkora;

namespace {

void ensureApplication()
{
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pelkora_bench";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the whole process
}

const QString& listingArchive(int entries)
{
    static QTemporaryDir dir;
    static std::map<int, QString> paths;
    QString& path = paths[entries];
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("list-%1.big").arg(entries));
        const bench::SyntheticLayout layout{.entries = entries, .folders = std::max(1, entries / 100), .meanSize = 16};
        testsupport::WriteBigArchive(path, bench::SyntheticEntries(layout));
    }
    return path;
}

void BM_ListIntoGrid(benchmark::State& state)
{
    ensureApplication();
    const int entries = static_cast<int>(state.range(0));
    const QString& path = listingArchive(entries);
    std::unique_ptr<frmMain> window = Main(QString());
    QApplication::processEvents();

    // A zero-interval timer runs whenever the event loop is served.
    QElapsedTimer clock;
    qint64 lastServed = 0;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastServed);
        lastServed = now;
    });

    for (auto _ : state) {
        clock.start();
        lastServed = 0;
        probe.start();
        window->OpenFile(path);
        window->findChild<FileGrid*>(QStringLiteral("Grid1"))->repaint(); // painted, sorted
        probe.stop();
        longestGap = std::max(longestGap, clock.nsecsElapsed() - lastServed);
        if (window->findChild<FileGrid*>(QStringLiteral("Grid1"))->Rows() != entries + 1)
            state.SkipWithError("the list does not hold every entry");
    }
    state.counters["max_event_gap_ms"] = static_cast<double>(longestGap) / 1e6;
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * entries);
    window.reset();
    ReleaseBig();
}
BENCHMARK(BM_ListIntoGrid)->Arg(10000)->Arg(100000)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
