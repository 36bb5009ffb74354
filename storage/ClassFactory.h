// The class factories: every object of the binding can be made from a class id.
#pragma once

#include "runtime/ClassfactoryBase.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlCollectionBase.h"
#include "runtime/XmlObjectBase.h"
#include "storage/Export.h"

namespace Storage {

/// Makes any object of the Storage binding from its class id; every operation is static.
class STORAGE_API CClassFactory : public NqXmlLib3::CClassfactoryBase {
public:
    /// The class ids: element and choice classes 1 to 6, their collections 7 to 9.
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

    /// A factory object; none is needed to use the static operations.
    CClassFactory();
    /// Copies nothing: the factory has no state.
    CClassFactory(const CClassFactory& other);
    /// Assigns nothing: the factory has no state.
    CClassFactory& operator=(const CClassFactory& other);
    /// Destroys the factory object.
    ~CClassFactory() override;

    /// A new element or choice object with its class's default element name.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(Storage_Classes classId);
    /// A new element or choice object named `elementName`.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(Storage_Classes classId,
                                                                      const char* elementName);
    /// A new, empty collection whose items are named `elementName`, with its
    /// occurrence limits (maxOccurs -1: no upper limit); a limit outside the
    /// range of an int is refused with a CNqException.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateClassCollection(Storage_Classes classId,
                                                                                    const char* elementName,
                                                                                    long minOccurs, long maxOccurs);
    /// The schema defines no enumerated type: every id is refused.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateEnumCollection(Storage_Classes classId,
                                                                                   const char* elementName,
                                                                                   const char* enumName,
                                                                                   long minOccurs, long maxOccurs);

private:
    /// Makes an object of class C, named `elementName` when one is given.
    template <class C>
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> Make(const char* elementName);
    /// Makes a collection of class C, refusing a limit that an int cannot hold; the minimum is checked first.
    template <class C>
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> MakeCollection(const char* elementName, long minOccurs,
                                                                             long maxOccurs);
};

/// The schema defines no enumerated type.
class STORAGE_API CEnumerations {
public:
    /// Copies nothing.
    CEnumerations& operator=(const CEnumerations&) { return *this; }
};

} // namespace Storage

namespace StorageLib {

/// A factory of the same shape that knows no class: it refuses every id.
class STORAGE_API CClassFactory : public NqXmlLib3::CClassfactoryBase {
public:
    /// The class ids: none but ClassId_NONE.
    enum StorageLib_Classes : int { ClassId_NONE = 0 };

    /// A factory object; none is needed to use the static operations.
    CClassFactory();
    /// Copies nothing: the factory has no state.
    CClassFactory(const CClassFactory& other);
    /// Assigns nothing: the factory has no state.
    CClassFactory& operator=(const CClassFactory& other);
    /// Destroys the factory object.
    ~CClassFactory() override;

    /// Refuses every id: "Invalid Class (NONE)" for 0, "Unknown Class id" otherwise.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(StorageLib_Classes classId);
    /// Refuses every id, as CreateClass(classId) does.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlObjectBase> CreateClass(StorageLib_Classes classId,
                                                                      const char* elementName);
    /// Refuses every id: "Invalid Class (NONE)" for 0, "Unknown Collection Class id" otherwise.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateClassCollection(StorageLib_Classes classId,
                                                                                    const char* elementName,
                                                                                    long minOccurs, long maxOccurs);
    /// Refuses every id, as CreateClassCollection does.
    static NqXmlLib3::CSmartPtr<NqXmlLib3::CXmlCollectionBase> CreateEnumCollection(StorageLib_Classes classId,
                                                                                   const char* elementName,
                                                                                   const char* enumName,
                                                                                   long minOccurs, long maxOccurs);
};

/// Holds the enumerated types, of which there are none.
class STORAGE_API CEnumerations {
public:
    /// Copies nothing.
    CEnumerations& operator=(const CEnumerations&) { return *this; }
};

} // namespace StorageLib
