#include "storage/ScalarChoice.h"

#include "runtime/Conversions.h"
#include "storage/ElementFrame.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>

namespace Storage {

using NqXmlLib3::CNqInvalidStateException;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlTextWriter;
using NqXmlLib3::FormatString;

namespace {

// The element names a selection usually holds, at the places of CScalarChoice::Held:
// no selection, the scalar alternatives, and the range alternative of a
// parameter's value. A selection equal to one of them needs no copy of its own.
const char* const knownNames[] = {"", "num", "str", "bBool", "err", "w", "Range"};
constexpr unsigned char customSelected = 0xff;

// The place of `text` in knownNames, or customSelected.
unsigned char KnownPlace(const char* text) {
    for (unsigned char place = 0; place < std::size(knownNames); ++place) {
        if (std::strcmp(text, knownNames[place]) == 0) return place;
    }
    return customSelected;
}

char* CopyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    return static_cast<char*>(std::memcpy(new char[size], text, size));
}

// Writes the element of the selected alternative.
class SelectedWriter {
public:
    SelectedWriter(CXmlTextWriter* writer, const char* selected) : m_writer(writer), m_selected(selected) {}

    template <class Kind, class T, class Setter>
    void Alternative(Kind, const char* element, const T* value, Setter) {
        if (value && std::strcmp(m_selected, element) == 0) Frame::WriteSimple<Kind>(m_writer, element, *value);
    }

private:
    CXmlTextWriter* m_writer;
    const char* m_selected;
};

// Adds each alternative to a JSON shape.
class AlternativeShapes {
public:
    explicit AlternativeShapes(NqXmlLib3::CJsonShape& shape) : m_shape(shape) {}

    template <class Kind, class T, class Setter>
    void Alternative(Kind, const char* element, const T*, Setter) {
        m_shape.AddAlternative(element, Kind::json);
    }

private:
    NqXmlLib3::CJsonShape& m_shape;
};

// Reads the cursor into the first alternative it names, if any.
class AlternativeReader {
public:
    AlternativeReader(CScalarChoice& choice, CXmlElement* cursor) : m_choice(choice), m_cursor(cursor) {}

    template <class Kind, class T, class Setter>
    void Alternative(Kind, const char* element, const T*, Setter set) {
        if (m_done || !m_cursor || m_cursor->GetLocalName() != std::string_view(element)) return;
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

} // namespace

CScalarChoice::CScalarChoice() = default;

CScalarChoice::CScalarChoice(const CScalarChoice& other) { CopyFrom(other); }

CScalarChoice& CScalarChoice::operator=(const CScalarChoice& other) {
    if (this == &other) return *this;
    CScalarChoice copy(other);  // what may throw, before anything changes
    std::swap(m_value, copy.m_value);
    std::swap(m_held, copy.m_held);
    std::swap(m_shortStr, copy.m_shortStr);
    std::swap(m_selected, copy.m_selected);
    return *this;
}

CScalarChoice::~CScalarChoice() { FreeOwned(); }

void CScalarChoice::CopyFrom(const CScalarChoice& other) {
    if (other.OwnsString()) {
        m_value.str = new std::string(*other.m_value.str);
    } else if (other.m_selected == customSelected) {
        m_value.customElement = CopyText(other.m_value.customElement);
    } else {
        m_value = other.m_value;
    }
    m_held = other.m_held;
    m_shortStr = other.m_shortStr;
    m_selected = other.m_selected;
}

void CScalarChoice::FreeOwned() noexcept {
    if (OwnsString()) delete m_value.str;
    else if (m_selected == customSelected) delete[] m_value.customElement;
    m_value = Scalar{};
    m_held = Nothing;
    m_shortStr = false;
    m_selected = 0;
}

// The alternatives in the order they are tried when reading, each with its value when set.
template <class Visitor>
void CScalarChoice::VisitScalars(Visitor& visitor) {
    visitor.Alternative(Frame::Double, "num", m_held == Num ? &m_value.num : nullptr, &CScalarChoice::SetNum);
    const std::string shortStr = m_held == Str && m_shortStr ? ShortString() : std::string();
    const std::string* str = m_held != Str ? nullptr : m_shortStr ? &shortStr : m_value.str;
    visitor.Alternative(Frame::String, "str", str, &CScalarChoice::SetStr);
    visitor.Alternative(Frame::Boolean, "bBool", m_held == BBool ? &m_value.bBool : nullptr, &CScalarChoice::SetBBool);
    visitor.Alternative(Frame::Int, "err", m_held == Err ? &m_value.err : nullptr, &CScalarChoice::SetErr);
    visitor.Alternative(Frame::Long, "w", m_held == W ? &m_value.w : nullptr, &CScalarChoice::SetW);
}

void CScalarChoice::ClearChoice(const char* selectedElement) {
    const unsigned char place = KnownPlace(selectedElement ? selectedElement : "");
    // Copied first: it may be the text held now.
    char* custom = place == customSelected ? CopyText(selectedElement) : nullptr;
    FreeOwned();
    m_selected = place;
    if (custom) m_value.customElement = custom;
}

bool CScalarChoice::IsSelected(const char* element) const { return std::strcmp(SelectedText(), element) == 0; }

const char* CScalarChoice::SelectedText() const noexcept {
    return m_selected == customSelected ? m_value.customElement : knownNames[m_selected];
}

template <class T>
T CScalarChoice::Get(Held held, T Scalar::*field, const char* property) const {
    RequireSet(held, property);
    return m_value.*field;
}

template <class Kind, class T>
void CScalarChoice::Select(Held held, T Scalar::*field, const char* element, T value) {
    Kind::Check(element, value);
    ClearChoice(element);
    m_value.*field = value;
    m_held = held;
}

void CScalarChoice::SetValid(Held held, const char* element, bool valid) {
    if (valid == (m_held == held)) return;
    if (!valid) {
        ClearChoice("");
        return;
    }
    ClearChoice(element);  // the value takes its default
    switch (held) {
    case Num: m_value.num = 0.0; break;
    case Str:  // empty, in place
        std::memset(m_value.shortStr, 0, sizeof(m_value.shortStr));
        m_shortStr = true;
        break;
    case BBool: m_value.bBool = false; break;
    case Err: m_value.err = 0; break;
    case W: m_value.w = 0; break;
    case Nothing: return;
    }
    m_held = held;
}

void CScalarChoice::RequireSet(Held held, const char* property) const {
    if (m_held != held) {
        throw CNqInvalidStateException(
            FormatString("The Property Get%s is not valid. Set%s must be called first", property, property));
    }
}

double CScalarChoice::GetNum() { return Get(Num, &Scalar::num, "Num"); }
void CScalarChoice::SetNum(double value) { Select<Frame::DoubleKind>(Num, &Scalar::num, "num", value); }
bool CScalarChoice::IsValidNum() { return m_held == Num; }
void CScalarChoice::SetValidNum(bool valid) { SetValid(Num, "num", valid); }

std::string CScalarChoice::ShortString() const {
    const char* text = m_value.shortStr;
    return std::string(text, std::find(text, text + sizeof(m_value.shortStr), '\0'));
}

std::string CScalarChoice::GetStr() {
    RequireSet(Str, "Str");
    return m_shortStr ? ShortString() : *m_value.str;
}
void CScalarChoice::SetStr(std::string value) {
    value = NqXmlLib3::CWhitespaceUtils::Preserve(std::move(value));
    Frame::StringKind::Check("str", value);
    if (value.size() <= sizeof(m_value.shortStr)) {
        ClearChoice("str");
        std::memset(m_value.shortStr, 0, sizeof(m_value.shortStr));
        std::memcpy(m_value.shortStr, value.data(), value.size());
        m_shortStr = true;
    } else {
        auto text = std::make_unique<std::string>(std::move(value));
        ClearChoice("str");
        m_value.str = text.release();
    }
    m_held = Str;
}
bool CScalarChoice::IsValidStr() { return m_held == Str; }
void CScalarChoice::SetValidStr(bool valid) { SetValid(Str, "str", valid); }

bool CScalarChoice::GetBBool() { return Get(BBool, &Scalar::bBool, "BBool"); }
void CScalarChoice::SetBBool(bool value) { Select<Frame::BooleanKind>(BBool, &Scalar::bBool, "bBool", value); }
bool CScalarChoice::IsValidBBool() { return m_held == BBool; }
void CScalarChoice::SetValidBBool(bool valid) { SetValid(BBool, "bBool", valid); }

long CScalarChoice::GetErr() { return Get(Err, &Scalar::err, "Err"); }
void CScalarChoice::SetErr(long value) { Select<Frame::IntKind>(Err, &Scalar::err, "err", value); }
bool CScalarChoice::IsValidErr() { return m_held == Err; }
void CScalarChoice::SetValidErr(bool valid) { SetValid(Err, "err", valid); }

std::int64_t CScalarChoice::GetW() { return Get(W, &Scalar::w, "W"); }
void CScalarChoice::SetW(std::int64_t value) { Select<Frame::LongKind>(W, &Scalar::w, "w", value); }
bool CScalarChoice::IsValidW() { return m_held == W; }
void CScalarChoice::SetValidW(bool valid) { SetValid(W, "w", valid); }

std::string CScalarChoice::GetChoiceSelectedElement() const { return SelectedText(); }

void CScalarChoice::WriteSelectedScalar(CXmlTextWriter* writer) {
    if (*SelectedText() == '\0') {
        throw NqXmlLib3::CNqValidationException("This element is a choice, and as such must have at one (and only one) "
                                                "valid item, currently there are none set");
    }
    SelectedWriter visitor(writer, SelectedText());
    VisitScalars(visitor);
}

void CScalarChoice::AddScalarAlternatives(NqXmlLib3::CJsonShape& shape) {
    CScalarChoice none;
    AlternativeShapes visitor(shape);
    none.VisitScalars(visitor);
}

CXmlElement* CScalarChoice::ReadScalar(CXmlElement* cursor) {
    AlternativeReader visitor(*this, cursor);
    VisitScalars(visitor);
    return visitor.Cursor();
}

} // namespace Storage
