// The root of a Storage document: any number of storage items, then the
// strings ClientID and KeyID.
#pragma once

#include "runtime/CompactString.h"
#include "runtime/InstanceMonitor.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/CStorageItem.h"
#include "storage/Collections.h"
#include "storage/Export.h"

#include <string>

namespace Storage {

class CClassFactory;

/// The document root ("StorageArray"): any number of storage items, then a client id and a key id.
class STORAGE_API CStorageArray : public NqXmlLib3::CInstanceMonitor, public virtual NqXmlLib3::CXmlObjectBase {
    friend class CClassFactory;

public:
    /// A new, empty array named "StorageArray".
    static NqXmlLib3::CSmartPtr<CStorageArray> CreateInstance();

    /// A copy shares the item collection of its source.
    CStorageArray(const CStorageArray& other);
    /// Takes the strings of `other` and shares its item collection.
    CStorageArray& operator=(const CStorageArray& other);

    /// The items in order; add one with GetStorageItems()->Add().
    NqXmlLib3::CSmartPtr<CStorageItemCol> GetStorageItems();
    /// The client id.
    std::string GetClientID();
    /// Sets the client id.
    void SetClientID(std::string value);
    /// The key id.
    std::string GetKeyID();
    /// Sets the key id.
    void SetKeyID(std::string value);

    /// Writes the array as the JSON form of its document: each element an object keyed by its
    /// children's names in their XML order, indented by two spaces unless `options.indent` is false
    /// (`options.declaration` has no JSON form); the text ends with a line feed. Fails as ToXml does.
    std::string ToJson(const NqXmlLib3::CWriteOptions& options = NqXmlLib3::CWriteOptions());
    /// Writes the JSON form to a file, all or nothing, as ToXmlFile does.
    void ToJsonFile(const std::string& path, const NqXmlLib3::CWriteOptions& options = NqXmlLib3::CWriteOptions());
    /// Reads the JSON form of a document into this array, replacing what it held, with the checks of
    /// FromXml and the same failures, each at the line and column of its JSON value; keys may come in
    /// any order. JSON that XML cannot carry, or that breaks the form, is refused at its place.
    void FromJson(const std::string& text);
    /// Reads the JSON form of a document from a file, as FromJson does.
    void FromJsonFile(const std::string& path);

    /// How this class's content is carried in the JSON form of a document, built from the same
    /// description of its content as its XML writer and reader.
    static const NqXmlLib3::CJsonShape& GetJsonShape();

    NqXmlLib3::CXmlObjectBase* GetBase() override;
    std::string GetTargetNamespace() const override;

protected:
    CStorageArray();
    explicit CStorageArray(std::string elementName);
    ~CStorageArray() override;

    void Cleanup();
    void Init();

    void OnEvent(NqXmlLib3::CXmlObjectBase* source, MsgType type, void* data) override;
    void AttributesToXml_Int(NqXmlLib3::CXmlTextWriter* writer) override;
    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* element, NqXmlLib3::CXmlElement* child) override;

private:
    template <class Visitor>
    void Content(Visitor& visitor);

    NqXmlLib3::CSmartPtr<CStorageItemCol> m_StorageItems;
    NqXmlLib3::CCompactString m_ClientID;
    NqXmlLib3::CCompactString m_KeyID;
};

} // namespace Storage
