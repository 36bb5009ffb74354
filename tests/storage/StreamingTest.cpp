// Reading and writing a document one item at a time: the reader hands out
// items as it meets them and keeps a failure; the writer writes what ToXml
// writes, byte for byte, and changes nothing at its path unless it is closed.
// That the reader agrees with FromXml on every document, items and failure
// chains alike, is the stream fuzzer's check, which the hostile tests replay
// over the fuzz corpus (the examples and the stream-*.xml documents).
#include "Platform.h"
#include "Support.h"
#include "fuzz/checks.h"
#include "interop/Corpus.h"

#include <sstream>

using namespace StorageTest;
using testing_platform::ScratchDir;

namespace {

const std::string kHead = "<StorageArray xmlns=\"urn:storagexml:storage\">";
const std::string kTail = "<ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>";
std::string Item(const std::string& key, const std::string& value = "<num>1</num>") {
    return "<StorageItems><ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName><KeyID>" + key +
           "</KeyID><parameters>" + value + "<ParamName>p</ParamName><isKey>true</isKey></parameters></StorageItems>";
}
const std::string kBadItem = Item("bad", "<num>x</num>");

TEST(StorageStreaming, ReaderHandsOutItemsUntilAFailureAndKeepsIt) {
    std::istringstream in(kHead + Item("a") + Item("b") + kBadItem + kTail);
    auto reader = CStorageArrayReader::OpenStream(in);
    EXPECT_THROW(reader.GetClientID(), CNqInvalidStateException);
    auto first = reader.ReadItem();
    auto second = reader.ReadItem();
    ASSERT_TRUE(first && second);
    const Level parameter = Children("parameters").At(1, 532);
    const std::vector<Level> chain = {Children("StorageArray").At(1, 1), Children("StorageItems").At(1, 432),
                                      parameter, parameter, Runtime("[x]").At(1, 544)};
    EXPECT_TRUE(ThrowsChain([&] { reader.ReadItem(); }, chain));
    EXPECT_TRUE(ThrowsChain([&] { reader.ReadItem(); }, chain));
    EXPECT_EQ(first->GetKeyID(), "a");
    EXPECT_EQ(second->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetNum(), 1.0);
    EXPECT_THROW(reader.GetKeyID(), CNqInvalidStateException);
}

TEST(StorageStreaming, ReaderGivesTheFieldsAfterTheLastItemFromAFile) {
    const ScratchDir dir("storagexml-streaming-");
    const std::string text = kHead + Item("a") + kTail, path = dir.File("read.xml");
    std::ofstream(dir.path / "read.xml", std::ios::binary) << text;
    auto reader = CStorageArrayReader::OpenFile(path);
    EXPECT_TRUE(reader.ReadItem());
    EXPECT_FALSE(reader.ReadItem());
    EXPECT_FALSE(reader.ReadItem());
    EXPECT_EQ(reader.GetClientID(), "c");
    EXPECT_EQ(reader.GetKeyID(), "k");
    EXPECT_EQ(reader.GetBytesRead(), text.size());
    EXPECT_THROW(CStorageArrayReader::OpenFile(dir.File("missing.xml")), CNqException);
}

// After a failure the reader parses on to the end, building nothing: depth
// is still counted both ways and limited, and malformed text still wins.
// Nesting is refused one level past the limit, not at it.
TEST(StorageStreaming, AfterAFailureTheRestIsCheckedAndTheDepthLimitHolds) {
    auto nested = [](int levels) {
        std::string open, close;
        for (int i = 0; i < levels; ++i) open += "<a>", close += "</a>";
        return "<str>" + open + close + "</str>";
    };
    const int belowValue = MaxElementDepth - 4;  // StorageArray, StorageItems, parameters and str hold them
    std::string many;
    for (int i = 0; i < 100; ++i) many += Item("m");
    const auto* invalid = &typeid(CNqValidationException);
    const auto* refused = &typeid(CNqException);
    const std::string tooDeep = "Elements nest deeper than 256 levels";
    const struct { std::string text; const std::type_info* type; std::string message; } cases[] = {
        {kHead + kBadItem + many + kTail, invalid, "Failed to process the child elements in element [StorageArray]"},
        {kHead + kBadItem + Item("d", nested(belowValue + 1)) + kTail, refused, tooDeep},
        {kHead + kBadItem + many + "<ClientID>c</KeyID>" + kTail, refused, "Malformed XML: Opening and ending tag mismatch"},
        {kHead + Item("d", nested(belowValue)) + kTail, invalid, "Failed to process the child elements"},
        {kHead + Item("d", nested(belowValue + 1)) + kTail, refused, tooDeep},
    };
    for (const auto& [text, type, message] : cases) {
        SCOPED_TRACE(message);
        auto reader = CStorageArrayReader::OpenText(text);
        try {
            while (reader.ReadItem()) {
            }
            ADD_FAILURE() << "no failure";
        } catch (const CNqException& error) {
            EXPECT_EQ(typeid(error), *type);
            EXPECT_EQ(std::string(error.what()).rfind(message, 0), 0u) << error.what();
        }
        EXPECT_EQ(StorageFuzz::CheckStreamingAgrees(text), "");
    }
}

// An array read from a document of `items` one-parameter items.
CSmartPtr<CStorageArray> Items(int items) {
    std::string text = kHead;
    for (int i = 0; i < items; ++i) text += Item(std::to_string(i));
    auto array = CStorageArray::CreateInstance();
    array->FromXml(text + kTail);
    return array;
}

TEST(StorageStreaming, WriterWritesWhatToXmlWrites) {
    const ScratchDir dir("storagexml-streaming-");
    // No item, one with every kind of value and texts to escape in the array's fields too, and
    // 3000 items, which write out in several pieces.
    for (const auto& tree : {Items(0), interop::EdgeTree(), Items(3000)}) {
        for (const CWriteOptions options : {CWriteOptions{true, true}, CWriteOptions{false, false},
                                            CWriteOptions{true, false}, CWriteOptions{false, true}}) {
            SCOPED_TRACE(std::to_string(tree->GetStorageItems()->GetCount()) + " items, indent " +
                         std::to_string(options.indent));
            std::ostringstream stream;
            {
                CStorageArrayWriter file(dir.File("out.xml"), options);
                CStorageArrayWriter toStream(stream, options);
                for (auto item : *tree->GetStorageItems()) {
                    file.WriteItem(*item);
                    toStream.WriteItem(*item);
                }
                file.Close(tree->GetClientID(), tree->GetKeyID());
                toStream.Close(tree->GetClientID(), tree->GetKeyID());
                // A closed writer takes nothing more: the checks below see the output unchanged.
                for (CStorageArrayWriter* closed : {&file, &toStream}) {
                    EXPECT_THROW(closed->WriteItem(*Items(1)->GetStorageItems()->Item(0)), CNqInvalidStateException);
                    EXPECT_THROW(closed->Close("c", "k"), CNqInvalidStateException);
                }
            }
            const std::string expected = tree->ToXml(options);
            EXPECT_TRUE(dir.Read("out.xml") == expected);
            EXPECT_TRUE(stream.str() == expected);
            EXPECT_EQ(dir.Entries(), 1u);
        }
    }
}

TEST(StorageStreaming, WriterChangesNothingUnlessClosed) {
    const ScratchDir dir("storagexml-streaming-");
    const std::string path = dir.File("kept.xml");
    std::ofstream(dir.path / "kept.xml", std::ios::binary) << "before";
    auto tree = Items(2);
    {
        CStorageArrayWriter abandoned(path);
        abandoned.WriteItem(*tree->GetStorageItems()->Item(0));
    }
    EXPECT_EQ(dir.Read("kept.xml"), "before");
    EXPECT_EQ(dir.Entries(), 1u);
    {
        // An item that cannot be written fails as ToXml fails; the writer then refuses to go on.
        auto broken = CStorageItem::CreateInstance();
        broken->GetParameters()->Add();  // a parameter with no value
        CStorageArrayWriter writer(path);
        writer.WriteItem(*tree->GetStorageItems()->Item(0));
        EXPECT_TRUE(ThrowsChain([&] { writer.WriteItem(*broken); },
                                {Convert("StorageArray"), Convert("StorageItems"), Convert("parameters"),
                                 Convert("cParams_ChoiceA"), Validation(kNoneSet)}));
        EXPECT_THROW(writer.WriteItem(*tree->GetStorageItems()->Item(1)), CNqInvalidStateException);
        EXPECT_THROW(writer.Close("c", "k"), CNqInvalidStateException);
    }
    EXPECT_EQ(dir.Read("kept.xml"), "before");
    EXPECT_EQ(dir.Entries(), 1u);
    EXPECT_THROW(CStorageArrayWriter(dir.File("no-such-dir/x.xml")), CNqException);
}

} // namespace
