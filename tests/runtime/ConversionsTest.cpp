// Lexical forms of the value types, the whitespace rules applied before
// conversion, and the facet checks of CXmlObjectBase. That extreme doubles
// (denormals, the ends of the range, infinities, NaN) read back bit for bit is
// the lexical fuzzer's check, which the hostile tests replay over the bits_*
// seeds of fuzz/corpus/lexical.
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/XmlObjectBase.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdint>
#include <limits>
#include <string>

using namespace NqXmlLib3;

namespace {

using WS = CWhitespaceUtils;
using C = CConversions;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();

TEST(CWhitespaceUtils, PreserveReplaceCollapse) {
    // text, replaced, collapsed. A no-break space is no XML blank: bytes above 0x7F are not blanks.
    const char* const rows[][3] = {{" a\tb\r\nc  ", " a b  c  ", "a b c"}, {" \t\n\r ", "     ", ""},
                                   {"\xC2\xA0x\t\xC3\xA9", "\xC2\xA0x \xC3\xA9", "\xC2\xA0x \xC3\xA9"}};
    for (const auto& row : rows) {
        std::string scratch;
        for (int rule = 0; rule < 3; ++rule) {  // preserve, replace, collapse: the columns in order
            EXPECT_EQ(row[rule], WS::Apply(row[0], WS::WhitespaceRule(rule), scratch)) << rule << " " << row[0];
        }
    }
    // The caller's rule decides about blanks around a number or in a string.
    EXPECT_THROW(C::i4FromString(" 1", WS::WhitespaceRule_Preserve), CNqException);
    EXPECT_EQ("a b", C::stringFromString(" a\tb ", WS::WhitespaceRule_Collapse));
}

// The text read as its type ('d' r8, 'l' i4, 'q' i8, 'b' boolean), then written back.
std::string ReadAndWrite(char type, const char* text) {
    switch (type) {
    case 'd': return C::r8ToString(C::r8FromString(text));
    case 'l': return C::i4ToString(C::i4FromString(text));
    case 'q': return C::i8ToString(C::i8FromString(text));
    default: return C::booleanToString(C::booleanFromString(text));
    }
}

TEST(CConversions, LexicalForms) {
    // type, text, the written form of the value read ("": refused). A decimal beyond the largest double reads
    // as an infinity, one too small as zero. The i4 range is 32 bits even where long is wider; a surplus of
    // leading zeros is no overflow.
    const struct { char type; const char* text; const char* written; } rows[] = {
        {'d', "+2.25", "2.25"}, {'d', "007.50", "7.5"}, {'d', ".5", "0.5"}, {'d', "1E+2", "100"}, {'d', "-0", "-0"},
        {'d', "\t\n-1e-5\r\n", "-1e-05"}, {'d', " INF ", "INF"}, {'d', "-INF", "-INF"}, {'d', " NaN\n", "NaN"},
        {'d', "4.9e-324", "5e-324"}, {'d', "1e-400", "0"}, {'d', "-1e-400", "-0"}, {'d', "1e400", "INF"},
        {'d', "-1e400", "-INF"}, {'d', "1.7976931348623158e308", "1.7976931348623157e+308"},
        {'d', "+1.7976931348623159e308", "INF"}, {'d', "inf", ""}, {'d', "-NaN", ""}, {'d', "1e", ""}, {'d', "e5", ""},
        {'d', "0x10", ""}, {'d', "1,5", ""}, {'d', "1 2", ""}, {'d', "", ""}, {'d', ".", ""}, {'d', "+-1", ""},
        {'d', "1d", ""}, {'l', "+5", "5"}, {'l', "-0", "0"}, {'l', " \t42\n", "42"}, {'l', "2147483647", "2147483647"},
        {'l', "-000000000002147483648", "-2147483648"}, {'l', "2147483648", ""}, {'l', "-2147483649", ""},
        {'l', "4294967296", ""}, {'l', "99999999999999999999", ""}, {'l', " ", ""}, {'l', "1.0", ""}, {'l', "1e3", ""},
        {'l', "--1", ""}, {'l', "+", ""}, {'l', "12a", ""}, {'q', "9223372036854775807", "9223372036854775807"},
        {'q', "-9223372036854775808", "-9223372036854775808"}, {'q', "2147483648", "2147483648"},
        {'q', "9223372036854775808", ""}, {'q', "-9223372036854775809", ""}, {'q', "18446744073709551616", ""},
        {'q', "0x1F", ""}, {'q', "-", ""}, {'b', "true", "true"}, {'b', "1", "true"}, {'b', "\tfalse\n", "false"},
        {'b', "0", "false"}, {'b', "TRUE", ""}, {'b', "yes", ""}, {'b', "01", ""}, {'b', "", ""}, {'b', "+1", ""}};
    for (const auto& [type, text, written] : rows) {
        SCOPED_TRACE(::testing::Message() << type << " [" << text << "]");
        try {
            EXPECT_EQ(*written ? written : "(refused)", ReadAndWrite(type, text));
        } catch (const CNqException& e) {
            EXPECT_FALSE(*written) << e.what();
            EXPECT_NE(std::string::npos, std::string(e.what()).find(WS::Collapse(text))) << e.what();
        }
    }
}

// The arguments that switch every facet off.
#define NEUTRAL "", -1, -1, "", "", "", "", -1

TEST(CXmlObjectBaseFacets, NumbersNeedOnlyBeRepresentableUnlessBoundsAreGiven) {
    using B = CXmlObjectBase;
    for (double value : {-0.0, DBL_MAX, -kInf, kNaN}) EXPECT_NO_THROW(B::CheckRestrictionForr8("x", value, NEUTRAL));
    // An i4 must lie inside 32 bits even where long is wider (LP64); where long is 32 bits (LLP64) every
    // long is an i4.
    for (long value : {long{INT32_MIN}, long{INT32_MAX}}) EXPECT_NO_THROW(B::CheckRestrictionFori4("n", value, NEUTRAL));
    for (long long wide : {2147483648LL, -2147483649LL, static_cast<long long>(LONG_MIN)}) {
        if (wide < LONG_MIN || wide > LONG_MAX || (wide >= INT32_MIN && wide <= INT32_MAX)) continue;
        EXPECT_THROW(B::CheckRestrictionFori4("n", static_cast<long>(wide), NEUTRAL), CNqException) << wide;
    }
    EXPECT_NO_THROW(B::CheckRestrictionFori4("n", 10, "", -1, -1, "10", "", "", "", -1));
    EXPECT_THROW(B::CheckRestrictionFori4("n", 9, "", -1, -1, "10", "", "", "", -1), CNqException);
    EXPECT_THROW(B::CheckRestrictionFori4("n", 10, "", -1, -1, "", "", "", "10", -1), CNqException);
    // A bound near the end of the 64-bit range is compared exactly, not as a double.
    EXPECT_THROW(B::CheckRestrictionFori8("w", INT64_MAX, "", -1, -1, "", "9223372036854775806", "", "", -1),
                 CNqException);
    EXPECT_NO_THROW(B::CheckRestrictionForr8("x", kTiny, "", -1, -1, "", "", "0", "", -1));
    EXPECT_THROW(B::CheckRestrictionForr8("x", 0.0, "", -1, -1, "", "", "0", "", -1), CNqException);
}

TEST(CXmlObjectBaseFacets, StringsMustBeXmlTextOfTheLengthsGiven) {
    // value, minLength, maxLength (in characters, not bytes), accepted. An overlong form, a surrogate, truncated
    // and stray bytes, beyond U+10FFFF, controls and U+FFFE are refused; U+D7FF, U+E000, U+10FFFF, DEL are not.
    const struct { std::string value; int minLength, maxLength; bool accepted; } rows[] = {
        {"\xC0\x80", -1, -1, false}, {"\xED\xA0\x80", -1, -1, false}, {"\xE2\x82", -1, -1, false},
        {"\xE2\x82z", -1, -1, false}, {"\x80", -1, -1, false}, {"\xF4\x90\x80\x80", -1, -1, false},
        {std::string("a\0b", 3), -1, -1, false}, {"\x0B", -1, -1, false}, {"\xEF\xBF\xBE", -1, -1, false},
        {"\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF", -1, -1, true}, {"\t\n\r\x7F]]> <&>", -1, -1, true},
        {"\xF0\x9F\x98\x80", 1, 1, true}, {"caf\xC3\xA9", -1, 4, true}, {"caf\xC3\xA9s", -1, 4, false},
        {"caf", 4, -1, false},
        // longer texts, settled eight bytes at a time where they are plain ASCII
        {"plain ascii text~\x7F ok", -1, -1, true}, {"abcdefgh\x1Fijklmnop", -1, -1, false},
        {"abcdefghijklmno\x01", -1, -1, false}, {"abcdefg\xC3\xA9ijklmnop", -1, -1, true},
        {"abcdefghijklmn\xC0\x80", -1, -1, false}, {"\tabcdefghijklmnop", -1, -1, true}};
    for (const auto& [value, minLength, maxLength, accepted] : rows) {
        SCOPED_TRACE(::testing::PrintToString(value));
        try {
            CXmlObjectBase::CheckRestrictionForstring("s", value, "", minLength, maxLength, "", "", "", "", -1);
            EXPECT_TRUE(accepted);
        } catch (const CNqException& e) {
            EXPECT_FALSE(accepted) << e.what();
        }
    }
}

} // namespace
