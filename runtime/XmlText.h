// Character-level rules of XML 1.0 text and names, shared by the writer and
// the facet checks. Internal to the runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace NqXmlLib3::detail {

// Length (1 to 4) of the valid UTF-8 sequence at the start of `text`, its code
// point in `codePoint`; 0 for a malformed, overlong or surrogate sequence.
std::size_t DecodeUtf8(std::string_view text, std::uint32_t& codePoint);

// True for a character XML 1.0 documents may contain.
inline bool IsXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Offset of the first character of `text` that is not valid UTF-8 (codePoint
// 0xFFFFFFFF) or not an XML 1.0 character (its codePoint); npos when there is none.
std::size_t FindTextFault(std::string_view text, std::uint32_t& codePoint);

// Throws CNqException unless `text` is UTF-8 made only of XML 1.0 characters.
// `what` names the text in the message.
void CheckXmlText(std::string_view text, const char* what);

// True for a name without a colon that XML namespaces allow as a local name or prefix.
bool IsNCName(std::string_view name);

// The text as it is quoted in a message: cut to a readable length.
std::string QuoteForMessage(std::string_view text);

// Number of characters (code points) of valid UTF-8 text.
std::size_t CountCharacters(std::string_view text);

} // namespace NqXmlLib3::detail
