// A named parameter of a storage item: its value, its name and its key flag.
#pragma once

#include "runtime/InstanceMonitor.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/CCParams_ChoiceA.h"
#include "storage/Export.h"

#include <string>

namespace Storage {

class CClassFactory;

class STORAGE_API CCParams : public NqXmlLib3::CInstanceMonitor, public virtual NqXmlLib3::CXmlObjectBase {
    friend class CClassFactory;

public:
    static NqXmlLib3::CSmartPtr<CCParams> CreateInstance();

    // A copy shares the value object of its source.
    CCParams(const CCParams& other);
    CCParams& operator=(const CCParams& other);

    NqXmlLib3::CSmartPtr<CCParams_ChoiceA> GetCParams_ChoiceA();
    // Replaces the value object; refuses null.
    void SetCParams_ChoiceA(CCParams_ChoiceA* value);
    std::string GetParamName();
    void SetParamName(std::string value);
    bool GetIsKey();
    void SetIsKey(bool value);

    NqXmlLib3::CXmlObjectBase* GetBase() override;
    std::string GetTargetNamespace() const override;

protected:
    CCParams();
    explicit CCParams(std::string elementName);
    ~CCParams() override;

    void Cleanup();
    void Init();

    void OnEvent(NqXmlLib3::CXmlObjectBase* source, MsgType type, void* data) override;
    void AttributesToXml_Int(NqXmlLib3::CXmlTextWriter* writer) override;
    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* element, NqXmlLib3::CXmlElement* child) override;

private:
    template <class Visitor>
    void Content(Visitor& visitor);

    NqXmlLib3::CSmartPtr<CCParams_ChoiceA> m_cParams_ChoiceA;
    std::string m_ParamName;
    bool m_isKey = false;
};

} // namespace Storage
