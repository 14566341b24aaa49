#include "archive/UnscrambleName.h"

#include "archive/BigFormat.h"

namespace pelkora {

void UnscrambleName(unsigned char* bytes, long long lastIndex)
{
    unsigned char key = big::kNameSeed;
    for (long long i = 0; i <= lastIndex; ++i) {
        key ^= bytes[i];
        bytes[i] = key;
    }
}

void ScrambleName(unsigned char* bytes, long long lastIndex)
{
    unsigned char previous = big::kNameSeed;
    for (long long i = 0; i <= lastIndex; ++i) {
        const unsigned char plain = bytes[i];
        bytes[i] = static_cast<unsigned char>(plain ^ previous);
        previous = plain;
    }
}

} // namespace pelkora
