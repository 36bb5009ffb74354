#include "storage/CCParams.h"

#include "storage/ElementFrame.h"
#include "storage/ElementNames.h"

namespace Storage {

using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

// The value first (one element of the choice), then the name and the key flag.
template <class Visitor>
void CCParams::Content(Visitor& visitor) {
    visitor.Choice(m_cParams_ChoiceA);
    visitor.Field(Frame::String, "ParamName", m_ParamName, &CCParams::SetParamName);
    visitor.Field(Frame::Boolean, "isKey", m_isKey, &CCParams::SetIsKey);
}

CSmartPtr<CCParams> CCParams::CreateInstance() { return new CCParams(); }

CCParams::CCParams() : CInstanceMonitor("CCParams") { Init(); }

CCParams::CCParams(std::string elementName) : CCParams() { Names::Assign(m_elementName, elementName); }

// Member-wise: scalars and strings are copied, children and collections shared.
CCParams::CCParams(const CCParams& other) = default;

CCParams& CCParams::operator=(const CCParams& other) = default;

CCParams::~CCParams() { Cleanup(); }

// The value object is given up only when it is replaced.
void CCParams::Cleanup() {}

void CCParams::Init() {
    Frame::RenewChoice(m_cParams_ChoiceA, "cParams_ChoiceA");
    m_ParamName.clear();
    m_isKey = false;
    Names::Assign(m_elementName, "cParams");
}

CSmartPtr<CCParams_ChoiceA> CCParams::GetCParams_ChoiceA() { return m_cParams_ChoiceA; }

void CCParams::SetCParams_ChoiceA(CCParams_ChoiceA* value) {
    CXmlObjectBase::Throw_IfPropertyIsNull(value ? value->GetBase() : nullptr, "cParams_ChoiceA");
    m_cParams_ChoiceA = value;
}

std::string CCParams::GetParamName() { return m_ParamName; }

void CCParams::SetParamName(std::string value) {
    Frame::Store(Frame::String, m_ParamName, "ParamName", std::move(value));
}

bool CCParams::GetIsKey() { return m_isKey; }

void CCParams::SetIsKey(bool value) { Frame::Store(Frame::Boolean, m_isKey, "isKey", value); }

const NqXmlLib3::CJsonShape& CCParams::GetJsonShape() {
    return Frame::ShapeOf<CCParams>("cParams", [](CCParams& object, auto& visitor) { object.Content(visitor); });
}

CXmlObjectBase* CCParams::GetBase() { return this; }

std::string CCParams::GetTargetNamespace() const { return TargetNamespaceUri; }

void CCParams::OnEvent(CXmlObjectBase*, MsgType, void*) {}

// The attributes of a group belong to the element that holds it.
void CCParams::AttributesToXml_Int(CXmlTextWriter* writer) {
    CXmlObjectBase::AttributesToXml_Int(m_cParams_ChoiceA->GetBase(), writer);
}

void CCParams::ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) {
    Frame::WriteElement(*this, writer, declareNamespaces, namespaceUri, [this](auto& visitor) { Content(visitor); });
}

CXmlElement* CCParams::FromXml_Int(CXmlElement* element, CXmlElement* child) {
    Init();
    return Frame::ReadElement(*this, element, child, Frame::Attributes::Accept,
                              [this](auto& visitor) { Content(visitor); });
}

} // namespace Storage
