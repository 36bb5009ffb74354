#include "storage/Collections.h"

#include "storage/CArrRange_ChoiceA.h"
#include "storage/CCParams.h"
#include "storage/CStorageItem.h"
#include "storage/ElementNames.h"
#include "storage/TargetNamespace.h"

#include "runtime/XmlElement.h"
#include "runtime/XmlTextWriter.h"

namespace Storage {

using NqXmlLib3::CNode;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

CStorageCollection::CStorageCollection(const char* className, CClassFactory::Storage_Classes itemClass,
                                       ItemRun run, const char* elementName, int minOccurs, int maxOccurs)
    : CInstanceMonitor(className), m_itemClass(itemClass), m_run(run) {
    Names::Assign(m_elementName, elementName ? elementName : "");
    m_minOccurs = minOccurs;
    m_maxOccurs = maxOccurs;
}

CStorageCollection::CStorageCollection(const CStorageCollection& other)
    : CXmlCollectionBase(other), CInstanceMonitor(other), m_itemClass(other.m_itemClass), m_run(other.m_run) {}

CStorageCollection& CStorageCollection::operator=(const CStorageCollection& other) {
    CXmlCollectionBase::operator=(other);
    CInstanceMonitor::operator=(other);
    m_itemClass = other.m_itemClass;
    m_run = other.m_run;
    return *this;
}

CStorageCollection::~CStorageCollection() = default;

std::string CStorageCollection::GetTargetNamespace() const { return TargetNamespaceUri; }

CSmartPtr<CXmlObjectBase> CStorageCollection::CreateItem() const {
    return CClassFactory::CreateClass(m_itemClass, m_elementName.c_str());
}

void CStorageCollection::AddItem(CXmlObjectBase* item) {
    CXmlObjectBase::Throw_IfPropertyIsNull(item, "item");
    if (m_run == ItemRun::Named) CXmlObjectBase::SetElementName(item, m_elementName);
    Append(item);
    FireOnCollectionChange();
}

CSmartPtr<CXmlObjectBase> CStorageCollection::AddNewItem() {
    CSmartPtr<CXmlObjectBase> item = CreateItem();
    Append(item.get());
    FireOnCollectionChange();
    return item;
}

void CStorageCollection::RemoveItem(CXmlObjectBase* item) { RemoveNode(item ? GetNodeForItem(item) : nullptr); }

// Inside its owner the items never declare namespaces, whatever the
// collection was asked. Written as a whole document (nothing open yet), the
// collection's one item is the root, and declares them when asked.
void CStorageCollection::ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) {
    ValidateCount();
    const bool isDocument = writer->GetDepth() == 0;
    if (isDocument) ValidateAsDocument();
    for (CNode* node = GetFirstNode(); node; node = node->m_next) {
        CXmlObjectBase::ToXml_Int(node->m_item->GetBase(), writer, isDocument && declareNamespaces, namespaceUri);
    }
}

CXmlElement* CStorageCollection::FromXml_Int(CXmlElement* parent, CXmlElement* current) {
    CXmlElement* next = ReadItems(parent, current);
    ShrinkToFit();  // a read collection rarely grows again
    return next;
}

// The items read are kept back and appended a batch at a time, so that the
// array of a collection read in one go is allocated once, at its final size,
// not regrown item by item. What was read is appended also when a later item
// fails, as it would be one by one.
struct CStorageCollection::ReadBatch {
    static constexpr int capacity = 32;
    CSmartPtr<CXmlObjectBase> items[capacity];
    int count = 0;
};

void CStorageCollection::AppendBatch(ReadBatch& batch) {
    Reserve(batch.count);
    for (int i = 0; i < batch.count; ++i) {
        Append(batch.items[i].get());
        batch.items[i] = nullptr;
        FireOnCollectionChange();
    }
    batch.count = 0;
}

CXmlElement* CStorageCollection::ReadItems(CXmlElement* parent, CXmlElement* current) {
    ReadBatch batch;
    try {
        current = ReadRun(parent, current, batch);
    } catch (...) {
        AppendBatch(batch);
        throw;
    }
    AppendBatch(batch);
    return current;
}

CXmlElement* CStorageCollection::ReadRun(CXmlElement* parent, CXmlElement* current, ReadBatch& batch) {
    const auto keep = [&](CSmartPtr<CXmlObjectBase> item) {
        if (batch.count == ReadBatch::capacity) AppendBatch(batch);
        batch.items[batch.count++] = std::move(item);
    };
    if (m_run == ItemRun::Named) {
        for (; current && current->GetLocalName() == m_elementName; current = current->GetNextSiblingElement()) {
            CSmartPtr<CXmlObjectBase> item = CreateItem();
            CXmlObjectBase::FromXml_Int(item.get(), current, current->GetFirstElement());
            keep(std::move(item));
        }
        return current;
    }
    while (current) {
        CSmartPtr<CXmlObjectBase> item = CreateItem();
        CXmlElement* next = CXmlObjectBase::FromXml_Int(item.get(), parent, current);
        if (next == current) return current;  // not an item: the new one is dropped
        keep(std::move(item));
        current = next;
    }
    return current;
}

CArrRange_ChoiceACol::CArrRange_ChoiceACol(const char* elementName, int minOccurs, int maxOccurs)
    : CTypedCollection("CArrRange_ChoiceACol", CClassFactory::ClassId_CArrRange_ChoiceA, ItemRun::Accepted,
                       elementName, minOccurs, maxOccurs) {}
CArrRange_ChoiceACol::CArrRange_ChoiceACol(const CArrRange_ChoiceACol& other)
    : CTypedCollection(other) {}
CArrRange_ChoiceACol& CArrRange_ChoiceACol::operator=(const CArrRange_ChoiceACol& other) {
    CTypedCollection::operator=(other);
    return *this;
}
CArrRange_ChoiceACol::~CArrRange_ChoiceACol() = default;

CCParamsCol::CCParamsCol(const char* elementName, int minOccurs, int maxOccurs)
    : CTypedCollection("CCParamsCol", CClassFactory::ClassId_CCParams, ItemRun::Named, elementName, minOccurs,
                       maxOccurs) {}
CCParamsCol::CCParamsCol(const CCParamsCol& other) : CTypedCollection(other) {}
CCParamsCol& CCParamsCol::operator=(const CCParamsCol& other) {
    CTypedCollection::operator=(other);
    return *this;
}
CCParamsCol::~CCParamsCol() = default;

CStorageItemCol::CStorageItemCol(const char* elementName, int minOccurs, int maxOccurs)
    : CTypedCollection("CStorageItemCol", CClassFactory::ClassId_CStorageItem, ItemRun::Named, elementName,
                       minOccurs, maxOccurs) {}
CStorageItemCol::CStorageItemCol(const CStorageItemCol& other) : CTypedCollection(other) {}
CStorageItemCol& CStorageItemCol::operator=(const CStorageItemCol& other) {
    CTypedCollection::operator=(other);
    return *this;
}
CStorageItemCol::~CStorageItemCol() = default;

} // namespace Storage
