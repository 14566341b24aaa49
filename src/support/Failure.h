#pragma once
// The one failure value of the program, and the one list of the numbers it
// carries. Readers, writers and commands all describe what went wrong this
// way; exceptions raised inside the reader are turned into it where they are
// caught.

#include <QString>

namespace pelkora {

// Every failure number, in one list. The reader's own failures are
// 1001-1005; the others follow the run-time error numbers that stored
// reports and scripts already know.
namespace failure {
inline constexpr int TooLarge = 6; // a size or offset past the format's int32 fields
inline constexpr int OutOfMemory = 7;
inline constexpr int Interrupted = 18; // SIGINT or SIGTERM during a write
inline constexpr int UnsafeName = 52;  // a name refused before anything is written
inline constexpr int BadName = UnsafeName;
inline constexpr int NoInput = 53; // an input file that cannot be opened
inline constexpr int DeviceIo = 57;
inline constexpr int DuplicateName = 58; // two inputs for one name
inline constexpr int PastEndOfFile = 62;
inline constexpr int BadRecord = 63;
inline constexpr int DamagedEntry = BadRecord; // decodes to another length than its stored size
inline constexpr int ReadOnlyTarget = 70;      // an existing read-only file is kept
inline constexpr int FileAccess = 75;          // a file or folder that cannot be opened, read or made
inline constexpr int PathAccess = FileAccess;  // a link in the way, a folder or file that cannot be made

inline constexpr int FileNotFound = 1001;
inline constexpr int NotABigFile = 1002;
inline constexpr int NotLoaded = 1003;
inline constexpr int NotInArchive = 1004;
inline constexpr int IdOutOfBounds = 1005;
} // namespace failure

struct Failure {
    int number = 0;      // from the list above; 0 when nothing failed
    QString source;      // the operation that failed ("GetFileBlob", "ExtractEntry", ...)
    QString description; // what went wrong, naming the entry or path
    QString subject;     // the path or entry concerned (for a write, the path written)

    bool ok() const { return number == 0; }
};

} // namespace pelkora
