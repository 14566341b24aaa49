#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace pelkora {

// Memory for arrays of many megabytes that are filled once and then read: the
// directory and the listing of an archive of a million entries. Their cost is
// mostly the first touch of each 4 KiB page, a fault into the kernel. Backed
// by transparent huge pages, one fault serves 2 MiB; on a system that gives
// huge pages only on request, this asks for them. Smaller arrays come from
// the heap as usual.
namespace largearray {

// Arrays below this size are left to the heap.
inline constexpr std::size_t kThreshold = std::size_t(4) << 20;

// At least `bytes` bytes, or nullptr when the system has none to give.
void* Allocate(std::size_t bytes) noexcept;
void Free(void* data, std::size_t bytes) noexcept;

} // namespace largearray

template <typename T> class LargeArrayAllocator {
public:
    using value_type = T;

    LargeArrayAllocator() noexcept = default;
    template <typename U> LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept { }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < largearray::kThreshold)
            return std::allocator<T>().allocate(n);
        void* data = largearray::Allocate(bytes);
        if (data == nullptr)
            throw std::bad_alloc();
        return static_cast<T*>(data);
    }

    void deallocate(T* data, std::size_t n) noexcept
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < largearray::kThreshold)
            std::allocator<T>().deallocate(data, n);
        else
            largearray::Free(data, bytes);
    }

    template <typename U> bool operator==(const LargeArrayAllocator<U>&) const noexcept { return true; }
};

template <typename T> using LargeVector = std::vector<T, LargeArrayAllocator<T>>;

} // namespace pelkora
