#include "support/LargeArray.h"

#include <sys/mman.h>

namespace pelkora::largearray {
namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Whole huge pages: the kernel places a mapping of such a length on a huge
// page boundary, so every part of it can be backed by one.
std::size_t mappedLength(std::size_t bytes)
{
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

} // namespace

void* Allocate(std::size_t bytes) noexcept
{
    if (bytes > static_cast<std::size_t>(-1) - kHugePage)
        return nullptr;
    const std::size_t length = mappedLength(bytes);
    void* data = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        return nullptr;
#ifdef MADV_HUGEPAGE
    // Only advice: where huge pages are off or none are free, the pages are
    // ordinary ones.
    ::madvise(data, length, MADV_HUGEPAGE);
#endif
    return data;
}

void Free(void* data, std::size_t bytes) noexcept
{
    ::munmap(data, mappedLength(bytes));
}

} // namespace pelkora::largearray
