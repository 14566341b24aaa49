// Writes what scripts/perf-compare.sh times: OUT/stored.big and
// OUT/compressed.big holding the same entries, and the same files as a plain
// tree under OUT/tree for tar and zip.
// Usage: pelkora-perf-archive OUT [FILES [MEGABYTES [FOLDERS]]]
// (default 20000 files, 200 MB, 1000 folders).

#include "SyntheticArchive.h"
#include "ToolArguments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

using namespace pelkora;

int main(int argc, char** argv)
{
    if (const int code = pelkora::testsupport::CheckToolArguments(argc, argv, 1, 4,
            "pelkora-perf-archive OUT [FILES [MEGABYTES [FOLDERS]]]");
        code >= 0)
        return code;
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int files = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int megabytes = argc > 3 ? std::atoi(argv[3]) : 200;
    const int folders = argc > 4 ? std::atoi(argv[4]) : 1000;
    if (files < 1 || megabytes < 1 || folders < 1) {
        std::fprintf(stderr, "pelkora-perf-archive: counts must be positive\n");
        return 64;
    }

    bench::SyntheticLayout layout{
        .entries = files, .folders = folders, .meanSize = static_cast<qsizetype>(megabytes) * 1000 * 1000 / files};
    std::vector<testsupport::TestEntry> entries = bench::SyntheticEntries(layout);

    const QString tree = out + QStringLiteral("/tree");
    QDir(tree).removeRecursively();
    for (const auto& e : entries) {
        const QString path = tree + u'/' + QString(e.name).replace(u'\\', u'/');
        QDir().mkpath(QFileInfo(path).path());
        if (!testsupport::WriteFile(path, e.data)) {
            std::fprintf(stderr, "pelkora-perf-archive: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    if (!testsupport::WriteBigArchive(out + QStringLiteral("/stored.big"), entries)) {
        std::fprintf(stderr, "pelkora-perf-archive: cannot write the stored archive\n");
        return 1;
    }
    for (auto& e : entries)
        e.compress = true;
    if (!testsupport::WriteBigArchive(out + QStringLiteral("/compressed.big"), entries)) {
        std::fprintf(stderr, "pelkora-perf-archive: cannot write the compressed archive\n");
        return 1;
    }
    return 0;
}
