// Whole Storage documents through ToXml and FromXml: the chains of messages
// from the root to the cause, with the position of every level; the order of
// the elements and the namespace declarations; a document with every kind of
// value that reads back equal field by field and writes back byte for byte.
#include "Support.h"

#include <climits>
#include <functional>
#include <limits>

using namespace StorageTest;

namespace {

const std::string kDocument = R"(<StorageArray xmlns="urn:storagexml:storage">
  <StorageItems>
    <ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName><KeyID>i</KeyID>
    <parameters>
      <num>2.5</num><ParamName>p</ParamName>
      <!-- isKey -->
    </parameters>
  </StorageItems>
  <ClientID>c</ClientID><KeyID>k</KeyID>
</StorageArray>)";

TEST(StorageDocument, ReadFailuresChainFromTheRootWithPositions) {
    auto array = CStorageArray::CreateInstance();
    auto chain = [](std::vector<Level> inner) {
        inner.insert(inner.begin(), {Children("StorageArray").At(1, 1), Children("StorageItems").At(2, 3),
                                     Children("parameters").At(4, 5)});
        return inner;
    };
    EXPECT_TRUE(ThrowsChain([&] { array->FromXml(kDocument); }, chain({Missing("isKey").At(4, 5)})));
    // Something else where "isKey" belongs: the innermost level points at it.
    std::string text = kDocument;
    text.replace(text.find("<!-- isKey -->"), 14, "<IsKey>1</IsKey>");
    EXPECT_TRUE(ThrowsChain([&] { array->FromXml(text); }, chain({Missing("isKey").At(6, 7)})));
    // A bad cell: every level down to the conversion; a value choice's level is at its owner.
    text.replace(text.find("<IsKey>1</IsKey>"), 16, "<isKey>1</isKey>");
    text.replace(text.find("<num>2.5</num>"), 14,
                 "<Range><num>1</num>\n<err> 12x </err><rows>1</rows><columns>2</columns></Range>");
    const Level range = Children("Range").At(5, 7);
    EXPECT_TRUE(ThrowsChain([&] { array->FromXml(text); },
                            chain({Children("parameters").At(4, 5), range, range, Runtime("12x").At(6, 1)})));
}

TEST(StorageDocument, WriteFailuresChainFromTheRootWithoutPositions) {
    auto array = CStorageArray::CreateInstance();
    auto item = array->GetStorageItems()->Add();
    auto range = CArrRange::CreateInstance();
    range->GetArrRange_ChoiceA()->Add();  // a cell with no value
    item->GetParameters()->Add()->GetCParams_ChoiceA()->SetRange(range.get());
    EXPECT_TRUE(ThrowsChain([&] { array->ToXml(); },
                            {Convert("StorageArray"), Convert("StorageItems"), Convert("parameters"),
                             Convert("cParams_ChoiceA"), Convert("Range"), Convert("arrRange_ChoiceA"),
                             Validation(kNoneSet)}));
}

// ---- Every kind of value ----------------------------------------------------------

std::string Value(CScalarChoice& c) {
    const std::string e = c.GetChoiceSelectedElement();
    if (e == "num") return "num " + FormatString("%a", c.GetNum());
    if (e == "str") return "str [" + c.GetStr() + "]";
    if (e == "bBool") return std::string("bBool ") + (c.GetBBool() ? "true" : "false");
    if (e == "err") return "err " + std::to_string(c.GetErr());
    if (e == "w") return "w " + std::to_string(c.GetW());
    return "[" + e + "]";
}

// Every field of the tree, element names included.
std::string Dump(CStorageArray& array) {
    std::string out = array.GetElementName() + " [" + array.GetClientID() + "] [" + array.GetKeyID() + "]\n";
    for (auto item : *array.GetStorageItems()) {
        out += " " + item->GetElementName() + " [" + item->GetClientID() + "] [" + item->GetCatID() + "] [" +
               item->GetFunctionName() + "] [" + item->GetKeyID() + "]\n";
        for (auto p : *item->GetParameters()) {
            auto value = p->GetCParams_ChoiceA();
            out += "  " + p->GetElementName() + " [" + p->GetParamName() + "] " + (p->GetIsKey() ? "key " : "") +
                   Value(*value);
            if (auto range = value->GetRange()) {
                out += " " + range->GetElementName() + " " + std::to_string(range->GetRows()) + "x" +
                       std::to_string(range->GetColumns());
                for (auto cell : *range->GetArrRange_ChoiceA()) out += " {" + Value(*cell) + "}";
            }
            out += "\n";
        }
    }
    return out;
}

CSmartPtr<CStorageArray> EveryKindOfValue() {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    auto array = CStorageArray::CreateInstance();
    array->SetClientID("  root client  ");
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

    // A range whose counts do not match its cells, and a value set by SetValidW alone.
    auto range = CArrRange::CreateInstance();
    range->SetRows(INT32_MIN);
    range->SetColumns(3);
    range->GetArrRange_ChoiceA()->Add()->SetNum(-2.25);
    range->GetArrRange_ChoiceA()->Add()->SetStr(" s ");
    range->GetArrRange_ChoiceA()->Add()->SetW(INT64_MIN);
    array->GetStorageItems()->Add()->GetParameters()->Add()->GetCParams_ChoiceA()->SetRange(range.get());
    array->GetStorageItems()->Add()->GetParameters()->Add()->GetCParams_ChoiceA()->SetValidW(true);
    return array;
}

TEST(StorageDocument, EveryKindOfValueReadsBackEqualAndWritesBackIdentical) {
    auto array = EveryKindOfValue();
    const std::string dump = Dump(*array);
    EXPECT_NE(dump.find("Range -2147483648x3 {num -0x1.2p+1} {str [ s ]} {w -9223372036854775808}"), std::string::npos)
        << dump;
    for (const CWriteOptions& options : {CWriteOptions{true, true}, CWriteOptions{false, false}}) {
        const std::string text = array->ToXml(options);
        auto back = CStorageArray::CreateInstance();
        back->FromXml(text);
        EXPECT_EQ(Dump(*back), dump);
        EXPECT_EQ(back->ToXml(options), text);
    }
}

// Reading takes elements by local name whatever their namespaces and replaces
// all the old content; the array writes back in order, in the target
// namespace, declaring both prefixes on the root only.
TEST(StorageDocument, ReadingReplacesEverythingAndWritesBackInOrder) {
    auto array = EveryKindOfValue();
    auto held = array->GetStorageItems();
    array->FromXml("<Root xmlns=\"urn:else\"><StorageItems xmlns=\"\"><ClientID>i</ClientID><CatID/><FunctionName/>"
                   "<KeyID/><x:parameters xmlns:x=\"urn:x\"><x:bBool>1</x:bBool><ParamName/><isKey>0</isKey>"
                   "</x:parameters><parameters><err>1</err><ParamName>p</ParamName><isKey>1</isKey></parameters>"
                   "</StorageItems><StorageItems><ClientID/><CatID/><FunctionName/><KeyID/><parameters><Range>"
                   "<str>s</str><rows>1</rows><columns>0</columns></Range><ParamName/><isKey>0</isKey></parameters>"
                   "</StorageItems><ClientID> c </ClientID><KeyID>k</KeyID></Root>");
    EXPECT_EQ(DocOutline(array.get()),
              "Root(StorageItems(ClientID=i,CatID,FunctionName,KeyID,parameters(bBool=true,ParamName,isKey=false),"
              "parameters(err=1,ParamName=p,isKey=true)),StorageItems(ClientID,CatID,FunctionName,KeyID,"
              "parameters(Range(str=s,rows=1,columns=0),ParamName,isKey=false)),ClientID= c ,KeyID=k)" + kDeclared);
    EXPECT_EQ(held->GetCount(), 3);  // detached, not emptied
}

} // namespace
