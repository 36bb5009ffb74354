// Whole Storage documents through ToXml and FromXml: the chains of messages
// from the root to the cause, with the position of every level; the
// namespace declarations; a document with every kind of value that reads
// back equal field by field and writes back byte for byte.
#include "Support.h"

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>

using namespace StorageTest;

namespace {

Level Children(const std::string& name) {
    return Validation("Failed to process the child elements in element [" + name + "]");
}
Level Convert(const std::string& name) { return Validation("Failed to convert the element [" + name + "] to XML").Unlocated(); }

const std::string kMissingIsKey = R"(<?xml version="1.0" encoding="UTF-8"?>
<StorageArray xmlns="urn:storagexml:storage">
  <StorageItems>
    <ClientID>c</ClientID>
    <CatID>k</CatID>
    <FunctionName>f</FunctionName>
    <KeyID>i</KeyID>
    <parameters>
      <num>2.5</num>
      <ParamName>p</ParamName>
      <!-- isKey: here -->
    </parameters>
  </StorageItems>
  <ClientID>c</ClientID>
  <KeyID>k</KeyID>
</StorageArray>
)";

TEST(StorageDocument, MissingIsKeyGivesTheChainFromTheRoot) {
    auto array = CStorageArray::CreateInstance();
    const std::string& text = kMissingIsKey;
    EXPECT_TRUE(ThrowsChain([&] { array->FromXml(text); },
                            {Children("StorageArray").At(2, 1), Children("StorageItems").At(3, 3),
                             Children("parameters").At(8, 5),
                             Validation("Failed to find a required element [isKey]").At(8, 5)}));

    // Something else where "isKey" belongs: the innermost level points at it.
    std::string misplaced = text;
    misplaced.replace(misplaced.find("<!-- isKey: here -->"), 20, "<IsKey>true</IsKey>");
    EXPECT_TRUE(ThrowsChain([&] { array->FromXml(misplaced); },
                            {Children("StorageArray").At(2, 1), Children("StorageItems").At(3, 3),
                             Children("parameters").At(8, 5),
                             Validation("Failed to find a required element [isKey]").At(11, 7)}));
}

TEST(StorageDocument, BadCellTextGivesEveryLevelDownToTheConversion) {
    const std::string text = "<StorageArray xmlns=\"urn:storagexml:storage\">\n"
                             " <StorageItems><ClientID/><CatID/><FunctionName/><KeyID/>\n"
                             "  <parameters>\n"
                             "   <Range><num>1</num>\n"
                             "    <err> 12x </err><rows>1</rows><columns>2</columns></Range>\n"
                             "   <ParamName/><isKey>0</isKey></parameters></StorageItems>\n"
                             " <ClientID/><KeyID/></StorageArray>";
    auto array = CStorageArray::CreateInstance();
    EXPECT_TRUE(ThrowsChain([&] { array->FromXml(text); },
                            {Children("StorageArray").At(1, 1), AtMarker(Children("StorageItems"), text, "<StorageItems"),
                             AtMarker(Children("parameters"), text, "<parameters"),   // the parameter
                             AtMarker(Children("parameters"), text, "<parameters"),   // its value choice
                             AtMarker(Children("Range"), text, "<Range"),             // the range
                             AtMarker(Children("Range"), text, "<Range"),             // the cell
                             AtMarker(Runtime("12x"), text, "<err")}));
}

TEST(StorageDocument, WriteFailuresChainFromTheRootWithoutPositions) {
    auto array = CStorageArray::CreateInstance();
    auto item = array->GetStorageItems()->Add();
    EXPECT_TRUE(ThrowsChain([&] { array->ToXml(); },
                            {Convert("StorageArray"), Convert("StorageItems"), Runtime("fewer than its minimum").Unlocated()}));
    auto range = CArrRange::CreateInstance();
    range->GetArrRange_ChoiceA()->Add();  // a cell with no value
    item->GetParameters()->Add()->GetCParams_ChoiceA()->SetRange(range.get());
    EXPECT_TRUE(ThrowsChain([&] { array->ToXml(); },
                            {Convert("StorageArray"), Convert("StorageItems"), Convert("parameters"),
                             Convert("cParams_ChoiceA"), Convert("Range"), Convert("arrRange_ChoiceA"),
                             Validation("This element is a choice, and as such must have at one (and only one) valid "
                                        "item, currently there are none set")
                                 .Unlocated()}));
}

// The road of one document (Overview).
TEST(StorageDocument, DeclaresBothPrefixesOnTheRootOnly) {
    auto array = CStorageArray::CreateInstance();
    array->SetClientID("c");
    array->SetKeyID("k");
    auto item = array->GetStorageItems()->Add();
    item->SetClientID("ic");
    item->SetCatID("cat");
    item->SetFunctionName("fn");
    item->SetKeyID("ik");
    auto p = item->GetParameters()->Add();
    p->SetParamName("p");
    p->SetIsKey(true);
    p->GetCParams_ChoiceA()->SetNum(2.5);
    const std::string text = array->ToXml();
    Doc doc(text);
    EXPECT_EQ(Outline(doc.root), "StorageArray(StorageItems(ClientID=ic,CatID=cat,FunctionName=fn,KeyID=ik,"
                                 "parameters(num=2.5,ParamName=p,isKey=true)),ClientID=c,KeyID=k)");
    EXPECT_EQ(AttributesIn(doc.root), (std::vector<std::string>{"StorageArray:xmlns:xs", "StorageArray:xmlns:mstns"}));
    std::vector<std::string> bound;
    for (const CXmlAttribute& a : doc.root->GetAttributes()) bound.push_back(a.GetLocalName() + "=" + std::string(a.GetValue()));
    EXPECT_EQ(bound, (std::vector<std::string>{"xs=http://www.w3.org/2001/XMLSchema-instance", "mstns=" + kTns}));
}

// ---- Every kind of value ----------------------------------------------------------

std::string Quoted(const std::string& s) {
    std::ostringstream out;
    out << '"';
    for (unsigned char c : s) {
        if (c < 0x20 || c == '"' || c == '\\') out << FormatString("\\x%02x", c);
        else out << c;
    }
    out << '"';
    return out.str();
}

std::string Value(CScalarChoice& c) {
    const std::string e = c.GetChoiceSelectedElement();
    if (e == "num") return "num " + FormatString("%a", c.GetNum());
    if (e == "str") return "str " + Quoted(c.GetStr());
    if (e == "bBool") return std::string("bBool ") + (c.GetBBool() ? "true" : "false");
    if (e == "err") return "err " + std::to_string(c.GetErr());
    if (e == "w") return "w " + std::to_string(c.GetW());
    return "[" + e + "]";
}

// Every field of the tree, element names included.
std::string Dump(CStorageArray& array) {
    std::ostringstream out;
    out << array.GetElementName() << " " << Quoted(array.GetClientID()) << " " << Quoted(array.GetKeyID()) << "\n";
    for (auto item : *array.GetStorageItems()) {
        out << " " << item->GetElementName() << " " << Quoted(item->GetClientID()) << " " << Quoted(item->GetCatID())
            << " " << Quoted(item->GetFunctionName()) << " " << Quoted(item->GetKeyID()) << "\n";
        for (auto p : *item->GetParameters()) {
            auto value = p->GetCParams_ChoiceA();
            out << "  " << p->GetElementName() << " " << Quoted(p->GetParamName()) << " " << p->GetIsKey() << " "
                << Value(*value);
            if (auto range = value->GetRange()) {
                out << " " << range->GetElementName() << " " << range->GetRows() << "x" << range->GetColumns();
                for (auto cell : *range->GetArrRange_ChoiceA()) out << " {" << Value(*cell) << "}";
            }
            out << "\n";
        }
    }
    return out.str();
}

CSmartPtr<CStorageArray> EveryKindOfValue() {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    auto array = CStorageArray::CreateInstance();
    array->SetClientID("  root client  ");
    array->SetKeyID("");
    auto item = array->GetStorageItems()->Add();
    item->SetClientID(" a&b<c>d ");
    item->SetCatID("x ]]> y");
    item->SetFunctionName("line\r\nnext\ttab");
    item->SetKeyID("\xC3\xBC \xD0\xBA \xF0\x9F\x99\x82");
    int n = 0;
    auto param = [&](const std::function<void(CCParams_ChoiceA&)>& set) {
        auto p = item->GetParameters()->Add();
        p->SetParamName(" p" + std::to_string(n++) + " ");
        p->SetIsKey(n % 2 == 0);
        set(*p->GetCParams_ChoiceA());
    };
    for (double d : {-0.0, 0.1, -1.5, 1e300, 5e-324, nan, inf, -inf}) param([d](auto& c) { c.SetNum(d); });
    for (const char* s : {"", "  both  ", "\n", "&lt;"}) param([s](auto& c) { c.SetStr(s); });
    for (bool b : {true, false}) param([b](auto& c) { c.SetBBool(b); });
    for (long e : {long(INT32_MIN), 0L, long(INT32_MAX)}) param([e](auto& c) { c.SetErr(e); });
    for (std::int64_t w : {INT64_MIN, std::int64_t(-1), INT64_MAX}) param([w](auto& c) { c.SetW(w); });

    auto second = array->GetStorageItems()->Add();
    auto range = CArrRange::CreateInstance();
    range->SetRows(2);
    range->SetColumns(3);
    auto cells = range->GetArrRange_ChoiceA();
    cells->Add()->SetNum(-2.25);
    cells->Add()->SetStr(" s ");
    cells->Add()->SetStr("");
    cells->Add()->SetBBool(true);
    cells->Add()->SetErr(-7);
    cells->Add()->SetW(INT64_MIN);
    second->GetParameters()->Add()->GetCParams_ChoiceA()->SetRange(range.get());
    auto lone = CArrRange::CreateInstance();
    lone->GetArrRange_ChoiceA()->Add()->SetW(1);
    lone->SetRows(INT32_MIN);
    second->GetParameters()->Add()->GetCParams_ChoiceA()->SetRange(lone.get());
    array->GetStorageItems()->Add()->GetParameters()->Add()->GetCParams_ChoiceA()->SetValidW(true);
    return array;
}

TEST(StorageDocument, EveryKindOfValueReadsBackEqualAndWritesBackIdentical) {
    auto array = EveryKindOfValue();
    const std::string dump = Dump(*array);
    EXPECT_NE(dump.find("Range 2x3 {num -0x1.2p+1} {str \" s \"} {str \"\"}"), std::string::npos) << dump;
    for (const CWriteOptions& options : {CWriteOptions{true, true}, CWriteOptions{false, false}}) {
        const std::string text = array->ToXml(options);
        auto back = CStorageArray::CreateInstance();
        back->FromXml(text);
        EXPECT_EQ(Dump(*back), dump);
        EXPECT_EQ(back->ToXml(options), text);
    }
    const std::string outline = DocOutline(array.get());
    EXPECT_EQ(outline.find('@'), std::string::npos) << "every element is in the target namespace: " << outline;
}

TEST(StorageDocument, ReadingReplacesEverythingWhateverTheNamespaces) {
    auto array = EveryKindOfValue();
    auto held = array->GetStorageItems();
    array->FromXml("<Root xmlns=\"urn:else\"><StorageItems xmlns=\"\"><ClientID/><CatID/><FunctionName/><KeyID/>"
                   "<x:parameters xmlns:x=\"urn:x\"><x:bBool>1</x:bBool><ParamName/><isKey>0</isKey></x:parameters>"
                   "</StorageItems><ClientID> c </ClientID><KeyID>k</KeyID></Root>");
    EXPECT_EQ(Dump(*array), "Root \" c \" \"k\"\n StorageItems \"\" \"\" \"\" \"\"\n  parameters \"\" 0 bBool true\n");
    EXPECT_EQ(held->GetCount(), 3);
    EXPECT_EQ(DocOutline(array.get()), "Root(StorageItems(ClientID,CatID,FunctionName,KeyID,parameters(bBool=true,"
                                       "ParamName,isKey=false)),ClientID= c ,KeyID=k)");
}

TEST(StorageDocument, MalformedTextIsAPlainRuntimeException) {
    auto array = CStorageArray::CreateInstance();
    EXPECT_TRUE(ThrowsChain([&] { array->FromXml("<StorageArray><ClientID></StorageArray>"); }, {Runtime()}));
    EXPECT_EQ(array->GetStorageItems()->GetCount(), 0);
}

} // namespace
