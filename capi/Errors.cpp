// Errors: the exception chain a call threw, one level per exception,
// outermost first, each with its message, position and kind; and the checks
// and conversions of arguments that raise the interface's own errors.
#include "Boundary.h"

#include <cstdlib>
#include <cstring>
#include <memory>

// One level of a chain. The message points into the level itself, or, for
// the error that stands for running out of memory, at a constant.
struct storagexml_error {
    const char* message;
    long line;
    long column;
    storagexml_error_kind kind;
    storagexml_error* inner;
    bool allocated;
};

namespace StorageXmlC {

namespace {

using NqXmlLib3::CNqException;

struct Level : storagexml_error {
    explicit Level(std::string text, storagexml_error_kind levelKind, long levelLine = 0, long levelColumn = 0)
        : storagexml_error{nullptr, levelLine, levelColumn, levelKind, nullptr, true}, ownText(std::move(text)) {
        message = ownText.c_str();
    }
    std::string ownText;
};

// Needs no memory, so it can be handed out when nothing else can be made.
// A constant: it is never freed, and nothing changes it.
const storagexml_error outOfMemory{"Out of memory", 0, 0, STORAGEXML_ERROR_OUT_OF_MEMORY, nullptr, false};

void FreeChain(storagexml_error* error) noexcept {
    while (error) {
        storagexml_error* inner = error->inner;
        if (error->allocated) delete static_cast<Level*>(error);
        error = inner;
    }
}

struct ChainDeleter {
    void operator()(storagexml_error* error) const noexcept { FreeChain(error); }
};
using Chain = std::unique_ptr<storagexml_error, ChainDeleter>;

storagexml_error_kind KindOf(const CNqException& exception) {
    if (dynamic_cast<const NqXmlLib3::CNqValidationException*>(&exception)) return STORAGEXML_ERROR_VALIDATION;
    if (dynamic_cast<const NqXmlLib3::CNqInvalidStateException*>(&exception)) return STORAGEXML_ERROR_INVALID_STATE;
    return STORAGEXML_ERROR_GENERAL;
}

storagexml_error* FromChain(const CNqException& outermost) {
    Chain chain;
    storagexml_error** link = nullptr;
    for (const CNqException* level = &outermost; level; level = level->GetInnerException()) {
        auto made = std::make_unique<Level>(level->what(), KindOf(*level), level->GetLine(), level->GetColumn());
        storagexml_error* next = made.release();
        if (link) {
            *link = next;
        } else {
            chain.reset(next);
        }
        link = &next->inner;
    }
    return chain.release();
}

} // namespace

void ThrowNull(const char* name) { throw ArgumentError{std::string("the argument [") + name + "] is NULL"}; }

std::string Text(const char* text, std::size_t length, const char* name) {
    Require(text, name);
    return length == STORAGEXML_NUL_TERMINATED ? std::string(text) : std::string(text, length);
}

void GiveText(const char* data, std::size_t size, char** text, std::size_t* length) {
    auto* copy = static_cast<char*>(std::malloc(size + 1));
    if (!copy) throw std::bad_alloc();
    if (size) std::memcpy(copy, data, size);
    copy[size] = '\0';
    *text = copy;
    if (length) *length = size;
}

int Index(std::size_t index) {
    if (index > static_cast<std::size_t>(INT_MAX)) {
        throw ArgumentError{"the index " + std::to_string(index) + " is larger than any collection can hold"};
    }
    return static_cast<int>(index);
}

NqXmlLib3::CWriteOptions Options(unsigned flags) {
    if (flags & ~static_cast<unsigned>(STORAGEXML_WRITE_DEFAULT)) {
        throw ArgumentError{"the flags " + std::to_string(flags) + " hold a bit that is no write flag"};
    }
    NqXmlLib3::CWriteOptions options;
    options.indent = (flags & STORAGEXML_WRITE_INDENT) != 0;
    options.declaration = (flags & STORAGEXML_WRITE_DECLARATION) != 0;
    return options;
}

void ReportCurrent(storagexml_error** error, const char* function) noexcept {
    if (!error) return;
    try {
        try {
            throw;
        } catch (const CNqException& exception) {
            *error = FromChain(exception);
        } catch (const ArgumentError& misuse) {
            *error = new Level(std::string(function) + ": " + misuse.message, STORAGEXML_ERROR_ARGUMENT);
        } catch (const std::bad_alloc&) {
            *error = const_cast<storagexml_error*>(&outOfMemory);
        } catch (const std::exception& exception) {
            *error = new Level(exception.what(), STORAGEXML_ERROR_OTHER);
        } catch (...) {
            *error = new Level("An exception of an unknown type was thrown", STORAGEXML_ERROR_OTHER);
        }
    } catch (...) {
        *error = const_cast<storagexml_error*>(&outOfMemory);
    }
}

} // namespace StorageXmlC

extern "C" {

const char* storagexml_error_message(const storagexml_error* error) { return error ? error->message : ""; }
long storagexml_error_line(const storagexml_error* error) { return error ? error->line : 0; }
long storagexml_error_column(const storagexml_error* error) { return error ? error->column : 0; }
storagexml_error_kind storagexml_error_get_kind(const storagexml_error* error) {
    return error ? error->kind : STORAGEXML_ERROR_ARGUMENT;
}
const storagexml_error* storagexml_error_inner(const storagexml_error* error) { return error ? error->inner : nullptr; }
void storagexml_error_free(storagexml_error* error) { StorageXmlC::FreeChain(error); }

} // extern "C"
