#pragma once
// An entry's content in pieces of bounded size, straight from the archive:
// how an entry too large to hold in memory is extracted, written to standard
// output or verified. Memory stays at a few MB whatever the entry's size.

#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace pelkora {

// Where an entry's bytes are and what they should give. Read with
// positioned reads only, so any thread may stream it.
struct EntrySource {
    std::int32_t id = -1;
    StoredRange data;
    bool compressed = false;
    qint64 unpacked = 0; // the stored unpacked size
};

// Throws BigRuntimeError from the reader (also "not loaded" and a bad ID),
// recorded in big.Error().
EntrySource EntrySourceOf(cBig& big, std::int32_t ID);
// The same from a shared directory, changing nothing: any thread may ask.
EntrySource EntrySourceOf(const BigDirectory& directory, std::int32_t ID);

enum class StreamEnd {
    Complete,   // all content handed on
    Stopped,    // the sink said stop
    TooLong,    // the content ran past the stored unpacked size (with stopPastSize)
    ReadFailed, // the archive could not be read; see readError
};

struct StreamResult {
    StreamEnd end = StreamEnd::Complete;
    qint64 produced = 0; // bytes handed on
    std::optional<BigRuntimeError> readError;
};

using ByteSink = std::function<bool(const char* data, std::size_t size)>;

// Hands the entry's decoded content to `sink` in pieces. With
// `stopPastSize`, decoding stops as soon as the content runs past the stored
// unpacked size (a damaged entry), so it never yields more than that.
StreamResult StreamEntry(const BigDirectory& directory, const EntrySource& source, const ByteSink& sink,
    bool stopPastSize);
// The same through the reader's directory (a read failure when not loaded).
StreamResult StreamEntry(const cBig& big, const EntrySource& source, const ByteSink& sink, bool stopPastSize);

} // namespace pelkora
