// What every function of the C interface shares: the handles as the C++
// objects they stand for, the checks of arguments, the conversions of text,
// and the boundary that turns whatever the C++ library throws into an error.
// Internal to the C library.
#pragma once

#include "storagexml.h"

#include "storage/Storage.h"

#include <climits>
#include <exception>
#include <new>
#include <string>
#include <utility>

namespace StorageXmlC {

using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlObjectBase;

// A handle is the object it stands for, holding one reference on it. Both
// kinds of value (a parameter's, a range cell) share one handle type, so a
// value handle is the object's runtime base and is cast to what a call needs.
template <class Handle>
struct Object;
template <class T>
struct Is {
    using type = T;
};
// clang-format off
template <> struct Object<storagexml_array> : Is<Storage::CStorageArray> { static constexpr const char* name = "array"; };
template <> struct Object<storagexml_item> : Is<Storage::CStorageItem> { static constexpr const char* name = "item"; };
template <> struct Object<storagexml_param> : Is<Storage::CCParams> { static constexpr const char* name = "param"; };
template <> struct Object<storagexml_range> : Is<Storage::CArrRange> { static constexpr const char* name = "range"; };
template <> struct Object<storagexml_value> : Is<CXmlObjectBase> { static constexpr const char* name = "value"; };
// clang-format on
template <class Handle>
using ObjectOf = typename Object<Handle>::type;

// A misuse of the interface itself: a NULL where something belongs, an index
// no collection can hold, a flag or kind that does not exist, a value of the
// wrong kind. The boundary names the function it happened in.
struct ArgumentError {
    std::string message;
};

[[noreturn]] void ThrowNull(const char* name);

// `pointer`, which must not be NULL; `name` names the argument in the error.
template <class T>
T* Require(T* pointer, const char* name) {
    if (!pointer) ThrowNull(name);
    return pointer;
}

// The object behind a handle, which must not be NULL; `name` names the
// argument, by default after the handle's type.
template <class Handle>
ObjectOf<Handle>& Get(const Handle* handle, const char* name = Object<Handle>::name) {
    return *reinterpret_cast<ObjectOf<Handle>*>(const_cast<Handle*>(Require(handle, name)));
}

// A new handle on the object: one reference more, held by the handle.
template <class Handle, class T>
Handle* Give(const CSmartPtr<T>& object) {
    ObjectOf<Handle>* target = object.get();
    if (!target) return nullptr;
    target->AddRef();
    return reinterpret_cast<Handle*>(target);
}

// Gives up the handle's reference.
template <class Handle>
void Drop(Handle* handle) noexcept {
    if (handle) reinterpret_cast<ObjectOf<Handle>*>(handle)->Release();
}

// The text of a text argument: `length` bytes, or up to the NUL.
std::string Text(const char* text, std::size_t length, const char* name);
// Hands `size` bytes at `data` out as a new NUL-terminated text the host frees with storagexml_free.
void GiveText(const char* data, std::size_t size, char** text, std::size_t* length);
inline void GiveText(const std::string& value, char** text, std::size_t* length) {
    GiveText(value.data(), value.size(), text, length);
}
// A collection's position for an index of the interface.
int Index(std::size_t index);
// The write options that flags of storagexml_write_flags stand for.
NqXmlLib3::CWriteOptions Options(unsigned flags);

// The C++ reader and writer behind a handle, which must not be NULL.
Storage::CStorageArrayReader& ReaderOf(const storagexml_reader* reader);
Storage::CStorageArrayWriter& WriterOf(storagexml_writer* writer);

// Sets *error, when error is not NULL, to the failure being handled now.
// Never throws: when not even the error can be made, it is the one for
// running out of memory, which needs no memory.
void ReportCurrent(storagexml_error** error, const char* function) noexcept;

// Runs `body` and returns 0, or, when it throws, reports what it threw and
// returns 1. Nothing passes the boundary.
template <class Body>
int Call(storagexml_error** error, const char* function, Body&& body) noexcept {
    try {
        body();
        return 0;
    } catch (...) {
        ReportCurrent(error, function);
        return 1;
    }
}

// For functions that return a value directly and cannot fail: `fallback` for
// a NULL handle, and for anything thrown (which the library does not do here).
template <class Result, class Body>
Result Query(Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

} // namespace StorageXmlC
