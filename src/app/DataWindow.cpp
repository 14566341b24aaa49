#include "app/DataWindow.h"

#include "archive/BigRuntimeError.h"

#include <algorithm>

namespace pelkora {

QByteArray DataWindow::read(const BigDirectory& directory, const StoredRange& range, std::int32_t ID, bool view)
{
    if (range.size == 0)
        return {};
    const qint64 end = mStart + mSize;
    if (range.start < mStart || range.start + range.size > end) {
        const bool inOrder = mSize == 0 || (range.start >= end && range.start - end <= kGap);
        const qint64 ahead = std::min(kWindow, directory.FileSize() - range.start);
        try {
            fill(directory, range.start, inOrder ? std::max(range.size, ahead) : range.size, ID);
        } catch (const BigRuntimeError&) {
            // The file may have shrunk since it was opened: the entry's own
            // bytes decide whether that matters.
            fill(directory, range.start, range.size, ID);
        }
    }
    const char* at = mBuffer.get() + (range.start - mStart);
    const auto size = static_cast<qsizetype>(range.size);
    return view ? QByteArray::fromRawData(at, size) : QByteArray(at, size);
}

void DataWindow::fill(const BigDirectory& directory, qint64 start, qint64 size, std::int32_t ID)
{
    mSize = 0;
    if (size > mCapacity) {
        mBuffer.reset();
        mCapacity = 0;
        mBuffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
        mCapacity = size;
    }
    directory.ReadData(start, mBuffer.get(), size, ID);
    mStart = start;
    mSize = size;
}

} // namespace pelkora
