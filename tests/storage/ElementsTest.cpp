// The four element classes: what they refuse to write, setters' refusals, the
// reading failures with the position of each level (where the runs of named
// items stop among them), attributes refused or accepted, element names taken
// from the element read, old content dropped by a read, children detached by
// a read and shared by copies.
#include "Support.h"

using namespace StorageTest;

namespace {

const std::string P = "<num>1</num><ParamName>p</ParamName><isKey>false</isKey>";
const std::string S4 = "<ClientID/><CatID/><FunctionName/><KeyID/>";
const std::string ITEM = S4 + "<parameters>" + P + "</parameters>";
const std::string RANGE = "<num>1</num><rows>1</rows><columns>1</columns>";
const std::string ARRAY = "<StorageItems>" + ITEM + "</StorageItems><ClientID/><KeyID/>";

Level Unknown(const std::string& name) {
    return Validation("Failed read all the elements held within the element. Unknown Element [" + name +
                      "] remains un processed");
}
Level Attributes(const std::string& name) {
    return Validation("Failed to correctly process the attributes for the element [" + name + "]");
}
Level Unexpected(const std::string& name) { return Validation("Unexpected Attribute [" + name + "] found."); }

// A new object of the class whose default element name is `element`.
CSmartPtr<CXmlObjectBase> New(const std::string& element) {
    if (element == "arrRange") return CArrRange::CreateInstance();
    if (element == "cParams") return CCParams::CreateInstance();
    if (element == "StorageItem") return CStorageItem::CreateInstance();
    return CStorageArray::CreateInstance();
}

// ---- Writing and setting -----------------------------------------------------------

// A refused value leaves the field as it was; a parameter keeps a value object
// under the name it has, and neither it nor an item is written without its content.
TEST(Elements, SettersAndWritersRefuseWhatCannotBeWritten) {
    auto item = CStorageItem::CreateInstance();
    item->SetCatID(" ok ");
    EXPECT_TRUE(ThrowsChain([&] { item->SetCatID("bad\x02"); }, {Runtime()}));
    EXPECT_EQ(item->GetCatID(), " ok ");
    auto p = CCParams::CreateInstance();
    auto own = p->GetCParams_ChoiceA();
    EXPECT_TRUE(ThrowsChain([&] { p->SetCParams_ChoiceA(nullptr); }, {Runtime("cParams_ChoiceA")}));
    EXPECT_EQ(p->GetCParams_ChoiceA(), own);
    auto other =
        DynamicCast<CCParams_ChoiceA>(CClassFactory::CreateClass(CClassFactory::ClassId_CCParams_ChoiceA, "Val"));
    p->SetCParams_ChoiceA(other.get());
    p->SetCParams_ChoiceA(other.get());
    EXPECT_EQ(p->GetCParams_ChoiceA(), other);
    EXPECT_TRUE(
        ThrowsChain([&] { WriteOutline(p.get()); }, {Convert("cParams"), Convert("Val"), Validation(kNoneSet)}));
    EXPECT_TRUE(ThrowsChain([&] { WriteOutline(item.get()); }, {Convert("StorageItem"), Fewer()}));
}

// ---- Reading -------------------------------------------------------------------------

// Each row: an element and its children, and the levels below the outer
// "Failed to process the child elements in element [element]", each located
// at the first `marker` ("": at the element read).
TEST(Elements, ReadersRefuseMissingMisplacedAndLeftoverChildren) {
    const std::vector<std::tuple<std::string, std::string, std::vector<std::pair<Level, std::string>>>> cases = {
        {"arrRange", "<rows>1</rows><columns>1</columns><num>1</num>", {{Fewer(), "<rows"}}},
        {"arrRange", "<Range>" + RANGE + "</Range>" + RANGE, {{Fewer(), "<Range"}}},  // a cell takes no range
        {"arrRange", "<num>1</num><rows>1</rows><Columns>1</Columns>", {{Missing("columns"), "<Columns"}}},
        {"arrRange", "<num>1</num><rows>x1</rows><columns>1</columns>", {{Runtime("[x1]"), "<rows"}}},
        {"arrRange", "<num>1</num><rows><x/></rows><columns>1</columns>",
         {{Runtime("holds the element [x]"), "<rows"}}},
        {"cParams", "", {{Missing("ParamName"), ""}}},
        {"cParams", "<ParamName/><num>1</num><isKey>true</isKey>", {{Missing("isKey"), "<num"}}},
        {"cParams", "<num>1</num><str>a</str><ParamName/><isKey>true</isKey>", {{Missing("ParamName"), "<str"}}},
        {"cParams", "<Range><rows>1</rows><columns>1</columns></Range><ParamName/><isKey>1</isKey>",
         {{Children("cParams"), ""}, {Children("Range"), "<Range"}, {Fewer(), "<rows"}}},
        {"StorageItem", S4, {{Fewer(), ""}}},
        {"StorageItem", ITEM + "<ClientID>late</ClientID>", {{Unknown("ClientID"), "<ClientID>late"}}},
        {"StorageItem", ITEM + "<Parameters/><parameters>" + P + "</parameters>",
         {{Unknown("Parameters"), "<Parameters"}}},
        {"StorageItem", S4 + "<parameters><num>1</num></parameters>",
         {{Children("parameters"), "<parameters"}, {Missing("ParamName"), "<parameters"}}},
        {"StorageArray", "<StorageItem>" + ITEM + "</StorageItem><ClientID/><KeyID/>",
         {{Missing("ClientID"), "<StorageItem"}}},
        {"StorageArray", "<StorageItems b=\"2\">" + ITEM + "</StorageItems><ClientID/><KeyID/>",
         {{Attributes("StorageItems"), "<StorageItems"}, {Unexpected("b"), "<StorageItems"}}},
    };
    for (const auto& [element, body, inner] : cases) {
        const std::string text = Element(element, body);
        SCOPED_TRACE(text);
        std::vector<Level> levels = {Children(element).At(1, 1)};
        for (const auto& [level, marker] : inner) {
            levels.push_back(marker.empty() ? level.At(1, 1) : level.In(text, marker));
        }
        Doc doc(text);
        EXPECT_TRUE(ThrowsChain([&] { ReadOwn(New(element).get(), doc.root); }, levels));
    }
}

// Every class reads an element of any name with its content and takes that
// name; range and parameter accept and ignore plain attributes, array and item
// refuse them, every class accepts namespace declarations; written back, the
// root declares only its two.
TEST(Elements, ReadersTakeTheNameAndAcceptOrRefuseAttributes) {
    const std::string plain = " xmlns:p=\"urn:p\" a=\"1\" p:a=\"2\"", declaration = " xmlns:p=\"urn:p\"";
    const std::vector<std::tuple<std::string, std::string, std::string, bool>> cases = {
        {"arrRange", RANGE, plain, true},           {"cParams", P, plain, true},
        {"StorageItem", ITEM, declaration, true},   {"StorageArray", ARRAY, declaration, true},
        {"StorageItem", ITEM, " xmlns:p=\"urn:p\" p:a=\"2\"", false}, {"StorageArray", ARRAY, " a=\"1\"", false},
    };
    for (const auto& [element, body, attributes, accepted] : cases) {
        SCOPED_TRACE(element + attributes);
        Doc doc(Element("Other", body, attributes));
        auto object = New(element);
        if (!accepted) {
            EXPECT_TRUE(ThrowsChain([&] { ReadOwn(object.get(), doc.root); },
                                    {Attributes("Other").At(1, 1), Unexpected("a").At(1, 1)}));
            continue;
        }
        EXPECT_EQ(ReadOwn(object.get(), doc.root), nullptr);
        EXPECT_EQ(DocOutline(object.get()), Outline(doc.root) + kDeclared);
    }
}

TEST(Elements, AReadDropsTheOldContentFirstAndKeepsWhatItRead) {
    auto p = CCParams::CreateInstance();
    p->GetCParams_ChoiceA()->SetNum(1);
    p->SetIsKey(true);
    EXPECT_TRUE(ThrowsChain([&] { p->FromXml(Element("cParams", "<ParamName>  p  </ParamName>")); },
                            {Children("cParams").At(1, 1), Missing("isKey").At(1, 1)}));
    EXPECT_EQ(p->GetParamName(), "  p  ");
    EXPECT_FALSE(p->GetIsKey());
    EXPECT_EQ(p->GetCParams_ChoiceA()->GetChoiceSelectedElement(), "");

    auto item = CStorageItem::CreateInstance();
    item->SetKeyID("old");
    item->GetParameters()->Add();
    const std::string partial = Element("StorageItem", "<ClientID> c </ClientID><CatID/><FunctionName/>");
    EXPECT_TRUE(ThrowsChain([&] { item->FromXml(partial); },
                            {Children("StorageItem").At(1, 1), Missing("KeyID").At(1, 1)}));
    EXPECT_EQ(item->GetClientID(), " c ");
    EXPECT_EQ(item->GetKeyID(), "");
    EXPECT_EQ(item->GetParameters()->GetCount(), 0);

    auto range = CArrRange::CreateInstance();
    range->SetColumns(4);
    EXPECT_TRUE(ThrowsChain([&] { range->FromXml(Element("arrRange", "<w>1</w><rows>7</rows>")); },
                            {Children("arrRange").At(1, 1), Missing("columns").At(1, 1)}));
    EXPECT_EQ(range->GetColumns(), 0);
}

// ---- Children: detached by a read, shared by copies -----------------------------------

TEST(Elements, ChildrenObtainedBeforeAReadStayDetached) {
    auto p = CCParams::CreateInstance();
    auto value = p->GetCParams_ChoiceA();  // held while still unset: detached all the same
    p->FromXml(Element("cParams", P));
    EXPECT_NE(p->GetCParams_ChoiceA(), value);
    EXPECT_EQ(value->GetChoiceSelectedElement(), "");

    auto range = CArrRange::CreateInstance();
    auto cells = range->GetArrRange_ChoiceA();  // likewise while still empty
    range->FromXml(Element("arrRange", RANGE));
    EXPECT_NE(range->GetArrRange_ChoiceA(), cells);
    EXPECT_EQ(cells->GetCount(), 0);
}

// A copy, made or assigned, shares its source's child and keeps its element name.
TEST(Elements, CopiesShareTheChild) {
    auto array = DynamicCast<CStorageArray>(CClassFactory::CreateClass(CClassFactory::ClassId_CStorageArray, "Root"));
    auto assigned = CStorageArray::CreateInstance();
    CSmartPtr<CStorageArray> copy(new CStorageArray(*array));
    *assigned = *copy;
    *assigned = *assigned;
    copy->GetStorageItems()->Add();
    EXPECT_EQ(array->GetStorageItems()->GetCount(), 1);
    EXPECT_EQ(assigned->GetStorageItems(), array->GetStorageItems());
    EXPECT_EQ(copy->GetElementName(), "Root");
    EXPECT_EQ(assigned->GetElementName(), "Root");

    auto p = CCParams::CreateInstance(), paramAssigned = CCParams::CreateInstance();
    p->SetParamName("n");
    p->SetIsKey(true);
    CSmartPtr<CCParams> paramCopy(new CCParams(*p));
    *paramAssigned = *p;
    paramCopy->GetCParams_ChoiceA()->SetNum(3);  // what the source writes changes too
    for (CCParams* written : {p.get(), paramCopy.get(), paramAssigned.get()}) {
        EXPECT_EQ(WriteOutline(written), "cParams@urn:test:other(num=3,ParamName=n,isKey=true)");
    }

    auto item = CStorageItem::CreateInstance();
    auto range = CArrRange::CreateInstance();
    range->SetRows(5);
    CSmartPtr<CStorageItem> itemCopy(new CStorageItem(*item));
    CSmartPtr<CArrRange> rangeCopy(new CArrRange(*range));
    EXPECT_EQ(itemCopy->GetParameters(), item->GetParameters());
    EXPECT_EQ(rangeCopy->GetArrRange_ChoiceA(), range->GetArrRange_ChoiceA());
    EXPECT_EQ(itemCopy->GetElementName(), "StorageItem");
    EXPECT_EQ(rangeCopy->GetRows(), 5);
}

} // namespace
