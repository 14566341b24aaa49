// The decoder on arbitrary input must give exactly the bytes of the plain,
// bit-at-a-time decoder, whatever size hint it is given, and so must the
// streaming decoder fed in pieces (their size taken from the input) into a
// small output that is handed on many times.

#include "LiteralUnLZSS.h"
#include "lzss/UnLZSS.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void compare(const QByteArray& expected, const QByteArray& got, std::size_t hint)
{
    if (got == expected)
        return;
    qsizetype at = 0;
    while (at < expected.size() && at < got.size() && expected[at] == got[at])
        ++at;
    std::fprintf(stderr, "decoder fuzz: hint %zu: %lld bytes expected, %lld decoded, first difference at %lld\n", hint,
        static_cast<long long>(expected.size()), static_cast<long long>(got.size()), static_cast<long long>(at));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const QByteArray expected = pelkora::testsupport::LiteralUnLZSS(bytes, size);
    const std::size_t n = static_cast<std::size_t>(expected.size());
    // No hint, a far too small one, the exact size, and a too large one.
    for (const std::size_t hint : {std::size_t{0}, std::size_t{1}, n, n + 4096})
        compare(expected, pelkora::UnLZSS(bytes, size, hint), hint);

    const std::size_t piece = size > 0 ? 1 + data[0] % 97 : 1;
    QByteArray streamed;
    pelkora::LzssDecoder decoder(
        [&](const char* out, std::size_t length) {
            streamed.append(out, static_cast<qsizetype>(length));
            return true;
        },
        16384);
    for (std::size_t at = 0; at < size && decoder.feed(bytes + at, std::min(piece, size - at)); at += piece) { }
    decoder.finish();
    compare(expected, streamed, piece);
    return 0;
}
