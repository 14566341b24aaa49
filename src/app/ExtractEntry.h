#pragma once
// Writing one archive entry to disk, without any user interface: decode,
// make folders, write atomically, stamp the time. The window's ExtractFile
// and the command-line tool both use it.

#include "app/DataWindow.h"
#include "app/EntryStream.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "support/ConfinedWrite.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

namespace pelkora {

// Numbers of the failures ExtractEntry reports itself. A failure to read the
// entry keeps the reader's number and has the reader's operation as its source
// ("GetFileBlob"); a decoder that runs out of memory has the source "UnLZSS";
// everything the file system refuses has the source "ExtractEntry".
// Writes entry ID of `big` under `destination` (a folder path, native form,
// with or without a trailing separator) as destination + fullName, where the
// archive's "\" becomes the native separator. `fullName` is the name the
// entry is written under (the caller's listed name, normally GetFileName(ID)).
// Refuses unsafe names and writing through symbolic links; replaces an
// existing file only after a complete write; sets the modification time from
// the entry's moment. Never throws. The result's subject is the path
// written (or that would have been), also when nothing failed.
Failure ExtractEntry(cBig& big, std::int32_t ID, const QString& destination, const QString& fullName);

// The same through a writer for the destination that is kept from entry to
// entry, so that a run over many entries opens each folder once.
Failure ExtractEntry(cBig& big, std::int32_t ID, ConfinedWriter& writer, const QString& fullName);

// ExtractEntry in its two steps, so that entries can be read and decoded on
// one thread while the ones before them are written on another.
// Entries up to a few MB are read and decoded whole, ahead of writing; a
// larger one is left in the archive and written from it in pieces.
struct PreparedEntry {
    QString fullName;
    QStringList components;                        // the name split at "\"; empty when the name was refused
    QByteArray content;                            // the decoded bytes (empty when streamed)
    std::optional<EntrySource> streamed;           // set for an entry written from the archive in pieces
    std::shared_ptr<const BigDirectory> directory; // what to stream it from
    qint64 modifiedUtc = 0;                        // the file time, seconds since 1970 UTC
    Failure failure;                               // ok unless the name was refused or the entry could not be read
};

// Checks the name, finds the entry's data, reads and decodes it when small
// enough to hold, and works out its file time. Reads the shared directory
// only, so any thread may prepare entries while others use it or the reader
// it came from; a null directory fails the entry as not loaded. Touches no
// file. Never throws.
PreparedEntry PrepareEntry(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID,
    const QString& fullName);
// The same reading stored bytes through `window` (see DataWindow.h). A
// stored entry's content is a view into the window when `storedAsView`: it
// is then valid only until the window's next read.
PreparedEntry PrepareEntry(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID,
    const QString& fullName, DataWindow& window, bool storedAsView);
// The same through the reader's directory; leaves the reader unchanged.
PreparedEntry PrepareEntry(const cBig& big, std::int32_t ID, const QString& fullName);

// Writes a prepared entry (or gives its failure, with the target path).
// Uses the file system, and for a streamed entry only positioned reads of
// the directory, which any thread may make.
Failure WritePreparedEntry(const PreparedEntry& entry, ConfinedWriter& writer);

// The folder ExtractEntry writes below for `destination` (native form, with
// or without a trailing separator): "/" separators, ending in one.
QString ExtractRoot(const QString& destination);

// The decoded content of entry ID of a shared directory (UnLZSS when its flag
// is set), changing nothing. Throws BigRuntimeError from the reader (source
// "GetFileBlob") and std::bad_alloc from the decoder.
QByteArray ReadEntryContent(const BigDirectory& directory, std::int32_t ID);

} // namespace pelkora
