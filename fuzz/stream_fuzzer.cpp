// Any byte string read as a storage array both whole and item by item: the
// two reads must give the same items or the same failure chain.
#include "fuzz/checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault =
        StorageFuzz::CheckStreamingAgrees(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!fault.empty()) {
        std::fprintf(stderr, "stream_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
