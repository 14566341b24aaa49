#pragma once
// Writing one archive entry to disk, without any user interface: decode,
// make folders, write atomically, stamp the time. The window's ExtractFile
// and the command-line tool both use it.

#include "archive/cBig.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pelkora {

struct ExtractResult {
    bool ok = true;
    QString source;       // the operation that failed ("GetFileBlob", "ExtractEntry", ...)
    int number = 0;       // its number
    QString description;  // what went wrong, naming the entry
    QString target;       // the path written (or that would have been)
};

// Writes entry ID of `big` under `destination` (a folder path, native form,
// with or without a trailing separator) as destination + fullName, where the
// archive's "\" becomes the native separator. `fullName` is the name the
// entry is written under (the caller's listed name, normally GetFileName(ID)).
// Refuses unsafe names and writing through symbolic links; replaces an
// existing file only after a complete write; sets the modification time from
// the entry's moment. Never throws.
ExtractResult ExtractEntry(cBig& big, std::int32_t ID, const QString& destination, const QString& fullName);

// The decoded content of entry ID (UnLZSS when its flag is set). Throws
// BigRuntimeError from the reader.
QByteArray ReadEntryContent(cBig& big, std::int32_t ID);

} // namespace pelkora
