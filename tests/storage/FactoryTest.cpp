// The class factories: the whole id table of both factories for
// all four creating operations, the refusal texts as plain CNqExceptions,
// default and given element names, and distinct objects.
#include "Support.h"

using namespace StorageTest;

namespace {

using Id = CClassFactory::Storage_Classes;
using LibId = StorageLib::CClassFactory::StorageLib_Classes;

const char* const kNone = "Invalid Class (NONE)";
const char* const kUnknownClass = "Unknown Class id";
const char* const kUnknownCollection = "Unknown Collection Class id";

template <class T>
bool Is(CXmlObjectBase* object) {
    return dynamic_cast<T*>(object) != nullptr;
}

// The collection is a Col whose Add() makes an Item named `name`.
template <class Col, class Item>
bool MakesItems(CXmlCollectionBase* collection, const std::string& name) {
    Col* typed = dynamic_cast<Col*>(collection);
    if (!typed) return false;
    auto item = typed->Add();
    return item && Is<Item>(item->GetBase()) && item->GetElementName() == name && typed->GetCount() == 1;
}

struct Row {
    int id;
    const char* classError;  // null: CreateClass makes an object
    bool (*isClass)(CXmlObjectBase*);
    const char* defaultName;
    const char* collectionError;  // null: CreateClassCollection makes a collection
    bool (*isCollection)(CXmlCollectionBase*, const std::string&);
};

const std::vector<Row> kTable = {
    {0, kNone, nullptr, nullptr, kNone, nullptr},
    {1, nullptr, Is<CArrRange_ChoiceA>, "arrRange_ChoiceA", kUnknownCollection, nullptr},
    {2, nullptr, Is<CArrRange>, "arrRange", kUnknownCollection, nullptr},
    {3, nullptr, Is<CCParams>, "cParams", kUnknownCollection, nullptr},
    {4, nullptr, Is<CCParams_ChoiceA>, "cParams_ChoiceA", kUnknownCollection, nullptr},
    {5, nullptr, Is<CStorageArray>, "StorageArray", kUnknownCollection, nullptr},
    {6, nullptr, Is<CStorageItem>, "StorageItem", kUnknownCollection, nullptr},
    {7, kUnknownClass, nullptr, nullptr, nullptr, MakesItems<CArrRange_ChoiceACol, CArrRange_ChoiceA>},
    {8, kUnknownClass, nullptr, nullptr, nullptr, MakesItems<CCParamsCol, CCParams>},
    {9, kUnknownClass, nullptr, nullptr, nullptr, MakesItems<CStorageItemCol, CStorageItem>},
    {10, kUnknownClass, nullptr, nullptr, kUnknownCollection, nullptr},
    {15, kUnknownClass, nullptr, nullptr, kUnknownCollection, nullptr},
    {-1, kUnknownClass, nullptr, nullptr, kUnknownCollection, nullptr},
};

TEST(CClassFactory, CreateClassWithAndWithoutAName) {
    for (const Row& row : kTable) {
        SCOPED_TRACE("id " + std::to_string(row.id));
        const Id id = static_cast<Id>(row.id);
        if (row.classError) {
            EXPECT_TRUE(ThrowsChain([&] { CClassFactory::CreateClass(id); }, {Plain(row.classError).Unlocated()}));
            EXPECT_TRUE(ThrowsChain([&] { CClassFactory::CreateClass(id, "x"); }, {Plain(row.classError).Unlocated()}));
            continue;
        }
        auto plain = CClassFactory::CreateClass(id);
        ASSERT_NE(plain, nullptr);
        EXPECT_TRUE(row.isClass(plain.get()));
        EXPECT_EQ(plain->GetElementName(), row.defaultName);
        EXPECT_EQ(plain->GetTargetNamespace(), kTns);
        auto named = CClassFactory::CreateClass(id, "Given");
        EXPECT_TRUE(row.isClass(named.get()));
        EXPECT_EQ(named->GetElementName(), "Given");
        EXPECT_NE(named, plain);
    }
}

TEST(CClassFactory, CreateClassCollection) {
    for (const Row& row : kTable) {
        SCOPED_TRACE("id " + std::to_string(row.id));
        const Id id = static_cast<Id>(row.id);
        if (row.collectionError) {
            EXPECT_TRUE(ThrowsChain([&] { CClassFactory::CreateClassCollection(id, "cells", 0, -1); },
                                    {Plain(row.collectionError).Unlocated()}));
            continue;
        }
        auto limited = CClassFactory::CreateClassCollection(id, "cells", 1, 2);
        ASSERT_NE(limited, nullptr);
        EXPECT_EQ(limited->GetElementName(), "cells");
        EXPECT_EQ(limited->GetMinOccurs(), 1);
        EXPECT_EQ(limited->GetMaxOccurs(), 2);
        EXPECT_EQ(limited->GetCount(), 0);
        EXPECT_TRUE(ThrowsChain([&] { limited->ValidateCount(); }, {Runtime("cells").Unlocated()}));
        EXPECT_TRUE(row.isCollection(limited.get(), "cells"));
        EXPECT_NO_THROW(limited->ValidateCount());
        auto open = CClassFactory::CreateClassCollection(id, "cells", 0, -1);
        EXPECT_NE(open, limited);
        EXPECT_EQ(open->GetMaxOccurs(), -1);
        EXPECT_NO_THROW(open->ValidateCount());
    }
}

TEST(CClassFactory, CreateEnumCollectionAcceptsNoId) {
    for (const Row& row : kTable) {
        SCOPED_TRACE("id " + std::to_string(row.id));
        EXPECT_TRUE(ThrowsChain([&] { CClassFactory::CreateEnumCollection(static_cast<Id>(row.id), "e", "t", 0, 1); },
                                {Plain(row.id == 0 ? kNone : kUnknownCollection).Unlocated()}));
    }
}

TEST(CClassFactory, SameIdGivesDistinctIndependentObjects) {
    auto a = DynamicCast<CStorageItem>(CClassFactory::CreateClass(CClassFactory::ClassId_CStorageItem));
    auto b = DynamicCast<CStorageItem>(CClassFactory::CreateClass(CClassFactory::ClassId_CStorageItem));
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_NE(a->GetParameters(), b->GetParameters());
    a->SetClientID("a");
    a->GetParameters()->Add();
    EXPECT_EQ(b->GetClientID(), "");
    EXPECT_EQ(b->GetParameters()->GetCount(), 0);
}

TEST(CClassFactory, ArrayWritesItselfUnderItsName) {
    auto byDefault = CClassFactory::CreateClass(CClassFactory::ClassId_CStorageArray);
    auto named = CClassFactory::CreateClass(CClassFactory::ClassId_CStorageArray, "Root");
    EXPECT_EQ(WriteOutline(byDefault.get()), "h@urn:test:other(StorageArray@urn:test:other(ClientID,KeyID))");
    EXPECT_EQ(DocOutline(named.get()), "Root(ClientID,KeyID)");
}

TEST(CClassFactory, FactoryObjectsCanBeMadeAndCopied) {
    Storage::CClassFactory factory, copy(factory);
    StorageLib::CClassFactory libFactory, libCopy(libFactory);
    Storage::CEnumerations e1, e2;
    StorageLib::CEnumerations l1, l2;
    copy = factory;
    libCopy = libFactory;
    e1 = e2;
    l1 = l2;
    EXPECT_TRUE(Is<CArrRange>(copy.CreateClass(CClassFactory::ClassId_CArrRange).get()));
}

TEST(StorageLibClassFactory, RefusesEveryId) {
    using F = StorageLib::CClassFactory;
    const std::vector<int> ids = {0, 1, 2, 5, 7, 9, 10, -1};
    for (int raw : ids) {
        SCOPED_TRACE("id " + std::to_string(raw));
        const LibId id = static_cast<LibId>(raw);
        const char* classError = raw == 0 ? kNone : kUnknownClass;
        const char* collectionError = raw == 0 ? kNone : kUnknownCollection;
        EXPECT_TRUE(ThrowsChain([&] { F::CreateClass(id); }, {Plain(classError).Unlocated()}));
        EXPECT_TRUE(ThrowsChain([&] { F::CreateClass(id, "x"); }, {Plain(classError).Unlocated()}));
        EXPECT_TRUE(ThrowsChain([&] { F::CreateClassCollection(id, "x", 0, -1); }, {Plain(collectionError).Unlocated()}));
        EXPECT_TRUE(ThrowsChain([&] { F::CreateEnumCollection(id, "x", "y", 0, -1); }, {Plain(collectionError).Unlocated()}));
    }
}

} // namespace
