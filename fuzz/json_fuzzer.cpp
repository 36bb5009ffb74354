// Any byte string read as the JSON form of a storage array: only
// CNqException may come out, whatever is read must write as XML and read back
// equal, and a whole read and a streaming read must agree.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    StorageFuzz::Require("json_fuzzer", StorageFuzz::CheckJsonRead(text));
    StorageFuzz::Require("json_fuzzer", StorageFuzz::CheckStreamingAgrees(text, Storage::CDocumentFormat::Json));
    return 0;
}
