// Any byte string read as a storage array: only CNqException may come out,
// and whatever is read must write, read back and write again unchanged.
#include "fuzz/checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = StorageFuzz::CheckReadWrite(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!fault.empty()) {
        std::fprintf(stderr, "read_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
