// The check of the differential fuzzer: the library's verdict on a text,
// accepted or refused as XML, against a raw Expat parse in namespace mode.
// Returns an empty string when they agree or differ where conforming
// parsers may, and a description of the difference otherwise.
#pragma once

#include "runtime/Exceptions.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlText.h"

#include <expat.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace StorageFuzz {

namespace detail {

struct ExpatVerdict {
    bool accepted = false;
    std::string problem;
    bool doctype = false;  // the library refuses it by design
    int depth = 0;
    int deepest = 0;
};

inline void XMLCALL OnExpatStart(void* data, const XML_Char*, const XML_Char**) {
    auto& verdict = *static_cast<ExpatVerdict*>(data);
    if (++verdict.depth > verdict.deepest) verdict.deepest = verdict.depth;
}
inline void XMLCALL OnExpatEnd(void* data, const XML_Char*) { --static_cast<ExpatVerdict*>(data)->depth; }
inline void XMLCALL OnExpatDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<ExpatVerdict*>(data)->doctype = true;
}

inline ExpatVerdict ParseWithExpat(std::string_view text) {
    ExpatVerdict verdict;
    const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreateNS(nullptr, '\n'),
                                                                         XML_ParserFree);
    XML_SetUserData(parser.get(), &verdict);
    XML_SetElementHandler(parser.get(), OnExpatStart, OnExpatEnd);
    XML_SetStartDoctypeDeclHandler(parser.get(), OnExpatDoctype);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    verdict.accepted = XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
    if (!verdict.accepted) verdict.problem = XML_ErrorString(XML_GetErrorCode(parser.get()));
    return verdict;
}

// The byte order of a text in UTF-16, told by its byte order mark or by
// its first '<' (as both parsers tell it), or nothing for another encoding.
enum class Utf16 { No, Little, Big };
inline Utf16 Utf16Order(std::string_view text) {
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == std::string_view("<\0", 2)) return Utf16::Little;
    if (text.substr(0, 2) == "\xFE\xFF" || text.substr(0, 2) == std::string_view("\0<", 2)) return Utf16::Big;
    return Utf16::No;
}

// The units of a UTF-16 text, its byte order mark left out.
inline std::vector<char16_t> Utf16Units(std::string_view text, Utf16 order) {
    std::vector<char16_t> units;
    for (std::size_t i = text[0] == '<' || text[1] == '<' ? 0 : 2; i + 1 < text.size(); i += 2) {
        const auto first = static_cast<unsigned char>(text[i]), second = static_cast<unsigned char>(text[i + 1]);
        units.push_back(static_cast<char16_t>(order == Utf16::Little ? first | second << 8 : first << 8 | second));
    }
    return units;
}

// The version that an XML declaration at the start of `text` gives, or nothing.
inline std::optional<std::string> DeclaredVersion(std::string_view text) {
    std::string start;
    if (const Utf16 order = Utf16Order(text); order != Utf16::No) {
        for (const char16_t unit : Utf16Units(text.substr(0, 400), order)) start += unit < 0x80 ? char(unit) : '?';
    } else {
        start = text.substr(text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0, 200);
    }
    if (start.compare(0, 5, "<?xml") != 0) return std::nullopt;
    start = start.substr(0, start.find("?>"));
    const std::size_t name = start.find("version");
    const std::size_t quote = start.find_first_of("\"'", name);
    if (name == std::string::npos || quote == std::string::npos) return std::nullopt;
    const std::size_t close = start.find(start[quote], quote + 1);
    if (close == std::string::npos) return std::nullopt;
    return start.substr(quote + 1, close - quote - 1);
}

// The library's verdict: whether it reads `text` as XML, and if not, why not.
inline bool LibraryAccepts(std::string_view text, std::string* problem = nullptr) {
    try {
        NqXmlLib3::CXmlDocument::Parse(text);
        return true;
    } catch (const NqXmlLib3::CNqException& error) {
        if (problem) *problem = error.what();
        return false;
    }
}

// `text` with every character beyond ASCII that XML allows written as 'z',
// a letter of no keyword of XML (an 'x' could turn a processing instruction
// into a declaration), in the text's own encoding, UTF-8 or UTF-16 (a byte
// order mark kept). In UTF-16 a surrogate that is not half of a pair becomes
// 'z' too: Expat takes a high surrogate and whatever unit follows it for a
// pair, where libxml2 refuses the text.
inline std::string WithAsciiCharacters(std::string_view text) {
    std::string ascii;
    if (const Utf16 order = Utf16Order(text); order != Utf16::No) {
        const std::vector<char16_t> units = Utf16Units(text, order);
        const auto put = [&](char16_t unit) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            ascii += order == Utf16::Little ? low : high;
            ascii += order == Utf16::Little ? high : low;
        };
        if (text[0] != '<' && text[1] != '<') ascii = text.substr(0, 2);
        for (std::size_t i = 0; i < units.size(); ++i) {
            const char16_t unit = units[i];
            const bool pair = unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                              units[i + 1] < 0xE000;
            const bool other = unit >= 0x80 && (unit < 0xD800 || unit >= 0xE000) && unit < 0xFFFE;
            const bool lone = !pair && unit >= 0xD800 && unit < 0xE000;
            put(pair || other || lone ? u'z' : unit);
            i += pair;
        }
        if (text.size() % 2) ascii += text.back();
        return ascii;
    }
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t c = 0;
        const std::size_t length = NqXmlLib3::detail::DecodeUtf8(text.substr(i), c);
        const bool keep = length < 2 || !NqXmlLib3::detail::IsXmlChar(c) || (i == 0 && c == 0xFEFF);
        ascii.append(keep ? text.substr(i, length ? length : 1) : std::string_view("z"));
        i += length ? length : 1;
    }
    return ascii;
}

// XML 1.0 (fifth edition) allows version 1.x only, which libxml2 holds to;
// Expat takes the older grammar's version numbers, any of letters, digits
// and "_.:-".
inline bool VersionDiffers(std::string_view text, bool expatAccepted) {
    const auto version = DeclaredVersion(text);
    if (!version || !expatAccepted) return false;
    return version->size() < 3 || version->compare(0, 2, "1.") != 0 ||
           version->find_first_not_of("0123456789", 2) != std::string::npos;
}

// XML requires a text in UTF-16 to begin with a byte order mark; libxml2
// reads one without only when it begins with an XML declaration, as XML's
// appendix on detecting encodings has it, Expat also when it begins with
// any other '<'.
inline bool Utf16WithoutMarkOrDeclaration(std::string_view text) {
    using namespace std::string_view_literals;
    return (text.substr(0, 2) == "<\0"sv && text.substr(2, 2) != "?\0"sv) ||
           (text.substr(0, 2) == "\0<"sv && text.substr(2, 2) != "\0?"sv);
}

// Where conforming parsers may differ, and the library's parser does.
inline bool DifferenceAllowed(std::string_view text, const ExpatVerdict& expat) {
    if (VersionDiffers(text, expat.accepted)) return true;
    if (Utf16WithoutMarkOrDeclaration(text) && expat.accepted) return true;
    // Names: libxml2 takes the name characters of XML 1.0 (fifth edition),
    // Expat those of the editions before, fewer beyond ASCII. Where the two
    // agree once every character beyond ASCII is an ASCII letter (or differ
    // only in the version that this may have made of other characters), the
    // names made the difference.
    const std::string ascii = WithAsciiCharacters(text);
    if (ascii == text) return false;
    const ExpatVerdict asciiExpat = ParseWithExpat(ascii);
    return LibraryAccepts(ascii) == asciiExpat.accepted || VersionDiffers(ascii, asciiExpat.accepted);
}

} // namespace detail

inline std::string CheckParsersAgree(std::string_view text) {
    std::string problem;
    const bool accepted = detail::LibraryAccepts(text, &problem);
    const detail::ExpatVerdict expat = detail::ParseWithExpat(text);
    if (expat.doctype || expat.deepest > NqXmlLib3::MaxElementDepth) {
        return accepted ? "the library read a document with a DOCTYPE or nested too deep" : "";
    }
    if (accepted == expat.accepted || detail::DifferenceAllowed(text, expat)) return "";
    return accepted ? "the library accepts what Expat refuses (" + expat.problem + ")"
                    : "the library refuses (" + problem + ") what Expat accepts";
}

} // namespace StorageFuzz
