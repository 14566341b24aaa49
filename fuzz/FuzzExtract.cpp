// Extracts every entry of the input archive into a fresh folder that sits
// beside a sentinel folder, and aborts when anything outside the destination
// appears, disappears or changes, when ExtractEntry throws, or when a file it
// reports as written does not hold the entry's decoded bytes.
//
// The input's last byte (past the directory, so the reader ignores it) picks
// how: a fresh writer per entry or one kept for the run, entries prepared in
// turn or ahead on a second thread, and whether the destination already holds
// a link out to the sentinel folder and an existing file where entries go.

#include "FuzzFile.h"

#include "app/EntryPrefetcher.h"
#include "app/ExtractEntry.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

using namespace pelkora;

namespace {

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "extract fuzz: %s\n", qPrintable(what));
    std::abort();
}

struct Node {
    bool isDir = false;
    bool isLink = false;
    qint64 size = 0;
    qint64 modifiedMs = 0;
    QByteArray digest;
    bool operator==(const Node&) const = default;
};

// Everything under `root` except the folder `skip` (not even walked into:
// it may be thousands of folders deep), by path.
void snapshotInto(std::map<QString, Node>& nodes, const QString& folder, const QString& skip)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : entries) {
        const QString path = info.filePath();
        if (path == skip)
            continue;
        Node n;
        n.isDir = info.isDir() && !info.isSymLink();
        n.isLink = info.isSymLink();
        n.size = info.isSymLink() ? 0 : info.size();
        n.modifiedMs = info.lastModified().toMSecsSinceEpoch();
        if (info.isFile() && !info.isSymLink()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                n.digest = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
        }
        nodes[path] = n;
        if (n.isDir)
            snapshotInto(nodes, path, skip);
    }
}

std::map<QString, Node> snapshot(const QString& root, const QString& skip)
{
    std::map<QString, Node> nodes;
    snapshotInto(nodes, root, skip);
    return nodes;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot set up %1").arg(path));
}

// root/sentinel with files and a folder, root/work/<dest> for each input; the
// archive itself lives in root as well, so it is watched too.
struct Playground {
    QString root;
    QString work;
    FuzzFile archive{"extract", ".big"};

    Playground()
    {
        root = archive.folder();
        work = root + QStringLiteral("/work");
        const QString sentinel = root + QStringLiteral("/sentinel");
        if (!QDir().mkpath(sentinel + QStringLiteral("/inner")) || !QDir().mkpath(work))
            fail(QStringLiteral("cannot create %1").arg(root));
        writeFile(sentinel + QStringLiteral("/keep.txt"), "sentinel bytes");
        writeFile(sentinel + QStringLiteral("/inner/escape.txt"), "must stay");
        writeFile(work + QStringLiteral("/beside.txt"), "next to the destination");
        writeFile(root + QStringLiteral("/x"), "top");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Playground play;
    static std::uint64_t run = 0;
    play.archive.write(data, size);

    cBig big;
    try {
        if (!big.Load(play.archive.path()))
            return 0;
    } catch (const BigRuntimeError&) {
        return 0;
    }

    const QString dest = play.work + QStringLiteral("/dest-%1").arg(++run);
    if (!QDir().mkpath(dest))
        fail(QStringLiteral("cannot create %1").arg(dest));
    const std::uint8_t how = size > 0 ? data[size - 1] : 0;
    const bool keptWriter = how & 1;
    const bool ahead = how & 2;
    const bool plant = how & 4;

    std::vector<EntryPrefetcher::Item> items;
    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        try {
            items.push_back({id, big.GetFileName(id)});
        } catch (const BigRuntimeError&) {
        }
    }
    if (plant) {
        // The first entry's top folder as a link out of the destination; the
        // second entry's name taken by a file already there.
        if (!items.empty()) {
            const QString top = items[0].fullName.section(u'\\', 0, 0);
            if (!top.isEmpty() && !top.contains(u'/') && top != QLatin1String("..") && top != QLatin1String("."))
                QFile::link(play.root + QStringLiteral("/sentinel"), dest + u'/' + top);
        }
        if (items.size() > 1 && !items[1].fullName.contains(u'/') && !items[1].fullName.contains(QLatin1String(".."))) {
            const QString existing = QDir::cleanPath(dest + u'/' + QString(items[1].fullName).replace(u'\\', u'/'));
            if (existing.startsWith(dest + u'/') && QDir().mkpath(QFileInfo(existing).path())) {
                QFile file(existing);
                if (file.open(QIODevice::WriteOnly))
                    file.write("existing");
            }
        }
    }
    const auto before = snapshot(play.root, dest);

    // What each reported write must hold, checked once the run is over (a
    // later entry may replace an earlier one's file).
    std::map<QString, std::int32_t> written;
    {
        ConfinedWriter writer(ExtractRoot(dest));
        EntryPrefetcher prefetcher(big, items, ahead ? EntryPrefetcher::Mode::Ahead : EntryPrefetcher::Mode::InTurn);
        for (const EntryPrefetcher::Item& item : items) {
            const PreparedEntry* prepared = prefetcher.next();
            Failure result;
            if (keptWriter) {
                result = WritePreparedEntry(*prepared, writer);
            } else {
                ConfinedWriter fresh(ExtractRoot(dest));
                result = WritePreparedEntry(*prepared, fresh);
            }
            if (!result.ok())
                continue;
            if (!result.subject.startsWith(dest + u'/'))
                fail(QStringLiteral("entry %1 \"%2\" written outside the destination: %3")
                         .arg(item.id)
                         .arg(item.fullName, result.subject));
            written[result.subject] = item.id;
        }
    }
    for (const auto& [target, id] : written) {
        QFile file(target);
        if (!file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("entry %1 reported written but %2 cannot be read").arg(id).arg(target));
        QByteArray expected;
        try {
            expected = ReadEntryContent(*big.Directory(), id);
        } catch (const BigRuntimeError&) {
            fail(QStringLiteral("entry %1 extracted although its data cannot be read").arg(id));
        }
        if (file.readAll() != expected)
            fail(QStringLiteral("entry %1 written with other bytes than it decodes to").arg(id));
    }

    const auto after = snapshot(play.root, dest);
    if (after != before) {
        for (const auto& [path, node] : after)
            if (!before.count(path) || !(before.at(path) == node))
                fail(QStringLiteral("%1 appeared or changed outside the destination").arg(path));
        fail(QStringLiteral("something disappeared outside the destination"));
    }
    QDir(dest).removeRecursively();
    return 0;
}
