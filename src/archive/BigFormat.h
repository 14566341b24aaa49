#pragma once
// Layout constants of the "Big file" archive (see FORMAT.md beside this file).

#include <cstdint>

namespace pelkora::big {

inline constexpr char kSignature[] = "RBF1.23";
inline constexpr int kSignatureSize = 7;

inline constexpr int kHeaderSize = 16;
inline constexpr int kHeaderFileCountOffset = 8;
// Header bytes that carry nothing; a rewritten archive keeps them.
inline constexpr int kHeaderReservedByteOffset = 7;
inline constexpr int kHeaderReservedWordOffset = 12;

inline constexpr int kEntrySize = 32;
inline constexpr int kEntryHashLowOffset = 0;
inline constexpr int kEntryHashHighOffset = 4;
inline constexpr int kEntryNameLengthOffset = 8;
inline constexpr int kEntryPackedSizeOffset = 12;
inline constexpr int kEntryUnpackedSizeOffset = 16;
inline constexpr int kEntryOffsetOffset = 20;
inline constexpr int kEntryTimestampOffset = 24;
inline constexpr int kEntryFlagOffset = 28;

// Bits of the name-length field that carry no part of the length.
inline constexpr std::uint32_t kNameLengthIgnoredBits = 0x00670000u;

// The byte between an entry's name and its data.
inline constexpr int kNameDataGap = 1;

inline constexpr unsigned char kNameSeed = 0x6B;

// The effective name length of a stored name-length field.
inline constexpr std::int32_t EffectiveNameLength(std::int32_t field)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(field) & ~kNameLengthIgnoredBits);
}

} // namespace pelkora::big

namespace pelkora {

// The header's bytes that carry nothing: byte 7 and the int32 at 12.
struct ArchiveHeaderReserved {
    std::uint8_t byte7 = 0;
    std::uint32_t word12 = 0;
};

} // namespace pelkora
