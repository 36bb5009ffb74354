// The check of the differential fuzzer: the library's verdict on a text,
// accepted or refused as XML, against a raw Expat parse in namespace mode.
// Returns an empty string when they agree or differ where conforming
// parsers may, and a description of the difference otherwise.
#pragma once

#include "runtime/Exceptions.h"
#include "runtime/XmlElement.h"

#include <expat.h>

#include <memory>
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

// Where conforming parsers may differ, and the library's parser does.
inline bool DifferenceAllowed(std::string_view text, bool libraryAccepted, const ExpatVerdict& expat) {
    static_cast<void>(text);
    static_cast<void>(libraryAccepted);
    static_cast<void>(expat);
    return false;
}

} // namespace detail

inline std::string CheckParsersAgree(std::string_view text) {
    bool accepted = true;
    std::string problem;
    try {
        NqXmlLib3::CXmlDocument::Parse(text);
    } catch (const NqXmlLib3::CNqException& error) {
        accepted = false;
        problem = error.what();
    }
    const detail::ExpatVerdict expat = detail::ParseWithExpat(text);
    if (expat.doctype || expat.deepest > NqXmlLib3::MaxElementDepth) {
        return accepted ? "the library read a document with a DOCTYPE or nested too deep" : "";
    }
    if (accepted == expat.accepted || detail::DifferenceAllowed(text, accepted, expat)) return "";
    return accepted ? "the library accepts what Expat refuses (" + expat.problem + ")"
                    : "the library refuses (" + problem + ") what Expat accepts";
}

} // namespace StorageFuzz
