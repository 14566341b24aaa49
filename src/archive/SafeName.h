#pragma once
// Which archive names may be written to disk. Unsafe names are refused,
// never rewritten.

#include <QString>

namespace pelkora {

// Empty when `fullName` (archive form, "\" between folders) is safe to write
// under a destination folder; otherwise the reason it is refused.
QString UnsafeNameReason(const QString& fullName);

} // namespace pelkora
