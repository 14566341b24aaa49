#pragma once
// Test-support LZSS encoder: writes streams that the program's decoder reads
// (see src/lzss/FORMAT.md). Never linked into the program.

#include <QByteArray>

namespace pelkora::testsupport {

struct LzssOptions {
    int maxChain = 32;    // hash-chain depth; 0 writes literals only
    bool endToken = true; // append the end token
    bool lazy = true;     // take a literal first when a longer match starts one byte on
};

QByteArray LzssEncode(const QByteArray& plain, const LzssOptions& options = {});

// Writes bits most significant first (exposed to build odd streams by hand).
class BitWriter {
public:
    void put(unsigned value, int width);
    QByteArray finish(); // pads the last byte with zero bits

private:
    QByteArray mBytes;
    unsigned mCurrent = 0;
    int mUsed = 0;
};

} // namespace pelkora::testsupport
