// The five scalar alternatives that both value choices offer: a double
// ("num"), a string ("str"), a boolean ("bBool"), a 32-bit error code ("err")
// and a 64-bit integer ("w"). At most one alternative is set, and the
// selected element names it; every change of alternative goes through
// ClearChoice, so that holds by construction.
#pragma once

#include "storage/Export.h"

#include <cstdint>
#include <string>

namespace NqXmlLib3 {
class CJsonShape;
class CXmlElement;
class CXmlTextWriter;
} // namespace NqXmlLib3

namespace Storage {

/// The five scalar alternatives of a value: num, str, bBool, err and w; at most one is set.
class STORAGE_API CScalarChoice {
public:
    /// The double; throws CNqInvalidStateException unless the num alternative is set.
    double GetNum();
    /// Selects the num alternative with this double.
    void SetNum(double value);
    /// Whether the num alternative is set.
    bool IsValidNum();
    /// Selects the num alternative (keeping its value), or unsets it.
    void SetValidNum(bool valid);

    /// The string; throws CNqInvalidStateException unless the str alternative is set.
    std::string GetStr();
    /// Selects the str alternative with this string; refuses text XML 1.0 cannot carry.
    void SetStr(std::string value);
    /// Whether the str alternative is set.
    bool IsValidStr();
    /// Selects the str alternative (keeping its value), or unsets it.
    void SetValidStr(bool valid);

    /// The boolean; throws CNqInvalidStateException unless the bBool alternative is set.
    bool GetBBool();
    /// Selects the bBool alternative with this boolean.
    void SetBBool(bool value);
    /// Whether the bBool alternative is set.
    bool IsValidBBool();
    /// Selects the bBool alternative (keeping its value), or unsets it.
    void SetValidBBool(bool valid);

    /// The 32-bit error code; throws CNqInvalidStateException unless the err alternative is set.
    long GetErr();
    /// Selects the err alternative with this code; refuses one outside the 32-bit range.
    void SetErr(long value);
    /// Whether the err alternative is set.
    bool IsValidErr();
    /// Selects the err alternative (keeping its value), or unsets it.
    void SetValidErr(bool valid);

    /// The 64-bit integer; throws CNqInvalidStateException unless the w alternative is set.
    std::int64_t GetW();
    /// Selects the w alternative with this integer.
    void SetW(std::int64_t value);
    /// Whether the w alternative is set.
    bool IsValidW();
    /// Selects the w alternative (keeping its value), or unsets it.
    void SetValidW(bool valid);

    /// The element name of the set alternative ("num", "str", ...), or "" when none is set.
    std::string GetChoiceSelectedElement() const;

protected:
    CScalarChoice();
    CScalarChoice(const CScalarChoice& other);
    CScalarChoice& operator=(const CScalarChoice& other);
    virtual ~CScalarChoice();

    /// Unsets every alternative and makes `selectedElement` (null for none)
    /// the selected element. The choice keeps its own copy of the text.
    virtual void ClearChoice(const char* selectedElement);

    bool IsSelected(const char* element) const;

    /// Adds the five scalar alternatives, in the order they are read, to the JSON shape of a choice.
    static void AddScalarAlternatives(NqXmlLib3::CJsonShape& shape);

    /// Writes the element of the selected scalar alternative; refuses an empty selection.
    void WriteSelectedScalar(NqXmlLib3::CXmlTextWriter* writer);
    /// Reads `cursor` when it is a scalar alternative; returns the first element not consumed.
    NqXmlLib3::CXmlElement* ReadScalar(NqXmlLib3::CXmlElement* cursor);

private:
    // What a choice holds: nothing, or one of the alternatives. The values
    // match the alternatives' places in the table of known element names.
    enum Held : unsigned char { Nothing, Num, Str, BBool, Err, W };

    // One place for everything a choice holds, as only one thing is held at
    // a time: the value of the set alternative (a string one in place when it
    // fits, else on the heap), or, while the selected element is none of the
    // known names and so no alternative is set, the choice's own copy of that name.
    union Scalar {
        double num;
        long err;
        std::int64_t w;
        bool bBool;
        std::string* str;
        char shortStr[sizeof(std::string*)];  // no terminator when full: XML text holds no NUL
        char* customElement;
    };

    template <class Visitor>
    void VisitScalars(Visitor& visitor);
    template <class Kind, class T>
    void Select(Held held, T Scalar::*field, const char* element, T value);
    void SetValid(Held held, const char* element, bool valid);
    // Throws the getter's refusal unless the alternative `held` is set.
    void RequireSet(Held held, const char* property) const;
    template <class T>
    T Get(Held held, T Scalar::*field, const char* property) const;
    const char* SelectedText() const noexcept;
    // Frees what the value and the selection own, leaving both empty.
    void FreeOwned() noexcept;
    void CopyFrom(const CScalarChoice& other);
    bool OwnsString() const noexcept { return m_held == Str && !m_shortStr; }
    std::string ShortString() const;

    Scalar m_value{};
    Held m_held = Nothing;
    // Whether a string value is in m_value.shortStr rather than on the heap.
    bool m_shortStr = false;
    // The selected element's place in the table of known names, or
    // customSelected when m_value.customElement holds it.
    unsigned char m_selected = 0;
};

} // namespace Storage
