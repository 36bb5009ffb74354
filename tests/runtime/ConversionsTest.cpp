// Lexical forms of the value types, the whitespace rules applied before
// conversion, and the facet checks of CXmlObjectBase.
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/XmlObjectBase.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>

using namespace NqXmlLib3;

namespace {

using WS = CWhitespaceUtils;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();

std::uint64_t Bits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Every text must be refused with a CNqException whose message names it.
template <class Parse>
void ExpectAllRefused(std::initializer_list<const char*> texts, Parse parse) {
    for (const char* text : texts) {
        SCOPED_TRACE(std::string("text [") + text + "]");
        try {
            parse(text);
            ADD_FAILURE() << "accepted";
        } catch (const CNqException& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find(WS::Collapse(text))) << e.what();
        }
    }
}

// Each text must read as the value paired with it.
template <class T, class Parse>
void ExpectAllRead(std::initializer_list<std::pair<const char*, T>> rows, Parse parse) {
    for (const auto& [text, value] : rows) {
        SCOPED_TRACE(::testing::PrintToString(std::string(text)));
        EXPECT_EQ(value, parse(text));
    }
}

TEST(CWhitespaceUtils, PreserveReplaceCollapse) {
    // text, replaced, collapsed. A no-break space is no XML blank: bytes above 0x7F are not blanks.
    const char* const rows[][3] = {
        {"", "", ""}, {"abc", "abc", "abc"}, {" a\tb\r\nc  ", " a b  c  ", "a b c"}, {" \t\n\r ", "     ", ""},
        {"a   b", "a   b", "a b"}, {"\xC2\xA0x\t\xC3\xA9", "\xC2\xA0x \xC3\xA9", "\xC2\xA0x \xC3\xA9"}};
    for (const auto& row : rows) {
        const std::string text = row[0], replaced = row[1], collapsed = row[2];
        SCOPED_TRACE(::testing::PrintToString(text));
        EXPECT_EQ(text, WS::Preserve(text));
        EXPECT_EQ(replaced, WS::Replace(text));
        EXPECT_EQ(collapsed, WS::Collapse(text));
        std::string scratch;
        EXPECT_EQ(text, WS::Apply(text, WS::WhitespaceRule_Preserve, scratch));
        EXPECT_EQ(replaced, WS::Apply(text, WS::WhitespaceRule_Replace, scratch));
        EXPECT_EQ(collapsed, WS::Apply(text, WS::WhitespaceRule_Collapse, scratch));
    }
}

TEST(CConversions, DoubleForms) {
    const std::pair<const char*, double> accepted[] = {
        {"1", 1}, {"+2.25", 2.25}, {"007.50", 7.5}, {"-1.5", -1.5}, {".5", 0.5}, {"1e10", 1e10},
        {"1E+2", 100}, {"1.5E-3", 1.5e-3}, {"-0", -0.0}, {"0.0", 0.0}, {"  2.5 ", 2.5}, {"\t\n-1e-5\r\n", -1e-5},
        {"INF", kInf}, {"-INF", -kInf}, {" INF ", kInf}, {"0.1", 0.1}, {"1.7976931348623157e308", DBL_MAX},
        {"2.2250738585072014E-308", DBL_MIN}, {"4.9e-324", kTiny}, {"0.30000000000000004", 0.1 + 0.2}};
    for (const auto& [text, value] : accepted) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Bits(value), Bits(CConversions::r8FromString(text)));  // -0 keeps its sign
    }
    EXPECT_TRUE(std::isnan(CConversions::r8FromString("NaN")));
    EXPECT_TRUE(std::isnan(CConversions::r8FromString(" NaN\n")));
    ExpectAllRefused({"inf", "nan", "-NaN", "NAN", "Infinity", "1e", "1e+", "e5", "1.5x", "0x10", "1,5", "1 2",
                      "- 1", "", "   ", ".", "+", "-", "--1", "+-1", "1.2.3", "1e5.5", "1d", "1f"},
                     [](const char* text) { CConversions::r8FromString(text); });
}

TEST(CConversions, Int32FormsAndRange) {
    ExpectAllRead<long>({{"0", 0}, {"+5", 5}, {"-5", -5}, {"007", 7}, {"-0", 0}, {" \t42\n", 42},
                         {"2147483647", 2147483647L}, {"-2147483648", -2147483648L},
                         {"-000000000002147483648", -2147483648L}},
                        [](const char* text) { return CConversions::i4FromString(text); });
    // The range is 32 bits wide even where long is not.
    ExpectAllRefused({"2147483648", "-2147483649", "4294967296", "9223372036854775807", "99999999999999999999",
                      "", " ", "1.0", "1e3", "1 2", "0x1F", "--1", "+", "-", "12a", "+-1", "- 1"},
                     [](const char* text) { CConversions::i4FromString(text); });
}

TEST(CConversions, Int64FormsAndRange) {
    ExpectAllRead<std::int64_t>({{"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
                                 {"+0", 0}, {"007", 7}, {" -42 ", -42}, {"2147483648", 2147483648LL}},
                                [](const char* text) { return CConversions::i8FromString(text); });
    ExpectAllRefused({"9223372036854775808", "-9223372036854775809", "18446744073709551616",
                      "99999999999999999999999", "", "1.0", "1e3", "1 2", "0x1F", "+", "-", "--1", "12a"},
                     [](const char* text) { CConversions::i8FromString(text); });
}

TEST(CConversions, BooleanForms) {
    ExpectAllRead<bool>({{"true", true}, {"false", false}, {"1", true}, {"0", false}, {" true ", true},
                         {"\tfalse\n", false}},
                        [](const char* text) { return CConversions::booleanFromString(text); });
    ExpectAllRefused({"TRUE", "True", "yes", "no", "01", "00", "", "t", "true false", "2", "-1", "+1", "1.0"},
                     [](const char* text) { CConversions::booleanFromString(text); });
}

TEST(CConversions, RuleGivenByCallerDecidesAboutBlanks) {
    EXPECT_THROW(CConversions::i4FromString(" 1", WS::WhitespaceRule_Preserve), CNqException);
    EXPECT_THROW(CConversions::r8FromString("1\t", WS::WhitespaceRule_Replace), CNqException);
    EXPECT_EQ(" a\tb ", CConversions::stringFromString(" a\tb "));
    EXPECT_EQ("a b", CConversions::stringFromString(" a\tb ", WS::WhitespaceRule_Collapse));
}

TEST(CConversions, WrittenForms) {
    const std::pair<double, const char*> doubles[] = {{1.0, "1"}, {0.0, "0"}, {-0.0, "-0"}, {2.5, "2.5"},
                                                      {-1.5, "-1.5"}, {1e300, "1e+300"}, {0.1, "0.1"},
                                                      {kInf, "INF"}, {-kInf, "-INF"}, {kNaN, "NaN"}, {-kNaN, "NaN"}};
    for (const auto& [value, text] : doubles) {
        SCOPED_TRACE(text);
        CConversions::NumberBuffer buffer;
        EXPECT_EQ(text, CConversions::r8ToString(value));
        EXPECT_EQ(text, CConversions::r8ToChars(value, buffer));
    }
    CConversions::NumberBuffer buffer;
    EXPECT_EQ("-2147483648", CConversions::i4ToString(-2147483648L));
    EXPECT_EQ("-9223372036854775808", CConversions::i8ToString(INT64_MIN));
    EXPECT_EQ("9223372036854775807", CConversions::i8ToChars(INT64_MAX, buffer));
    EXPECT_STREQ("true", CConversions::booleanToString(true));
    EXPECT_STREQ("false", CConversions::booleanToString(false));
}

TEST(CConversions, ExtremeValuesRoundTrip) {
    const double doubles[] = {0.0,   -0.0,   1.0,         -1.5, 0.1,     1.0 / 3,  DBL_MAX, -DBL_MAX, DBL_MIN,
                              -DBL_MIN, DBL_MIN / 2, 2.2250738585072009e-308, kTiny, -kTiny, 1e300,
                              9007199254740993.0, 123456789.125, kInf, -kInf};
    for (double value : doubles) {
        const std::string text = CConversions::r8ToString(value);
        SCOPED_TRACE(text);
        EXPECT_EQ(Bits(value), Bits(CConversions::r8FromString(text)));
        if (std::isfinite(value)) {  // the shortest form, exactly as the standard library writes it
            char expected[32];
            EXPECT_EQ(std::string(expected, std::to_chars(expected, expected + 32, value).ptr), text);
        }
    }
    EXPECT_TRUE(std::isnan(CConversions::r8FromString(CConversions::r8ToString(kNaN))));
    for (long value : {-2147483648L, -1L, 0L, 2147483647L}) {
        EXPECT_EQ(value, CConversions::i4FromString(CConversions::i4ToString(value)));
    }
    for (std::int64_t value : {INT64_MIN, INT64_MIN + 1, std::int64_t{0}, INT64_MAX - 1, INT64_MAX}) {
        CConversions::NumberBuffer buffer;
        EXPECT_EQ(value, CConversions::i8FromString(CConversions::i8ToChars(value, buffer)));
    }
}

// The arguments that switch every facet off.
#define NEUTRAL "", -1, -1, "", "", "", "", -1

TEST(CXmlObjectBaseFacets, NeutralChecksRefuseOnlyWhatCannotBeRepresented) {
    for (double value : {0.0, -0.0, kTiny, DBL_MAX, -DBL_MAX, kInf, -kInf, kNaN}) {
        EXPECT_NO_THROW(CXmlObjectBase::CheckRestrictionForr8("num", value, NEUTRAL)) << value;
    }
    for (std::int64_t value : {INT64_MIN, std::int64_t{0}, INT64_MAX}) {
        EXPECT_NO_THROW(CXmlObjectBase::CheckRestrictionFori8("w", value, NEUTRAL)) << value;
    }
    EXPECT_NO_THROW(CXmlObjectBase::CheckRestrictionForboolean("isKey", true, NEUTRAL));
    EXPECT_NO_THROW(CXmlObjectBase::CheckRestrictionForboolean("isKey", false, NEUTRAL));
    // An i4 must lie inside 32 bits even where long is wider.
    for (long value : {-2147483648L, 0L, 2147483647L}) {
        EXPECT_NO_THROW(CXmlObjectBase::CheckRestrictionFori4("err", value, NEUTRAL)) << value;
    }
    for (long value : {2147483648L, -2147483649L, LONG_MAX, LONG_MIN}) {
        EXPECT_THROW(CXmlObjectBase::CheckRestrictionFori4("err", value, NEUTRAL), CNqException) << value;
    }
}

TEST(CXmlObjectBaseFacets, StringRefusesTextXmlCannotCarry) {
    const std::string refused[] = {
        "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xF0\x80\x80\x80",                    // overlong
        "\xED\xA0\x80", "\xED\xBF\xBF",                                                // surrogates
        "\xC3", "\xE2\x82", "a\xF0\x9F\x98", "\xE2\x82z",                              // truncated
        "\x80", "\xBF", "\xF5\x80\x80\x80", "\xF4\x90\x80\x80", "\xF8", "\xFE", "\xFF",  // stray, too high
        std::string("a\0b", 3), "\x01", "\x08", "\x0B", "\x0C", "\x1F",                // controls
        "\xEF\xBF\xBE", "\xEF\xBF\xBF"};                                               // U+FFFE, U+FFFF
    for (const std::string& value : refused) {
        SCOPED_TRACE(::testing::PrintToString(value));
        EXPECT_THROW(CXmlObjectBase::CheckRestrictionForstring("str", value, NEUTRAL), CNqException);
    }
    // U+D7FF and U+E000 around the surrogates, U+FFFD, U+10FFFF, DEL.
    for (const char* value : {"", "plain", "tab\there\nline\r", "caf\xC3\xA9", "\xE2\x82\xAC 100",
                              "\xF0\x9F\x98\x80", "\xED\x9F\xBF\xEE\x80\x80", "\xEF\xBF\xBD", "\xF4\x8F\xBF\xBF",
                              "\x7F", "]]> <&>\"'"}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(value)));
        EXPECT_NO_THROW(CXmlObjectBase::CheckRestrictionForstring("str", value, NEUTRAL));
    }
}

TEST(CXmlObjectBaseFacets, LengthAndBoundsWhenGiven) {
    using B = CXmlObjectBase;
    // Lengths count characters, not bytes.
    EXPECT_NO_THROW(B::CheckRestrictionForstring("s", "caf\xC3\xA9", "", -1, 4, "", "", "", "", -1));
    EXPECT_THROW(B::CheckRestrictionForstring("s", "caf\xC3\xA9s", "", -1, 4, "", "", "", "", -1), CNqException);
    EXPECT_THROW(B::CheckRestrictionForstring("s", "caf", "", 4, -1, "", "", "", "", -1), CNqException);
    EXPECT_NO_THROW(B::CheckRestrictionForstring("s", "\xF0\x9F\x98\x80", "", 1, 1, "", "", "", "", -1));
    EXPECT_NO_THROW(B::CheckRestrictionFori4("n", 10, "", -1, -1, "10", "", "", "", -1));
    EXPECT_THROW(B::CheckRestrictionFori4("n", 9, "", -1, -1, "10", "", "", "", -1), CNqException);
    EXPECT_NO_THROW(B::CheckRestrictionFori4("n", 9, "", -1, -1, "", "", "", "10", -1));
    EXPECT_THROW(B::CheckRestrictionFori4("n", 10, "", -1, -1, "", "", "", "10", -1), CNqException);
    // A bound near the end of the 64-bit range is compared exactly, not as a double.
    EXPECT_THROW(B::CheckRestrictionFori8("w", INT64_MAX, "", -1, -1, "", "9223372036854775806", "", "", -1),
                 CNqException);
    EXPECT_NO_THROW(B::CheckRestrictionForr8("x", kTiny, "", -1, -1, "", "", "0", "", -1));
    EXPECT_THROW(B::CheckRestrictionForr8("x", 0.0, "", -1, -1, "", "", "0", "", -1), CNqException);
}

} // namespace
