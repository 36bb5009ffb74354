// The typed collections: adding with and without renaming,
// indexing, removal, iteration, the count check before writing, and the
// readers' runs: named runs stop at the first other local name whatever the
// namespace, the cell run stops at the first non-cell and drops its probe.
#include "Support.h"

using namespace StorageTest;

namespace {

const char* const P = "<num>1</num><ParamName>p</ParamName><isKey>false</isKey>";

template <class Col>
CSmartPtr<Col> Make(CClassFactory::Storage_Classes id, const char* name, int min = 0, int max = -1) {
    auto made = DynamicCast<Col>(CClassFactory::CreateClassCollection(id, name, min, max));
    EXPECT_NE(made, nullptr);
    return made;
}
CSmartPtr<CCParamsCol> Params(int min = 0, int max = -1) {
    return Make<CCParamsCol>(CClassFactory::ClassId_CCParamsCol, "parameters", min, max);
}
CSmartPtr<CArrRange_ChoiceACol> Cells(const char* name = "cells") {
    return Make<CArrRange_ChoiceACol>(CClassFactory::ClassId_CArrRange_ChoiceACol, name);
}

template <class Col>
std::vector<typename std::remove_pointer_t<decltype(*std::declval<Col&>().begin())>*> Listed(Col& collection) {
    std::vector<typename std::remove_pointer_t<decltype(*collection.begin())>*> out;
    for (auto item : collection) out.push_back(item);
    return out;
}

TEST(CCParamsCol, AddItemRenamesTheItemAndKeepsIt) {
    auto params = Params();
    auto p = CCParams::CreateInstance();
    p->GetCParams_ChoiceA()->SetNum(1);
    EXPECT_EQ(params->Add(p.get()), p);
    EXPECT_EQ(p->GetElementName(), "parameters");
    EXPECT_EQ(params->GetCount(), 1);
    EXPECT_EQ(params->Item(0), p);
    EXPECT_EQ(WriteOutline(params->GetBase()), "h@urn:test:other(parameters@urn:test:other(num=1,ParamName,isKey=false))");
}

TEST(CStorageItemCol, AddItemRenamesTheItem) {
    auto items = Make<CStorageItemCol>(CClassFactory::ClassId_CStorageItemCol, "StorageItems");
    auto item = DynamicCast<CStorageItem>(CClassFactory::CreateClass(CClassFactory::ClassId_CStorageItem, "Other"));
    items->Add(item.get());
    EXPECT_EQ(item->GetElementName(), "StorageItems");
    EXPECT_EQ(items->Item(0), item);
}

TEST(CArrRange_ChoiceACol, AddItemKeepsTheCellsName) {
    auto cells = Cells();
    auto plain = CArrRange_ChoiceA::CreateInstance();
    auto named = DynamicCast<CArrRange_ChoiceA>(CClassFactory::CreateClass(CClassFactory::ClassId_CArrRange_ChoiceA, "x"));
    cells->Add(plain.get());
    cells->Add(named.get());
    EXPECT_EQ(plain->GetElementName(), "arrRange_ChoiceA");
    EXPECT_EQ(named->GetElementName(), "x");
    EXPECT_EQ(Listed(*cells), (std::vector<CArrRange_ChoiceA*>{plain.get(), named.get()}));
}

template <class Col, class Item>
void CheckAddNew(CClassFactory::Storage_Classes id) {
    auto col = Make<Col>(id, "run");
    auto first = col->Add();
    auto second = col->Add();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(col->GetCount(), 2);
    EXPECT_EQ(second->GetElementName(), "run");
    EXPECT_NE(dynamic_cast<Item*>(second.get()), nullptr);
    EXPECT_EQ(Listed(*col), (std::vector<Item*>{first.get(), second.get()}));
    EXPECT_EQ(col->Item(1), second);
}

TEST(CCParamsCol, AddCreatesANamedItemAtTheEnd) { CheckAddNew<CCParamsCol, CCParams>(CClassFactory::ClassId_CCParamsCol); }
TEST(CStorageItemCol, AddCreatesANamedItemAtTheEnd) {
    CheckAddNew<CStorageItemCol, CStorageItem>(CClassFactory::ClassId_CStorageItemCol);
}
TEST(CArrRange_ChoiceACol, AddCreatesANamedItemAtTheEnd) {
    CheckAddNew<CArrRange_ChoiceACol, CArrRange_ChoiceA>(CClassFactory::ClassId_CArrRange_ChoiceACol);
}

TEST(CCParamsCol, ItemAndRemoveOutOfRangeThrow) {
    auto params = Params();
    for (int index : {0, -1}) EXPECT_TRUE(ThrowsChain([&] { params->Item(index); }, {Runtime().Unlocated()}));
    params->Add();
    params->Add();
    for (int index : {2, -1, 100}) {
        EXPECT_TRUE(ThrowsChain([&] { params->Item(index); }, {Runtime().Unlocated()}));
        EXPECT_TRUE(ThrowsChain([&] { params->Remove(index); }, {Runtime().Unlocated()}));
    }
    EXPECT_EQ(params->GetCount(), 2);
}

TEST(CCParamsCol, RemoveClearAndIterate) {
    auto params = Params();
    EXPECT_TRUE(params->begin() == params->end());
    auto a = params->Add(), b = params->Add(), c = params->Add();
    const long live = CInstanceMonitor::GetLiveCount();
    params->Remove(b.get());
    EXPECT_EQ(params->GetCount(), 2);
    EXPECT_EQ(Listed(*params), (std::vector<CCParams*>{a.get(), c.get()}));
    EXPECT_EQ(b->GetElementName(), "parameters");  // still alive: this test holds it
    b = nullptr;
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live - 2);  // the parameter and its value choice
    params->Remove(0);
    EXPECT_EQ(Listed(*params), (std::vector<CCParams*>{c.get()}));
    params->Clear();
    EXPECT_EQ(params->GetCount(), 0);
    EXPECT_TRUE(params->begin() == params->end());
}

TEST(CCParamsCol, CountIsCheckedBeforeAnythingIsWritten) {
    auto params = Params(1, 1);
    EXPECT_TRUE(ThrowsChain([&] { params->ValidateCount(); }, {Runtime("fewer than its minimum").Unlocated()}));
    for (int i = 0; i < 2; ++i) params->Add()->GetCParams_ChoiceA()->SetNum(i);
    CXmlTextWriter writer(false);
    writer.WriteStartElement("h", kOther);
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::ToXml_Int(params->GetBase(), &writer, false, kOther); },
                            {Runtime("more than its maximum").Unlocated()}));
    EXPECT_EQ(writer.GetXml().find("parameters"), std::string::npos) << writer.GetXml();
    params->Remove(1);
    EXPECT_NO_THROW(params->ValidateCount());
    EXPECT_EQ(Params(0, -1)->GetCount(), 0);
    EXPECT_EQ(WriteOutline(Params(0, -1)->GetBase()), "h@urn:test:other");  // min 0: writes nothing
}

TEST(CCParamsCol, ItemsDeclareNothingAndAFailingItemPassesThrough) {
    auto params = Params();
    params->Add()->GetCParams_ChoiceA()->SetStr("a");
    params->Add();  // no value
    CXmlTextWriter writer(false);
    writer.WriteStartElement("h", kOther);
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::ToXml_Int(params->GetBase(), &writer, true, kOther); },
                            {Validation("Failed to convert the element [parameters] to XML").Unlocated(),
                             Validation("Failed to convert the element [cParams_ChoiceA] to XML").Unlocated(),
                             Validation("This element is a choice, and as such must have at one (and only one) valid "
                                        "item, currently there are none set")
                                 .Unlocated()}));
    EXPECT_NE(writer.GetXml().find(">a<"), std::string::npos) << "the first item was written";
    EXPECT_EQ(writer.GetXml().find("xmlns:xs"), std::string::npos);
}

TEST(CArrRange_ChoiceACol, CellsWriteInTheTargetNamespace) {
    auto cells = Cells();
    cells->Add()->SetNum(1);
    cells->Add()->SetW(-2);
    EXPECT_EQ(WriteOutline(cells->GetBase(), kOther), "h@urn:test:other(num=1,w=-2)");
}

TEST(CCParamsCol, ReadsTheUnbrokenRunWhateverTheNamespace) {
    Doc doc(InTns(std::string("<parameters>") + P + "</parameters>" +
                  "<parameters xmlns=\"urn:x\"><str>2</str><ParamName/><isKey>1</isKey></parameters>" +
                  "<Parameters/><parameters>" + P + "</parameters>"));
    auto params = Params();
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(params->GetBase(), doc.root, doc.Child(0)), doc.Child(2));
    ASSERT_EQ(params->GetCount(), 2);
    EXPECT_EQ(params->Item(1)->GetElementName(), "parameters");
    EXPECT_EQ(params->Item(1)->GetCParams_ChoiceA()->GetStr(), "2");
    EXPECT_TRUE(params->Item(1)->GetIsKey());
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(params->GetBase(), doc.root, doc.Child(3)), nullptr);
    EXPECT_EQ(params->GetCount(), 3);
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(params->GetBase(), doc.root, nullptr), nullptr);
}

TEST(CStorageItemCol, StopsAtTheSingularName) {
    Doc doc(InTns(std::string("<StorageItems><ClientID/><CatID/><FunctionName/><KeyID/><parameters>") + P +
                  "</parameters></StorageItems><StorageItem/>"));
    auto items = Make<CStorageItemCol>(CClassFactory::ClassId_CStorageItemCol, "StorageItems");
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(items->GetBase(), doc.root, doc.Child(0)), doc.Child(1));
    EXPECT_EQ(items->GetCount(), 1);
    EXPECT_EQ(items->Item(0)->GetElementName(), "StorageItems");
}

TEST(CArrRange_ChoiceACol, ReadsTheRunOfCellsAndDropsTheProbe) {
    Doc doc(InTns("<num>1</num><str> a </str><rows>1</rows><num>2</num>", " plain=\"1\""));
    auto cells = Cells();
    const long live = CInstanceMonitor::GetLiveCount();
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(cells->GetBase(), doc.root, doc.Child(0)), doc.Child(2));
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live + 2);  // the cell made to test "rows" is gone
    ASSERT_EQ(cells->GetCount(), 2);
    EXPECT_EQ(cells->Item(1)->GetStr(), " a ");
    // Made under the collection's name, then reset by the cell's own Init when it reads.
    EXPECT_EQ(cells->Item(1)->GetElementName(), "arrRange_ChoiceA");
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(cells->GetBase(), doc.root, doc.Child(2)), doc.Child(2));
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(cells->GetBase(), doc.root, doc.Child(3)), nullptr);
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(cells->GetBase(), doc.root, nullptr), nullptr);
    EXPECT_EQ(cells->GetCount(), 3);
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live + 3);
}

TEST(CCParamsCol, AFailingItemPassesThroughAndEarlierItemsStay) {
    const std::string text = InTns(std::string("<parameters>") + P + "</parameters><parameters><num>x</num></parameters>");
    Doc doc(text);
    auto params = Params();
    const int second = int(text.rfind("<parameters>")) + 1, num = int(text.find("<num>x")) + 1;
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::FromXml_Int(params->GetBase(), doc.root, doc.Child(0)); },
                            {Validation("Failed to process the child elements in element [parameters]").At(1, second),
                             Validation("Failed to process the child elements in element [parameters]").At(1, second),
                             Runtime("[x]").At(1, num)}));
    EXPECT_EQ(params->GetCount(), 1);
}

TEST(CArrRange_ChoiceACol, AFailingCellPassesThroughAndEarlierCellsStay) {
    const std::string text = InTns("<num>1</num><err>x</err>");
    Doc doc(text);
    auto cells = Cells();
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::FromXml_Int(cells->GetBase(), doc.root, doc.Child(0)); },
                            {Validation("Failed to process the child elements in element [r]").At(1, 1),
                             Runtime("[x]").At(1, int(text.find("<err")) + 1)}));
    EXPECT_EQ(cells->GetCount(), 1);
}

} // namespace
