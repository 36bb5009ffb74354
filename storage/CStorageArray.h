// The root of a Storage document: any number of storage items, then the
// strings ClientID and KeyID.
#pragma once

#include "runtime/InstanceMonitor.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/CStorageItem.h"
#include "storage/Collections.h"
#include "storage/Export.h"

#include <string>

namespace Storage {

class CClassFactory;

class STORAGE_API CStorageArray : public NqXmlLib3::CInstanceMonitor, public virtual NqXmlLib3::CXmlObjectBase {
    friend class CClassFactory;

public:
    static NqXmlLib3::CSmartPtr<CStorageArray> CreateInstance();

    // A copy shares the item collection of its source.
    CStorageArray(const CStorageArray& other);
    CStorageArray& operator=(const CStorageArray& other);

    NqXmlLib3::CSmartPtr<CStorageItemCol> GetStorageItems();
    std::string GetClientID();
    void SetClientID(std::string value);
    std::string GetKeyID();
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
    std::string m_ClientID;
    std::string m_KeyID;
};

} // namespace Storage
