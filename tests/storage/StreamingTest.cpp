// Reading and writing a document one item at a time: the reader agrees with
// FromXml on every document, items and failure chains alike, hands out items
// as it meets them and keeps a failure; the writer writes what ToXml writes,
// byte for byte, and changes nothing at its path unless it is closed.
#include "Support.h"
#include "fuzz/checks.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace StorageTest;
namespace fs = std::filesystem;

namespace {

const std::string kHead = "<StorageArray xmlns=\"urn:storagexml:storage\">";
const std::string kTail = "<ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>";
std::string Item(const std::string& key, const std::string& value = "<num>1</num>") {
    return "<StorageItems><ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName><KeyID>" + key +
           "</KeyID><parameters>" + value + "<ParamName>p</ParamName><isKey>true</isKey></parameters></StorageItems>";
}
const std::string kBadItem = Item("bad", "<num>x</num>");

TEST(StorageStreaming, ReaderAgreesWithFromXmlOnEveryDocument) {
    const std::string twoGood = Item("a") + Item("b");
    const std::string documents[] = {
        kHead + twoGood + kTail,
        kHead + kTail,
        kHead + twoGood + kBadItem + Item("d") + kTail,            // a failure after items handed out
        kHead + kBadItem + Item("d") + kTail + "<trailing/>",       // malformed later wins
        kHead + twoGood + "<StorageItems><ClientID>",               // malformed inside an item
        kHead + twoGood + kTail + "<!-- ok -->  ",
        "<StorageArray xmlns=\"urn:storagexml:storage\" a=\"1\">" + twoGood + kTail,  // a root attribute
        kHead + twoGood + "<ClientID>c</ClientID>" + Item("late") + "<KeyID>k</KeyID></StorageArray>",
        kHead + twoGood + "<ClientID>c</ClientID></StorageArray>",  // no KeyID
        kHead + twoGood + kTail.substr(0, kTail.size() - 15) + "<extra/></StorageArray>",
        kHead + "text" + twoGood + "more text" + kTail,
        kHead + Item("deep", "<str>" + std::string(300 * 3, ' ') + "</str>") + kTail,
        kHead + Item("a", std::string(300, '<') ) + kTail,
        "<!DOCTYPE StorageArray []>" + kHead + kTail,
        "",
        "<other><StorageItems/></other>",
    };
    for (const std::string& text : documents) EXPECT_EQ(StorageFuzz::CheckStreamingAgrees(text), "") << text;
    std::string nested = kHead + twoGood;
    for (int i = 0; i < 300; ++i) nested += "<StorageItems>";
    EXPECT_EQ(StorageFuzz::CheckStreamingAgrees(nested), "");
    // Every example shipped with the project.
    std::size_t examples = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(STORAGEXML_SOURCE_DIR) / "examples")) {
        if (entry.path().extension() != ".xml") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(StorageFuzz::CheckStreamingAgrees(text), "") << entry.path();
        ++examples;
    }
    EXPECT_GT(examples, 5u);
}

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
    const fs::path path = fs::temp_directory_path() / "storagexml-streaming-read.xml";
    std::ofstream(path, std::ios::binary) << kHead + Item("a") + kTail;
    auto reader = CStorageArrayReader::OpenFile(path.string());
    EXPECT_TRUE(reader.ReadItem());
    EXPECT_FALSE(reader.ReadItem());
    EXPECT_FALSE(reader.ReadItem());
    EXPECT_EQ(reader.GetClientID(), "c");
    EXPECT_EQ(reader.GetKeyID(), "k");
    EXPECT_EQ(reader.GetBytesRead(), fs::file_size(path));
    fs::remove(path);
    EXPECT_THROW(CStorageArrayReader::OpenFile(path.string()), CNqException);
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
        {kHead + kBadItem + many + "<ClientID>c</KeyID>" + kTail, refused, "Malformed XML: mismatched tag"},
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

// A tree of `items` items with every kind of value, a range among them.
CSmartPtr<CStorageArray> Tree(int items) {
    auto array = CStorageArray::CreateInstance();
    array->SetClientID(" client & <co> ");
    array->SetKeyID("key\r\n");
    for (int i = 0; i < items; ++i) {
        auto item = array->GetStorageItems()->Add();
        item->SetKeyID("item " + std::to_string(i));
        auto values = [&] { return item->GetParameters()->Add()->GetCParams_ChoiceA(); };
        values()->SetNum(i * 0.5);
        values()->SetStr("\xC3\xA9t\xC3\xA9 ]]>");
        values()->SetW(-INT64_C(9000000000) * i);
        auto range = CArrRange::CreateInstance();
        range->GetArrRange_ChoiceA()->Add()->SetBBool(i % 2 == 0);
        range->GetArrRange_ChoiceA()->Add()->SetErr(-i);
        values()->SetRange(range.get());
    }
    return array;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh empty directory for one test, removed at its end.
struct TempDir {
    fs::path path = fs::temp_directory_path() / ("storagexml-streaming-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { fs::remove_all(path); fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::size_t Count() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), fs::directory_iterator())); }
};

TEST(StorageStreaming, WriterWritesWhatToXmlWrites) {
    TempDir dir;
    for (int items : {0, 1, 3000}) {  // 3000 items write out in several pieces
        auto tree = Tree(items);
        for (const CWriteOptions options : {CWriteOptions{true, true}, CWriteOptions{false, false},
                                            CWriteOptions{true, false}, CWriteOptions{false, true}}) {
            SCOPED_TRACE(std::to_string(items) + " items, indent " + std::to_string(options.indent));
            const fs::path path = dir.path / "out.xml";
            std::ostringstream stream;
            {
                CStorageArrayWriter file(path.string(), options);
                CStorageArrayWriter toStream(stream, options);
                for (auto item : *tree->GetStorageItems()) {
                    file.WriteItem(*item);
                    toStream.WriteItem(*item);
                }
                file.Close(tree->GetClientID(), tree->GetKeyID());
                toStream.Close(tree->GetClientID(), tree->GetKeyID());
                // A closed writer takes nothing more: the checks below see the output unchanged.
                for (CStorageArrayWriter* closed : {&file, &toStream}) {
                    EXPECT_THROW(closed->WriteItem(*Tree(1)->GetStorageItems()->Item(0)), CNqInvalidStateException);
                    EXPECT_THROW(closed->Close("c", "k"), CNqInvalidStateException);
                }
            }
            const std::string expected = tree->ToXml(options);
            EXPECT_TRUE(ReadFile(path) == expected);
            EXPECT_TRUE(stream.str() == expected);
            EXPECT_EQ(dir.Count(), 1u);
        }
    }
}

TEST(StorageStreaming, WriterChangesNothingUnlessClosed) {
    TempDir dir;
    const fs::path path = dir.path / "kept.xml";
    std::ofstream(path, std::ios::binary) << "before";
    auto tree = Tree(2);
    {
        CStorageArrayWriter abandoned(path.string());
        abandoned.WriteItem(*tree->GetStorageItems()->Item(0));
    }
    EXPECT_EQ(ReadFile(path), "before");
    EXPECT_EQ(dir.Count(), 1u);
    {
        // An item that cannot be written fails as ToXml fails; the writer then refuses to go on.
        auto broken = CStorageItem::CreateInstance();
        broken->GetParameters()->Add();  // a parameter with no value
        CStorageArrayWriter writer(path.string());
        writer.WriteItem(*tree->GetStorageItems()->Item(0));
        EXPECT_TRUE(ThrowsChain([&] { writer.WriteItem(*broken); },
                                {Convert("StorageArray"), Convert("StorageItems"), Convert("parameters"),
                                 Convert("cParams_ChoiceA"), Validation(kNoneSet)}));
        EXPECT_THROW(writer.WriteItem(*tree->GetStorageItems()->Item(1)), CNqInvalidStateException);
        EXPECT_THROW(writer.Close("c", "k"), CNqInvalidStateException);
    }
    EXPECT_EQ(ReadFile(path), "before");
    EXPECT_EQ(dir.Count(), 1u);
    EXPECT_THROW(CStorageArrayWriter((dir.path / "no-such-dir" / "x.xml").string()), CNqException);
}

} // namespace
