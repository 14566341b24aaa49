// Writes OUT/stored.big and OUT/compressed.big, each holding one entry of
// MEGABYTES MiB (default 1024), for measuring what extracting and verifying
// one very large entry costs (bench/memory.sh). The compressed entry's stream
// is built directly (runs of a byte between a few literals), so that writing
// a gigabyte takes seconds rather than an encoder's minutes.
// Usage: pelkora-large-entry OUT [MEGABYTES]

#include "BigWriter.h"
#include "LzssEncoder.h"
#include "ToolArguments.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

using namespace pelkora::testsupport;

namespace {

QByteArray storedContent(qsizetype size)
{
    const QByteArray line = "a line of text in one large entry, repeated to fill it 0123456789\n";
    QByteArray content(size, Qt::Uninitialized);
    for (qsizetype at = 0; at < size; at += line.size())
        std::memcpy(content.data() + at, line.constData(), static_cast<std::size_t>(std::min(line.size(), size - at)));
    return content;
}

// `size` bytes: a literal, then copies of the byte before it (distance one),
// with another literal every kilobyte and wherever the window position of
// the byte before would be 0 (which would read as the end).
QByteArray runStream(qsizetype size)
{
    BitWriter w;
    qsizetype done = 0;
    while (done < size) {
        const qsizetype length = std::min<qsizetype>(17, size - done);
        if (done % 1024 == 0 || done % 4096 == 0 || length < 2) {
            w.put(1, 1);
            w.put(static_cast<unsigned>('a' + done / 1024 % 26), 8);
            ++done;
            continue;
        }
        w.put(0, 1);
        w.put(static_cast<unsigned>(done % 4096), 12); // the window position of byte done - 1
        w.put(static_cast<unsigned>(length - 2), 4);
        done += length;
    }
    w.put(0, 13);
    return w.finish();
}

} // namespace

int main(int argc, char** argv)
{
    if (const int code = CheckToolArguments(argc, argv, 1, 2, "pelkora-large-entry OUT [MEGABYTES]"); code >= 0)
        return code;
    const QString out = QString::fromLocal8Bit(argv[1]);
    const qsizetype megabytes = argc > 2 ? std::atoi(argv[2]) : 1024;
    if (megabytes < 1 || megabytes > 2047) {
        std::fprintf(stderr, "pelkora-large-entry: MEGABYTES must be 1-2047\n");
        return 64;
    }
    const qsizetype size = megabytes << 20;
    QDir().mkpath(out);
    if (!WriteBigArchive(out + "/stored.big", {{.name = "data\\large.bin", .data = storedContent(size)}})) {
        std::fprintf(stderr, "pelkora-large-entry: cannot write %s/stored.big\n", argv[1]);
        return 1;
    }
    if (!WriteBigArchive(out + "/compressed.big",
            {{.name = "data\\large.bin",
                .data = "x",
                .flagByte = 1,
                .uncompressedSize = static_cast<int>(size),
                .storedData = runStream(size)}})) {
        std::fprintf(stderr, "pelkora-large-entry: cannot write %s/compressed.big\n", argv[1]);
        return 1;
    }
    return 0;
}
