// Lexical forms of the XML Schema types the bindings use, and the whitespace
// rules applied to a text before it is converted. Locale-independent.
#pragma once

#include "runtime/Export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace NqXmlLib3 {

/// The whitespace rules that a text passes through before it is converted.
class NQXML_API CWhitespaceUtils {
public:
    /// How blanks in a text are treated.
    enum WhitespaceRule {
        WhitespaceRule_Preserve = 0,  ///< the text as it stands
        WhitespaceRule_Replace = 1,   ///< each tab, line feed and carriage return becomes a space
        WhitespaceRule_Collapse = 2,  ///< replaced, then trimmed, with runs of spaces folded to one
    };

    /// The text unchanged (rule 0), as every string setter stores it.
    static std::string Preserve(std::string text);
    /// The text with each tab, line feed and carriage return made a space (rule 1).
    static std::string Replace(std::string text);
    /// The text replaced, trimmed, and with runs of spaces folded to one (rule 2).
    static std::string Collapse(std::string text);

    /// The text under the rule; `scratch` holds the result when it differs from a slice of `text`.
    static std::string_view Apply(std::string_view text, WhitespaceRule rule, std::string& scratch);
};

/// Converts values to and from their lexical forms in a document; locale-independent.
class NQXML_API CConversions {
public:
    /// The whitespace rule applied before a text is converted.
    using WhitespaceRule = CWhitespaceUtils::WhitespaceRule;

    /// Room for the longest lexical form of any number.
    using NumberBuffer = char[32];

    /// Shortest text that reads back to the identical double; INF, -INF, NaN.
    static std::string r8ToString(double value);
    /// The same text as r8ToString, written into `buffer` without allocating.
    static std::string_view r8ToChars(double value, NumberBuffer& buffer);
    /// The decimal form of a 32-bit integer.
    static std::string i4ToString(long value);
    /// The decimal form of a 64-bit integer.
    static std::string i8ToString(std::int64_t value);
    /// The decimal form of an integer, written into `buffer` without allocating.
    static std::string_view i8ToChars(std::int64_t value, NumberBuffer& buffer);
    /// "true" or "false".
    static const char* booleanToString(bool value);
    /// The string itself: a string's lexical form is its text.
    static const std::string& stringToString(const std::string& value);

    /// The double a text holds (any xs:double form; a decimal beyond the largest
    /// double is an infinity); throws CNqException naming the text otherwise.
    static double r8FromString(std::string_view text,
                               WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    /// The 32-bit integer a text holds (optional sign, digits); throws CNqException naming the text otherwise.
    static long i4FromString(std::string_view text,
                             WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    /// The 64-bit integer a text holds (optional sign, digits); throws CNqException naming the text otherwise.
    static std::int64_t i8FromString(std::string_view text,
                                     WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    /// The boolean a text holds ("true", "false", "1", "0"); throws CNqException naming the text otherwise.
    static bool booleanFromString(std::string_view text,
                                  WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    /// The string a text holds, after the whitespace rule (preserve by default).
    static std::string stringFromString(std::string_view text,
                                        WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Preserve);
};

} // namespace NqXmlLib3
