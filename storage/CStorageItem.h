// One entry of a storage array: four strings and one or more parameters.
#pragma once

#include "runtime/CompactString.h"
#include "runtime/InstanceMonitor.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/CCParams.h"
#include "storage/Collections.h"
#include "storage/Export.h"

#include <string>

namespace Storage {

class CClassFactory;

/// One storage item ("StorageItem", "StorageItems" in an array): four strings and one or more parameters.
class STORAGE_API CStorageItem : public NqXmlLib3::CInstanceMonitor, public virtual NqXmlLib3::CXmlObjectBase {
    friend class CClassFactory;

public:
    /// A new, empty item named "StorageItem".
    static NqXmlLib3::CSmartPtr<CStorageItem> CreateInstance();

    /// A copy shares the parameter collection of its source.
    CStorageItem(const CStorageItem& other);
    /// Takes the strings of `other` and shares its parameter collection.
    CStorageItem& operator=(const CStorageItem& other);

    /// The item's parameters; add one with GetParameters()->Add().
    NqXmlLib3::CSmartPtr<CCParamsCol> GetParameters();
    /// The client id.
    std::string GetClientID();
    /// Sets the client id.
    void SetClientID(std::string value);
    /// The category id.
    std::string GetCatID();
    /// Sets the category id.
    void SetCatID(std::string value);
    /// The function name.
    std::string GetFunctionName();
    /// Sets the function name.
    void SetFunctionName(std::string value);
    /// The key id.
    std::string GetKeyID();
    /// Sets the key id.
    void SetKeyID(std::string value);

    /// How this class's content is carried in the JSON form of a document, built from the same
    /// description of its content as its XML writer and reader.
    static const NqXmlLib3::CJsonShape& GetJsonShape();

    NqXmlLib3::CXmlObjectBase* GetBase() override;
    std::string GetTargetNamespace() const override;

protected:
    CStorageItem();
    explicit CStorageItem(std::string elementName);
    ~CStorageItem() override;

    void Cleanup();
    void Init();

    void OnEvent(NqXmlLib3::CXmlObjectBase* source, MsgType type, void* data) override;
    void AttributesToXml_Int(NqXmlLib3::CXmlTextWriter* writer) override;
    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* element, NqXmlLib3::CXmlElement* child) override;

private:
    template <class Visitor>
    void Content(Visitor& visitor);

    NqXmlLib3::CCompactString m_ClientID;
    NqXmlLib3::CCompactString m_CatID;
    NqXmlLib3::CCompactString m_FunctionName;
    NqXmlLib3::CCompactString m_KeyID;
    NqXmlLib3::CSmartPtr<CCParamsCol> m_parameters;
};

} // namespace Storage
