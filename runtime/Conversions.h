// Lexical forms of the XML Schema types the bindings use, and the whitespace
// rules applied to a text before it is converted. Locale-independent.
#pragma once

#include "runtime/Export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace NqXmlLib3 {

class NQXML_API CWhitespaceUtils {
public:
    enum WhitespaceRule {
        WhitespaceRule_Preserve = 0,  // the text as it stands
        WhitespaceRule_Replace = 1,   // each tab, line feed and carriage return becomes a space
        WhitespaceRule_Collapse = 2,  // replaced, then trimmed, with runs of spaces folded to one
    };

    static std::string Preserve(std::string text);
    static std::string Replace(std::string text);
    static std::string Collapse(std::string text);

    // The text under the rule; `scratch` holds the result when it differs from a slice of `text`.
    static std::string_view Apply(std::string_view text, WhitespaceRule rule, std::string& scratch);
};

class NQXML_API CConversions {
public:
    using WhitespaceRule = CWhitespaceUtils::WhitespaceRule;

    // Room for the longest lexical form of any number.
    using NumberBuffer = char[32];

    // Shortest text that reads back to the identical double; INF, -INF, NaN.
    static std::string r8ToString(double value);
    static std::string_view r8ToChars(double value, NumberBuffer& buffer);
    static std::string i4ToString(long value);
    static std::string i8ToString(std::int64_t value);
    static std::string_view i8ToChars(std::int64_t value, NumberBuffer& buffer);
    static const char* booleanToString(bool value);
    static const std::string& stringToString(const std::string& value);

    // Each applies the whitespace rule, then accepts only the type's lexical
    // forms, and throws CNqException naming the refused text otherwise.
    static double r8FromString(std::string_view text,
                               WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    static long i4FromString(std::string_view text,
                             WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    static std::int64_t i8FromString(std::string_view text,
                                     WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    static bool booleanFromString(std::string_view text,
                                  WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Collapse);
    static std::string stringFromString(std::string_view text,
                                        WhitespaceRule rule = CWhitespaceUtils::WhitespaceRule_Preserve);
};

} // namespace NqXmlLib3
