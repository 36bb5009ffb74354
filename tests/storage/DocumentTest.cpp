// Whole Storage documents through ToXml and FromXml: the chains of messages
// from the root to the cause, with the position of every level; the order of
// the elements and the namespace declarations. That every kind of value reads
// back equal and writes back byte for byte is the round trip of the
// interoperability tests, over the same edge tree.
#include "Support.h"
#include "interop/Corpus.h"

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

// Reading takes elements by local name whatever their namespaces and replaces
// all the old content; the array writes back in order, in the target
// namespace, declaring both prefixes on the root only.
TEST(StorageDocument, ReadingReplacesEverythingAndWritesBackInOrder) {
    auto array = interop::EdgeTree();
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
    EXPECT_EQ(held->GetCount(), 1);  // detached, not emptied
}

} // namespace
