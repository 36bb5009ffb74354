#include "storage/ScalarChoice.h"

#include "runtime/Conversions.h"
#include "storage/ElementFrame.h"

namespace Storage {

using NqXmlLib3::CNqInvalidStateException;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlTextWriter;
using NqXmlLib3::FormatString;

namespace {

// Writes the element of the selected alternative.
class SelectedWriter {
public:
    SelectedWriter(CXmlTextWriter* writer, const std::string& selected) : m_writer(writer), m_selected(selected) {}

    template <class Kind, class T, class Setter>
    void Alternative(Kind, const char* element, bool isSet, const T& value, Setter) {
        if (isSet && m_selected == element) Frame::WriteSimple<Kind>(m_writer, element, value);
    }

private:
    CXmlTextWriter* m_writer;
    const std::string& m_selected;
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

} // namespace

CScalarChoice::CScalarChoice() = default;
CScalarChoice::CScalarChoice(const CScalarChoice& other) = default;
CScalarChoice& CScalarChoice::operator=(const CScalarChoice& other) = default;
CScalarChoice::~CScalarChoice() = default;

// The alternatives in the order they are tried when reading.
template <class Visitor>
void CScalarChoice::VisitScalars(Visitor& visitor) {
    visitor.Alternative(Frame::Double, "num", m_num.isSet, m_num.value, &CScalarChoice::SetNum);
    visitor.Alternative(Frame::String, "str", m_str.isSet, m_str.value, &CScalarChoice::SetStr);
    visitor.Alternative(Frame::Boolean, "bBool", m_bBool.isSet, m_bBool.value, &CScalarChoice::SetBBool);
    visitor.Alternative(Frame::Int, "err", m_err.isSet, m_err.value, &CScalarChoice::SetErr);
    visitor.Alternative(Frame::Long, "w", m_w.isSet, m_w.value, &CScalarChoice::SetW);
}

void CScalarChoice::ClearChoice(const char* selectedElement) {
    m_num = {};
    m_str = {};
    m_bBool = {};
    m_err = {};
    m_w = {};
    m_selectedElement = selectedElement;
}

template <class Kind, class T>
void CScalarChoice::Select(Alternative<T>& alternative, const char* element, T value) {
    Kind::Check(element, value);
    ClearChoice(element);
    alternative.isSet = true;
    alternative.value = std::move(value);
}

template <class T>
void CScalarChoice::SetValid(Alternative<T>& alternative, const char* element, bool valid) {
    if (valid == alternative.isSet) return;
    ClearChoice(valid ? element : "");
    alternative.isSet = valid;
}

template <class T>
T CScalarChoice::Get(const Alternative<T>& alternative, const char* property) const {
    if (!alternative.isSet) {
        throw CNqInvalidStateException(
            FormatString("The Property Get%s is not valid. Set%s must be called first", property, property));
    }
    return alternative.value;
}

double CScalarChoice::GetNum() { return Get(m_num, "Num"); }
void CScalarChoice::SetNum(double value) { Select<Frame::DoubleKind>(m_num, "num", value); }
bool CScalarChoice::IsValidNum() { return m_num.isSet; }
void CScalarChoice::SetValidNum(bool valid) { SetValid(m_num, "num", valid); }

std::string CScalarChoice::GetStr() { return Get(m_str, "Str"); }
void CScalarChoice::SetStr(std::string value) {
    Select<Frame::StringKind>(m_str, "str", NqXmlLib3::CWhitespaceUtils::Preserve(std::move(value)));
}
bool CScalarChoice::IsValidStr() { return m_str.isSet; }
void CScalarChoice::SetValidStr(bool valid) { SetValid(m_str, "str", valid); }

bool CScalarChoice::GetBBool() { return Get(m_bBool, "BBool"); }
void CScalarChoice::SetBBool(bool value) { Select<Frame::BooleanKind>(m_bBool, "bBool", value); }
bool CScalarChoice::IsValidBBool() { return m_bBool.isSet; }
void CScalarChoice::SetValidBBool(bool valid) { SetValid(m_bBool, "bBool", valid); }

long CScalarChoice::GetErr() { return Get(m_err, "Err"); }
void CScalarChoice::SetErr(long value) { Select<Frame::IntKind>(m_err, "err", value); }
bool CScalarChoice::IsValidErr() { return m_err.isSet; }
void CScalarChoice::SetValidErr(bool valid) { SetValid(m_err, "err", valid); }

std::int64_t CScalarChoice::GetW() { return Get(m_w, "W"); }
void CScalarChoice::SetW(std::int64_t value) { Select<Frame::LongKind>(m_w, "w", value); }
bool CScalarChoice::IsValidW() { return m_w.isSet; }
void CScalarChoice::SetValidW(bool valid) { SetValid(m_w, "w", valid); }

std::string CScalarChoice::GetChoiceSelectedElement() const { return m_selectedElement; }

void CScalarChoice::WriteSelectedScalar(CXmlTextWriter* writer) {
    if (m_selectedElement.empty()) {
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
