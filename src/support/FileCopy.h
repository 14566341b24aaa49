#pragma once
// Copying a range of one file into another inside the kernel, as cp does,
// without reading the bytes into the program.

#include <QtGlobal>

namespace pelkora {

enum class CopyEnd {
    Done,        // all bytes copied
    Unsupported, // the system cannot copy between these files: copy the rest by reading
    SourceShort, // the source ended before the range did
    Failed,      // copying failed; errno says why (usually the target: disk full, file too large)
};

// Copies `size` bytes at offset `from` of `in` to the current position of
// `out`. `copied` tells how many were copied, also when it stops early.
CopyEnd CopyRange(int in, qint64 from, qint64 size, int out, qint64& copied);

} // namespace pelkora
