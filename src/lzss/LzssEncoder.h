#pragma once
// Encoder for the compressed entries of a "Big file": writes the stream that
// UnLZSS reads (see FORMAT.md beside this file).
//
// Contract: the stream never refers to a window position that the same
// stream has not written yet, so it decodes to the same bytes whatever window
// a reader starts from. It always ends with the end token. Levels run from 1
// (fastest) to 9 (smallest); a level outside that range is clamped. The only
// failure is running out of memory (std::bad_alloc). Besides the result (sized
// for the worst case, 9/8 of the input, then shrunk) the encoder holds under
// a megabyte whatever the input's size. Safe to call from several threads at
// once.

#include <QByteArray>
#include <cstddef>

namespace pelkora {

inline constexpr int kLzssFastestLevel = 1;
inline constexpr int kLzssDefaultLevel = 6;
inline constexpr int kLzssBestLevel = 9;

QByteArray EncodeLZSS(const char* data, std::size_t size, int level = kLzssDefaultLevel);
inline QByteArray EncodeLZSS(const QByteArray& content, int level = kLzssDefaultLevel)
{
    return EncodeLZSS(content.constData(), static_cast<std::size_t>(content.size()), level);
}

} // namespace pelkora
