// The typed collections: the repeated children of an element, all written
// and read under one element name, with occurrence limits.
//
// CStorageCollection does the work once, on untyped items: creating them
// through the class factory, writing them one after another, and reading the
// run of elements they come from. CTypedCollection<T> only adds typed access.
#pragma once

#include "runtime/InstanceMonitor.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlCollectionBase.h"
#include "storage/ClassFactory.h"
#include "storage/Export.h"

#include <string>

namespace Storage {

class CArrRange_ChoiceA;
class CCParams;
class CStorageItem;

class STORAGE_API CStorageCollection : public NqXmlLib3::CXmlCollectionBase, private NqXmlLib3::CInstanceMonitor {
public:
    std::string GetTargetNamespace() const override;

protected:
    // Which elements a read takes as items.
    enum class ItemRun {
        Named,      // the run of elements named like the collection; each item reads its element's inside
        Accepted,   // the run of elements that a new item accepts (the cells of a range)
    };

    CStorageCollection(const char* className, CClassFactory::Storage_Classes itemClass, ItemRun run,
                       const char* elementName, int minOccurs, int maxOccurs);
    CStorageCollection(const CStorageCollection& other);
    CStorageCollection& operator=(const CStorageCollection& other);
    ~CStorageCollection() override;

    // Appends an item the host made; a named run gives it the collection's element name.
    void AddItem(NqXmlLib3::CXmlObjectBase* item);
    // Creates an item named like the collection and appends it.
    NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> AddNewItem();
    void RemoveItem(NqXmlLib3::CXmlObjectBase* item);

    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* parent, NqXmlLib3::CXmlElement* current) override;

private:
    NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateItem() const;
    // Reads the run of items starting at `current`; returns the first element not read.
    NqXmlLib3::CXmlElement* ReadItems(NqXmlLib3::CXmlElement* parent, NqXmlLib3::CXmlElement* current);

    CClassFactory::Storage_Classes m_itemClass;
    ItemRun m_run;
};

template <class T>
class STORAGE_TEMPLATE CTypedCollection : public CStorageCollection {
public:
    NqXmlLib3::CSmartPtr<T> Add(T* item) {
        AddItem(item ? item->GetBase() : nullptr);
        return NqXmlLib3::CSmartPtr<T>(item);
    }
    NqXmlLib3::CSmartPtr<T> Add() { return NqXmlLib3::DynamicCast<T>(AddNewItem()); }
    // The item at a position counted from 0; throws CNqException for a position that does not exist.
    NqXmlLib3::CSmartPtr<T> Item(int index) {
        return NqXmlLib3::CSmartPtr<T>(dynamic_cast<T*>(GetNodeAtIndex(index)->m_item));
    }
    void Remove(T* item) { RemoveItem(item ? item->GetBase() : nullptr); }
    using CXmlCollectionBase::Remove;

    NqXmlLib3::CNqIterator<T> begin() { return NqXmlLib3::CNqIterator<T>(GetFirstNode()); }
    NqXmlLib3::CNqIterator<T> end() { return NqXmlLib3::CNqIterator<T>(nullptr); }

protected:
    using CStorageCollection::CStorageCollection;
};

// The cells of a range. Cells keep their own element name when added.
class STORAGE_API CArrRange_ChoiceACol : public CTypedCollection<CArrRange_ChoiceA> {
    friend class CClassFactory;

public:
    CArrRange_ChoiceACol(const CArrRange_ChoiceACol& other);
    CArrRange_ChoiceACol& operator=(const CArrRange_ChoiceACol& other);
    ~CArrRange_ChoiceACol() override;

protected:
    CArrRange_ChoiceACol(const char* elementName, int minOccurs, int maxOccurs);
};

// The parameters of a storage item.
class STORAGE_API CCParamsCol : public CTypedCollection<CCParams> {
    friend class CClassFactory;

public:
    CCParamsCol(const CCParamsCol& other);
    CCParamsCol& operator=(const CCParamsCol& other);
    ~CCParamsCol() override;

protected:
    CCParamsCol(const char* elementName, int minOccurs, int maxOccurs);
};

// The items of a storage array.
class STORAGE_API CStorageItemCol : public CTypedCollection<CStorageItem> {
    friend class CClassFactory;

public:
    CStorageItemCol(const CStorageItemCol& other);
    CStorageItemCol& operator=(const CStorageItemCol& other);
    ~CStorageItemCol() override;

protected:
    CStorageItemCol(const char* elementName, int minOccurs, int maxOccurs);
};

} // namespace Storage
