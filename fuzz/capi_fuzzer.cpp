// Any byte string read through the C interface, from the text and fed in
// pieces through a read callback, and item by item in batches whose item
// descriptions are written back through a writer: each must agree with
// FromXml, giving the same document or the same failure chain (kinds,
// positions and texts). The bytes as an item description must only ever be
// taken or refused. Nothing may be left alive.
#include "capi/storagexml.h"
#include "fuzz/checks.h"

#include <algorithm>
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

int Append(void* context, const char* data, std::size_t length) {
    static_cast<std::string*>(context)->append(data, length);
    return 0;
}

// The same read in batches of items, each batch's description written back by a writer.
std::string BatchOutcome(std::string_view text) {
    storagexml_reader* reader = nullptr;
    storagexml_writer* writer = nullptr;
    storagexml_error* error = nullptr;
    std::string written, outcome;
    if (storagexml_reader_open_text(text.data(), text.size(), &reader, &error) ||
        storagexml_writer_open_callback(Append, &written, 0, &writer, &error)) {
        outcome = "not opened " + Chain(error);
    }
    while (outcome.empty()) {
        char* description = nullptr;
        std::size_t length = 0, count = 0;
        if (storagexml_reader_next_items(reader, text.size() % 5 + 1, &description, &length, &count, &error)) {
            outcome = "refused " + Chain(error);
        } else if (count > 0 && storagexml_writer_write_items(writer, description, length, &error)) {
            outcome = "unwritable " + Chain(error);
        } else if (count == 0) {
            char *client = nullptr, *key = nullptr;
            std::size_t clientLength = 0, keyLength = 0;
            const bool closed = !storagexml_reader_client_id(reader, &client, &clientLength, nullptr) &&
                                !storagexml_reader_key_id(reader, &key, &keyLength, nullptr) &&
                                !storagexml_writer_close(writer, client, clientLength, key, keyLength, &error);
            outcome = closed ? written : "unwritable " + Chain(error);
            storagexml_free(client);
            storagexml_free(key);
        }
        storagexml_free(description);
    }
    storagexml_writer_free(writer);
    storagexml_reader_free(reader);
    return outcome;
}

// The bytes as an item description, for a writer that only checks: taken, or refused with a message.
std::string DescriptionFault(std::string_view text) {
    storagexml_writer* writer = nullptr;
    storagexml_error* error = nullptr;
    const bool silent = storagexml_writer_open_check(&writer, nullptr) == 0 &&
                        storagexml_writer_write_items(writer, text.data(), text.size(), &error) != 0 &&
                        !*storagexml_error_message(error);
    storagexml_error_free(error);
    storagexml_writer_free(writer);
    return silent ? "a refused item description has no message" : "";
}

// "" when a read through the interface, `how`, gives the outcome FromXml gives.
std::string Disagreement(const char* how, const std::string& expected, const std::string& outcome) {
    if (outcome == expected) return "";
    return std::string("a read through the C interface (") + how + ") differs from FromXml:\n" + expected + "\n" + outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An empty input may come as a null pointer, which the interface refuses as a missing text.
    const std::string_view text(size ? reinterpret_cast<const char*>(data) : "", size);
    const long liveBefore = storagexml_live_object_count();
    // Items read in batches are streamed: they come without the root's name, which a whole read keeps.
    const auto expected = [&](bool rootNamed) {
        return StorageFuzz::detail::Outcome([&] {
            auto array = Storage::CStorageArray::CreateInstance();
            array->FromXml(std::string(text));
            if (!rootNamed) NqXmlLib3::CXmlObjectBase::SetElementName(array->GetBase(), "StorageArray");
            return array;
        });
    };
    const std::string whole = expected(true);
    StorageFuzz::Require("capi_fuzzer", Disagreement("text", whole, Outcome(text, false)));
    StorageFuzz::Require("capi_fuzzer", Disagreement("fed", whole, Outcome(text, true)));
    StorageFuzz::Require("capi_fuzzer",
                         Disagreement("in batches of items, written back", expected(false), BatchOutcome(text)));
    StorageFuzz::Require("capi_fuzzer", DescriptionFault(text));
    StorageFuzz::Require("capi_fuzzer", StorageFuzz::detail::OrLeak("", liveBefore));
    return 0;
}
