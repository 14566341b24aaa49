#pragma once
// CRC-32 (reflected, polynomial 0xEDB88320: the zip/PNG one) and the 64-bit
// name hash that keys every entry of a "Big file" directory.

#include <QString>
#include <array>
#include <cstdint>

namespace pelkora {

// Fills the CRC table. Start-up calls it once; the checksums also fill the
// table on first use, so calling them earlier is safe.
void BuildCrcTable();
const std::array<std::uint32_t, 256>& CrcTable();

// CRC-32 of raw bytes.
std::uint32_t Crc32Bytes(const char* data, std::size_t size);

// CRC-32 of a text taken as Windows-1252 bytes.
std::uint32_t GetCrc32(const QString& text);

// Name hash: low 32 bits the CRC-32 of the first n/2 characters, high 32 bits
// the CRC-32 of the next n/2 characters (an odd text's last character is not
// hashed). The text is hashed as given: lower-casing is the caller's step.
std::uint64_t GetCrc64(const QString& text);

// The key the archive stores for a full name: GetCrc64 of its lower-case form.
std::uint64_t NameKey(const QString& fullName);

} // namespace pelkora
