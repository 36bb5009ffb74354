#include "storage/CStorageArray.h"

#include "storage/ClassFactory.h"
#include "storage/ElementFrame.h"
#include "storage/ElementNames.h"

namespace Storage {

using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

// The run of "StorageItems" elements, then the two strings.
template <class Visitor>
void CStorageArray::Content(Visitor& visitor) {
    visitor.Collection(m_StorageItems, TargetNamespaceUri);
    visitor.Field(Frame::String, "ClientID", m_ClientID, &CStorageArray::SetClientID);
    visitor.Field(Frame::String, "KeyID", m_KeyID, &CStorageArray::SetKeyID);
}

CSmartPtr<CStorageArray> CStorageArray::CreateInstance() { return new CStorageArray(); }

CStorageArray::CStorageArray() : CInstanceMonitor("CStorageArray") { Init(); }

CStorageArray::CStorageArray(std::string elementName) : CStorageArray() { Names::Assign(m_elementName, elementName); }

// Member-wise: scalars and strings are copied, children and collections shared.
CStorageArray::CStorageArray(const CStorageArray& other) = default;

CStorageArray& CStorageArray::operator=(const CStorageArray& other) = default;

CStorageArray::~CStorageArray() { Cleanup(); }

void CStorageArray::Cleanup() { m_StorageItems = nullptr; }

void CStorageArray::Init() {
    Frame::RenewCollection(m_StorageItems, CClassFactory::ClassId_CStorageItemCol, "StorageItems", 0);
    m_ClientID.clear();
    m_KeyID.clear();
    Names::Assign(m_elementName, "StorageArray");
}

CSmartPtr<CStorageItemCol> CStorageArray::GetStorageItems() { return m_StorageItems; }

std::string CStorageArray::GetClientID() { return m_ClientID; }

void CStorageArray::SetClientID(std::string value) { Frame::Store(Frame::String, m_ClientID, "ClientID", std::move(value)); }

std::string CStorageArray::GetKeyID() { return m_KeyID; }

void CStorageArray::SetKeyID(std::string value) { Frame::Store(Frame::String, m_KeyID, "KeyID", std::move(value)); }

CXmlObjectBase* CStorageArray::GetBase() { return this; }

std::string CStorageArray::GetTargetNamespace() const { return TargetNamespaceUri; }

void CStorageArray::OnEvent(CXmlObjectBase*, MsgType, void*) {}

void CStorageArray::AttributesToXml_Int(CXmlTextWriter*) {}

void CStorageArray::ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) {
    Frame::WriteElement(*this, writer, declareNamespaces, namespaceUri, [this](auto& visitor) { Content(visitor); });
}

CXmlElement* CStorageArray::FromXml_Int(CXmlElement* element, CXmlElement* child) {
    Init();
    return Frame::ReadElement(*this, element, child, Frame::Attributes::Refuse,
                              [this](auto& visitor) { Content(visitor); });
}

} // namespace Storage
