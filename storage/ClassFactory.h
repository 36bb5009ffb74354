// The class factories: every object of the binding can be made from a class id.
#pragma once

#include "runtime/ClassfactoryBase.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlCollectionBase.h"
#include "runtime/XmlObjectBase.h"
#include "storage/Export.h"

namespace Storage {

class STORAGE_API CClassFactory : public NqXmlLib3::CClassfactoryBase {
public:
    enum Storage_Classes : int {
        ClassId_NONE = 0,
        ClassId_CArrRange_ChoiceA = 1,
        ClassId_CArrRange = 2,
        ClassId_CCParams = 3,
        ClassId_CCParams_ChoiceA = 4,
        ClassId_CStorageArray = 5,
        ClassId_CStorageItem = 6,
        ClassId_CArrRange_ChoiceACol = 7,
        ClassId_CCParamsCol = 8,
        ClassId_CStorageItemCol = 9,
    };

    CClassFactory();
    CClassFactory(const CClassFactory& other);
    CClassFactory& operator=(const CClassFactory& other);
    ~CClassFactory() override;

    // A new element or choice object with its class's default element name.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(Storage_Classes classId);
    // The same, named `elementName`.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(Storage_Classes classId,
                                                                      const char* elementName);
    // A new, empty collection whose items are named `elementName`, with its
    // occurrence limits (maxOccurs -1: no upper limit); a limit outside the
    // range of an int is refused with a CNqException.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateClassCollection(Storage_Classes classId,
                                                                                    const char* elementName,
                                                                                    long minOccurs, long maxOccurs);
    // The schema defines no enumerated type: every id is refused.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateEnumCollection(Storage_Classes classId,
                                                                                   const char* elementName,
                                                                                   const char* enumName,
                                                                                   long minOccurs, long maxOccurs);

private:
    // Makes an object of class C, named `elementName` when one is given.
    template <class C>
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> Make(const char* elementName);
    // Makes a collection of class C, refusing a limit that an int cannot hold; the minimum is checked first.
    template <class C>
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> MakeCollection(const char* elementName, long minOccurs,
                                                                             long maxOccurs);
};

// The schema defines no enumerated type.
class STORAGE_API CEnumerations {
public:
    CEnumerations& operator=(const CEnumerations&) { return *this; }
};

} // namespace Storage

namespace StorageLib {

// A factory of the same shape that knows no class: it refuses every id.
class STORAGE_API CClassFactory : public NqXmlLib3::CClassfactoryBase {
public:
    enum StorageLib_Classes : int { ClassId_NONE = 0 };

    CClassFactory();
    CClassFactory(const CClassFactory& other);
    CClassFactory& operator=(const CClassFactory& other);
    ~CClassFactory() override;

    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(StorageLib_Classes classId);
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(StorageLib_Classes classId,
                                                                      const char* elementName);
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateClassCollection(StorageLib_Classes classId,
                                                                                    const char* elementName,
                                                                                    long minOccurs, long maxOccurs);
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateEnumCollection(StorageLib_Classes classId,
                                                                                   const char* elementName,
                                                                                   const char* enumName,
                                                                                   long minOccurs, long maxOccurs);
};

class STORAGE_API CEnumerations {
public:
    CEnumerations& operator=(const CEnumerations&) { return *this; }
};

} // namespace StorageLib
