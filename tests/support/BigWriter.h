#pragma once
// Test-support writer of "Big file" archives, with knobs for the format's
// oddities. Tests, fuzz seeds, benchmarks and the demo archive use it; the
// program never links it.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace pelkora::testsupport {

struct TestEntry {
    QString name;          // full name, "\" between folders
    QByteArray data;       // the content
    bool compress = false; // store an LZSS stream of data
    std::int32_t timestamp = 0;

    std::optional<QByteArray> rawName;            // name bytes as stored (before scrambling), instead of name
    std::optional<std::uint64_t> hash;            // stored hash instead of the lower-case name's
    std::uint32_t maskedBits = 0;                 // OR-ed into the name-length field (within 0x00670000)
    std::optional<std::uint8_t> flagByte;         // stored flag byte instead of 0/1
    std::optional<std::int32_t> uncompressedSize; // stored unpacked size instead of data.size()
    std::optional<std::int32_t> packedSize;       // stored packed size instead of the real one
    std::optional<std::int32_t> offset;           // stored entry offset instead of the real one
    std::optional<std::int32_t> nameLength;       // stored name-length field instead of the real one
    std::optional<QByteArray> storedData;         // stored bytes as given (e.g. a hand-made stream)
    std::uint8_t gapByte = 0;                     // the byte between name and data
};

struct WriterOptions {
    std::uint8_t headerByte7 = 0;
    std::int32_t headerReserved = 0;
    std::uint8_t entryReserved = 0;        // written to bytes 29-31 of each record
    bool reverseAreas = false;             // entry areas in reverse ID order
    std::int32_t gapBetweenAreas = 0;      // junk bytes between entry areas
    std::optional<std::int32_t> fileCount; // stored count instead of the real one
    std::optional<QByteArray> signature;   // 7 bytes instead of "RBF1.23"
};

QByteArray BuildBigArchive(const std::vector<TestEntry>& entries, const WriterOptions& options = {});
bool WriteFile(const QString& path, const QByteArray& bytes);
bool WriteBigArchive(const QString& path, const std::vector<TestEntry>& entries, const WriterOptions& options = {});

} // namespace pelkora::testsupport
