// Any byte string read as a storage array: only CNqException may come out,
// and whatever is read must write, read back and write again unchanged.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StorageFuzz::Require("read_fuzzer",
                         StorageFuzz::CheckReadWrite(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
