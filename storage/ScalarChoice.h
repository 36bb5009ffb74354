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
class CXmlElement;
class CXmlTextWriter;
} // namespace NqXmlLib3

namespace Storage {

class STORAGE_API CScalarChoice {
public:
    double GetNum();
    void SetNum(double value);
    bool IsValidNum();
    void SetValidNum(bool valid);

    std::string GetStr();
    void SetStr(std::string value);
    bool IsValidStr();
    void SetValidStr(bool valid);

    bool GetBBool();
    void SetBBool(bool value);
    bool IsValidBBool();
    void SetValidBBool(bool valid);

    long GetErr();
    void SetErr(long value);
    bool IsValidErr();
    void SetValidErr(bool valid);

    std::int64_t GetW();
    void SetW(std::int64_t value);
    bool IsValidW();
    void SetValidW(bool valid);

    std::string GetChoiceSelectedElement() const;

protected:
    CScalarChoice();
    CScalarChoice(const CScalarChoice& other);
    CScalarChoice& operator=(const CScalarChoice& other);
    virtual ~CScalarChoice();

    // Unsets every alternative and makes `selectedElement` (null for none)
    // the selected element. The choice keeps its own copy of the text.
    virtual void ClearChoice(const char* selectedElement);

    bool IsSelected(const char* element) const;

    // Writes the element of the selected scalar alternative; refuses an empty selection.
    void WriteSelectedScalar(NqXmlLib3::CXmlTextWriter* writer);
    // Reads `cursor` when it is a scalar alternative; returns the first element not consumed.
    NqXmlLib3::CXmlElement* ReadScalar(NqXmlLib3::CXmlElement* cursor);

private:
    template <class Visitor>
    void VisitScalars(Visitor& visitor);
    template <class Kind, class T>
    void Select(bool& isSet, T& field, const char* element, T value);
    template <class T>
    void SetValid(bool& isSet, T& field, const char* element, bool valid);
    template <class T>
    T Get(bool isSet, const T& field, const char* property) const;

    // The scalar alternatives share one place: at most one is set at a time.
    union Scalar {
        double num;
        long err;
        std::int64_t w;
        bool bBool;
    };

    Scalar m_value{};
    std::string m_str;
    // The selected element, "" when none: a pointer into a fixed table of the
    // alternatives' names when it is one of them, else a copy the choice owns.
    const char* m_selectedElement;
    bool m_numSet = false;
    bool m_strSet = false;
    bool m_bBoolSet = false;
    bool m_errSet = false;
    bool m_wSet = false;
};

} // namespace Storage
