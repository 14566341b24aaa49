// The encoder's stream for any content, at any level, decodes back to that
// content, with the program's decoder and with the reference decoder started
// from a window full of junk (the stream copies only bytes it wrote). The
// test kit's encoder is checked alongside, as an independent writer.
//
// The first input byte picks the settings, the rest is the content; one bit
// repeats the content, slightly changed each time, past the window size so
// that positions wrap.

#include "LiteralUnLZSS.h"
#include "LzssEncoder.h"
#include "lzss/LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what, const QByteArray& plain, int setting)
{
    if (!ok) {
        std::fprintf(stderr, "round trip (%s): %lld bytes, setting %d\n", what, static_cast<long long>(plain.size()),
            setting);
        std::abort();
    }
}

QByteArray junkWindow()
{
    QByteArray window(4096, '\0');
    for (int i = 0; i < window.size(); ++i)
        window[i] = static_cast<char>(0x5A ^ (i * 7) ^ 1);
    return window;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned settings = data[0];
    QByteArray plain(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if ((settings & 0x80) && !plain.isEmpty()) {
        const QByteArray unit = plain;
        for (int copy = 1; plain.size() < 4096 + 600; ++copy) {
            QByteArray changed = unit;
            changed[copy % unit.size()] = static_cast<char>(changed[copy % unit.size()] + copy);
            plain.append(changed);
        }
    }

    const int level = 1 + static_cast<int>(settings & 0x0F) % 9;
    const QByteArray stream = pelkora::EncodeLZSS(plain, level);
    check(pelkora::UnLZSS(stream) == plain, "decoder", plain, level);
    static const QByteArray window = junkWindow();
    check(pelkora::testsupport::LiteralUnLZSS(stream, window) == plain, "reference from junk window", plain, level);

    static const int kChains[] = {0, 1, 4, 32};
    pelkora::testsupport::LzssOptions options;
    options.maxChain = kChains[(settings >> 4) & 3];
    options.endToken = (settings & 0x40) == 0;
    const QByteArray kitStream = pelkora::testsupport::LzssEncode(plain, options);
    check(pelkora::UnLZSS(kitStream) == plain, "test kit encoder", plain, options.maxChain);
    return 0;
}
