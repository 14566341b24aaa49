#pragma once
// The failure that Load, FindFile, GetFileName and GetFileBlob raise for
// anything other than the reader's own numbered errors: a file that cannot be
// opened or read, a directory or entry that does not fit in the file, memory
// that cannot be had. It carries the number and description the reader
// recorded, and the operation name as its source.

#include <QString>
#include <stdexcept>

namespace pelkora {

// Numbers of run-time failures (the reader's own errors are 1001-1005).
namespace runtime_error {
inline constexpr int OutOfMemory = 7;
inline constexpr int DeviceIo = 57;
inline constexpr int PastEndOfFile = 62;
inline constexpr int BadRecord = 63;
inline constexpr int FileAccess = 75;
} // namespace runtime_error

class BigRuntimeError : public std::runtime_error {
public:
    BigRuntimeError(int number, QString source, QString description)
        : std::runtime_error(description.toStdString())
        , mNumber(number)
        , mSource(std::move(source))
        , mDescription(std::move(description))
    {
    }

    int number() const { return mNumber; }
    const QString& source() const { return mSource; }
    const QString& description() const { return mDescription; }

private:
    int mNumber;
    QString mSource;
    QString mDescription;
};

} // namespace pelkora
