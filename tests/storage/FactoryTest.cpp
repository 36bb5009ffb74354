// The class factories: the whole id table of both factories for all four
// creating operations, the refusal texts as plain CNqExceptions, default and
// given element names, occurrence limits, and distinct objects.
#include "Support.h"

#include <climits>
#include <cstdint>

using namespace StorageTest;

namespace {

const char* const kNone = "Invalid Class (NONE)";
const char* const kUnknownClass = "Unknown Class id";
const char* const kUnknownCollection = "Unknown Collection Class id";

// What a creating operation gives: the element name of the object it makes
// when that is of the class expected, or the text of the plain CNqException,
// wrapping nothing, that it throws.
template <class Make>
std::string Outcome(Make&& make, bool (*isOfClass)(CXmlObjectBase*) = nullptr) {
    try {
        auto made = make();
        return made && isOfClass && isOfClass(made.get()) ? made->GetElementName() : "an object of another class";
    } catch (const CNqException& e) {
        return typeid(e) == typeid(CNqException) && !e.GetInnerException() ? e.what() : "another exception";
    }
}

template <class T>
bool Is(CXmlObjectBase* object) { return dynamic_cast<T*>(object) != nullptr; }

// For each id: what CreateClass without a name and CreateClassCollection give,
// and the class of what they make.
struct Row {
    int id;
    const char* createClass;
    const char* createCollection;
    bool (*isOfClass)(CXmlObjectBase*);
};
const std::vector<Row> kTable = {
    {0, kNone, kNone, nullptr},
    {1, "arrRange_ChoiceA", kUnknownCollection, Is<CArrRange_ChoiceA>},
    {2, "arrRange", kUnknownCollection, Is<CArrRange>},
    {3, "cParams", kUnknownCollection, Is<CCParams>},
    {4, "cParams_ChoiceA", kUnknownCollection, Is<CCParams_ChoiceA>},
    {5, "StorageArray", kUnknownCollection, Is<CStorageArray>},
    {6, "StorageItem", kUnknownCollection, Is<CStorageItem>},
    {7, kUnknownClass, "cells", Is<CArrRange_ChoiceACol>},
    {8, kUnknownClass, "cells", Is<CCParamsCol>},
    {9, kUnknownClass, "cells", Is<CStorageItemCol>},
    {10, kUnknownClass, kUnknownCollection, nullptr},
    {-1, kUnknownClass, kUnknownCollection, nullptr},
};

// Every id through both factories: StorageLib's knows no class and refuses them all.
TEST(ClassFactories, EveryIdOfEveryOperation) {
    using Lib = StorageLib::CClassFactory;
    Lib factory, copy(factory);  // the factory objects can be made and copied
    copy = factory;
    for (const Row& row : kTable) {
        SCOPED_TRACE("id " + std::to_string(row.id));
        const auto id = static_cast<CClassFactory::Storage_Classes>(row.id);
        const bool makes = row.createClass != kNone && row.createClass != kUnknownClass;
        EXPECT_EQ(Outcome([&] { return CClassFactory::CreateClass(id); }, row.isOfClass), row.createClass);
        EXPECT_EQ(Outcome([&] { return CClassFactory::CreateClass(id, "Given"); }, row.isOfClass),
                  makes ? "Given" : row.createClass);
        EXPECT_EQ(Outcome([&] { return CClassFactory::CreateClassCollection(id, "cells", 1, 2); }, row.isOfClass),
                  row.createCollection);
        const std::string classError = row.id == 0 ? kNone : kUnknownClass;
        const std::string collectionError = row.id == 0 ? kNone : kUnknownCollection;
        EXPECT_EQ(Outcome([&] { return CClassFactory::CreateEnumCollection(id, "e", "t", 0, 1); }), collectionError);
        const auto libId = static_cast<Lib::StorageLib_Classes>(row.id);
        EXPECT_EQ(Outcome([&] { return copy.CreateClass(libId); }), classError);
        EXPECT_EQ(Outcome([&] { return Lib::CreateClass(libId, "x"); }), classError);
        EXPECT_EQ(Outcome([&] { return Lib::CreateClassCollection(libId, "x", 0, -1); }), collectionError);
        EXPECT_EQ(Outcome([&] { return Lib::CreateEnumCollection(libId, "x", "y", 0, -1); }), collectionError);
    }
    // Distinct objects in the target namespace; the limits given; the name given is the one written.
    auto item = CClassFactory::CreateClass(CClassFactory::ClassId_CStorageItem);
    EXPECT_NE(item, CClassFactory::CreateClass(CClassFactory::ClassId_CStorageItem));
    EXPECT_EQ(item->GetTargetNamespace(), kTns);
    auto cells = CClassFactory::CreateClassCollection(CClassFactory::ClassId_CArrRange_ChoiceACol, "cells", 1, 2);
    EXPECT_EQ(cells->GetMaxOccurs(), 2);
    EXPECT_TRUE(ThrowsChain([&] { cells->ValidateCount(); }, {Runtime("cells")}));  // none of at least 1
    EXPECT_EQ(DocOutline(CClassFactory::CreateClass(CClassFactory::ClassId_CStorageArray, "Root").get()),
              "Root(ClientID,KeyID)" + kDeclared);
}

// Limits at the ends of an int are kept; wider ones (where a long is wider
// than an int) are refused, never cut: 4294967295 would become -1, unbounded.
TEST(ClassFactories, OccurrenceLimitsOutsideAnIntAreRefused) {
    constexpr long intMin = INT_MIN, intMax = INT_MAX;
    auto kept = CClassFactory::CreateClassCollection(CClassFactory::ClassId_CCParamsCol, "p", intMin, intMax);
    EXPECT_EQ(std::to_string(kept->GetMinOccurs()) + " " + std::to_string(kept->GetMaxOccurs()),
              std::to_string(intMin) + " " + std::to_string(intMax));
    if constexpr (sizeof(long) > sizeof(int)) {
        const struct { std::int64_t min, max; const char* refused; } rows[] = {
            {0, INT64_C(2147483648), "[2147483648]"}, {0, INT64_C(4294967295), "[4294967295]"},
            {0, INT64_C(4294967296), "[4294967296]"}, {INT64_C(-2147483649), -1, "[-2147483649]"},
            {INT64_MAX, INT64_MIN, "[9223372036854775807]"}};
        for (const auto& row : rows) {
            for (auto id : {CClassFactory::ClassId_CArrRange_ChoiceACol, CClassFactory::ClassId_CStorageItemCol}) {
                const auto make = [&] {
                    return CClassFactory::CreateClassCollection(id, "p", long(row.min), long(row.max));
                };
                EXPECT_EQ(Outcome(make), std::string("The occurrence limit ") + row.refused +
                                             " is outside the range of an int");
            }
        }
    }
}

} // namespace
