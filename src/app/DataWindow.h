#pragma once
// Stored bytes of entries read a window at a time. Small entries usually lie
// one after another in the file; reading ahead when they are asked for in
// that order costs one read per window instead of one per entry. Entries
// asked for out of order are read alone. One thread at a time.

#include "archive/BigDirectory.h"

#include <QByteArray>
#include <cstdint>
#include <memory>

namespace pelkora {

class DataWindow {
public:
    // Entry ID's stored bytes, `range` being what the directory's Stored gave
    // for it. A view into the window (valid until the next call) when
    // `view`, otherwise a copy. Throws BigRuntimeError ("GetFileBlob") as the
    // directory's Blob does.
    QByteArray read(const BigDirectory& directory, const StoredRange& range, std::int32_t ID, bool view);

private:
    static constexpr qint64 kWindow = 1 << 20;
    // A gap this small between the window's end and the next entry still
    // counts as reading in order (the next entry's name and record lie there).
    static constexpr qint64 kGap = 64 << 10;

    void fill(const BigDirectory& directory, qint64 start, qint64 size, std::int32_t ID);

    std::unique_ptr<char[]> mBuffer;
    qint64 mCapacity = 0;
    qint64 mStart = 0;
    qint64 mSize = 0;
};

} // namespace pelkora
