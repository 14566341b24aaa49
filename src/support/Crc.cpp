#include "support/Crc.h"
#include "support/EntryKey.h"

#include "support/AnsiText.h"

namespace pelkora {
namespace {

std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
        table[i] = c;
    }
    return table;
}

} // namespace

const std::array<std::uint32_t, 256>& CrcTable()
{
    static const std::array<std::uint32_t, 256> table = makeTable();
    return table;
}

void BuildCrcTable()
{
    (void)CrcTable();
}

std::uint32_t Crc32Bytes(const char* data, std::size_t size)
{
    const auto& table = CrcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = (crc >> 8) ^ table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFFu];
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t GetCrc32(const QString& text)
{
    const QByteArray bytes = ToAnsi(text);
    return Crc32Bytes(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::uint64_t GetCrc64(const QString& text)
{
    const qsizetype half = text.size() / 2;
    const std::uint32_t lo = GetCrc32(text.first(half));
    const std::uint32_t hi = GetCrc32(text.sliced(half, half));
    return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

std::uint64_t NameKey(const QString& fullName)
{
    // An ASCII name (nearly every one) is its own Windows-1252 bytes and
    // lower-cases A-Z alone: hashed from a copy on the stack, without the
    // texts the general way makes (a listing hashes every name).
    char bytes[512];
    const qsizetype size = fullName.size();
    if (size <= qsizetype(sizeof bytes)) {
        qsizetype i = 0;
        for (; i < size; ++i) {
            const char16_t u = fullName[i].unicode();
            if (u >= 0x80)
                break;
            bytes[i] = static_cast<char>(u >= u'A' && u <= u'Z' ? u + 0x20 : u);
        }
        if (i == size) {
            const auto half = static_cast<std::size_t>(size / 2);
            const std::uint32_t lo = Crc32Bytes(bytes, half);
            const std::uint32_t hi = Crc32Bytes(bytes + half, half);
            return (static_cast<std::uint64_t>(hi) << 32) | lo;
        }
    }
    return GetCrc64(EntryKey(fullName));
}

} // namespace pelkora
