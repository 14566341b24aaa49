#pragma once
// The failure that Load, FindFile, GetFileName and GetFileBlob raise for
// anything other than the reader's own numbered errors: a file that cannot be
// opened or read, a directory or entry that does not fit in the file, memory
// that cannot be had. It carries the number and description the reader
// recorded, and the operation name as its source. It stays inside the
// reader's callers: each catches it and goes on with its `failure()`.

#include "support/Failure.h"

#include <QString>
#include <stdexcept>

namespace pelkora {

class BigRuntimeError : public std::runtime_error {
public:
    BigRuntimeError(int number, QString source, QString description)
        : std::runtime_error(description.toStdString())
        , mFailure{number, std::move(source), std::move(description), {}}
    {
    }

    int number() const { return mFailure.number; }
    const QString& source() const { return mFailure.source; }
    const QString& description() const { return mFailure.description; }
    const Failure& failure() const { return mFailure; }

private:
    Failure mFailure;
};

} // namespace pelkora
