// Any byte string read as a storage array both whole and item by item: the
// two reads must give the same items or the same failure chain.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StorageFuzz::Require("stream_fuzzer", StorageFuzz::CheckStreamingAgrees(
                                              std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
