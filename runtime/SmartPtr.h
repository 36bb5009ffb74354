// CSmartPtr<T>: holds one reference on a reference-counted runtime object.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace NqXmlLib3 {

template <class T>
class CSmartPtr {
public:
    CSmartPtr() noexcept = default;
    CSmartPtr(std::nullptr_t) noexcept {}
    CSmartPtr(T* object) : m_object(object) { Acquire(); }
    CSmartPtr(const CSmartPtr& other) : m_object(other.m_object) { Acquire(); }
    CSmartPtr(CSmartPtr&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }

    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    CSmartPtr(const CSmartPtr<U>& other) : m_object(other.get()) {
        Acquire();
    }

    ~CSmartPtr() { Drop(); }

    // Takes the new reference before giving up the old one, so that
    // assigning a pointer to itself is harmless.
    CSmartPtr& operator=(const CSmartPtr& other) {
        CSmartPtr(other).swap(*this);
        return *this;
    }
    CSmartPtr& operator=(CSmartPtr&& other) noexcept {
        CSmartPtr(std::move(other)).swap(*this);
        return *this;
    }
    CSmartPtr& operator=(T* object) {
        CSmartPtr(object).swap(*this);
        return *this;
    }
    CSmartPtr& operator=(std::nullptr_t) {
        CSmartPtr().swap(*this);
        return *this;
    }

    T* get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    T& operator*() const noexcept { return *m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

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

template <class T, class U>
bool operator==(const CSmartPtr<T>& a, const CSmartPtr<U>& b) noexcept { return a.get() == b.get(); }
template <class T, class U>
bool operator!=(const CSmartPtr<T>& a, const CSmartPtr<U>& b) noexcept { return a.get() != b.get(); }
template <class T>
bool operator==(const CSmartPtr<T>& a, std::nullptr_t) noexcept { return !a; }
template <class T>
bool operator==(std::nullptr_t, const CSmartPtr<T>& a) noexcept { return !a; }
template <class T>
bool operator!=(const CSmartPtr<T>& a, std::nullptr_t) noexcept { return static_cast<bool>(a); }
template <class T>
bool operator!=(std::nullptr_t, const CSmartPtr<T>& a) noexcept { return static_cast<bool>(a); }

// The object of `from` as a T, sharing its ownership; empty when it is not a T.
template <class T, class U>
CSmartPtr<T> DynamicCast(const CSmartPtr<U>& from) {
    return CSmartPtr<T>(dynamic_cast<T*>(from.get()));
}

} // namespace NqXmlLib3
