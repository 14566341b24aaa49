// Writes what scripts/perf-compare.sh times: OUT/stored.big and
// OUT/compressed.big holding the same entries, OUT/mixed.big with every other
// entry compressed, and the same files as a plain tree under OUT/tree for
// the other archivers. KINDS (comma-separated, default
// tree,stored,compressed) says which of tree, stored, compressed and mixed
// to write.
// Usage: pelkora-perf-archive OUT [FILES [MEGABYTES [FOLDERS [KINDS]]]]
// (default 20000 files, 200 MB, 1000 folders).

#include "SyntheticArchive.h"
#include "ToolArguments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace pelkora;

int main(int argc, char** argv)
{
    if (const int code = pelkora::testsupport::CheckToolArguments(argc, argv, 1, 5,
            "pelkora-perf-archive OUT [FILES [MEGABYTES [FOLDERS [KINDS]]]]");
        code >= 0)
        return code;
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int files = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int megabytes = argc > 3 ? std::atoi(argv[3]) : 200;
    const int folders = argc > 4 ? std::atoi(argv[4]) : 1000;
    const QStringList kinds = QString::fromLatin1(argc > 5 ? argv[5] : "tree,stored,compressed").split(u',');
    for (const QString& kind : kinds) {
        if (!QStringList{"tree", "stored", "compressed", "mixed"}.contains(kind)) {
            std::fprintf(stderr, "pelkora-perf-archive: unknown kind %s\n", qPrintable(kind));
            return 64;
        }
    }
    if (files < 1 || megabytes < 1 || folders < 1) {
        std::fprintf(stderr, "pelkora-perf-archive: counts must be positive\n");
        return 64;
    }

    bench::SyntheticLayout layout{
        .entries = files, .folders = folders, .meanSize = static_cast<qsizetype>(megabytes) * 1000 * 1000 / files};
    std::vector<testsupport::TestEntry> entries = bench::SyntheticEntries(layout);

    QDir().mkpath(out);
    const QString tree = out + QStringLiteral("/tree");
    QDir(tree).removeRecursively();
    for (const auto& e : kinds.contains("tree") ? entries : std::vector<testsupport::TestEntry>{}) {
        const QString path = tree + u'/' + QString(e.name).replace(u'\\', u'/');
        QDir().mkpath(QFileInfo(path).path());
        if (!testsupport::WriteFile(path, e.data)) {
            std::fprintf(stderr, "pelkora-perf-archive: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    // Each archive is written with the entries compressed as its kind says.
    const auto write = [&](const QString& kind, auto compressed) {
        if (!kinds.contains(kind))
            return true;
        for (std::size_t i = 0; i < entries.size(); ++i)
            entries[i].compress = compressed(i);
        if (testsupport::WriteBigArchive(out + u'/' + kind + QStringLiteral(".big"), entries))
            return true;
        std::fprintf(stderr, "pelkora-perf-archive: cannot write the %s archive\n", qPrintable(kind));
        return false;
    };
    const bool written = write(QStringLiteral("stored"), [](std::size_t) { return false; })
        && write(QStringLiteral("compressed"), [](std::size_t) { return true; })
        && write(QStringLiteral("mixed"), [](std::size_t i) { return i % 2 == 1; });
    return written ? 0 : 1;
}
