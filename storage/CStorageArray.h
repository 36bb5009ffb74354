// The root of a Storage document: any number of storage items, then the
// strings ClientID and KeyID.
#pragma once

#include "runtime/CompactString.h"
#include "runtime/InstanceMonitor.h"
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
