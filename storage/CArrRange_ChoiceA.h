// One cell of a range: exactly one of a double ("num"), a string ("str"), a
// boolean ("bBool"), a 32-bit error code ("err") or a 64-bit integer ("w").
// A choice has no element of its own: it writes only the element of its set
// alternative and reads at most one element of its range's content.
#pragma once

#include "runtime/InstanceMonitor.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/Export.h"
#include "storage/ScalarChoice.h"

#include <string>

namespace Storage {

class CClassFactory;

/// One cell of a range: one of the five scalars; it writes only the set alternative's element.
class STORAGE_API CArrRange_ChoiceA : public NqXmlLib3::CInstanceMonitor,
                                      public virtual NqXmlLib3::CXmlObjectBase,
                                      public CScalarChoice {
    friend class CClassFactory;

public:
    /// A new cell with no alternative set.
    static NqXmlLib3::CSmartPtr<CArrRange_ChoiceA> CreateInstance();

    /// A copy with the same alternative and value.
    CArrRange_ChoiceA(const CArrRange_ChoiceA& other);
    /// Takes the alternative and value of `other`.
    CArrRange_ChoiceA& operator=(const CArrRange_ChoiceA& other);

    /// How this class's content is carried in the JSON form of a document, built from the same
    /// description of its content as its XML writer and reader.
    static const NqXmlLib3::CJsonShape& GetJsonShape();

    NqXmlLib3::CXmlObjectBase* GetBase() override;
    std::string GetTargetNamespace() const override;

protected:
    CArrRange_ChoiceA();
    explicit CArrRange_ChoiceA(std::string elementName);
    ~CArrRange_ChoiceA() override;

    void Cleanup();
    void Init();

    void OnEvent(NqXmlLib3::CXmlObjectBase* source, MsgType type, void* data) override;
    void AttributesToXml_Int(NqXmlLib3::CXmlTextWriter* writer) override;
    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* parent, NqXmlLib3::CXmlElement* cursor) override;
};

} // namespace Storage
