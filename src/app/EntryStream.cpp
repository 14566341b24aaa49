#include "app/EntryStream.h"

#include "lzss/UnLZSS.h"

#include <algorithm>
#include <memory>

namespace pelkora {
namespace {

constexpr qint64 kPiece = 1 << 20;         // bytes of stored data read at a time
constexpr qint64 kOutputPiece = 512 << 10; // decoded bytes handed on at a time, at most

} // namespace

EntrySource EntrySourceOf(cBig& big, std::int32_t ID)
{
    EntrySource source;
    source.id = ID;
    source.data = big.GetFileData(ID);
    if (big.Error().Number() != 0)
        throw BigRuntimeError(big.Error().Number(), QStringLiteral("GetFileBlob"), big.Error().Description());
    source.compressed = big.data_compressed_flag(ID);
    source.unpacked = std::max(0, big.data_uncompressed_size(ID));
    return source;
}

EntrySource EntrySourceOf(const BigDirectory& directory, std::int32_t ID)
{
    EntrySource source;
    source.id = ID;
    source.data = directory.Stored(ID);
    source.compressed = directory.Entry(ID).compressedFlag != 0;
    source.unpacked = std::max(0, directory.Entry(ID).uncompressedSize);
    return source;
}

namespace {

// Reader: anything with cBig's ReadData.
template <typename Reader>
StreamResult streamFrom(const Reader& reader, const EntrySource& source, const ByteSink& sink, bool stopPastSize)
{
    StreamResult result;
    bool tooLong = false;
    bool stopped = false;
    const auto handOn = [&](const char* data, std::size_t size) {
        if (stopPastSize && result.produced + static_cast<qint64>(size) > source.unpacked) {
            tooLong = true;
            return false;
        }
        result.produced += static_cast<qint64>(size);
        if (!sink(data, size)) {
            stopped = true;
            return false;
        }
        return true;
    };

    const auto buffer =
        std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(std::min(kPiece, source.data.size) + 1));
    // A small entry gets a small output, not the full piece size: `test`
    // streams every entry, most of them a few KB.
    std::optional<LzssDecoder> decoder;
    if (source.compressed)
        decoder.emplace(handOn, static_cast<std::size_t>(std::clamp<qint64>(source.unpacked, 0, kOutputPiece)));
    try {
        bool more = true;
        for (qint64 at = 0; more && at < source.data.size; at += kPiece) {
            const qint64 piece = std::min(kPiece, source.data.size - at);
            reader.ReadData(source.data.start + at, buffer.get(), piece, source.id);
            more = decoder ? decoder->feed(buffer.get(), static_cast<std::size_t>(piece))
                           : handOn(buffer.get(), static_cast<std::size_t>(piece));
        }
        if (decoder && !tooLong && !stopped)
            decoder->finish();
    } catch (const BigRuntimeError& failure) {
        result.end = StreamEnd::ReadFailed;
        result.readError = failure;
        return result;
    }
    result.end = tooLong ? StreamEnd::TooLong : stopped ? StreamEnd::Stopped : StreamEnd::Complete;
    return result;
}

} // namespace

StreamResult StreamEntry(const BigDirectory& directory, const EntrySource& source, const ByteSink& sink,
    bool stopPastSize)
{
    return streamFrom(directory, source, sink, stopPastSize);
}

StreamResult StreamEntry(const cBig& big, const EntrySource& source, const ByteSink& sink, bool stopPastSize)
{
    return streamFrom(big, source, sink, stopPastSize);
}

} // namespace pelkora
