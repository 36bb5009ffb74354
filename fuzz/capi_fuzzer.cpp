// Any byte string read through the C interface, from the text and fed in
// pieces through a read callback: each read must agree with FromXml, giving
// the same document or the same failure chain (kinds, positions and texts).
// Nothing may be left alive.
#include "capi/storagexml.h"
#include "fuzz/checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The chain of an error of the C interface, written as StorageFuzz::detail::Chain writes the C++ one.
std::string Chain(storagexml_error* error) {
    std::string chain;
    for (const storagexml_error* level = error; level; level = storagexml_error_inner(level)) {
        const storagexml_error_kind kind = storagexml_error_get_kind(level);
        const std::type_info& type = kind == STORAGEXML_ERROR_VALIDATION ? typeid(NqXmlLib3::CNqValidationException)
                                     : kind == STORAGEXML_ERROR_INVALID_STATE
                                         ? typeid(NqXmlLib3::CNqInvalidStateException)
                                         : typeid(NqXmlLib3::CNqException);
        chain += type.name() + std::string(" ") + std::to_string(storagexml_error_line(level)) + ":" +
                 std::to_string(storagexml_error_column(level)) + " " + storagexml_error_message(level) + "\n";
    }
    storagexml_error_free(error);
    return chain;
}

// The document is fed `chunk` bytes at a time.
struct Feed {
    std::string_view text;
    std::size_t chunk;
};

int FeedRead(void* context, char* buffer, std::size_t capacity, std::size_t* length) {
    auto& feed = *static_cast<Feed*>(context);
    const std::size_t n = std::min({feed.chunk, capacity, feed.text.size()});
    if (n > 0) std::memcpy(buffer, feed.text.data(), n);
    feed.text.remove_prefix(n);
    *length = n;
    return 0;
}

// What a read through the interface gives, as StorageFuzz::detail::Outcome gives it for FromXml.
std::string Outcome(std::string_view text, bool fed) {
    storagexml_array* array = nullptr;
    storagexml_error* error = nullptr;
    Feed feed{text, text.size() % 13 + 1};
    if (fed ? storagexml_array_read_callback(FeedRead, &feed, &array, &error)
            : storagexml_array_read_text(text.data(), text.size(), &array, &error)) {
        return "refused " + Chain(error);
    }
    char* written = nullptr;
    std::size_t length = 0;
    std::string outcome = storagexml_array_write_text_options(array, 0, &written, &length, &error) == 0
                              ? std::string(written, length)
                              : "unwritable " + Chain(error);
    storagexml_free(written);
    storagexml_array_free(array);
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const long liveBefore = storagexml_live_object_count();
    const std::string expected = StorageFuzz::detail::Outcome([&] {
        auto array = Storage::CStorageArray::CreateInstance();
        array->FromXml(std::string(text));
        return array;
    });
    for (bool fed : {false, true}) {
        const std::string outcome = Outcome(text, fed);
        if (outcome != expected) {
            std::fprintf(stderr, "capi_fuzzer: a read through the C interface (%s) differs from FromXml:\n%s\n%s\n",
                         fed ? "fed" : "text", expected.c_str(), outcome.c_str());
            std::abort();
        }
    }
    if (storagexml_live_object_count() != liveBefore) {
        std::fprintf(stderr, "capi_fuzzer: objects are still alive\n");
        std::abort();
    }
    return 0;
}
