// Hostile input: each document is refused with a clear CNqException that
// names the problem and where it is, or read correctly, in bounded time and
// memory and with no object left alive. The inputs the fuzzers once tripped
// on are replayed through the fuzzers' own checks.
#include "fuzz/checks.h"
#include "storage/Storage.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>

using namespace Storage;
using NqXmlLib3::CNqException;
using NqXmlLib3::CNqValidationException;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::FormatString;
using namespace std::string_literals;

namespace {

// AddressSanitizer makes the library several times slower and hungrier:
// the large cases keep their shape there but shrink.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::size_t Scaled(std::size_t size) { return kSanitized ? size / 5 : size; }

const std::string kHead = "<StorageArray xmlns=\"urn:storagexml:storage\">";
const std::string kItemHead = "<StorageItems><ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName>"
                              "<KeyID>k</KeyID>";
const std::string kTail = "</StorageItems><ClientID>c</ClientID><KeyID>k</KeyID></StorageArray>";

// A document of one item with one parameter whose value element is `value`.
std::string WithValue(const std::string& value) {
    return kHead + kItemHead + "<parameters>" + value + "<ParamName>p</ParamName><isKey>true</isKey></parameters>" +
           kTail;
}

// The exception a read of `text` throws, or null when it reads; a read array goes to `into`.
std::shared_ptr<const CNqException> ReadError(const std::string& text, CSmartPtr<CStorageArray>* into = nullptr) {
    auto array = CStorageArray::CreateInstance();
    try {
        array->FromXml(text);
    } catch (const CNqException& error) {
        return error.Clone();
    }
    if (into) *into = array;
    return nullptr;
}

const CNqException& Innermost(const CNqException& error) {
    const CNqException* cause = &error;
    while (cause->GetInnerException()) cause = cause->GetInnerException();
    return *cause;
}

// Line and column (1-based, in bytes) of the first occurrence of `marker`.
std::pair<int, int> PositionOf(const std::string& text, const std::string& marker) {
    const std::size_t offset = text.find(marker);
    const std::size_t lineStart = offset == 0 ? std::string::npos : text.rfind('\n', offset - 1);
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    const std::size_t column = lineStart == std::string::npos ? offset + 1 : offset - lineStart;
    return {static_cast<int>(line), static_cast<int>(column)};
}

// ---- Documents the parser refuses ------------------------------------------

struct Malformed {
    const char* name;
    std::string text;
    std::string at;      // the construct that the reported position must fall in
    const char* phrase;  // a part of the message
};

const std::string kLaughs =
    "<!DOCTYPE StorageArray [<!ENTITY a \"lol\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
    "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
    "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
    "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">"
    "<!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">]>\n";

const Malformed kMalformed[] = {
    {"billion laughs", "<?xml version=\"1.0\"?>\n" + kLaughs + WithValue("<str>&i;</str>"), "<!DOCTYPE StorageArray [",
     "DOCTYPE is not allowed"},
    {"external entity", "<!DOCTYPE StorageArray [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" +
                            WithValue("<str>&x;</str>"), "<!DOCTYPE StorageArray [", "DOCTYPE is not allowed"},
    {"external subset", "<!-- c -->\n <!DOCTYPE StorageArray SYSTEM \"file:///dev/zero\">" + WithValue("<w>1</w>"),
     "<!DOCTYPE StorageArray SYSTEM \"file:///dev/zero\">", "DOCTYPE is not allowed"},
    {"parameter entity", "<!DOCTYPE StorageArray [<!ENTITY % p SYSTEM \"http://example.invalid/p.dtd\"> %p;]>" +
                             WithValue("<w>1</w>"), "<!DOCTYPE StorageArray [", "DOCTYPE is not allowed"},
    {"undeclared entity", WithValue("<str>&x;</str>"), "&x;", "Malformed XML: undefined entity"},
    {"bad continuation byte", WithValue("<str>\n \xC3\x28</str>"), "\xC3\x28", "Malformed XML: not well-formed"},
    {"overlong slash", WithValue("<str>\xC0\xAF</str>"), "\xC0", "Malformed XML: not well-formed"},
    {"overlong three bytes", WithValue("<str>\xE0\x80\xAF</str>"), "\xE0", "Malformed XML: not well-formed"},
    {"overlong four bytes", WithValue("<str>\xF0\x80\x80\xAF</str>"), "\xF0", "Malformed XML: not well-formed"},
    {"surrogate", WithValue("<str>\xED\xA0\x80</str>"), "\xED", "Malformed XML: not well-formed"},
    {"beyond U+10FFFF", WithValue("<str>\xF4\x90\x80\x80</str>"), "\xF4", "Malformed XML: not well-formed"},
    {"U+FFFF", WithValue("<str>\xEF\xBF\xBF</str>"), "\xEF", "Malformed XML: not well-formed"},
    {"cut sequence", WithValue("<str>\xE2\x82</str>"), "\xE2", "Malformed XML: not well-formed"},
    {"invalid name byte", kHead + "<Client\xFFID/></StorageArray>", "\xFF", "Malformed XML: not well-formed"},
    {"invalid attribute byte", WithValue("<w a=\"\xC0\x80\">1</w>"), "\xC0", "Malformed XML: not well-formed"},
    {"latin-1 as UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + WithValue("<str>caf\xE9</str>"), "\xE9",
     "Malformed XML: not well-formed"},
    {"NUL in text", WithValue("<str>a\0b</str>"s), "\0"s,
     "Malformed XML: not well-formed"},
    {"NUL in a tag", WithValue("<w\0>1</w>"s), "\0"s, "Malformed XML: not well-formed"},
    {"NUL reference", WithValue("<str>&#0;</str>"), "&#0;", "Malformed XML: reference to invalid character number"},
    {"control reference", WithValue("<str>&#x1B;</str>"), "&#x1B;",
     "Malformed XML: reference to invalid character number"},
    {"control character", WithValue("<str>\x01</str>"), "\x01", "Malformed XML: not well-formed"},
    {"unbound root prefix", "<p:StorageArray/>", "<p:", "Malformed XML: unbound prefix"},
    {"unbound inner prefix", WithValue("<q:str>x</q:str>"), "<q:", "Malformed XML: unbound prefix"},
    {"unbound attribute prefix", WithValue("<w q:a=\"1\">1</w>"), "<w", "Malformed XML: unbound prefix"},
    {"undeclared prefix", "<StorageArray xmlns:p=\"\"/>", "<StorageArray",
     "Malformed XML: must not undeclare prefix"},
    {"rebound xml prefix", "<StorageArray xmlns:xml=\"urn:x\"/>", "<StorageArray",
     "Malformed XML: reserved prefix (xml)"},
    {"duplicate attribute", WithValue("<w a=\"1\" a=\"2\">1</w>"), "a=\"2\"", "Malformed XML: duplicate attribute"},
    {"duplicate expanded attribute", "<StorageArray xmlns:p=\"urn:u\" xmlns:q=\"urn:u\" p:a=\"1\" q:a=\"2\"/>",
     "<StorageArray", "Malformed XML: duplicate attribute"},
    {"duplicate declaration", "<StorageArray xmlns:p=\"urn:u\" xmlns:p=\"urn:u\"/>", "xmlns:p=\"urn:u\"/",
     "Malformed XML: duplicate attribute"},
    {"second root", WithValue("<w>1</w>") + "<StorageArray/>", "<StorageArray/>",
     "Malformed XML: junk after document element"},
    {"mismatched tag", WithValue("<w>1</num>"), "</num>", "Malformed XML: mismatched tag"},
    {"empty document", "", "", "Malformed XML: no element found"},
};

class MalformedDocument : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedDocument, IsRefusedWithItsPosition) {
    const Malformed& input = GetParam();
    const auto error = ReadError(input.text);
    ASSERT_TRUE(error) << input.name;
    EXPECT_EQ(typeid(*error), typeid(CNqException)) << input.name;
    EXPECT_NE(std::string(error->what()).find(input.phrase), std::string::npos) << error->what();
    const auto [line, column] = PositionOf(input.text, input.at);
    EXPECT_EQ(error->GetLine(), line) << error->what();
    EXPECT_GE(error->GetColumn(), column) << error->what();
    EXPECT_LE(error->GetColumn(), column + static_cast<int>(input.at.size())) << error->what();
    EXPECT_NE(std::string(error->what()).find(FormatString("line %d, column %d", error->GetLine(), error->GetColumn())),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Hostile, MalformedDocument, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// ---- Values out of reach ---------------------------------------------------

struct BadValue {
    std::string element;  // the value element
    const char* phrase;   // a part of the innermost message
};

const BadValue kBadValues[] = {
    {"<num>1e400</num>", "is outside the range of a double"},
    {"<num>-1e400</num>", "is outside the range of a double"},
    {"<num>1e99999999999999999999</num>", "is outside the range of a double"},
    {"<num>" + std::string(400, '9') + "</num>", "is outside the range of a double"},
    {"<err>99999999999999999999</err>", "is outside the range of a 32-bit integer"},
    {"<err>2147483648</err>", "is outside the range of a 32-bit integer"},
    {"<err>1e400</err>", "is not a valid 32-bit integer"},
    {"<err>" + std::string(1 << 20, '7') + "</err>", "is outside the range of a 32-bit integer"},
    {"<w>99999999999999999999</w>", "is outside the range of a 64-bit integer"},
    {"<w>-9223372036854775809</w>", "is outside the range of a 64-bit integer"},
    {"<w>1e-400</w>", "is not a valid 64-bit integer"},
    {"<w>" + std::string(1 << 20, '-') + "</w>", "is not a valid 64-bit integer"},
};

TEST(HostileValue, OutOfRangeIsRefusedAtItsElement) {
    for (const BadValue& input : kBadValues) {
        const std::string text = WithValue(input.element);
        const auto error = ReadError(text);
        ASSERT_TRUE(error) << input.element.substr(0, 40);
        EXPECT_NE(dynamic_cast<const CNqValidationException*>(error.get()), nullptr);
        const CNqException& cause = Innermost(*error);
        EXPECT_NE(std::string(cause.what()).find(input.phrase), std::string::npos) << cause.what();
        EXPECT_LT(std::string(cause.what()).size(), 200u) << "the refused text is quoted in full";
        const auto [line, column] = PositionOf(text, input.element.substr(0, 3));
        EXPECT_EQ(cause.GetLine(), line);
        EXPECT_EQ(cause.GetColumn(), column);
    }
}

TEST(HostileValue, ExtremeButValidNumbersAreRead) {
    struct Number {
        std::string text;
        double value;
    };
    const Number numbers[] = {
        {"1e-400", 0.0},
        {"-1e-400", -0.0},
        {"1" + std::string(100000, '0') + "e-100000", 1.0},
        {"0." + std::string(100000, '0') + "25e100001", 2.5},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"4.9406564584124654e-324", 4.9406564584124654e-324},
    };
    for (const Number& number : numbers) {
        CSmartPtr<CStorageArray> array;
        const auto error = ReadError(WithValue("<num> " + number.text + " </num>"), &array);
        ASSERT_FALSE(error) << error->what();
        const double read = array->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetNum();
        EXPECT_EQ(read, number.value) << number.text.substr(0, 40);
        EXPECT_EQ(std::signbit(read), std::signbit(number.value)) << number.text.substr(0, 40);
    }
    CSmartPtr<CStorageArray> array;
    ASSERT_FALSE(ReadError(WithValue("<err>-" + std::string(100000, '0') + "2147483648</err>"), &array));
    EXPECT_EQ(array->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetErr(),
              -2147483647L - 1);
}

// ---- Truncation ------------------------------------------------------------

TEST(HostileTruncation, EveryCutOfAValidDocumentIsRefused) {
    auto array = CStorageArray::CreateInstance();
    array->SetClientID("caf\xC3\xA9 \xF0\x9F\x98\x80 & <x>");
    array->SetKeyID("k");
    auto item = array->GetStorageItems()->Add();
    item->SetClientID("c");
    item->SetCatID("");
    item->SetFunctionName("f");
    item->SetKeyID("k");
    auto range = CArrRange::CreateInstance();
    range->GetArrRange_ChoiceA()->Add()->SetStr("]]>\r\n");
    range->GetArrRange_ChoiceA()->Add()->SetNum(-1.5e-300);
    auto parameter = item->GetParameters()->Add();
    parameter->SetParamName("r");
    parameter->GetCParams_ChoiceA()->SetRange(range.get());
    const std::string text = "\xEF\xBB\xBF" + array->ToXml();
    ASSERT_FALSE(ReadError(text));
    const std::size_t end = text.rfind('>') + 1;  // what follows the root is only a line end
    for (std::size_t cut = 0; cut < end; ++cut) {
        const auto error = ReadError(text.substr(0, cut));
        ASSERT_TRUE(error) << "cut at " << cut;
        EXPECT_EQ(typeid(*error), typeid(CNqException)) << "cut at " << cut;
        EXPECT_NE(std::string(error->what()).find("Malformed XML"), std::string::npos) << error->what();
        EXPECT_GT(error->GetLine(), 0);
    }
}

// ---- Size ------------------------------------------------------------------

TEST(HostileSize, DeepNestingFailsCleanly) {
    const std::size_t depth = Scaled(1000000);
    std::string open;
    std::string close;
    open.reserve(3 * depth);
    close.reserve(4 * depth);
    for (std::size_t i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    struct Case {
        std::string text;
        const char* phrase;
    };
    const Case cases[] = {
        // Inside a simple value, where no element may be.
        {WithValue("<str>" + open + close + "</str>"), "holds the element [a]"},
        // Where the content of the root expects ClientID.
        {kHead + open + close + "</StorageArray>", "Failed to find a required element [ClientID]"},
        // Never closed.
        {kHead + open, "Malformed XML: no element found"},
    };
    for (const Case& input : cases) {
        const auto error = ReadError(input.text);
        ASSERT_TRUE(error);
        EXPECT_NE(std::string(Innermost(*error).what()).find(input.phrase), std::string::npos)
            << Innermost(*error).what();
    }
}

TEST(HostileSize, HugeTextIsReadWhole) {
    const std::size_t size = std::size_t{100} << 20;
    // A run of ASCII, a two-byte character and an escaped ampersand, repeated;
    // `expected` is what reading it must give.
    const std::string unit = std::string(53, 'x') + "\xC3\xA9" + "&amp;";
    const std::string unitRead = std::string(53, 'x') + "\xC3\xA9" + "&";
    CSmartPtr<CStorageArray> array;
    {
        std::string text = kHead + kItemHead + "<parameters><str>";
        text.reserve(text.size() + size + 200);
        while (text.size() < size) text += unit;
        text += "</str><ParamName>p</ParamName><isKey>true</isKey></parameters>" + kTail;
        const auto error = ReadError(text, &array);
        ASSERT_FALSE(error) << error->what();
    }
    const std::string read = array->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetStr();
    ASSERT_EQ(read.size() % unitRead.size(), 0u);
    EXPECT_GT(read.size(), size - size / 10);
    for (std::size_t i = 0; i < read.size(); i += unitRead.size()) {
        ASSERT_EQ(read.compare(i, unitRead.size(), unitRead), 0) << "at byte " << i;
    }
}

TEST(HostileSize, MillionSiblingsAreAllRead) {
    const std::size_t count = Scaled(1000000);
    const char* const cells[] = {"<num>1.5</num>", "<str>s</str>", "<bBool>1</bBool>", "<err>-7</err>", "<w>9</w>"};
    std::string text = kHead + kItemHead + "<parameters><Range>";
    for (std::size_t i = 0; i < count; ++i) text += cells[i % 5];
    text += "<rows>1</rows><columns>" + std::to_string(count) + "</columns></Range><ParamName>p</ParamName>"
            "<isKey>1</isKey></parameters>" + kTail;
    CSmartPtr<CStorageArray> array;
    const auto error = ReadError(text, &array);
    ASSERT_FALSE(error) << error->what();
    auto range = array->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetRange();
    ASSERT_TRUE(range);
    EXPECT_EQ(range->GetColumns(), static_cast<long>(count));
    ASSERT_EQ(range->GetArrRange_ChoiceA()->GetCount(), static_cast<int>(count));
    std::size_t i = 0;
    for (auto cell : *range->GetArrRange_ChoiceA()) {
        const char* expected = cells[i++ % 5] + 1;
        ASSERT_EQ(cell->GetChoiceSelectedElement(), std::string(expected, std::strchr(expected, '>')));
    }
    EXPECT_EQ(i, count);
}

TEST(HostileSize, ManyAttributesAreIgnored) {
    const std::size_t count = Scaled(100000);
    std::string attributes;
    for (std::size_t i = 0; i < count; ++i) attributes += " a" + std::to_string(i) + "=\"v\"";
    const std::string text = kHead + kItemHead + "<parameters" + attributes +
                             "><bBool>0</bBool><ParamName>p</ParamName><isKey>0</isKey></parameters>" + kTail;
    CSmartPtr<CStorageArray> array;
    const auto error = ReadError(text, &array);
    ASSERT_FALSE(error) << error->what();
    EXPECT_FALSE(array->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetBBool());
}

// Peak resident memory of this process so far, in MB.
long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

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
    const auto error = ReadError(kHead + text.substr(3, text.size() - 8) + "</StorageArray>");
    ASSERT_TRUE(error);
    EXPECT_NE(std::string(Innermost(*error).what()).find("required element [ClientID]"), std::string::npos);
}

TEST(HostileSize, ManyNamesAlikeAreReadQuickly) {
    // Names of one length that differ only in the middle, as elements and as attributes.
    const std::size_t count = Scaled(100000);
    std::string elements;
    std::string attributes;
    char name[32];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "aaaaaaaa%07zubbbbbbbb", i);
        elements += "<" + std::string(name) + "/>";
        attributes += " " + std::string(name) + "=\"\"";
    }
    const auto start = std::chrono::steady_clock::now();
    const auto unknown = ReadError(kHead + elements + "</StorageArray>");
    ASSERT_TRUE(unknown);
    EXPECT_NE(std::string(Innermost(*unknown).what()).find("required element [ClientID]"), std::string::npos);
    CSmartPtr<CStorageArray> array;
    ASSERT_FALSE(ReadError(WithValue("<w" + attributes + ">5</w>"), &array));
    EXPECT_EQ(array->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA()->GetW(), 5);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
}

// ---- Inputs the fuzzers found ----------------------------------------------

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(HostileRegression, FuzzInputsPassTheFuzzChecks) {
    const std::filesystem::path fuzz = std::filesystem::path(STORAGEXML_SOURCE_DIR) / "fuzz";
    std::size_t replayed = 0;
    for (const char* set : {"corpus", "regressions"}) {
        for (const char* target : {"read", "lexical"}) {
            const auto directory = fuzz / set / target;
            if (!std::filesystem::is_directory(directory)) continue;
            for (const auto& entry : std::filesystem::directory_iterator(directory)) {
                const std::string input = ReadFile(entry.path());
                const std::string fault =
                    std::string(target) == "read"
                        ? StorageFuzz::CheckReadWrite(input)
                        : StorageFuzz::CheckLexical(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
                EXPECT_EQ(fault, "") << entry.path();
                ++replayed;
            }
        }
    }
    EXPECT_GT(replayed, 0u) << "no fuzz input found under " << fuzz;
}

} // namespace
