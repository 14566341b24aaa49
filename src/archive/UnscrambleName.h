#pragma once

namespace pelkora {

// Unscrambles a stored name in place, bytes 0..lastIndex: a running key
// starts at the format's seed and each byte becomes key ^= byte. A lastIndex
// below 0 changes nothing.
void UnscrambleName(unsigned char* bytes, long long lastIndex);

// The inverse, for writers of test archives.
void ScrambleName(unsigned char* bytes, long long lastIndex);

} // namespace pelkora
