#include "runtime/Memory.h"

#include <cstdint>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define NQXML_HAVE_MMAP 1
#endif

namespace NqXmlLib3::detail {

void AdviseHugePages(void* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (size < hugePageSize) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + hugePageSize - 1) & ~(hugePageSize - 1);
    const std::uintptr_t last = (begin + size) & ~(hugePageSize - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

namespace {

constexpr std::size_t smallAlignment = alignof(std::max_align_t);

#if defined(NQXML_HAVE_MMAP)
// `size` rounded up to whole huge pages.
std::size_t WholeHugePages(std::size_t size) { return (size + hugePageSize - 1) & ~(hugePageSize - 1); }
#endif

// Maps whole huge pages starting on a huge page boundary: maps one huge page
// more than needed and unmaps the unaligned head and the rest of the tail.
void* MapLarge(std::size_t size) {
#if defined(_WIN32)
    void* data = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!data) throw std::bad_alloc();
    return data;
#elif defined(NQXML_HAVE_MMAP)
    const std::size_t mapped = WholeHugePages(size) + hugePageSize;
    void* region = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) throw std::bad_alloc();
    const auto begin = reinterpret_cast<std::uintptr_t>(region);
    const std::uintptr_t aligned = (begin + hugePageSize - 1) & ~(hugePageSize - 1);
    const std::uintptr_t end = aligned + WholeHugePages(size);
    if (aligned > begin) ::munmap(region, aligned - begin);
    if (begin + mapped > end) ::munmap(reinterpret_cast<void*>(end), begin + mapped - end);
    AdviseHugePages(reinterpret_cast<void*>(aligned), WholeHugePages(size));
    return reinterpret_cast<void*>(aligned);
#else
    return ::operator new(size, std::align_val_t(hugePageSize));
#endif
}

void UnmapLarge(void* data, std::size_t size) noexcept {
#if defined(_WIN32)
    (void)size;
    ::VirtualFree(data, 0, MEM_RELEASE);
#elif defined(NQXML_HAVE_MMAP)
    ::munmap(data, WholeHugePages(size));
#else
    (void)size;
    ::operator delete(data, std::align_val_t(hugePageSize));
#endif
}

} // namespace

void* AllocateBlock(std::size_t size) {
    if (size >= hugePageSize) return MapLarge(size);
    return ::operator new(size, std::align_val_t(smallAlignment));
}

void FreeBlock(void* data, std::size_t size) noexcept {
    if (!data) return;
    if (size >= hugePageSize) {
        UnmapLarge(data, size);
    } else {
        ::operator delete(data, std::align_val_t(smallAlignment));
    }
}

} // namespace NqXmlLib3::detail
