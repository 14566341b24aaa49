#include "SyntheticArchive.h"

#include "Contents.h"

#include <algorithm>

namespace pelkora::bench {

std::vector<testsupport::TestEntry> SyntheticEntries(const SyntheticLayout& layout)
{
    const qsizetype poolSize = std::max<qsizetype>(layout.meanSize * 8, 1 << 20);
    const QByteArray text = MakeContent(Content::Text, poolSize, 7);
    const QByteArray binary = MakeContent(Content::Binary, poolSize, 7);
    static const char* kExtensions[] = {"txt", "ini", "tga", "wav", "map", "bin"};

    std::vector<testsupport::TestEntry> entries;
    entries.reserve(static_cast<std::size_t>(layout.entries));
    std::uint32_t x = 2463534242u;
    const int perFolder = std::max(1, (layout.entries + layout.folders - 1) / layout.folders);
    for (int i = 0; i < layout.entries; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        // Sizes from meanSize/8 to nearly 2 x meanSize, averaging meanSize.
        const qsizetype size = std::max<qsizetype>(1,
            layout.meanSize / 8 + static_cast<qsizetype>(x % static_cast<std::uint32_t>(layout.meanSize * 7 / 4 + 1)));
        const int ext = static_cast<int>((x >> 8) % 6);
        const QByteArray& pool = ext < 2 ? text : binary;
        const qsizetype start = static_cast<qsizetype>((x >> 4) % static_cast<std::uint32_t>(pool.size() - size));
        const int folder = i / perFolder;

        testsupport::TestEntry e;
        e.name = QStringLiteral("folder%1\\sub%2\\name%3.%4")
                     .arg(folder / 10, 3, 10, QLatin1Char('0'))
                     .arg(folder % 10)
                     .arg(i, 6, 10, QLatin1Char('0'))
                     .arg(QLatin1String(kExtensions[ext]));
        e.data = pool.mid(start, size);
        e.compress = layout.mixed ? (i % 2 == 1) : layout.compress;
        e.timestamp = 1104580800 + i * 61;
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace pelkora::bench
