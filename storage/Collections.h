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

/// The work of every typed collection on untyped items: creating, writing and reading them under one element name.
class STORAGE_API CStorageCollection : public NqXmlLib3::CXmlCollectionBase, private NqXmlLib3::CInstanceMonitor {
public:
    std::string GetTargetNamespace() const override;

protected:
    /// Which elements a read takes as items.
    enum class ItemRun {
        Named,      ///< the run of elements named like the collection; each item reads its element's inside
        Accepted,   ///< the run of elements that a new item accepts (the cells of a range)
    };

    CStorageCollection(const char* className, CClassFactory::Storage_Classes itemClass, ItemRun run,
                       const char* elementName, int minOccurs, int maxOccurs);
    CStorageCollection(const CStorageCollection& other);
    CStorageCollection& operator=(const CStorageCollection& other);
    ~CStorageCollection() override;

    /// Appends an item the host made; a named run gives it the collection's element name.
    void AddItem(NqXmlLib3::CXmlObjectBase* item);
    /// Creates an item named like the collection and appends it.
    NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> AddNewItem();
    void RemoveItem(NqXmlLib3::CXmlObjectBase* item);

    void ToXml_Int(NqXmlLib3::CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override;
    NqXmlLib3::CXmlElement* FromXml_Int(NqXmlLib3::CXmlElement* parent, NqXmlLib3::CXmlElement* current) override;

private:
    NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateItem() const;
    struct ReadBatch;
    // Reads the run of items starting at `current`; returns the first element not read.
    NqXmlLib3::CXmlElement* ReadItems(NqXmlLib3::CXmlElement* parent, NqXmlLib3::CXmlElement* current);
    NqXmlLib3::CXmlElement* ReadRun(NqXmlLib3::CXmlElement* parent, NqXmlLib3::CXmlElement* current,
                                    ReadBatch& batch);
    // Appends the items of the batch, which is left empty.
    void AppendBatch(ReadBatch& batch);

    CClassFactory::Storage_Classes m_itemClass;
    ItemRun m_run;
};

/// A collection of items of class T, in order, with occurrence limits; usable in a range-for.
template <class T>
class STORAGE_TEMPLATE CTypedCollection : public CStorageCollection {
public:
    /// The class of the items.
    using ItemType = T;

    /// Appends an item the host made (a named run gives it the collection's element name) and returns it.
    NqXmlLib3::CSmartPtr<T> Add(T* item) {
        AddItem(item ? item->GetBase() : nullptr);
        return NqXmlLib3::CSmartPtr<T>(item);
    }
    /// Creates a new item, appends it and returns it.
    NqXmlLib3::CSmartPtr<T> Add() { return NqXmlLib3::DynamicCast<T>(AddNewItem()); }
    /// The item at a position counted from 0; throws CNqException for a position that does not exist.
    NqXmlLib3::CSmartPtr<T> Item(int index) {
        return NqXmlLib3::CSmartPtr<T>(dynamic_cast<T*>(GetNodeAtIndex(index)->m_item));
    }
    /// Removes the item, if the collection holds it.
    void Remove(T* item) { RemoveItem(item ? item->GetBase() : nullptr); }
    using CXmlCollectionBase::Remove;

    /// The first item, for a range-for.
    NqXmlLib3::CNqIterator<T> begin() { return NqXmlLib3::CNqIterator<T>(GetFirstNode()); }
    /// Past the last item.
    NqXmlLib3::CNqIterator<T> end() { return NqXmlLib3::CNqIterator<T>(nullptr); }

protected:
    using CStorageCollection::CStorageCollection;
};

/// The cells of a range. Cells keep their own element name when added.
class STORAGE_API CArrRange_ChoiceACol : public CTypedCollection<CArrRange_ChoiceA> {
    friend class CClassFactory;

public:
    /// A copy holding the same cells (shared) and limits.
    CArrRange_ChoiceACol(const CArrRange_ChoiceACol& other);
    /// Holds the same cells (shared) and limits as `other`.
    CArrRange_ChoiceACol& operator=(const CArrRange_ChoiceACol& other);
    /// Gives up the references on the cells.
    ~CArrRange_ChoiceACol() override;

protected:
    CArrRange_ChoiceACol(const char* elementName, int minOccurs, int maxOccurs);
};

/// The parameters of a storage item.
class STORAGE_API CCParamsCol : public CTypedCollection<CCParams> {
    friend class CClassFactory;

public:
    /// A copy holding the same parameters (shared) and limits.
    CCParamsCol(const CCParamsCol& other);
    /// Holds the same parameters (shared) and limits as `other`.
    CCParamsCol& operator=(const CCParamsCol& other);
    /// Gives up the references on the parameters.
    ~CCParamsCol() override;

protected:
    CCParamsCol(const char* elementName, int minOccurs, int maxOccurs);
};

/// The items of a storage array.
class STORAGE_API CStorageItemCol : public CTypedCollection<CStorageItem> {
    friend class CClassFactory;

public:
    /// A copy holding the same items (shared) and limits.
    CStorageItemCol(const CStorageItemCol& other);
    /// Holds the same items (shared) and limits as `other`.
    CStorageItemCol& operator=(const CStorageItemCol& other);
    /// Gives up the references on the items.
    ~CStorageItemCol() override;

protected:
    CStorageItemCol(const char* elementName, int minOccurs, int maxOccurs);
};

} // namespace Storage
