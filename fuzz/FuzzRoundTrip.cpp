// The test encoder's stream for any content decodes back to that content.
// The first input byte picks the encoder's settings, the rest is the content.

#include "LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const int kChains[] = {0, 1, 4, 32};
    pelkora::testsupport::LzssOptions options;
    options.maxChain = kChains[data[0] & 3];
    options.endToken = (data[0] & 4) == 0;
    const QByteArray plain(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    const QByteArray stream = pelkora::testsupport::LzssEncode(plain, options);
    const QByteArray decoded = pelkora::UnLZSS(stream);
    if (decoded != plain) {
        std::fprintf(stderr, "round trip: %lld bytes in, %lld out (chain %d, end token %d)\n",
            static_cast<long long>(plain.size()), static_cast<long long>(decoded.size()), options.maxChain,
            options.endToken ? 1 : 0);
        std::abort();
    }
    return 0;
}
