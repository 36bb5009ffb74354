#include "storage/CStorageItem.h"

#include "storage/ClassFactory.h"
#include "storage/ElementFrame.h"
#include "storage/ElementNames.h"

namespace Storage {

using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

// Four strings, then the run of "parameters" elements.
template <class Visitor>
void CStorageItem::Content(Visitor& visitor) {
    visitor.Field(Frame::String, "ClientID", m_ClientID, &CStorageItem::SetClientID);
    visitor.Field(Frame::String, "CatID", m_CatID, &CStorageItem::SetCatID);
    visitor.Field(Frame::String, "FunctionName", m_FunctionName, &CStorageItem::SetFunctionName);
    visitor.Field(Frame::String, "KeyID", m_KeyID, &CStorageItem::SetKeyID);
    visitor.Collection(m_parameters, TargetNamespaceUri);
}

CSmartPtr<CStorageItem> CStorageItem::CreateInstance() { return new CStorageItem(); }

CStorageItem::CStorageItem() : CInstanceMonitor("CStorageItem") { Init(); }

CStorageItem::CStorageItem(std::string elementName) : CStorageItem() { Names::Assign(m_elementName, elementName); }

// Member-wise: scalars and strings are copied, children and collections shared.
CStorageItem::CStorageItem(const CStorageItem& other) = default;

CStorageItem& CStorageItem::operator=(const CStorageItem& other) = default;

CStorageItem::~CStorageItem() { Cleanup(); }

void CStorageItem::Cleanup() { m_parameters = nullptr; }

void CStorageItem::Init() {
    m_ClientID.clear();
    m_CatID.clear();
    m_FunctionName.clear();
    m_KeyID.clear();
    Frame::RenewCollection(m_parameters, CClassFactory::ClassId_CCParamsCol, "parameters", 1);
    Names::Assign(m_elementName, "StorageItem");
}

CSmartPtr<CCParamsCol> CStorageItem::GetParameters() { return m_parameters; }

std::string CStorageItem::GetClientID() { return m_ClientID; }
void CStorageItem::SetClientID(std::string value) { Frame::Store(Frame::String, m_ClientID, "ClientID", std::move(value)); }
std::string CStorageItem::GetCatID() { return m_CatID; }
void CStorageItem::SetCatID(std::string value) { Frame::Store(Frame::String, m_CatID, "CatID", std::move(value)); }
std::string CStorageItem::GetFunctionName() { return m_FunctionName; }
void CStorageItem::SetFunctionName(std::string value) {
    Frame::Store(Frame::String, m_FunctionName, "FunctionName", std::move(value));
}
std::string CStorageItem::GetKeyID() { return m_KeyID; }
void CStorageItem::SetKeyID(std::string value) { Frame::Store(Frame::String, m_KeyID, "KeyID", std::move(value)); }

const NqXmlLib3::CJsonShape& CStorageItem::GetJsonShape() {
    return Frame::ShapeOf<CStorageItem>("StorageItem", [](CStorageItem& object, auto& visitor) { object.Content(visitor); });
}

CXmlObjectBase* CStorageItem::GetBase() { return this; }

std::string CStorageItem::GetTargetNamespace() const { return TargetNamespaceUri; }

void CStorageItem::OnEvent(CXmlObjectBase*, MsgType, void*) {}

void CStorageItem::AttributesToXml_Int(CXmlTextWriter*) {}

void CStorageItem::ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) {
    Frame::WriteElement(*this, writer, declareNamespaces, namespaceUri, [this](auto& visitor) { Content(visitor); });
}

CXmlElement* CStorageItem::FromXml_Int(CXmlElement* element, CXmlElement* child) {
    Init();
    return Frame::ReadElement(*this, element, child, Frame::Attributes::Refuse,
                              [this](auto& visitor) { Content(visitor); });
}

} // namespace Storage
