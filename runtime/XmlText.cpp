#include "runtime/XmlText.h"

#include "runtime/Exceptions.h"

#include <array>
#include <cstring>

namespace NqXmlLib3::detail {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

constexpr bool IsNameStartChar(std::uint32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

constexpr bool IsNameChar(std::uint32_t c) {
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Where an ASCII byte may stand in a name, as bits: first, later, both or neither.
enum AsciiNamePlace : unsigned char { NameLater = 1, NameStart = 2 };

constexpr std::array<unsigned char, 0x80> MakeAsciiNameClasses() {
    std::array<unsigned char, 0x80> classes{};
    for (std::uint32_t c = 0; c < 0x80; ++c) {
        if (IsNameStartChar(c)) classes[c] = NameStart | NameLater;
        else if (IsNameChar(c)) classes[c] = NameLater;
    }
    return classes;
}

constexpr std::array<unsigned char, 0x80> asciiNameClasses = MakeAsciiNameClasses();

} // namespace

std::size_t DecodeUtf8(std::string_view text, std::uint32_t& codePoint) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (n == 0) return 0;
    const unsigned char c = s[0];
    if (c < 0x80) {
        codePoint = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        if (n < 2 || !IsContinuation(s[1])) return 0;
        codePoint = ((c & 0x1Fu) << 6) | (s[1] & 0x3Fu);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (n < 3 || !IsContinuation(s[1]) || !IsContinuation(s[2])) return 0;
        if (c == 0xE0 && s[1] < 0xA0) return 0;  // overlong
        if (c == 0xED && s[1] > 0x9F) return 0;  // surrogate
        codePoint = ((c & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (n < 4 || !IsContinuation(s[1]) || !IsContinuation(s[2]) || !IsContinuation(s[3])) return 0;
        if (c == 0xF0 && s[1] < 0x90) return 0;  // overlong
        if (c == 0xF4 && s[1] > 0x8F) return 0;  // beyond U+10FFFF
        codePoint = ((c & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
        return 4;
    }
    return 0;
}

// Whether the eight bytes at `data` are all printable ASCII (0x20 to 0x7F),
// which XML carries as they are: no byte has its high bit set, and none is
// below 0x20 (subtracting 0x20 from each would borrow into the high bit).
bool AllPrintableAscii(const char* data) {
    constexpr std::uint64_t highBits = 0x8080808080808080ull;
    constexpr std::uint64_t blanks = 0x2020202020202020ull;
    std::uint64_t word = 0;
    std::memcpy(&word, data, sizeof word);
    return ((word | (word - blanks)) & highBits) == 0;
}

std::size_t FindTextFault(std::string_view text, std::uint32_t& codePoint) {
    std::size_t i = 0;
    while (i + 8 <= text.size() && AllPrintableAscii(text.data() + i)) i += 8;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80) {
            ++i;
            continue;
        }
        codePoint = 0;
        const std::size_t length = DecodeUtf8(text.substr(i), codePoint);
        if (length == 0) {
            codePoint = 0xFFFFFFFF;
            return i;
        }
        if (!IsXmlChar(codePoint)) return i;
        i += length;
    }
    return std::string_view::npos;
}

void CheckXmlText(std::string_view text, const char* what) {
    std::uint32_t codePoint = 0;
    const std::size_t offset = FindTextFault(text, codePoint);
    if (offset == std::string_view::npos) return;
    if (codePoint == 0xFFFFFFFF) {
        throw CNqException(
            FormatString("The text of %s is not valid UTF-8 (byte %s)", what, std::to_string(offset).c_str()));
    }
    throw CNqException(FormatString("The text of %s holds the character U+%04X (byte %s), which XML cannot carry",
                                    what, static_cast<unsigned>(codePoint), std::to_string(offset).c_str()));
}

bool IsNCName(std::string_view name) {
    if (name.empty()) return false;
    std::size_t i = 0;
    // Most names are ASCII: a table lookup settles each byte.
    const auto first = static_cast<unsigned char>(name[0]);
    if (first < 0x80) {
        if (!(asciiNameClasses[first] & NameStart)) return false;
        for (i = 1; i < name.size(); ++i) {
            const auto byte = static_cast<unsigned char>(name[i]);
            if (byte >= 0x80) break;
            if (!(asciiNameClasses[byte] & NameLater)) return false;
        }
    }
    while (i < name.size()) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x80) {
            if (!(asciiNameClasses[byte] & (i == 0 ? NameStart : NameLater))) return false;
            ++i;
            continue;
        }
        std::uint32_t c = 0;
        const std::size_t length = DecodeUtf8(name.substr(i), c);
        if (length == 0) return false;
        if (i == 0 ? !IsNameStartChar(c) : !IsNameChar(c)) return false;
        i += length;
    }
    return true;
}

std::string QuoteForMessage(std::string_view text) {
    constexpr std::size_t limit = 64;
    if (text.size() <= limit) return std::string(text);
    std::size_t cut = limit;
    while (cut > 0 && IsContinuation(static_cast<unsigned char>(text[cut]))) --cut;
    return std::string(text.substr(0, cut)) + "...";
}

// The bytes that do not continue a sequence, eight at a time: a byte
// continues one when its top bits are 10.
std::size_t CountCharacters(std::string_view text) {
    constexpr std::uint64_t topBits = 0x8080808080808080ull;
    std::size_t count = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t continuing = word & ~(word << 1) & topBits;  // top bit set, the next one clear
        count += 8 - static_cast<std::size_t>(((continuing >> 7) * 0x0101010101010101ull) >> 56);
    }
    for (; p < end; ++p) count += !IsContinuation(static_cast<unsigned char>(*p));
    return count;
}

} // namespace NqXmlLib3::detail
