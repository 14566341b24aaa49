#pragma once
// Archives of many entries for the benchmarks and the comparison script,
// built with the test-support writer from generated contents.

#include "BigWriter.h"

#include <QString>
#include <vector>

namespace pelkora::bench {

struct SyntheticLayout {
    int entries = 10000;
    int folders = 100;         // entries are spread evenly over these
    qsizetype meanSize = 1024; // sizes vary between 1/8 and 2x of this
    bool compress = false;     // every entry stored compressed
    bool mixed = false;        // every other entry compressed (overrides compress)
};

// Entries named "folderNNN\\subN\\nameNNNNNN.ext" with text- and binary-like
// contents cut from a shared pool, so that building 200 MB stays quick.
std::vector<testsupport::TestEntry> SyntheticEntries(const SyntheticLayout& layout);

} // namespace pelkora::bench
