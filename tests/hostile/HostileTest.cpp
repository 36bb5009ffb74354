// Hostile input: each document is refused with a clear CNqException that
// names the problem and where it is, or read correctly, in bounded time and
// memory and with no object left alive (malformed text, refused by the parser
// whatever the document, is the parser tests' own). The inputs the fuzzers once tripped
// on are replayed through the fuzzers' own checks.
#include "fuzz/checks.h"
#include "storage/Storage.h"

#include "Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <istream>
#include <streambuf>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>

using namespace Storage;
using NqXmlLib3::CNqException;
using namespace std::string_literals;

namespace {

// AddressSanitizer makes the library several times slower and hungrier:
// the large cases keep their shape there but shrink.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t Scaled(std::size_t size) { return size / 5; }
#else
constexpr std::size_t Scaled(std::size_t size) { return size; }
#endif

constexpr auto npos = std::string::npos;

const std::string kHead = "<StorageArray xmlns=\"urn:storagexml:storage\">";
const std::string kItemHead = "<StorageItems><ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName>"
                              "<KeyID>k</KeyID><parameters>";
const std::string kTail = "<ParamName>p</ParamName><isKey>true</isKey></parameters></StorageItems>"
                          "<ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>";

// A document of one item with one parameter whose value element is `value`.
std::string WithValue(const std::string& value) { return kHead + kItemHead + value + kTail; }

// The exception a read of `text` throws, or null when it reads.
std::shared_ptr<const CNqException> ReadError(const std::string& text) {
    try {
        CStorageArray::CreateInstance()->FromXml(text);
    } catch (const CNqException& error) {
        return error.Clone();
    }
    return nullptr;
}

const CNqException& Innermost(const CNqException& error) {
    return error.GetInnerException() ? Innermost(*error.GetInnerException()) : error;
}

// The innermost message of the refusal of `text`; a read is a failure.
std::string Why(const std::string& text) {
    const auto error = ReadError(text);
    EXPECT_TRUE(error) << "read: " << text.substr(0, 80);
    return error ? Innermost(*error).what() : "";
}

// The value of the first parameter of `text`, which must read.
auto ReadValue(const std::string& text) {
    auto array = CStorageArray::CreateInstance();
    array->FromXml(text);
    return array->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA();
}

// Line and column (1-based, in bytes) of the first occurrence of `marker`.
std::pair<int, int> PositionOf(const std::string& text, const std::string& marker) {
    const std::size_t offset = text.find(marker);
    const std::size_t lineStart = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;  // npos + 1 is 0
    return {1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n')),
            static_cast<int>(offset - lineStart) + 1};
}

// ---- Numbers out of reach and at its edge -----------------------------------

TEST(HostileValue, OutOfRangeIsRefusedAtItsElement) {
    // Each integer type's first value out of range, and texts so long that
    // quoting them whole would flood the message.
    const std::pair<std::string, const char*> values[] = {
        {"<err>2147483648</err>", "is outside the range of a 32-bit integer"},
        {"<err>" + std::string(1 << 20, '7') + "</err>", "is outside the range of a 32-bit integer"},
        {"<w>-9223372036854775809</w>", "is outside the range of a 64-bit integer"},
        {"<w>" + std::string(1 << 20, '-') + "</w>", "is not a valid 64-bit integer"},
    };
    for (const auto& [element, phrase] : values) {
        const std::string text = WithValue(element);
        const auto error = ReadError(text);
        ASSERT_TRUE(error) << element.substr(0, 40);
        EXPECT_NE(dynamic_cast<const NqXmlLib3::CNqValidationException*>(error.get()), nullptr);
        const CNqException& cause = Innermost(*error);
        EXPECT_NE(std::string(cause.what()).find(phrase), npos) << cause.what();
        EXPECT_LT(std::string(cause.what()).size(), 200u) << "the refused text is quoted in full";
        EXPECT_EQ(std::make_pair(cause.GetLine(), cause.GetColumn()), PositionOf(text, element.substr(0, 3)));
    }
}

// Beyond the largest double, a huge exponent (2^64 - 1, which wraps to -1 in a
// 64-bit counter) and a huge mantissa read as infinities.
TEST(HostileValue, ExtremeButValidNumbersAreRead) {
    const std::pair<std::string, double> numbers[] = {
        {"1e-400", 0.0}, {"-1e-400", -0.0}, {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"1" + std::string(100000, '0') + "e-100000", 1.0},
        {"0." + std::string(100000, '0') + "25e100001", 2.5},
        {"1e18446744073709551615", HUGE_VAL}, {"-" + std::string(400, '9'), -HUGE_VAL},
    };
    for (const auto& [text, value] : numbers) {
        const double read = ReadValue(WithValue("<num> " + text + " </num>"))->GetNum();
        EXPECT_EQ(read, value) << text.substr(0, 40);
        EXPECT_EQ(std::signbit(read), std::signbit(value)) << text.substr(0, 40);
    }
    EXPECT_EQ(ReadValue(WithValue("<err>-" + std::string(100000, '0') + "2147483648</err>"))->GetErr(),
              -2147483647L - 1);
}

// ---- Truncation ------------------------------------------------------------

TEST(HostileTruncation, EveryCutOfAValidDocumentIsRefused) {
    // A byte order mark, a declaration, CDATA, references and characters of
    // two and four bytes, in a range of two cells.
    const std::string text = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n" +
                             WithValue("<Range><str><![CDATA[<x>]]>caf\xC3\xA9 \xF0\x9F\x98\x80 &amp;&#13;]]&gt;</str>"
                                       "<num>-1.5e-300</num><rows>1</rows><columns>2</columns></Range>");
    ASSERT_FALSE(ReadError(text));
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        const auto error = ReadError(text.substr(0, cut));
        ASSERT_TRUE(error) << "cut at " << cut;
        EXPECT_EQ(typeid(*error), typeid(CNqException)) << "cut at " << cut;
        EXPECT_NE(std::string(error->what()).find("Malformed XML"), npos) << error->what();
        EXPECT_GT(error->GetLine(), 0);
    }
}

// ---- Size ------------------------------------------------------------------

TEST(HostileSize, DeepNestingFailsCleanly) {
    std::string open, close;
    for (std::size_t i = 0; i < Scaled(1000000); ++i) open += "<a>", close += "</a>";
    // Inside a simple value, where no element may be, and never closed: refused at the first level too deep.
    const std::string tooDeep = "Elements nest deeper than 256 levels";
    EXPECT_NE(Why(WithValue("<str>" + open + close + "</str>")).find(tooDeep), npos);
    EXPECT_NE(Why(kHead + open).find(tooDeep), npos);
}

// Generates a storage document of at least `size` bytes as it is read, never holding more than one item.
class GeneratedDocument : public std::streambuf {
public:
    explicit GeneratedDocument(std::uint64_t size) : m_size(size) { Set(kHead); }
    std::uint64_t Items() const { return m_items; }

private:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (m_done) return traits_type::eof();
        if (m_produced < m_size) {
            ++m_items;
            Set(kItemHead + "<num>" + std::to_string(m_items) + "</num><ParamName>p</ParamName><isKey>1</isKey>" +
                "</parameters></StorageItems>\n");
        } else {
            m_done = true;
            Set("<ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>");
        }
        return traits_type::to_int_type(*gptr());
    }
    void Set(std::string text) {
        m_piece = std::move(text);
        m_produced += m_piece.size();
        setg(&m_piece[0], &m_piece[0], &m_piece[0] + m_piece.size());
    }

    std::uint64_t m_size;
    std::uint64_t m_produced = 0;
    std::uint64_t m_items = 0;
    bool m_done = false;
    std::string m_piece;
};

TEST(HostileSize, DocumentOfGigabytesIsReadItemByItemInBoundedMemory) {
    testing_platform::ResetPeak();
    const long before = testing_platform::PeakMegabytes();
    const std::uint64_t size = Scaled(std::size_t{2} << 30);
    GeneratedDocument generated(size);
    std::istream in(&generated);
    auto reader = CStorageArrayReader::OpenStream(in);
    std::uint64_t items = 0;
    while (auto item = reader.ReadItem()) {
        if (++items % 1000000 == 0) {
            ASSERT_EQ(item->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetNum(), items);
        }
    }
    EXPECT_EQ(items, generated.Items());
    EXPECT_EQ(reader.GetKeyID(), "k");
    EXPECT_GE(reader.GetBytesRead(), size);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed memory in quarantine, hundreds of MB, so the bound is checked without it.
    const long growth = testing_platform::PeakMegabytes() - before;
    EXPECT_LT(growth, 32) << "the peak grew by " << growth << " MB over " << size << " bytes";
#else
    static_cast<void>(before);
#endif
}

TEST(HostileSize, HugeTextIsReadWhole) {
    // A run of ASCII, a two-byte character and an escaped ampersand, repeated to 100 MB.
    const std::size_t size = std::size_t{100} << 20;
    const std::string unit = std::string(53, 'x') + "\xC3\xA9&amp;";
    const std::string unitRead = std::string(53, 'x') + "\xC3\xA9&";
    std::string read;
    {
        std::string text = kHead + kItemHead + "<str>";
        text.reserve(size + 1000);
        while (text.size() < size) text += unit;
        text += "</str>" + kTail;
        read = ReadValue(text)->GetStr();
    }
    ASSERT_EQ(read.size() % unitRead.size(), 0u);
    EXPECT_GT(read.size(), size - size / 10);
    for (std::size_t i = 0; i < read.size(); i += unitRead.size()) {
        ASSERT_EQ(read.compare(i, unitRead.size(), unitRead), 0) << "at byte " << i;
    }
}

TEST(HostileSize, MillionSiblingsAreAllRead) {
    const std::size_t count = Scaled(1000000);
    const char* const cells[] = {"<num>1.5</num>", "<str>s</str>", "<bBool>1</bBool>", "<err>-7</err>", "<w>9</w>"};
    std::string text = kHead + kItemHead + "<Range>";
    for (std::size_t i = 0; i < count; ++i) text += cells[i % 5];
    auto range = ReadValue(text + "<rows>1</rows><columns>" + std::to_string(count) + "</columns></Range>" + kTail)
                     ->GetRange();
    ASSERT_TRUE(range);
    EXPECT_EQ(range->GetColumns(), static_cast<long>(count));
    ASSERT_EQ(range->GetArrRange_ChoiceA()->GetCount(), static_cast<int>(count));
    std::size_t i = 0;
    for (auto cell : *range->GetArrRange_ChoiceA()) {
        const char* expected = cells[i++ % 5] + 1;
        ASSERT_EQ(cell->GetChoiceSelectedElement(), std::string(expected, std::strcspn(expected, ">")));
    }
    EXPECT_EQ(i, count);
}

using testing_platform::PeakMegabytes;

TEST(HostileSize, TextBetweenManyChildrenCostsLinearMemory) {
    // Each piece of text follows a child element, so it cannot simply grow
    // where the text so far lies.
    const std::size_t count = 50000;
    std::string text = "<r>";
    for (std::size_t i = 0; i < count; ++i) text += "x<a/>";
    text += "y<a>z<b/>w</a>\n</r>";
    const long before = PeakMegabytes();
    {
        const auto document = NqXmlLib3::CXmlDocument::Parse(text);
        const NqXmlLib3::CXmlElement* root = document->GetDocumentElement();
        EXPECT_EQ(root->GetText(), std::string(count, 'x') + "y");
        const NqXmlLib3::CXmlElement* last = root->GetFirstElement();
        while (last->GetNextSiblingElement()) last = last->GetNextSiblingElement();
        EXPECT_EQ(last->GetText(), "zw");
    }
    EXPECT_LT(PeakMegabytes() - before, 200);
    EXPECT_NE(Why(kHead + text.substr(3, text.size() - 8) + "</StorageArray>").find("required element [ClientID]"),
              npos);
}

TEST(HostileSize, ManyNamesAlikeAreReadQuickly) {
    // Names of one length that differ only in the middle, as unknown elements
    // and as attributes, which are ignored.
    std::string elements, attributes;
    char name[40];
    for (std::size_t i = 0; i < Scaled(100000); ++i) {
        std::snprintf(name, sizeof name, "aaaaaaaa%07zubbbbbbbb", i);
        elements += "<"s + name + "/>";
        attributes += " "s + name + "=\"\"";
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(Why(kHead + elements + "</StorageArray>").find("required element [ClientID]"), npos);
    EXPECT_EQ(ReadValue(WithValue("<w" + attributes + ">5</w>"))->GetW(), 5);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
}

// ---- Inputs the fuzzers found ----------------------------------------------

TEST(HostileRegression, FuzzInputsPassTheFuzzChecks) {
    const std::filesystem::path fuzz = std::filesystem::path(STORAGEXML_SOURCE_DIR) / "fuzz";
    std::size_t replayed = 0;
    for (const char* set : {"corpus", "regressions"}) {
        for (const std::string target : {"read", "lexical"}) {
            if (!std::filesystem::is_directory(fuzz / set / target)) continue;
            for (const auto& entry : std::filesystem::directory_iterator(fuzz / set / target)) {
                std::ifstream in(entry.path(), std::ios::binary);
                const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data());
                const std::string fault = target == "read" ? StorageFuzz::CheckReadWrite(input)
                                                           : StorageFuzz::CheckLexical(bytes, input.size());
                EXPECT_EQ(fault, "") << entry.path();
                if (target == "read") {
                    EXPECT_EQ(StorageFuzz::CheckStreamingAgrees(input), "") << entry.path();
                }
                ++replayed;
            }
        }
    }
    EXPECT_GT(replayed, 0u) << "no fuzz input found under " << fuzz;
}

} // namespace
