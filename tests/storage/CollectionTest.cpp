// The typed collections: adding with and without renaming, indexing, removal,
// iteration, the count check before anything is written, a collection written
// as a document, the cell run that stops at the first non-cell and drops its
// probe, and a failing item read.
// Where a named run stops is shown through its owners (ElementsTest).
#include "Support.h"

using namespace StorageTest;

namespace {

CSmartPtr<CCParamsCol> Params(int min = 0, int max = -1) {
    return DynamicCast<CCParamsCol>(CClassFactory::CreateClassCollection(CClassFactory::ClassId_CCParamsCol,
                                                                         "parameters", min, max));
}
CSmartPtr<CArrRange_ChoiceACol> Cells() {
    return DynamicCast<CArrRange_ChoiceACol>(
        CClassFactory::CreateClassCollection(CClassFactory::ClassId_CArrRange_ChoiceACol, "cells", 0, -1));
}

template <class T>
std::vector<T*> Listed(CTypedCollection<T>& collection) {
    std::vector<T*> out;
    for (T* item : collection) out.push_back(item);
    return out;
}

// Adding renames the items of named runs only; items are reached by index and
// by iteration, and one removed, by itself or by its index, is released.
TEST(Collections, AddRemoveAndIterate) {
    auto params = Params();
    auto cells = Cells();
    auto p = CCParams::CreateInstance();
    auto cell =
        DynamicCast<CArrRange_ChoiceA>(CClassFactory::CreateClass(CClassFactory::ClassId_CArrRange_ChoiceA, "x"));
    EXPECT_EQ(params->Add(p.get()), p);
    cells->Add(cell.get());
    auto made = cells->Add();
    EXPECT_EQ(cell->GetElementName() + " " + made->GetElementName(), "x cells");
    EXPECT_EQ(cells->Item(1), made);
    EXPECT_EQ(Listed(*cells), (std::vector<CArrRange_ChoiceA*>{cell.get(), made.get()}));
    p->GetCParams_ChoiceA()->SetNum(1);
    // Asked to declare, the items do not.
    EXPECT_EQ(WriteOutline(params->GetBase(), true), "parameters@urn:test:other(num=1,ParamName,isKey=false)");

    auto b = params->Add(), c = params->Add();
    const long live = CInstanceMonitor::GetLiveCount();
    params->Remove(b.get());
    b = nullptr;
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live - 2);  // the parameter and its value choice
    params->Remove(0);
    EXPECT_EQ(Listed(*params), (std::vector<CCParams*>{c.get()}));
}

TEST(Collections, CountIsCheckedBeforeAnythingIsWritten) {
    auto params = Params(1, 1);
    for (int i = 0; i < 2; ++i) params->Add()->GetCParams_ChoiceA()->SetNum(i);
    CXmlTextWriter writer(false);
    writer.WriteStartElement("h", kOther);
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::ToXml_Int(params->GetBase(), &writer, false, kOther); },
                            {Runtime("more than its maximum")}));
    EXPECT_EQ(writer.GetXml().find("parameters"), std::string::npos) << writer.GetXml();
    EXPECT_EQ(WriteOutline(Params()->GetBase()), "");  // minimum 0 and no item: writes nothing
}

// Written as a whole document, the items stand at the top: one item is the
// root and declares the prefixes, while none or two would make no document or
// two roots, so they are refused before anything is written.
TEST(Collections, AsADocumentACollectionHoldsExactlyOneItem) {
    auto params = Params();
    const auto refused = [&](int count) {
        return ThrowsChain([&] { params->ToXml(); }, {Runtime("[parameters] holds " + std::to_string(count) +
                                                              " item(s) and cannot be written as a document")});
    };
    EXPECT_TRUE(refused(0));
    auto p = params->Add();
    p->GetCParams_ChoiceA()->SetNum(1);
    EXPECT_EQ(DocOutline(params->GetBase()), "parameters(num=1,ParamName,isKey=false)" + kDeclared);
    auto read = CCParams::CreateInstance();
    read->FromXml(params->ToXml());
    EXPECT_EQ(read->GetCParams_ChoiceA()->GetNum(), 1);
    params->Add(CCParams::CreateInstance().get());
    EXPECT_TRUE(refused(2));
    auto cells = Cells();
    cells->Add()->SetW(7);
    EXPECT_EQ(DocOutline(cells->GetBase()), "w=7 | xmlns=\"" + kTns + "\"|");  // a cell declares nothing
}

TEST(Collections, TheCellRunStopsAtTheFirstNonCellAndDropsTheProbe) {
    Doc doc(Element("r", "<num>1</num><str> a </str><rows>1</rows>"));
    auto cells = Cells();
    const long live = CInstanceMonitor::GetLiveCount();
    EXPECT_EQ(CXmlObjectBase::FromXml_Int(cells->GetBase(), doc.root, doc.Child(0)), doc.Child(2));
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live + 2);  // the cell made to test "rows" is gone
    ASSERT_EQ(cells->GetCount(), 2);
    EXPECT_EQ(cells->Item(1)->GetStr(), " a ");
}

TEST(Collections, AFailingItemPassesThroughAndEarlierItemsStay) {
    const std::string p = "<num>1</num><ParamName>p</ParamName><isKey>false</isKey>";
    const std::string text = Element("r", "<parameters>" + p + "</parameters><parameters><num>x</num></parameters>");
    Doc doc(text);
    auto params = Params();
    const Level second = Children("parameters").In(text, "<parameters><num>x");
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::FromXml_Int(params->GetBase(), doc.root, doc.Child(0)); },
                            {second, second, Runtime("[x]").In(text, "<num>x")}));  // the parameter, its value
    EXPECT_EQ(params->GetCount(), 1);
}

} // namespace
