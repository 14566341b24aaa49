#pragma once
// How an entry is known: by its full name in any letter case. Lookups hash
// and compare this key, and of entries that share it the lowest ID is the
// entry (later ones are shadowed: extraction and updates pass them over).

#include <QString>

namespace pelkora {

inline QString EntryKey(const QString& fullName)
{
    return fullName.toLower();
}

} // namespace pelkora
