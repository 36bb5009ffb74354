#include "storage/CStorageArray.h"

#include "storage/ClassFactory.h"
#include "storage/ElementFrame.h"
#include "storage/ElementNames.h"

#include "runtime/FileSystem.h"

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

std::string CStorageArray::ToJson(const NqXmlLib3::CWriteOptions& options) {
    CXmlTextWriter writer(GetJsonShape(), options.indent);
    ToXml_Int(&writer, true, TargetNamespaceUri);
    return writer.TakeXml();
}

void CStorageArray::ToJsonFile(const std::string& path, const NqXmlLib3::CWriteOptions& options) {
    NqXmlLib3::ReplaceFileContents(path, ToJson(options));
}

void CStorageArray::FromJson(const std::string& text) {
    ReadDocument(*NqXmlLib3::CXmlDocument::OpenText(text, NqXmlLib3::CSyntax::Json, &GetJsonShape()));
}

void CStorageArray::FromJsonFile(const std::string& path) {
    ReadDocument(*NqXmlLib3::CXmlDocument::OpenFile(path, NqXmlLib3::CSyntax::Json, &GetJsonShape()));
}

CSmartPtr<CStorageItemCol> CStorageArray::GetStorageItems() { return m_StorageItems; }

std::string CStorageArray::GetClientID() { return m_ClientID; }

void CStorageArray::SetClientID(std::string value) { Frame::Store(Frame::String, m_ClientID, "ClientID", std::move(value)); }

std::string CStorageArray::GetKeyID() { return m_KeyID; }

void CStorageArray::SetKeyID(std::string value) { Frame::Store(Frame::String, m_KeyID, "KeyID", std::move(value)); }

const NqXmlLib3::CJsonShape& CStorageArray::GetJsonShape() {
    return Frame::ShapeOf<CStorageArray>("StorageArray", [](CStorageArray& object, auto& visitor) { object.Content(visitor); });
}

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
