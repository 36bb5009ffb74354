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

} // namespace NqXmlLib3::detail
