// The library's parser (libxml2 behind the parser seam) against a raw Expat
// parse in namespace mode, on the same bytes: both must accept or both refuse.
// Two refusals are the library's by design and Expat's parse is told of them:
// a DOCTYPE, and nesting deeper than the library's limit. Where conforming
// parsers may legitimately differ, the input is set aside (DifferenceAllowed).
#include "fuzz/differential.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault =
        StorageFuzz::CheckParsersAgree(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!fault.empty()) {
        std::fprintf(stderr, "differential_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
