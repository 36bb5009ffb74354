// CSmartPtr<T>: holds one reference on a reference-counted runtime object.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace NqXmlLib3 {

/// Holds one reference on a reference-counted runtime object; releasing the last one destroys it.
template <class T>
class CSmartPtr {
public:
    /// An empty pointer.
    CSmartPtr() noexcept = default;
    /// An empty pointer, from nullptr.
    CSmartPtr(std::nullptr_t) noexcept {}
    /// Takes a reference on `object` (null gives an empty pointer).
    CSmartPtr(T* object) : m_object(object) { Acquire(); }
    /// Shares the object of `other`, taking a reference of its own.
    CSmartPtr(const CSmartPtr& other) : m_object(other.m_object) { Acquire(); }
    /// Takes over the reference of `other`, which becomes empty.
    CSmartPtr(CSmartPtr&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }

    /// Shares the object of a pointer to a class that converts to T.
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    CSmartPtr(const CSmartPtr<U>& other) : m_object(other.get()) {
        Acquire();
    }

    /// Gives up the reference held.
    ~CSmartPtr() { Drop(); }

    /// Takes the new reference before giving up the old one, so that
    /// assigning a pointer to itself is harmless.
    CSmartPtr& operator=(const CSmartPtr& other) {
        CSmartPtr(other).swap(*this);
        return *this;
    }
    /// Takes over the reference of `other`, giving up the one held.
    CSmartPtr& operator=(CSmartPtr&& other) noexcept {
        CSmartPtr(std::move(other)).swap(*this);
        return *this;
    }
    /// Takes a reference on `object`, giving up the one held.
    CSmartPtr& operator=(T* object) {
        CSmartPtr(object).swap(*this);
        return *this;
    }
    /// Gives up the reference held; the pointer becomes empty.
    CSmartPtr& operator=(std::nullptr_t) {
        CSmartPtr().swap(*this);
        return *this;
    }

    /// The object, or null; no reference is taken.
    T* get() const noexcept { return m_object; }
    /// The object's members.
    T* operator->() const noexcept { return m_object; }
    /// The object.
    T& operator*() const noexcept { return *m_object; }
    /// Whether an object is held.
    explicit operator bool() const noexcept { return m_object != nullptr; }

    /// Exchanges the objects of two pointers.
    void swap(CSmartPtr& other) noexcept { std::swap(m_object, other.m_object); }

private:
    void Acquire() {
        if (m_object) m_object->AddRef();
    }
    void Drop() {
        if (m_object) m_object->Release();
    }

    T* m_object = nullptr;
};

/// Whether two pointers hold the same object.
template <class T, class U>
bool operator==(const CSmartPtr<T>& a, const CSmartPtr<U>& b) noexcept { return a.get() == b.get(); }
/// Whether two pointers hold different objects.
template <class T, class U>
bool operator!=(const CSmartPtr<T>& a, const CSmartPtr<U>& b) noexcept { return a.get() != b.get(); }
/// Whether the pointer is empty.
template <class T>
bool operator==(const CSmartPtr<T>& a, std::nullptr_t) noexcept { return !a; }
/// Whether the pointer is empty.
template <class T>
bool operator==(std::nullptr_t, const CSmartPtr<T>& a) noexcept { return !a; }
/// Whether the pointer holds an object.
template <class T>
bool operator!=(const CSmartPtr<T>& a, std::nullptr_t) noexcept { return static_cast<bool>(a); }
/// Whether the pointer holds an object.
template <class T>
bool operator!=(std::nullptr_t, const CSmartPtr<T>& a) noexcept { return static_cast<bool>(a); }

/// The object of `from` as a T, sharing its ownership; empty when it is not a T.
template <class T, class U>
CSmartPtr<T> DynamicCast(const CSmartPtr<U>& from) {
    return CSmartPtr<T>(dynamic_cast<T*>(from.get()));
}

} // namespace NqXmlLib3
