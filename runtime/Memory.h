// Large buffers the runtime fills at once: the element tree's blocks and the
// writer's output. Page faults dominate filling them, so where the system
// offers huge pages they are asked for. Internal to the runtime.
#pragma once

#include <cstddef>

namespace NqXmlLib3::detail {

// Below this size a buffer is not worth advice.
constexpr std::size_t hugePageSize = 2 * 1024 * 1024;

// Advises the system to back the whole huge pages inside [data, data + size)
// with huge pages. A hint only: where it is not supported it does nothing.
void AdviseHugePages(void* data, std::size_t size);

// A block of `size` bytes for a buffer that lives as long as one read. One of
// at least hugePageSize comes straight from the system, starts on a huge page
// boundary and goes back to the system when freed: the heap would keep it
// resident after the read, under the objects allocated meanwhile. Smaller
// blocks come from the heap. Throws std::bad_alloc when there is no memory.
void* AllocateBlock(std::size_t size);
// Frees a block from AllocateBlock, given the same size.
void FreeBlock(void* data, std::size_t size) noexcept;

} // namespace NqXmlLib3::detail
