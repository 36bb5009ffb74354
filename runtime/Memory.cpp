#include "runtime/Memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
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

} // namespace NqXmlLib3::detail
