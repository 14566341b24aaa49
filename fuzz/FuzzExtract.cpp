// Extracts every entry of the input archive into a fresh folder that sits
// beside a sentinel folder, and aborts when anything outside the destination
// appears, disappears or changes, when ExtractEntry throws, or when a file it
// reports as written does not hold the entry's decoded bytes.

#include "FuzzFile.h"

#include "app/ExtractEntry.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
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

// Everything under `root` except the folder `skip`, by path.
std::map<QString, Node> snapshot(const QString& root, const QString& skip)
{
    std::map<QString, Node> nodes;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == skip || path.startsWith(skip + u'/'))
            continue;
        const QFileInfo info = it.fileInfo();
        Node n;
        n.isDir = info.isDir();
        n.isLink = info.isSymLink();
        n.size = info.isSymLink() ? 0 : info.size();
        n.modifiedMs = info.lastModified().toMSecsSinceEpoch();
        if (info.isFile() && !info.isSymLink()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                n.digest = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
        }
        nodes[path] = n;
    }
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
    const auto before = snapshot(play.root, dest);

    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        QString name;
        try {
            name = big.GetFileName(id);
        } catch (const BigRuntimeError&) {
            continue;
        }
        const ExtractResult result = ExtractEntry(big, id, dest, name);
        if (!result.ok)
            continue;
        if (!result.target.startsWith(dest + u'/'))
            fail(QStringLiteral("entry %1 \"%2\" written outside the destination: %3").arg(id).arg(name, result.target));
        QFile written(result.target);
        if (!written.open(QIODevice::ReadOnly))
            fail(QStringLiteral("entry %1 reported written but %2 cannot be read").arg(id).arg(result.target));
        QByteArray expected;
        try {
            expected = ReadEntryContent(big, id);
        } catch (const BigRuntimeError&) {
            fail(QStringLiteral("entry %1 extracted although its data cannot be read").arg(id));
        }
        if (written.readAll() != expected)
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
