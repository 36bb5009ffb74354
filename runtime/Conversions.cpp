#include "runtime/Conversions.h"

#include "runtime/Exceptions.h"
#include "runtime/XmlText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace NqXmlLib3 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void Refuse(std::string_view text, const char* type) {
    throw CNqException(
        FormatString("The text [%s] is not a valid %s", detail::QuoteForMessage(text).c_str(), type));
}

std::string_view Digits(std::string_view text, std::size_t& position) {
    const std::size_t begin = position;
    while (position < text.size() && IsDigit(text[position])) ++position;
    return text.substr(begin, position - begin);
}

// Whether `text` is an xs:double in decimal or scientific form (not INF or NaN).
bool IsDecimalDouble(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissaDigits = Digits(text, i).size();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissaDigits += Digits(text, i).size();
    }
    if (mantissaDigits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (Digits(text, i).empty()) return false;
    }
    return i == text.size();
}

// Sign of the decimal exponent of a number that does not fit a double: positive
// when it is too large, otherwise too small.
bool IsTooLarge(std::string_view text) {
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    long long magnitude = 0;
    bool seenNonZero = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (text[i] != '0') seenNonZero = true;
        if (seenNonZero) ++magnitude;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            if (seenNonZero) break;
            if (text[i] != '0') seenNonZero = true;
            else --magnitude;
        }
        while (i < text.size() && IsDigit(text[i])) ++i;
    }
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = text[i] == '-';
        if (text[i] == '+' || text[i] == '-') ++i;
        for (; i < text.size(); ++i) {
            if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return magnitude + exponent > 0;
}

// An optionally signed run of decimal digits, within [minimum, maximum].
std::int64_t ParseInteger(std::string_view text, std::int64_t minimum, std::int64_t maximum, const char* type) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::string_view digits = Digits(text, i);
    if (digits.empty() || i != text.size()) Refuse(text, type);
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    const std::uint64_t limit = negative ? static_cast<std::uint64_t>(-(minimum + 1)) + 1
                                         : static_cast<std::uint64_t>(maximum);
    if (error != std::errc() || end != digits.data() + digits.size() || magnitude > limit) {
        throw CNqException(FormatString("The text [%s] is outside the range of a %s",
                                        detail::QuoteForMessage(text).c_str(), type));
    }
    if (!negative) return static_cast<std::int64_t>(magnitude);
    return magnitude == 0 ? 0 : -static_cast<std::int64_t>(magnitude - 1) - 1;
}

} // namespace

std::string CWhitespaceUtils::Preserve(std::string text) { return text; }

std::string CWhitespaceUtils::Replace(std::string text) {
    for (char& c : text) {
        if (IsBlank(c)) c = ' ';
    }
    return text;
}

std::string CWhitespaceUtils::Collapse(std::string text) {
    std::string scratch;
    const std::string_view result = Apply(text, WhitespaceRule_Collapse, scratch);
    return std::string(result);
}

std::string_view CWhitespaceUtils::Apply(std::string_view text, WhitespaceRule rule, std::string& scratch) {
    if (rule == WhitespaceRule_Preserve) return text;
    if (rule == WhitespaceRule_Replace) {
        if (text.find_first_of("\t\n\r") == std::string_view::npos) return text;
        // The result must live in `scratch`: a view of Replace's returned
        // temporary would dangle as soon as this statement ends.
        scratch = Replace(std::string(text));
        return scratch;
    }
    // Most values hold no blank at all, which one pass settles.
    if (std::none_of(text.begin(), text.end(), IsBlank)) return text;
    const std::size_t first = text.find_first_not_of(" \t\n\r");
    if (first == std::string_view::npos) return text.substr(0, 0);
    const std::size_t last = text.find_last_not_of(" \t\n\r");
    const std::string_view trimmed = text.substr(first, last - first + 1);
    bool folded = true;
    for (std::size_t i = 0; i < trimmed.size() && folded; ++i) {
        if (IsBlank(trimmed[i]) && (trimmed[i] != ' ' || IsBlank(trimmed[i + 1]))) folded = false;
    }
    if (folded) return trimmed;
    scratch.clear();
    bool inBlank = false;
    for (char c : trimmed) {
        if (IsBlank(c)) {
            if (!inBlank) scratch.push_back(' ');
            inBlank = true;
        } else {
            scratch.push_back(c);
            inBlank = false;
        }
    }
    return scratch;
}

std::string_view CConversions::r8ToChars(double value, NumberBuffer& buffer) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

std::string CConversions::r8ToString(double value) {
    NumberBuffer buffer;
    return std::string(r8ToChars(value, buffer));
}

std::string_view CConversions::i8ToChars(std::int64_t value, NumberBuffer& buffer) {
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

std::string CConversions::i4ToString(long value) {
    NumberBuffer buffer;
    return std::string(i8ToChars(value, buffer));
}

std::string CConversions::i8ToString(std::int64_t value) {
    NumberBuffer buffer;
    return std::string(i8ToChars(value, buffer));
}

const char* CConversions::booleanToString(bool value) { return value ? "true" : "false"; }

const std::string& CConversions::stringToString(const std::string& value) { return value; }

double CConversions::r8FromString(std::string_view text, WhitespaceRule rule) {
    std::string scratch;
    const std::string_view value = CWhitespaceUtils::Apply(text, rule, scratch);
    if (value == "INF") return std::numeric_limits<double>::infinity();
    if (value == "-INF") return -std::numeric_limits<double>::infinity();
    if (value == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (!IsDecimalDouble(value)) Refuse(value, "double");
    // from_chars takes no leading '+'.
    const std::string_view unsigned_ = value[0] == '+' ? value.substr(1) : value;
    double result = 0;
    const auto [end, error] = std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), result);
    if (error == std::errc::result_out_of_range) {
        // Beyond the largest double a decimal maps to an infinity, as XML
        // Schema 1.1 maps it; too small for a double, it rounds to zero.
        const bool negative = value[0] == '-';
        const double infinity = std::numeric_limits<double>::infinity();
        if (IsTooLarge(value)) return negative ? -infinity : infinity;
        return negative ? -0.0 : 0.0;
    }
    if (error != std::errc() || end != unsigned_.data() + unsigned_.size()) Refuse(value, "double");
    return result;
}

long CConversions::i4FromString(std::string_view text, WhitespaceRule rule) {
    std::string scratch;
    const std::string_view value = CWhitespaceUtils::Apply(text, rule, scratch);
    return static_cast<long>(ParseInteger(value, std::numeric_limits<std::int32_t>::min(),
                                          std::numeric_limits<std::int32_t>::max(), "32-bit integer"));
}

std::int64_t CConversions::i8FromString(std::string_view text, WhitespaceRule rule) {
    std::string scratch;
    const std::string_view value = CWhitespaceUtils::Apply(text, rule, scratch);
    return ParseInteger(value, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                        "64-bit integer");
}

bool CConversions::booleanFromString(std::string_view text, WhitespaceRule rule) {
    std::string scratch;
    const std::string_view value = CWhitespaceUtils::Apply(text, rule, scratch);
    if (value == "true" || value == "1") return true;
    if (value == "false" || value == "0") return false;
    Refuse(value, "boolean");
}

std::string CConversions::stringFromString(std::string_view text, WhitespaceRule rule) {
    std::string scratch;
    const std::string_view value = CWhitespaceUtils::Apply(text, rule, scratch);
    if (value.data() == scratch.data()) return scratch;
    return std::string(value);
}

} // namespace NqXmlLib3
