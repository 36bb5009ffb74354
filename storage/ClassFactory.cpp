#include "storage/ClassFactory.h"

#include "runtime/Exceptions.h"
#include "storage/CArrRange.h"
#include "storage/CArrRange_ChoiceA.h"
#include "storage/CCParams.h"
#include "storage/CCParams_ChoiceA.h"
#include "storage/CStorageArray.h"
#include "storage/CStorageItem.h"
#include "storage/Collections.h"
#include "storage/ElementNames.h"

#include <limits>
#include <string>

namespace Storage {

using NqXmlLib3::CNqException;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlCollectionBase;
using NqXmlLib3::CXmlObjectBase;

namespace {

const char* const invalidClass = "Invalid Class (NONE)";
const char* const unknownClass = "Unknown Class id";
const char* const unknownCollection = "Unknown Collection Class id";

// An occurrence limit as the collections keep it; refuses one that an int
// cannot hold rather than cutting it (a long is 64 bits wide on some platforms).
int OccurrenceLimit(long limit) {
    if (limit < std::numeric_limits<int>::min() || limit > std::numeric_limits<int>::max()) {
        throw CNqException("The occurrence limit [" + std::to_string(limit) + "] is outside the range of an int");
    }
    return static_cast<int>(limit);
}

} // namespace

template <class C>
CSmartPtr<CXmlCollectionBase> CClassFactory::MakeCollection(const char* elementName, long minOccurs, long maxOccurs) {
    const int minimum = OccurrenceLimit(minOccurs);
    return new C(elementName, minimum, OccurrenceLimit(maxOccurs));
}

template <class C>
CSmartPtr<CXmlObjectBase> CClassFactory::Make(const char* elementName) {
    // Named in place rather than through the constructor that takes a
    // std::string: a known name is then shared without building a copy.
    CSmartPtr<CXmlObjectBase> object(static_cast<C*>(new C())->GetBase());
    if (elementName) Names::Name(object.get(), elementName);
    return object;
}

CClassFactory::CClassFactory() = default;
CClassFactory::CClassFactory(const CClassFactory& other) = default;
CClassFactory& CClassFactory::operator=(const CClassFactory& other) = default;
CClassFactory::~CClassFactory() = default;

CSmartPtr<CXmlObjectBase> CClassFactory::CreateClass(Storage_Classes classId) { return CreateClass(classId, nullptr); }

CSmartPtr<CXmlObjectBase> CClassFactory::CreateClass(Storage_Classes classId, const char* elementName) {
    switch (classId) {
    case ClassId_NONE: throw CNqException(invalidClass);
    case ClassId_CArrRange_ChoiceA: return Make<CArrRange_ChoiceA>(elementName);
    case ClassId_CArrRange: return Make<CArrRange>(elementName);
    case ClassId_CCParams: return Make<CCParams>(elementName);
    case ClassId_CCParams_ChoiceA: return Make<CCParams_ChoiceA>(elementName);
    case ClassId_CStorageArray: return Make<CStorageArray>(elementName);
    case ClassId_CStorageItem: return Make<CStorageItem>(elementName);
    default: throw CNqException(unknownClass);
    }
}

CSmartPtr<CXmlCollectionBase> CClassFactory::CreateClassCollection(Storage_Classes classId, const char* elementName,
                                                                   long minOccurs, long maxOccurs) {
    switch (classId) {
    case ClassId_NONE: throw CNqException(invalidClass);
    case ClassId_CArrRange_ChoiceACol: return MakeCollection<CArrRange_ChoiceACol>(elementName, minOccurs, maxOccurs);
    case ClassId_CCParamsCol: return MakeCollection<CCParamsCol>(elementName, minOccurs, maxOccurs);
    case ClassId_CStorageItemCol: return MakeCollection<CStorageItemCol>(elementName, minOccurs, maxOccurs);
    default: throw CNqException(unknownCollection);
    }
}

CSmartPtr<CXmlCollectionBase> CClassFactory::CreateEnumCollection(Storage_Classes classId, const char*, const char*,
                                                                  long, long) {
    throw CNqException(classId == ClassId_NONE ? invalidClass : unknownCollection);
}

} // namespace Storage

namespace StorageLib {

using NqXmlLib3::CNqException;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlCollectionBase;
using NqXmlLib3::CXmlObjectBase;

CClassFactory::CClassFactory() = default;
CClassFactory::CClassFactory(const CClassFactory& other) = default;
CClassFactory& CClassFactory::operator=(const CClassFactory& other) = default;
CClassFactory::~CClassFactory() = default;

CSmartPtr<CXmlObjectBase> CClassFactory::CreateClass(StorageLib_Classes classId) { return CreateClass(classId, nullptr); }

CSmartPtr<CXmlObjectBase> CClassFactory::CreateClass(StorageLib_Classes classId, const char*) {
    throw CNqException(classId == ClassId_NONE ? "Invalid Class (NONE)" : "Unknown Class id");
}

CSmartPtr<CXmlCollectionBase> CClassFactory::CreateClassCollection(StorageLib_Classes classId, const char*, long,
                                                                   long) {
    throw CNqException(classId == ClassId_NONE ? "Invalid Class (NONE)" : "Unknown Collection Class id");
}

CSmartPtr<CXmlCollectionBase> CClassFactory::CreateEnumCollection(StorageLib_Classes classId, const char*,
                                                                  const char*, long, long) {
    return CreateClassCollection(classId, nullptr, 0, 0);
}

} // namespace StorageLib
