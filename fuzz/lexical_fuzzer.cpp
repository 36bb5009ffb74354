// The lexical conversions: an accepted text is written and read back stably,
// and raw numbers are written and read back bit for bit.
#include "fuzz/checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = StorageFuzz::CheckLexical(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "lexical_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
