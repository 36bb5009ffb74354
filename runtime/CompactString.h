// CCompactString: the text field of a binding object in 16 bytes, half a
// std::string. The identifiers and names such fields mostly hold fit in
// place; a longer text lives in a std::string of its own.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace NqXmlLib3 {

/// A string kept in 16 bytes: up to 15 bytes in place, a longer text in a std::string on the heap.
class CCompactString {
public:
    /// The empty string.
    CCompactString() noexcept { SetInPlace({}); }
    /// Holds a copy of `text`.
    CCompactString(std::string_view text) { Assign(text); }
    /// Holds a copy of the other string's text.
    CCompactString(const CCompactString& other) { Assign(other.view()); }
    /// Takes over the other string's text, leaving it empty.
    CCompactString(CCompactString&& other) noexcept {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.SetInPlace({});
    }
    /// Holds a copy of the other string's text.
    CCompactString& operator=(const CCompactString& other) {
        if (this != &other) *this = CCompactString(other);
        return *this;
    }
    /// Takes over the other string's text, leaving it empty.
    CCompactString& operator=(CCompactString&& other) noexcept {
        if (this != &other) {
            Free();
            std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
            other.SetInPlace({});
        }
        return *this;
    }
    /// Takes `text`; a long one is moved, not copied.
    CCompactString& operator=(std::string text) {
        if (text.size() < sizeof m_bytes) {
            Free();
            SetInPlace(text);
        } else if (OnHeap()) {
            *Heap() = std::move(text);
        } else {
            auto* held = new std::string(std::move(text));
            std::memcpy(m_bytes, &held, sizeof held);
            m_bytes[tag] = heapTag;
        }
        return *this;
    }
    /// Frees a text on the heap.
    ~CCompactString() { Free(); }

    /// The text, without a copy.
    std::string_view view() const noexcept {
        if (OnHeap()) return *Heap();
        return std::string_view(m_bytes, tag - static_cast<unsigned char>(m_bytes[tag]));
    }
    /// A copy of the text.
    operator std::string() const { return std::string(view()); }
    /// Whether the text is empty.
    bool empty() const noexcept { return view().empty(); }
    /// Empties the string.
    void clear() noexcept {
        Free();
        SetInPlace({});
    }
    /// The text as a std::string: the one held on the heap, or `scratch` made to hold it.
    const std::string& AsString(std::string& scratch) const {
        if (OnHeap()) return *Heap();
        scratch.assign(view());
        return scratch;
    }

private:
    // The last byte tells the form: heapTag, or how many of the 15 bytes in
    // place are unused (0 when full, which then ends the text as a NUL would).
    static constexpr std::size_t tag = 15;
    static constexpr char heapTag = static_cast<char>(0xff);

    bool OnHeap() const noexcept { return m_bytes[tag] == heapTag; }
    std::string* Heap() const noexcept {
        std::string* held;
        std::memcpy(&held, m_bytes, sizeof held);
        return held;
    }
    void Assign(std::string_view text) {
        if (text.size() < sizeof m_bytes) {
            SetInPlace(text);
        } else {
            auto* held = new std::string(text);
            std::memcpy(m_bytes, &held, sizeof held);
            m_bytes[tag] = heapTag;
        }
    }
    // Places a text of at most 15 bytes; frees nothing.
    void SetInPlace(std::string_view text) noexcept {
        if (!text.empty()) std::memcpy(m_bytes, text.data(), text.size());
        m_bytes[tag] = static_cast<char>(tag - text.size());
    }
    void Free() noexcept {
        if (OnHeap()) delete Heap();
    }

    char m_bytes[16];
};

} // namespace NqXmlLib3
