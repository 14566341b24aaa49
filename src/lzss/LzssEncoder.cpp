#include "lzss/LzssEncoder.h"

#include <cstdint>

namespace pelkora {

namespace {

// Writes bits most significant first.
class BitSink {
public:
    explicit BitSink(QByteArray& out) : m_out(out) {}
    void put(unsigned value, int width)
    {
        for (int bit = width - 1; bit >= 0; --bit) {
            m_current = (m_current << 1) | ((value >> bit) & 1u);
            if (++m_used == 8) {
                m_out.append(static_cast<char>(m_current));
                m_current = 0;
                m_used = 0;
            }
        }
    }
    void flush()
    {
        if (m_used > 0)
            m_out.append(static_cast<char>(m_current << (8 - m_used)));
        m_used = 0;
    }

private:
    QByteArray& m_out;
    unsigned m_current = 0;
    int m_used = 0;
};

} // namespace

QByteArray EncodeLZSS(const char* data, std::size_t size, int /*level*/)
{
    // Literals only: a valid stream of every input, replaced by a matching
    // encoder.
    QByteArray out;
    out.reserve(static_cast<qsizetype>(size + size / 8 + 4));
    BitSink sink(out);
    for (std::size_t i = 0; i < size; ++i)
        sink.put(0x100u | static_cast<std::uint8_t>(data[i]), 9);
    sink.put(0, 13);
    sink.flush();
    return out;
}

} // namespace pelkora
