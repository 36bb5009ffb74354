#include "storage/ScalarChoice.h"

#include "runtime/Conversions.h"
#include "storage/ElementFrame.h"

#include <cstring>

namespace Storage {

using NqXmlLib3::CNqInvalidStateException;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlTextWriter;
using NqXmlLib3::FormatString;

namespace {

// Writes the element of the selected alternative.
class SelectedWriter {
public:
    SelectedWriter(CXmlTextWriter* writer, const char* selected) : m_writer(writer), m_selected(selected) {}

    template <class Kind, class T, class Setter>
    void Alternative(Kind, const char* element, bool isSet, const T& value, Setter) {
        if (isSet && std::strcmp(m_selected, element) == 0) Frame::WriteSimple<Kind>(m_writer, element, value);
    }

private:
    CXmlTextWriter* m_writer;
    const char* m_selected;
};

// Reads the cursor into the first alternative it names, if any.
class AlternativeReader {
public:
    AlternativeReader(CScalarChoice& choice, CXmlElement* cursor) : m_choice(choice), m_cursor(cursor) {}

    template <class Kind, class T, class Setter>
    void Alternative(Kind, const char* element, bool, const T&, Setter set) {
        if (m_done || !m_cursor || m_cursor->GetLocalName() != element) return;
        Frame::ReadSimple<Kind>(*m_cursor, [&](typename Kind::Value value) { (m_choice.*set)(std::move(value)); });
        m_cursor = m_cursor->GetNextSiblingElement();
        m_done = true;
    }
    CXmlElement* Cursor() const { return m_cursor; }

private:
    CScalarChoice& m_choice;
    CXmlElement* m_cursor;
    bool m_done = false;
};

// The element names a selection usually holds: no selection, the scalar
// alternatives and the range alternative of a parameter's value. A selection
// equal to one of them points here and needs no copy of its own.
const char* const knownNames[] = {"", "num", "str", "bBool", "err", "w", "Range"};

bool IsKnownName(const char* text) {
    for (const char* known : knownNames) {
        if (text == known) return true;
    }
    return false;
}

// The table's entry equal to `text`, or a new copy of `text` that the caller owns.
const char* KnownOrCopy(const char* text) {
    if (!text) return knownNames[0];
    for (const char* known : knownNames) {
        if (std::strcmp(text, known) == 0) return known;
    }
    const std::size_t size = std::strlen(text) + 1;
    return static_cast<const char*>(std::memcpy(new char[size], text, size));
}

void ReleaseName(const char* name) {
    if (!IsKnownName(name)) delete[] name;
}

} // namespace

CScalarChoice::CScalarChoice() : m_selectedElement(knownNames[0]) {}

CScalarChoice::CScalarChoice(const CScalarChoice& other)
    : m_value(other.m_value), m_str(other.m_str), m_selectedElement(KnownOrCopy(other.m_selectedElement)),
      m_numSet(other.m_numSet), m_strSet(other.m_strSet), m_bBoolSet(other.m_bBoolSet), m_errSet(other.m_errSet),
      m_wSet(other.m_wSet) {}

CScalarChoice& CScalarChoice::operator=(const CScalarChoice& other) {
    if (this == &other) return *this;
    std::string text = other.m_str;  // what may throw, before anything changes
    const char* selected = KnownOrCopy(other.m_selectedElement);
    m_str = std::move(text);
    ReleaseName(m_selectedElement);
    m_selectedElement = selected;
    m_value = other.m_value;
    m_numSet = other.m_numSet;
    m_strSet = other.m_strSet;
    m_bBoolSet = other.m_bBoolSet;
    m_errSet = other.m_errSet;
    m_wSet = other.m_wSet;
    return *this;
}

CScalarChoice::~CScalarChoice() { ReleaseName(m_selectedElement); }

// The alternatives in the order they are tried when reading.
template <class Visitor>
void CScalarChoice::VisitScalars(Visitor& visitor) {
    visitor.Alternative(Frame::Double, "num", m_numSet, m_value.num, &CScalarChoice::SetNum);
    visitor.Alternative(Frame::String, "str", m_strSet, m_str, &CScalarChoice::SetStr);
    visitor.Alternative(Frame::Boolean, "bBool", m_bBoolSet, m_value.bBool, &CScalarChoice::SetBBool);
    visitor.Alternative(Frame::Int, "err", m_errSet, m_value.err, &CScalarChoice::SetErr);
    visitor.Alternative(Frame::Long, "w", m_wSet, m_value.w, &CScalarChoice::SetW);
}

void CScalarChoice::ClearChoice(const char* selectedElement) {
    const char* selected = KnownOrCopy(selectedElement);  // first: it may be the text held now
    m_value = Scalar{};
    m_str.clear();
    m_numSet = m_strSet = m_bBoolSet = m_errSet = m_wSet = false;
    ReleaseName(m_selectedElement);
    m_selectedElement = selected;
}

bool CScalarChoice::IsSelected(const char* element) const { return std::strcmp(m_selectedElement, element) == 0; }

template <class Kind, class T>
void CScalarChoice::Select(bool& isSet, T& field, const char* element, T value) {
    Kind::Check(element, value);
    ClearChoice(element);
    isSet = true;
    field = std::move(value);
}

template <class T>
void CScalarChoice::SetValid(bool& isSet, T& field, const char* element, bool valid) {
    if (valid == isSet) return;
    ClearChoice(valid ? element : "");
    field = T();  // the value returns to its default
    isSet = valid;
}

template <class T>
T CScalarChoice::Get(bool isSet, const T& field, const char* property) const {
    if (!isSet) {
        throw CNqInvalidStateException(
            FormatString("The Property Get%s is not valid. Set%s must be called first", property, property));
    }
    return field;
}

double CScalarChoice::GetNum() { return Get(m_numSet, m_value.num, "Num"); }
void CScalarChoice::SetNum(double value) { Select<Frame::DoubleKind>(m_numSet, m_value.num, "num", value); }
bool CScalarChoice::IsValidNum() { return m_numSet; }
void CScalarChoice::SetValidNum(bool valid) { SetValid(m_numSet, m_value.num, "num", valid); }

std::string CScalarChoice::GetStr() { return Get(m_strSet, m_str, "Str"); }
void CScalarChoice::SetStr(std::string value) {
    Select<Frame::StringKind>(m_strSet, m_str, "str", NqXmlLib3::CWhitespaceUtils::Preserve(std::move(value)));
}
bool CScalarChoice::IsValidStr() { return m_strSet; }
void CScalarChoice::SetValidStr(bool valid) { SetValid(m_strSet, m_str, "str", valid); }

bool CScalarChoice::GetBBool() { return Get(m_bBoolSet, m_value.bBool, "BBool"); }
void CScalarChoice::SetBBool(bool value) { Select<Frame::BooleanKind>(m_bBoolSet, m_value.bBool, "bBool", value); }
bool CScalarChoice::IsValidBBool() { return m_bBoolSet; }
void CScalarChoice::SetValidBBool(bool valid) { SetValid(m_bBoolSet, m_value.bBool, "bBool", valid); }

long CScalarChoice::GetErr() { return Get(m_errSet, m_value.err, "Err"); }
void CScalarChoice::SetErr(long value) { Select<Frame::IntKind>(m_errSet, m_value.err, "err", value); }
bool CScalarChoice::IsValidErr() { return m_errSet; }
void CScalarChoice::SetValidErr(bool valid) { SetValid(m_errSet, m_value.err, "err", valid); }

std::int64_t CScalarChoice::GetW() { return Get(m_wSet, m_value.w, "W"); }
void CScalarChoice::SetW(std::int64_t value) { Select<Frame::LongKind>(m_wSet, m_value.w, "w", value); }
bool CScalarChoice::IsValidW() { return m_wSet; }
void CScalarChoice::SetValidW(bool valid) { SetValid(m_wSet, m_value.w, "w", valid); }

std::string CScalarChoice::GetChoiceSelectedElement() const { return m_selectedElement; }

void CScalarChoice::WriteSelectedScalar(CXmlTextWriter* writer) {
    if (*m_selectedElement == '\0') {
        throw NqXmlLib3::CNqValidationException("This element is a choice, and as such must have at one (and only one) "
                                                "valid item, currently there are none set");
    }
    SelectedWriter visitor(writer, m_selectedElement);
    VisitScalars(visitor);
}

CXmlElement* CScalarChoice::ReadScalar(CXmlElement* cursor) {
    AlternativeReader visitor(*this, cursor);
    VisitScalars(visitor);
    return visitor.Cursor();
}

} // namespace Storage
