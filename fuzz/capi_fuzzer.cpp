// Any byte string read through the C interface, from the text and fed in
// pieces through a read callback: each read must agree with FromXml, giving
// the same document or the same failure chain (kinds, positions and texts),
// and a tree that was read must be walkable to every value through the
// interface. Nothing may be left alive.
#include "capi/storagexml.h"
#include "fuzz/checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using NqXmlLib3::CNqException;

std::string Level(int kind, long line, long column, const char* message) {
    return std::to_string(kind) + " " + std::to_string(line) + ":" + std::to_string(column) + " " + message + "\n";
}

std::string Chain(const CNqException& error) {
    std::string chain;
    for (const CNqException* level = &error; level; level = level->GetInnerException()) {
        const int kind = dynamic_cast<const NqXmlLib3::CNqValidationException*>(level)       ? STORAGEXML_ERROR_VALIDATION
                         : dynamic_cast<const NqXmlLib3::CNqInvalidStateException*>(level) ? STORAGEXML_ERROR_INVALID_STATE
                                                                                            : STORAGEXML_ERROR_GENERAL;
        chain += Level(kind, level->GetLine(), level->GetColumn(), level->what());
    }
    return chain;
}

std::string Chain(storagexml_error* error) {
    std::string chain;
    for (const storagexml_error* level = error; level; level = storagexml_error_inner(level)) {
        chain += Level(storagexml_error_get_kind(level), storagexml_error_line(level), storagexml_error_column(level),
                       storagexml_error_message(level));
    }
    storagexml_error_free(error);
    return chain;
}

// What FromXml gives: the compact document, or the failure chain.
std::string CppOutcome(std::string_view text) {
    auto array = Storage::CStorageArray::CreateInstance();
    try {
        array->FromXml(std::string(text));
    } catch (const CNqException& error) {
        return "refused " + Chain(error);
    }
    try {
        return array->ToXml(NqXmlLib3::CWriteOptions{false, false});
    } catch (const CNqException& error) {
        return "unwritable " + Chain(error);
    }
}

// Every value of a range cell or a parameter, through the getter of its kind.
bool WalkValue(storagexml_value* value) {
    double number;
    char* text = nullptr;
    int flag;
    std::int32_t code;
    std::int64_t wide;
    storagexml_range* range = nullptr;
    bool ok = true;
    switch (storagexml_value_kind(value)) {
    case STORAGEXML_KIND_UNSET: return true;
    case STORAGEXML_KIND_NUM: return storagexml_value_num(value, &number, nullptr) == 0;
    case STORAGEXML_KIND_STR: ok = storagexml_value_str(value, &text, nullptr, nullptr) == 0; break;
    case STORAGEXML_KIND_BOOL: return storagexml_value_bool(value, &flag, nullptr) == 0;
    case STORAGEXML_KIND_ERR: return storagexml_value_err(value, &code, nullptr) == 0;
    case STORAGEXML_KIND_W: return storagexml_value_w(value, &wide, nullptr) == 0;
    case STORAGEXML_KIND_RANGE:
        ok = storagexml_value_range(value, &range, nullptr) == 0 && range;
        for (std::size_t c = 0; ok && c < storagexml_range_cell_count(range); ++c) {
            storagexml_value* cell = nullptr;
            ok = storagexml_range_cell(range, c, &cell, nullptr) == 0 && WalkValue(cell);
            storagexml_value_free(cell);
        }
        break;
    }
    storagexml_free(text);
    storagexml_range_free(range);
    return ok;
}

bool Walk(storagexml_array* array) {
    bool ok = true;
    for (std::size_t i = 0; ok && i < storagexml_array_item_count(array); ++i) {
        storagexml_item* item = nullptr;
        char* text = nullptr;
        ok = storagexml_array_item(array, i, &item, nullptr) == 0 &&
             storagexml_item_function_name(item, &text, nullptr, nullptr) == 0;
        storagexml_free(text);
        for (std::size_t p = 0; ok && p < storagexml_item_param_count(item); ++p) {
            storagexml_param* param = nullptr;
            storagexml_value* value = nullptr;
            ok = storagexml_item_param(item, p, &param, nullptr) == 0 &&
                 storagexml_param_value(param, &value, nullptr) == 0 && WalkValue(value);
            storagexml_value_free(value);
            storagexml_param_free(param);
        }
        storagexml_item_free(item);
    }
    return ok;
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

// What a read through the interface gives, in CppOutcome's terms.
std::string COutcome(std::string_view text, bool fed, std::string& fault) {
    storagexml_array* array = nullptr;
    storagexml_error* error = nullptr;
    Feed feed{text, text.size() % 13 + 1};
    const int failed = fed ? storagexml_array_read_callback(FeedRead, &feed, &array, &error)
                           : storagexml_array_read_text(text.data(), text.size(), &array, &error);
    if (failed) return "refused " + Chain(error);
    if (!Walk(array)) fault = "a tree that was read cannot be walked to every value";
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
    const std::string expected = CppOutcome(text);
    std::string fault;
    for (bool fed : {false, true}) {
        const std::string outcome = COutcome(text, fed, fault);
        if (fault.empty() && outcome != expected) {
            fault = std::string("a read through the C interface (") + (fed ? "fed" : "text") +
                    ") differs from FromXml:\n" + expected + "\n" + outcome;
        }
    }
    if (fault.empty() && storagexml_live_object_count() != liveBefore) fault = "objects are still alive";
    if (!fault.empty()) {
        std::fprintf(stderr, "capi_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
