#include "LiteralUnLZSS.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace pelkora::testsupport {
namespace {

// The module state, one instance per call.
class Decoder {
public:
    Decoder(const char* data, std::size_t size, const QByteArray& startWindow = {})
        : InBuf(reinterpret_cast<const unsigned char*>(data), reinterpret_cast<const unsigned char*>(data) + size)
        , InLast(static_cast<std::int64_t>(size) - 1)
    {
        std::memset(Window, 0, sizeof Window);
        std::memcpy(Window, startWindow.constData(),
            static_cast<std::size_t>(std::min<qsizetype>(startWindow.size(), sizeof Window)));
        OutBuf.assign(static_cast<std::size_t>(InLast * 4 + 1), 0);
    }

    QByteArray Run()
    {
        DecodeStream();
        return QByteArray(reinterpret_cast<const char*>(OutBuf.data()), static_cast<qsizetype>(OutPos));
    }

private:
    unsigned char NextInputByte()
    {
        if (InPos > InLast) {
            InputEnded = true;
            return 0;
        }
        return InBuf[static_cast<std::size_t>(InPos++)];
    }

    bool ReadFlagBit()
    {
        if (BitMask == 0x80) {
            CurByte = NextInputByte();
            if (InputEnded)
                return false;
        }
        const unsigned bit = CurByte & BitMask;
        BitMask >>= 1;
        if (BitMask == 0)
            BitMask = 0x80;
        return bit != 0;
    }

    unsigned ReadBitField(int n)
    {
        unsigned value = 0;
        std::int16_t weight = static_cast<std::int16_t>(1 << (n - 1));
        while (weight != 0) {
            if (BitMask == 0x80) {
                CurByte = NextInputByte();
                if (InputEnded)
                    return 0;
            }
            if (CurByte & BitMask)
                value |= static_cast<unsigned>(weight);
            weight = static_cast<std::int16_t>(weight / 2);
            BitMask >>= 1;
            if (BitMask == 0)
                BitMask = 0x80;
        }
        return value;
    }

    void AppendOutputByte(unsigned char c)
    {
        if (OutPos >= static_cast<std::int64_t>(OutBuf.size())) {
            // Last index becomes OutPos * 1.5, rounded half to even.
            const auto last = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(OutPos) * 1.5));
            OutBuf.resize(static_cast<std::size_t>(last + 1), 0);
        }
        OutBuf[static_cast<std::size_t>(OutPos++)] = c;
    }

    void DecodeStream()
    {
        std::int16_t WinPos = 1;
        for (;;) {
            if (ReadFlagBit()) {
                const auto c = static_cast<unsigned char>(ReadBitField(8));
                AppendOutputByte(c);
                Window[WinPos] = c;
                WinPos = static_cast<std::int16_t>((WinPos + 1) & 0xFFF);
            } else {
                const unsigned P = ReadBitField(12);
                if (P == 0)
                    return;
                const unsigned M = ReadBitField(4) + 1;
                for (unsigned i = 0; i <= M; ++i) {
                    const unsigned char c = Window[(P + i) & 0xFFF];
                    AppendOutputByte(c);
                    Window[WinPos] = c;
                    WinPos = static_cast<std::int16_t>((WinPos + 1) & 0xFFF);
                }
            }
        }
    }

    unsigned char Window[4096];
    unsigned char BitMask = 0x80;
    unsigned char CurByte = 0;
    bool InputEnded = false;
    std::vector<unsigned char> InBuf;
    std::vector<unsigned char> OutBuf;
    std::int64_t InLast;
    std::int64_t InPos = 0;
    std::int64_t OutPos = 0;
};

} // namespace

QByteArray LiteralUnLZSS(const char* data, std::size_t size)
{
    if (size == 0)
        return {};
    return Decoder(data, size).Run();
}

QByteArray LiteralUnLZSS(const QByteArray& input, const QByteArray& startWindow)
{
    if (input.isEmpty())
        return {};
    return Decoder(input.constData(), static_cast<std::size_t>(input.size()), startWindow).Run();
}

} // namespace pelkora::testsupport
