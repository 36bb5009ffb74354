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

// The version that an XML declaration at the start of `text` gives (in an
// encoding that writes ASCII as ASCII), or nothing.
inline std::optional<std::string_view> DeclaredVersion(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (text.substr(0, 5) != "<?xml") return std::nullopt;
    text = text.substr(0, text.find("?>"));
    const std::size_t name = text.find("version");
    const std::size_t quote = text.find_first_of("\"'", name);
    if (name == std::string_view::npos || quote == std::string_view::npos) return std::nullopt;
    const std::size_t close = text.find(text[quote], quote + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return text.substr(quote + 1, close - quote - 1);
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

// `text`, in UTF-8, with every character beyond ASCII that XML allows in
// text written as 'x' (a byte order mark at the start kept); nothing for
// a text in another encoding.
inline std::optional<std::string> WithAsciiCharacters(std::string_view text) {
    std::string ascii;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        ascii = text.substr(0, 3);
        text.remove_prefix(3);
    }
    if (text.size() >= 2 && (text[0] == '\0' || text[1] == '\0' || text.substr(0, 2) == "\xFF\xFE" ||
                             text.substr(0, 2) == "\xFE\xFF")) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t c = 0;
        const std::size_t length = NqXmlLib3::detail::DecodeUtf8(text.substr(i), c);
        const bool replace = length > 1 && NqXmlLib3::detail::IsXmlChar(c);
        ascii.append(replace ? std::string_view("x") : text.substr(i, length ? length : 1));
        i += length ? length : 1;
    }
    return ascii;
}

// Where conforming parsers may differ, and the library's parser does;
// `problem` is the library's refusal, empty when it accepted.
inline bool DifferenceAllowed(std::string_view text, const std::string& problem, const ExpatVerdict& expat) {
    static_cast<void>(problem);
    // Names: libxml2 takes the name characters of XML 1.0 (fifth edition),
    // Expat those of the editions before, fewer beyond ASCII. Where the two
    // agree once every character beyond ASCII is an ASCII letter, the names
    // made the difference.
    if (const auto ascii = WithAsciiCharacters(text); ascii && *ascii != text) {
        if (LibraryAccepts(*ascii) == ParseWithExpat(*ascii).accepted) return true;
    }
    // XML 1.0 (fifth edition) allows version 1.x only, which libxml2 holds
    // to; Expat takes the older grammar's version numbers, any of letters,
    // digits and "_.:-".
    if (const auto version = DeclaredVersion(text); version && expat.accepted) {
        const bool oneDotX = version->size() > 2 && version->substr(0, 2) == "1." &&
                             version->find_first_not_of("0123456789", 2) == std::string_view::npos;
        if (!oneDotX) return true;
    }
    return false;
}

} // namespace detail

inline std::string CheckParsersAgree(std::string_view text) {
    std::string problem;
    const bool accepted = detail::LibraryAccepts(text, &problem);
    const detail::ExpatVerdict expat = detail::ParseWithExpat(text);
    if (expat.doctype || expat.deepest > NqXmlLib3::MaxElementDepth) {
        return accepted ? "the library read a document with a DOCTYPE or nested too deep" : "";
    }
    if (accepted == expat.accepted || detail::DifferenceAllowed(text, problem, expat)) return "";
    return accepted ? "the library accepts what Expat refuses (" + expat.problem + ")"
                    : "the library refuses (" + problem + ") what Expat accepts";
}

} // namespace StorageFuzz
