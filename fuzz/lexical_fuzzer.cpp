// The lexical conversions: an accepted text is written and read back stably,
// and raw numbers are written and read back bit for bit.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StorageFuzz::Require("lexical_fuzzer", StorageFuzz::CheckLexical(data, size));
    return 0;
}
