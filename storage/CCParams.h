// A named parameter of a storage item: its value, its name and its key flag.
#pragma once

#include "runtime/CompactString.h"
#include "runtime/InstanceMonitor.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/CCParams_ChoiceA.h"
#include "storage/Export.h"

#include <string>

namespace Storage {

class CClassFactory;

/// A named parameter ("cParams", "parameters" in an item): its value, its name and its key flag.
class STORAGE_API CCParams : public NqXmlLib3::CInstanceMonitor, public virtual NqXmlLib3::CXmlObjectBase {
    friend class CClassFactory;

public:
    /// A new parameter named "cParams" with no value set.
    static NqXmlLib3::CSmartPtr<CCParams> CreateInstance();

    /// A copy shares the value object of its source.
    CCParams(const CCParams& other);
    /// Takes the name and flag of `other` and shares its value object.
    CCParams& operator=(const CCParams& other);

    /// The parameter's value: set one alternative on it, e.g. GetCParams_ChoiceA()->SetNum(2.5).
    NqXmlLib3::CSmartPtr<CCParams_ChoiceA> GetCParams_ChoiceA();
    /// Replaces the value object; refuses null.
    void SetCParams_ChoiceA(CCParams_ChoiceA* value);
    /// The parameter's name.
    std::string GetParamName();
    /// Sets the parameter's name.
    void SetParamName(std::string value);
    /// Whether the parameter is a key.
    bool GetIsKey();
    /// Sets whether the parameter is a key.
    void SetIsKey(bool value);

    /// How this class's content is carried in the JSON form of a document, built from the same
    /// description of its content as its XML writer and reader.
    static const NqXmlLib3::CJsonShape& GetJsonShape();

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
    NqXmlLib3::CCompactString m_ParamName;
    bool m_isKey = false;
};

} // namespace Storage
