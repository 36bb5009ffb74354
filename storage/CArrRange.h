// A two-dimensional range ("arrRange"): one or more cells, then the row and
// column counts. The counts are kept as given; they are not compared with the
// number of cells.
#pragma once

#include "runtime/InstanceMonitor.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlObjectBase.h"
#include "storage/CArrRange_ChoiceA.h"
#include "storage/Collections.h"
#include "storage/Export.h"

#include <string>

namespace Storage {

class CClassFactory;

/// A two-dimensional range ("arrRange", "Range" in a parameter): one or more cells, then the row and column counts.
class STORAGE_API CArrRange : public NqXmlLib3::CInstanceMonitor, public virtual NqXmlLib3::CXmlObjectBase {
    friend class CClassFactory;

public:
    /// A new, empty range named "arrRange".
    static NqXmlLib3::CSmartPtr<CArrRange> CreateInstance();

    /// A copy shares the cell collection of its source.
    CArrRange(const CArrRange& other);
    /// Takes the counts of `other` and shares its cell collection.
    CArrRange& operator=(const CArrRange& other);

    /// The cells in order; add one with GetArrRange_ChoiceA()->Add().
    NqXmlLib3::CSmartPtr<CArrRange_ChoiceACol> GetArrRange_ChoiceA();
    /// The row count, kept as given.
    long GetRows();
    /// Sets the row count; refuses one outside the 32-bit range.
    void SetRows(long value);
    /// The column count, kept as given.
    long GetColumns();
    /// Sets the column count; refuses one outside the 32-bit range.
    void SetColumns(long value);

    /// How this class's content is carried in the JSON form of a document, built from the same
    /// description of its content as its XML writer and reader.
    static const NqXmlLib3::CJsonShape& GetJsonShape();

    NqXmlLib3::CXmlObjectBase* GetBase() override;
    std::string GetTargetNamespace() const override;

protected:
    CArrRange();
    explicit CArrRange(std::string elementName);
    ~CArrRange() override;

    void Cleanup();
    void Init();

    void OnEvent(NqXmlLib3::CXmlObjectBase* source, MsgType type, void* data) override;
    void AttributesToXml_Int(NqXmlLib3::CXmlTextWriter* writer) override;
    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* element, NqXmlLib3::CXmlElement* child) override;

private:
    template <class Visitor>
    void Content(Visitor& visitor);

    NqXmlLib3::CSmartPtr<CArrRange_ChoiceACol> m_arrRange_ChoiceA;
    long m_rows = 0;
    long m_columns = 0;
};

} // namespace Storage
