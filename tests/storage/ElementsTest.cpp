// The four element classes: what they write,
// in which order and namespaces; every row of their reading Failure tables
// with the position of each level; attributes; element names taken from the
// element read; copies sharing children; children detached by a read.
#include "Support.h"

#include <functional>

using namespace StorageTest;

namespace {

const std::string P = "<num>1</num><ParamName>p</ParamName><isKey>false</isKey>";
const std::string S4 = "<ClientID/><CatID/><FunctionName/><KeyID/>";
const std::string ITEM = S4 + "<parameters>" + P + "</parameters>";
const std::string RANGE = "<num>1</num><rows>1</rows><columns>1</columns>";
const std::string ARRAY = "<StorageItems>" + ITEM + "</StorageItems><ClientID/><KeyID/>";

const char* const kNoneSet =
    "This element is a choice, and as such must have at one (and only one) valid item, currently there are none set";

Level Missing(const std::string& name) { return Validation("Failed to find a required element [" + name + "]"); }
Level Unknown(const std::string& name) {
    return Validation("Failed read all the elements held within the element. Unknown Element [" + name +
                      "] remains un processed");
}
Level Children(const std::string& name) {
    return Validation("Failed to process the child elements in element [" + name + "]");
}
Level Convert(const std::string& name) { return Validation("Failed to convert the element [" + name + "] to XML").Unlocated(); }
Level Attributes(const std::string& name) {
    return Validation("Failed to correctly process the attributes for the element [" + name + "]");
}

// A new object of the class whose default element name is `element`.
CSmartPtr<CXmlObjectBase> New(const std::string& element) {
    if (element == "arrRange") return CArrRange::CreateInstance();
    if (element == "cParams") return CCParams::CreateInstance();
    if (element == "StorageItem") return CStorageItem::CreateInstance();
    return CStorageArray::CreateInstance();
}

std::string Element(const std::string& name, const std::string& body, const std::string& attributes = "") {
    return "<" + name + " xmlns=\"" + kTns + "\"" + attributes + ">" + body + "</" + name + ">";
}

// ---- Writing ---------------------------------------------------------------------

TEST(CArrRange, WritesCellsThenRowsAndColumns) {
    auto range = CArrRange::CreateInstance();
    range->GetArrRange_ChoiceA()->Add()->SetNum(1.5);
    range->SetRows(1);
    range->SetColumns(1);
    EXPECT_EQ(WriteOutline(range.get()), "h@urn:test:other(arrRange@urn:test:other(num=1.5,rows=1,columns=1))");
}  // counts that do not match the cells: StorageDocument.EveryKindOfValue...

TEST(CArrRange, RefusesToWriteWithoutACellOrWithAnUnsetCell) {
    auto range = CArrRange::CreateInstance();
    EXPECT_TRUE(ThrowsChain([&] { WriteOutline(range.get()); },
                            {Convert("arrRange"), Runtime("fewer than its minimum").Unlocated()}));
    range->GetArrRange_ChoiceA()->Add();
    EXPECT_TRUE(ThrowsChain([&] { WriteOutline(range.get()); },
                            {Convert("arrRange"), Convert("arrRange_ChoiceA"), Validation(kNoneSet).Unlocated()}));
}

TEST(CCParams, WritesValueThenNameThenKey) {
    auto p = CCParams::CreateInstance();
    EXPECT_EQ(p->GetParamName(), "");
    EXPECT_FALSE(p->GetIsKey());
    CXmlTextWriter writer(false);
    writer.WriteStartElement("h", kOther);
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::ToXml_Int(p.get(), &writer, false, kOther); },
                            {Convert("cParams"), Convert("cParams_ChoiceA"), Validation(kNoneSet).Unlocated()}));
    EXPECT_EQ(writer.GetXml().find("ParamName"), std::string::npos) << writer.GetXml();

    p->GetCParams_ChoiceA()->SetNum(2.5);
    EXPECT_EQ(WriteOutline(p.get()), "h@urn:test:other(cParams@urn:test:other(num=2.5,ParamName,isKey=false))");
}

TEST(CCParams, SetCParams_ChoiceARefusesNullAndDoesNotRename) {
    auto p = CCParams::CreateInstance();
    auto own = p->GetCParams_ChoiceA();
    EXPECT_TRUE(ThrowsChain([&] { p->SetCParams_ChoiceA(nullptr); }, {Runtime("cParams_ChoiceA").Unlocated()}));
    EXPECT_EQ(p->GetCParams_ChoiceA(), own);
    auto other = DynamicCast<CCParams_ChoiceA>(CClassFactory::CreateClass(CClassFactory::ClassId_CCParams_ChoiceA, "Val"));
    p->SetCParams_ChoiceA(other.get());
    p->SetCParams_ChoiceA(other.get());
    EXPECT_EQ(p->GetCParams_ChoiceA(), other);
    EXPECT_EQ(other->GetElementName(), "Val");
    EXPECT_TRUE(ThrowsChain([&] { WriteOutline(p.get()); },
                            {Convert("cParams"), Convert("Val"), Validation(kNoneSet).Unlocated()}));
}

TEST(CStorageItem, WritesFourStringsThenParameters) {
    auto item = CStorageItem::CreateInstance();
    CXmlTextWriter writer(false);
    writer.WriteStartElement("h", kOther);
    EXPECT_TRUE(ThrowsChain([&] { CXmlObjectBase::ToXml_Int(item.get(), &writer, false, kOther); },
                            {Convert("StorageItem"), Runtime("fewer than its minimum").Unlocated()}));
    EXPECT_NE(writer.GetXml().find("KeyID"), std::string::npos) << "the strings reach the writer first";

    item->SetClientID("c");
    item->SetCatID("k");
    item->SetFunctionName("f");
    item->SetKeyID("i");
    item->GetParameters()->Add()->GetCParams_ChoiceA()->SetErr(1);
    auto added = CCParams::CreateInstance();
    added->GetCParams_ChoiceA()->SetBBool(true);
    item->GetParameters()->Add(added.get());
    EXPECT_EQ(WriteOutline(item.get()),
              "h@urn:test:other(StorageItem@urn:test:other(ClientID=c,CatID=k,FunctionName=f,KeyID=i,"
              "parameters(err=1,ParamName,isKey=false),parameters(bBool=true,ParamName,isKey=false)))");
}

TEST(CStorageArray, WritesItemsThenClientIDAndKeyID) {
    auto array = CStorageArray::CreateInstance();
    EXPECT_EQ(WriteOutline(array.get()), "h@urn:test:other(StorageArray@urn:test:other(ClientID,KeyID))");
    array->SetClientID("a");
    array->SetKeyID("b");
    for (int i = 0; i < 2; ++i) {
        auto item = array->GetStorageItems()->Add();
        item->GetParameters()->Add()->GetCParams_ChoiceA()->SetW(i);
    }
    const std::string item = "StorageItems(ClientID,CatID,FunctionName,KeyID,parameters(w=%d,ParamName,isKey=false))";
    EXPECT_EQ(WriteOutline(array.get()), "h@urn:test:other(StorageArray@urn:test:other(" + FormatString(item.c_str(), 0) +
                                             "," + FormatString(item.c_str(), 1) + ",ClientID=a,KeyID=b))");
    array->GetStorageItems()->Add();  // no parameter
    EXPECT_TRUE(ThrowsChain([&] { WriteOutline(array.get()); },
                            {Convert("StorageArray"), Convert("StorageItems"), Runtime("fewer than its minimum").Unlocated()}));
}

TEST(ElementSetters, RefusedValuesLeaveTheFieldUnchanged) {
    auto p = CCParams::CreateInstance();
    auto item = CStorageItem::CreateInstance();
    auto array = CStorageArray::CreateInstance();
    struct Field {
        std::function<void(std::string)> set;
        std::function<std::string()> get;
    };
    const std::vector<Field> fields = {
        {[&](std::string v) { p->SetParamName(v); }, [&] { return p->GetParamName(); }},
        {[&](std::string v) { item->SetClientID(v); }, [&] { return item->GetClientID(); }},
        {[&](std::string v) { item->SetCatID(v); }, [&] { return item->GetCatID(); }},
        {[&](std::string v) { item->SetFunctionName(v); }, [&] { return item->GetFunctionName(); }},
        {[&](std::string v) { item->SetKeyID(v); }, [&] { return item->GetKeyID(); }},
        {[&](std::string v) { array->SetClientID(v); }, [&] { return array->GetClientID(); }},
        {[&](std::string v) { array->SetKeyID(v); }, [&] { return array->GetKeyID(); }},
    };
    for (const Field& f : fields) {
        f.set(" ok ");
        EXPECT_TRUE(ThrowsChain([&] { f.set("bad\x02"); }, {Runtime().Unlocated()}));
        EXPECT_TRUE(ThrowsChain([&] { f.set("\xED\xA0\x80"); }, {Runtime().Unlocated()}));  // a surrogate
        EXPECT_EQ(f.get(), " ok ");
    }
    if constexpr (sizeof(long) > 4) {
        auto range = CArrRange::CreateInstance();
        range->SetRows(INT32_MIN);
        range->SetColumns(INT32_MAX);
        EXPECT_TRUE(ThrowsChain([&] { range->SetRows(long(INT32_MIN) - 1); }, {Runtime().Unlocated()}));
        EXPECT_TRUE(ThrowsChain([&] { range->SetColumns(long(INT32_MAX) + 1); }, {Runtime().Unlocated()}));
        EXPECT_EQ(range->GetRows(), INT32_MIN);
        EXPECT_EQ(range->GetColumns(), INT32_MAX);
    }
}

// ---- Reading: the Failure tables ---------------------------------------------------

struct Want {
    Level level;
    std::string marker;  // the level's position is that of the first "<..." matching; "" = the element read
};
struct FailCase {
    std::string element, body;
    std::vector<Want> inner;  // below the outer "Failed to process the child elements in element [element]"
};

TEST(ElementReaders, RefuseMissingMisplacedAndLeftoverChildren) {
    const Level fewer = Runtime("fewer than its minimum");
    const std::vector<FailCase> cases = {
        {"arrRange", "", {{fewer, ""}}},
        {"arrRange", "<rows>1</rows><columns>1</columns><num>1</num>", {{fewer, "<rows"}}},
        {"arrRange", "<num>1</num>", {{Missing("rows"), ""}}},
        {"arrRange", "<num>1</num><columns>1</columns><rows>1</rows>", {{Missing("rows"), "<columns"}}},
        {"arrRange", "<num>1</num><rows>1</rows>", {{Missing("columns"), ""}}},
        {"arrRange", "<num>1</num><rows>1</rows><Columns>1</Columns>", {{Missing("columns"), "<Columns"}}},
        {"arrRange", RANGE + "<num>2</num>", {{Unknown("num"), "<num>2"}}},
        {"arrRange", "<num>1</num><rows>x1</rows><columns>1</columns>", {{Runtime("[x1]"), "<rows"}}},
        {"arrRange", "<num>1</num><rows>1</rows><columns>4294967296</columns>", {{Runtime("[4294967296]"), "<columns"}}},
        {"arrRange", "<num>abc</num><rows>1</rows><columns>1</columns>", {{Children("arrRange"), ""}, {Runtime("[abc]"), "<num"}}},
        {"cParams", "", {{Missing("ParamName"), ""}}},
        {"cParams", "<ParamName/><num>1</num><isKey>true</isKey>", {{Missing("isKey"), "<num"}}},
        {"cParams", "<num>1</num><str>a</str><ParamName/><isKey>true</isKey>", {{Missing("ParamName"), "<str"}}},
        {"cParams", "<num>1</num><paramName/><isKey>true</isKey>", {{Missing("ParamName"), "<paramName"}}},
        {"cParams", "<num>1</num><ParamName/>", {{Missing("isKey"), ""}}},
        {"cParams", "<num>1</num><ParamName/><isKey>true</isKey><isKey>false</isKey>", {{Unknown("isKey"), "<isKey>false"}}},
        {"cParams", "<num>1</num><ParamName/><isKey>maybe</isKey>", {{Runtime("[maybe]"), "<isKey"}}},
        {"cParams", "<num>x</num><ParamName/><isKey>true</isKey>", {{Children("cParams"), ""}, {Runtime("[x]"), "<num"}}},
        {"cParams", "<Range><rows>1</rows><columns>1</columns></Range><ParamName/><isKey>1</isKey>",
         {{Children("cParams"), ""}, {Children("Range"), "<Range"}, {fewer, "<rows"}}},
        {"StorageItem", "", {{Missing("ClientID"), ""}}},
        {"StorageItem", S4, {{fewer, ""}}},
        {"StorageItem", "<CatID/><ClientID/>", {{Missing("ClientID"), "<CatID"}}},
        {"StorageItem", "<ClientID/><FunctionName/>", {{Missing("CatID"), "<FunctionName"}}},
        {"StorageItem", "<ClientID/><CatID/><KeyID/>", {{Missing("FunctionName"), "<KeyID"}}},
        {"StorageItem", "<ClientID/><CatID/><FunctionName/><parameters>" + P + "</parameters><KeyID/>",
         {{Missing("KeyID"), "<parameters"}}},
        {"StorageItem", S4 + "<cParams>" + P + "</cParams>", {{fewer, "<cParams"}}},
        {"StorageItem", ITEM + "<cParams>" + P + "</cParams>", {{Unknown("cParams"), "<cParams"}}},
        {"StorageItem", ITEM + "<ClientID>late</ClientID>", {{Unknown("ClientID"), "<ClientID>late"}}},
        {"StorageItem", S4 + "<parameters><num>1</num></parameters>",
         {{Children("parameters"), "<parameters"}, {Missing("ParamName"), "<parameters"}}},
        {"StorageArray", "", {{Missing("ClientID"), ""}}},
        {"StorageArray", "<ClientID/>", {{Missing("KeyID"), ""}}},
        {"StorageArray", "<KeyID/><ClientID/>", {{Missing("ClientID"), "<KeyID"}}},
        {"StorageArray", "<ClientID/><KeyID/><StorageItems>" + ITEM + "</StorageItems>",
         {{Unknown("StorageItems"), "<StorageItems"}}},
        {"StorageArray", "<StorageItem>" + ITEM + "</StorageItem><ClientID/><KeyID/>", {{Missing("ClientID"), "<StorageItem"}}},
        {"StorageArray", "<ClientID/><KeyID/><x/>", {{Unknown("x"), "<x"}}},
        {"StorageArray", "<StorageItems><ClientID/></StorageItems><ClientID/><KeyID/>",
         {{Children("StorageItems"), "<StorageItems"}, {Missing("CatID"), "<StorageItems"}}},
    };
    for (const FailCase& fc : cases) {
        const std::string text = Element(fc.element, fc.body);
        SCOPED_TRACE(text);
        std::vector<Level> levels = {Children(fc.element).At(1, 1)};
        for (const Want& w : fc.inner) {
            const std::size_t at = w.marker.empty() ? 0 : text.find(w.marker);
            ASSERT_NE(at, std::string::npos) << w.marker;
            levels.push_back(w.level.At(1, int(at) + 1));
        }
        Doc doc(text);
        auto object = New(fc.element);
        EXPECT_TRUE(ThrowsChain([&] { ReadOwn(object.get(), doc.root); }, levels));
    }
}

const std::vector<std::pair<std::string, std::string>> kValid = {
    {"arrRange", RANGE}, {"cParams", P}, {"StorageItem", ITEM}, {"StorageArray", ARRAY}};

TEST(ElementReaders, TakeTheElementNameReadAndWriteItBack) {
    for (const auto& [element, body] : kValid) {
        SCOPED_TRACE(element);
        Doc doc(Element("Other", body, " xmlns:p=\"urn:p\""));
        auto object = New(element);
        EXPECT_EQ(ReadOwn(object.get(), doc.root), nullptr);
        EXPECT_EQ(object->GetElementName(), "Other");
        EXPECT_EQ(WriteOutline(object.get(), kTns.c_str()), "h@urn:test:other(" + Outline(doc.root) + ")");
    }
}

TEST(ElementReaders, ArrayAndItemRefusePlainAttributes) {
    for (const std::string element : {"StorageArray", "StorageItem"}) {
        const std::string body = element == "StorageArray" ? ARRAY : ITEM;
        for (const std::string attributes : {" a=\"1\"", " xmlns:p=\"urn:p\" p:a=\"1\""}) {
            SCOPED_TRACE(element + attributes);
            Doc doc(Element(element, body, attributes));
            auto object = New(element);
            EXPECT_TRUE(ThrowsChain([&] { ReadOwn(object.get(), doc.root); },
                                    {Attributes(element).At(1, 1), Validation("Unexpected Attribute [a] found.").At(1, 1)}));
        }
    }
    const std::string text = Element("StorageArray", "<StorageItems b=\"2\">" + ITEM + "</StorageItems><ClientID/><KeyID/>");
    Doc doc(text);
    auto array = CStorageArray::CreateInstance();
    const int items = int(text.find("<StorageItems")) + 1;
    EXPECT_TRUE(ThrowsChain([&] { ReadOwn(array.get(), doc.root); },
                            {Children("StorageArray").At(1, 1), Attributes("StorageItems").At(1, items),
                             Validation("Unexpected Attribute [b] found.").At(1, items)}));
}

TEST(ElementReaders, RangeAndParameterIgnoreAttributesEveryoneTakesDeclarations) {
    for (const auto& [element, body] : kValid) {
        const bool ignores = element == "arrRange" || element == "cParams";
        const std::string attributes = ignores ? " a=\"1\" xmlns:p=\"urn:p\" p:b=\"2\" xmlns:q=\"urn:q\""
                                               : " xmlns:p=\"urn:p\" xmlns:q=\"urn:q\"";
        SCOPED_TRACE(element + attributes);
        Doc doc(Element(element, body, attributes));
        auto object = New(element);
        EXPECT_EQ(ReadOwn(object.get(), doc.root), nullptr);
        CXmlTextWriter writer(false);
        CXmlObjectBase::ToXml_Int(object.get(), &writer, true, kTns.c_str());
        EXPECT_EQ(AttributesIn(Doc(writer.GetXml()).root),
                  (std::vector<std::string>{element + ":xmlns:xs", element + ":xmlns:mstns"}));
    }
}

TEST(CCParams, ReadsWithoutAValueButCannotBeWrittenSo) {
    Doc doc(Element("cParams", "<ParamName>  p  </ParamName><isKey> true </isKey>"));
    auto p = CCParams::CreateInstance();
    p->GetCParams_ChoiceA()->SetNum(1);
    EXPECT_EQ(ReadOwn(p.get(), doc.root), nullptr);
    EXPECT_EQ(p->GetParamName(), "  p  ");
    EXPECT_TRUE(p->GetIsKey());
    EXPECT_EQ(p->GetCParams_ChoiceA()->GetChoiceSelectedElement(), "");
    EXPECT_TRUE(ThrowsChain([&] { WriteOutline(p.get()); },
                            {Convert("cParams"), Convert("cParams_ChoiceA"), Validation(kNoneSet).Unlocated()}));
}

TEST(CStorageItem, AFailedReadDropsTheOldContentAndKeepsWhatWasRead) {
    auto item = CStorageItem::CreateInstance();
    item->SetKeyID("old");
    item->GetParameters()->Add();
    Doc doc(Element("StorageItem", "<ClientID> c </ClientID><CatID>k</CatID><FunctionName/>"));
    EXPECT_TRUE(ThrowsChain([&] { ReadOwn(item.get(), doc.root); },
                            {Children("StorageItem").At(1, 1), Missing("KeyID").At(1, 1)}));
    EXPECT_EQ(item->GetClientID(), " c ");
    EXPECT_EQ(item->GetCatID(), "k");
    EXPECT_EQ(item->GetKeyID(), "");
    EXPECT_EQ(item->GetParameters()->GetCount(), 0);

    auto range = CArrRange::CreateInstance();
    range->SetRows(3);
    range->SetColumns(4);
    range->FromXml(Element("arrRange", "<num>1</num><rows>5</rows><columns>6</columns>"));
    EXPECT_EQ(range->GetColumns(), 6);
    EXPECT_TRUE(ThrowsChain([&] { range->FromXml(Element("arrRange", "<w>1</w><w>2</w><rows>7</rows>")); },
                            {Children("arrRange").At(1, 1), Missing("columns").At(1, 1)}));
    EXPECT_EQ(range->GetArrRange_ChoiceA()->GetCount(), 2);
    EXPECT_EQ(range->GetRows(), 7);
    EXPECT_EQ(range->GetColumns(), 0);
}

// ---- Children: detached by a read, shared by copies -----------------------------

TEST(ElementReaders, ChildrenObtainedBeforeAReadStayDetached) {
    auto range = CArrRange::CreateInstance();
    auto cells = range->GetArrRange_ChoiceA();
    cells->Add()->SetW(9);
    range->FromXml(Element("arrRange", RANGE));
    EXPECT_NE(range->GetArrRange_ChoiceA(), cells);
    EXPECT_EQ(cells->Item(0)->GetW(), 9);
    EXPECT_EQ(range->GetArrRange_ChoiceA()->Item(0)->GetNum(), 1);

    auto p = CCParams::CreateInstance();
    auto value = p->GetCParams_ChoiceA();
    value->SetStr("kept");
    p->FromXml(Element("cParams", P));
    EXPECT_NE(p->GetCParams_ChoiceA(), value);
    EXPECT_EQ(value->GetStr(), "kept");
    EXPECT_EQ(p->GetCParams_ChoiceA()->GetNum(), 1);

    auto item = CStorageItem::CreateInstance();
    auto params = item->GetParameters();
    params->Add();
    params->Add();
    item->FromXml(Element("StorageItem", ITEM));
    EXPECT_NE(item->GetParameters(), params);
    EXPECT_EQ(params->GetCount(), 2);
    EXPECT_EQ(item->GetParameters()->GetCount(), 1);

    auto array = CStorageArray::CreateInstance();
    auto items = array->GetStorageItems();  // held while still empty: detached all the same
    array->FromXml(Element("StorageArray", ARRAY));
    EXPECT_NE(array->GetStorageItems(), items);
    EXPECT_EQ(items->GetCount(), 0);
    EXPECT_EQ(array->GetStorageItems()->GetCount(), 1);
}

TEST(CStorageArray, CopiesShareTheItemsNotTheStrings) {
    auto array = DynamicCast<CStorageArray>(CClassFactory::CreateClass(CClassFactory::ClassId_CStorageArray, "Root"));
    array->SetClientID("a");
    CSmartPtr<CStorageArray> copy(new CStorageArray(*array));
    EXPECT_EQ(copy->GetElementName(), "Root");
    EXPECT_EQ(copy->GetStorageItems(), array->GetStorageItems());
    copy->GetStorageItems()->Add();
    EXPECT_EQ(array->GetStorageItems()->GetCount(), 1);
    copy->SetClientID("b");
    EXPECT_EQ(array->GetClientID(), "a");

    const long live = CInstanceMonitor::GetLiveCount();
    auto assigned = CStorageArray::CreateInstance();
    *assigned = *array;  // gives up its own, empty collection
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live + 1);
    EXPECT_EQ(assigned->GetStorageItems(), array->GetStorageItems());
    EXPECT_EQ(assigned->GetClientID(), "a");
    *assigned = *assigned;
    EXPECT_EQ(assigned->GetStorageItems()->GetCount(), 1);
}

// Copies of the other three classes share their child likewise (the array's is above).
TEST(ElementCopies, ShareTheChildNotTheScalars) {
    auto item = CStorageItem::CreateInstance();
    item->SetCatID("c");
    CSmartPtr<CStorageItem> itemCopy(new CStorageItem(*item));
    itemCopy->GetParameters()->Add();
    itemCopy->SetCatID("d");
    EXPECT_EQ(item->GetParameters()->GetCount(), 1);
    EXPECT_EQ(item->GetCatID(), "c");

    auto p = CCParams::CreateInstance();
    p->SetParamName("n");
    CSmartPtr<CCParams> paramCopy(new CCParams(*p));
    paramCopy->GetCParams_ChoiceA()->SetNum(3);
    paramCopy->SetIsKey(true);
    EXPECT_EQ(WriteOutline(p.get()), "h@urn:test:other(cParams@urn:test:other(num=3,ParamName=n,isKey=false))");
    auto assigned = CCParams::CreateInstance();
    *assigned = *p;
    *assigned = *assigned;
    EXPECT_EQ(assigned->GetCParams_ChoiceA(), p->GetCParams_ChoiceA());
    EXPECT_EQ(assigned->GetParamName(), "n");

    auto range = CArrRange::CreateInstance();
    CSmartPtr<CArrRange> rangeCopy(new CArrRange(*range));
    range->GetArrRange_ChoiceA()->Add()->SetErr(1);
    range->SetRows(5);
    EXPECT_EQ(rangeCopy->GetArrRange_ChoiceA()->GetCount(), 1);
    EXPECT_EQ(rangeCopy->GetRows(), 0);
}

} // namespace
