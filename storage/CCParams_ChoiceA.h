// The value of a parameter: exactly one of the five scalar alternatives of a
// range cell, or a two-dimensional range ("Range"). A choice has no element of
// its own: it writes only the element of its set alternative and reads at
// most one element of its parameter's content.
#pragma once

#include "runtime/InstanceMonitor.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/CArrRange.h"
#include "storage/Export.h"
#include "storage/ScalarChoice.h"

#include <string>

namespace Storage {

class CClassFactory;

/// The value of a parameter: one of the five scalars or a range; it writes only the set alternative's element.
class STORAGE_API CCParams_ChoiceA : public NqXmlLib3::CInstanceMonitor,
                                     public virtual NqXmlLib3::CXmlObjectBase,
                                     public CScalarChoice {
    friend class CClassFactory;

public:
    /// A new value with no alternative set.
    static NqXmlLib3::CSmartPtr<CCParams_ChoiceA> CreateInstance();

    /// A copy with the same alternative, sharing the range of `other` when that is set.
    CCParams_ChoiceA(const CCParams_ChoiceA& other);
    /// Takes the alternative of `other`, sharing its range when that is set.
    CCParams_ChoiceA& operator=(const CCParams_ChoiceA& other);

    /// The range, or an empty pointer when the range alternative is not set.
    NqXmlLib3::CSmartPtr<CArrRange> GetRange();
    /// Selects the range alternative and names the range "Range"; null unsets every alternative.
    void SetRange(CArrRange* range);

    /// How this class's content is carried in the JSON form of a document, built from the same
    /// description of its content as its XML writer and reader.
    static const NqXmlLib3::CJsonShape& GetJsonShape();

    NqXmlLib3::CXmlObjectBase* GetBase() override;
    std::string GetTargetNamespace() const override;

protected:
    CCParams_ChoiceA();
    explicit CCParams_ChoiceA(std::string elementName);
    ~CCParams_ChoiceA() override;

    void Cleanup();
    void Init();
    void ClearChoice(const char* selectedElement) override;

    void OnEvent(NqXmlLib3::CXmlObjectBase* source, MsgType type, void* data) override;
    void AttributesToXml_Int(NqXmlLib3::CXmlTextWriter* writer) override;
    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* parent, NqXmlLib3::CXmlElement* cursor) override;

private:
    NqXmlLib3::CSmartPtr<CArrRange> m_Range;
};

} // namespace Storage
