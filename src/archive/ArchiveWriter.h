#pragma once
// Writes a "Big file" archive (layout in FORMAT.md beside this file) to a
// temporary file beside its target, renamed into place only once complete:
// an archive is never half-written, and an existing target keeps its bytes
// on any failure (the temporary file is removed when the writer goes away
// uncommitted).
//
// Entry areas are written one after another as they are added, behind room
// left for the header and directory, which Commit writes last. Memory holds
// the directory and one entry's content and stream at a time.
//
// Failures are raised as BigRuntimeError with the source "Write" and a
// number from write_error (ArchiveNames.h). SIGINT and SIGTERM wait while a
// writer lives: the next Add raises Interrupted, and the signal ends the
// program once the temporary file is gone.

#include "archive/BigFormat.h"
#include "support/Interruption.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include <sys/types.h>

namespace pelkora {

class BigDirectory;

class ArchiveWriter {
public:
    // Makes the temporary file beside `target` for an archive of
    // `entryCount` entries. A target that exists must be a regular file;
    // the new one takes over its permissions.
    ArchiveWriter(const QString& target, std::int32_t entryCount, ArchiveHeaderReserved reserved = {});
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Reads the file at `path` and writes it as entry `slot` named
    // `fullName`: as an LZSS stream at `level` (1-9) when that is smaller
    // than the content, otherwise stored; level 0 stores. Refuses a file
    // that is the target itself.
    void AddFile(std::int32_t slot, const QString& fullName, const QString& path, int level);

    // Copies entry ID of `source` as entry `slot` as it lies: its record
    // (all but the offset), its name bytes, the byte after them and its
    // stored data.
    void AddCopied(std::int32_t slot, const BigDirectory& source, std::int32_t ID);

    // Writes the header and directory and renames the file into place.
    // Every slot must have been filled.
    void Commit();

    const QString& TemporaryPath() const { return mTemporaryPath; }

private:
    void writeArea(const QByteArray& bytes);
    void checkEnd(qint64 bytesToCome, const QString& what) const;
    // Copies `size` bytes at `from` of `in` to the end of the file written so
    // far; the bytes copied, or -1 - copied when `in` ended early.
    qint64 copyFrom(int in, qint64 from, qint64 size, const QString& what);
    char* record(std::int32_t slot);
    void checkInterruption() const;

    InterruptionDeferral mDeferral; // first made, last gone: the signal waits for the clean-up
    QString mTarget;
    QString mTemporaryPath;
    int mFd = -1;
    bool mTargetExists = false;
    dev_t mTargetDevice = 0;
    ino_t mTargetInode = 0;
    std::int32_t mEntryCount = 0;
    ArchiveHeaderReserved mReserved;
    qint64 mPosition = 0;
    std::vector<char> mDirectory;
    std::vector<bool> mFilled;
    bool mCommitted = false;
};

} // namespace pelkora
