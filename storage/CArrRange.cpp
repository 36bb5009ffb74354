#include "storage/CArrRange.h"

#include "storage/ClassFactory.h"
#include "storage/ElementFrame.h"
#include "storage/ElementNames.h"

namespace Storage {

using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

// The cells (a choice group: no namespace of its own, and in JSON the array
// "cells"), then the two counts.
template <class Visitor>
void CArrRange::Content(Visitor& visitor) {
    visitor.Collection(m_arrRange_ChoiceA, Frame::NoNamespace, "cells");
    visitor.Field(Frame::Int, "rows", m_rows, &CArrRange::SetRows);
    visitor.Field(Frame::Int, "columns", m_columns, &CArrRange::SetColumns);
}

CSmartPtr<CArrRange> CArrRange::CreateInstance() { return new CArrRange(); }

CArrRange::CArrRange() : CInstanceMonitor("CArrRange") { Init(); }

CArrRange::CArrRange(std::string elementName) : CArrRange() { Names::Assign(m_elementName, elementName); }

// Member-wise: scalars and strings are copied, children and collections shared.
CArrRange::CArrRange(const CArrRange& other) = default;

CArrRange& CArrRange::operator=(const CArrRange& other) = default;

CArrRange::~CArrRange() { Cleanup(); }

void CArrRange::Cleanup() { m_arrRange_ChoiceA = nullptr; }

void CArrRange::Init() {
    Frame::RenewCollection(m_arrRange_ChoiceA, CClassFactory::ClassId_CArrRange_ChoiceACol, "arrRange_ChoiceA", 1);
    m_rows = 0;
    m_columns = 0;
    Names::Assign(m_elementName, "arrRange");
}

CSmartPtr<CArrRange_ChoiceACol> CArrRange::GetArrRange_ChoiceA() { return m_arrRange_ChoiceA; }

long CArrRange::GetRows() { return m_rows; }

void CArrRange::SetRows(long value) { Frame::Store(Frame::Int, m_rows, "rows", value); }

long CArrRange::GetColumns() { return m_columns; }

void CArrRange::SetColumns(long value) { Frame::Store(Frame::Int, m_columns, "columns", value); }

const NqXmlLib3::CJsonShape& CArrRange::GetJsonShape() {
    return Frame::ShapeOf<CArrRange>("arrRange", [](CArrRange& object, auto& visitor) { object.Content(visitor); });
}

CXmlObjectBase* CArrRange::GetBase() { return this; }

std::string CArrRange::GetTargetNamespace() const { return TargetNamespaceUri; }

void CArrRange::OnEvent(CXmlObjectBase*, MsgType, void*) {}

// The attributes of a group belong to the element that holds it.
void CArrRange::AttributesToXml_Int(CXmlTextWriter* writer) {
    CXmlObjectBase::AttributesToXml_Int(m_arrRange_ChoiceA->GetBase(), writer);
}

void CArrRange::ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) {
    Frame::WriteElement(*this, writer, declareNamespaces, namespaceUri, [this](auto& visitor) { Content(visitor); });
}

CXmlElement* CArrRange::FromXml_Int(CXmlElement* element, CXmlElement* child) {
    Init();
    return Frame::ReadElement(*this, element, child, Frame::Attributes::Accept,
                              [this](auto& visitor) { Content(visitor); });
}

} // namespace Storage
