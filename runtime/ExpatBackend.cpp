// The parser behind the element tree: Expat in namespace mode. Exceptions
// never unwind through Expat's frames: a handler stores what it caught and
// stops the parser, and ParseXml rethrows it once Expat has returned.
#include "runtime/ParserBackend.h"

#include "runtime/Exceptions.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <new>
#include <vector>

namespace NqXmlLib3::detail {

namespace {

// Separates the namespace URI from the local name in Expat's names; it cannot occur in either.
constexpr char nameSeparator = '\n';

struct ParserDeleter {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

struct NameParts {
    std::string_view uri;
    std::string_view local;
};

NameParts SplitName(const XML_Char* name) {
    const std::string_view whole(name);
    const std::size_t separator = whole.find(nameSeparator);
    if (separator == std::string_view::npos) return {std::string_view(), whole};
    return {whole.substr(0, separator), whole.substr(separator + 1)};
}

class ExpatParse {
public:
    explicit ExpatParse(IParseEvents& events) : m_events(events), m_parser(XML_ParserCreateNS(nullptr, nameSeparator)) {
        if (!m_parser) throw std::bad_alloc();
        XML_Parser parser = m_parser.get();
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &ExpatParse::OnStart, &ExpatParse::OnEnd);
        XML_SetCharacterDataHandler(parser, &ExpatParse::OnText);
        XML_SetStartNamespaceDeclHandler(parser, &ExpatParse::OnNamespace);
        XML_SetStartDoctypeDeclHandler(parser, &ExpatParse::OnDoctype);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    }

    void Run(std::string_view text, std::size_t chunkSize) {
        chunkSize = std::clamp<std::size_t>(chunkSize, 1, INT_MAX);
        std::size_t offset = 0;
        do {
            const std::size_t size = std::min(chunkSize, text.size() - offset);
            const bool last = offset + size == text.size();
            if (XML_Parse(m_parser.get(), text.data() + offset, static_cast<int>(size), last) != XML_STATUS_OK) {
                if (m_error) std::rethrow_exception(m_error);
                ThrowParseError(XML_ErrorString(XML_GetErrorCode(m_parser.get())));
            }
            offset += size;
        } while (offset < text.size());
    }

private:
    int Line() const { return static_cast<int>(XML_GetCurrentLineNumber(m_parser.get())); }
    // Expat counts columns from 0.
    int Column() const { return static_cast<int>(XML_GetCurrentColumnNumber(m_parser.get())) + 1; }

    [[noreturn]] void ThrowParseError(const char* problem) const {
        CNqException error(FormatString("Malformed XML: %s at line %d, column %d", problem, Line(), Column()));
        error.SetLocation(Line(), Column());
        throw error;
    }

    template <class Step>
    static void Guarded(void* userData, Step step) {
        auto* self = static_cast<ExpatParse*>(userData);
        if (self->m_error) return;
        try {
            step(*self);
        } catch (...) {
            self->m_error = std::current_exception();
            XML_StopParser(self->m_parser.get(), XML_FALSE);
        }
    }

    static void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
        Guarded(userData, [&](ExpatParse& self) {
            self.m_attributes.clear();
            for (const XML_Char** pair = attributes; *pair; pair += 2) {
                const NameParts parts = SplitName(pair[0]);
                self.m_attributes.push_back({parts.uri, parts.local, pair[1]});
            }
            const NameParts parts = SplitName(name);
            self.m_events.StartElement(parts.uri, parts.local, self.m_attributes.data(), self.m_attributes.size(),
                                       self.Line(), self.Column());
        });
    }

    static void XMLCALL OnEnd(void* userData, const XML_Char*) {
        Guarded(userData, [](ExpatParse& self) { self.m_events.EndElement(); });
    }

    static void XMLCALL OnText(void* userData, const XML_Char* text, int length) {
        Guarded(userData, [&](ExpatParse& self) {
            self.m_events.CharacterData(std::string_view(text, static_cast<std::size_t>(length)));
        });
    }

    static void XMLCALL OnNamespace(void* userData, const XML_Char* prefix, const XML_Char* uri) {
        Guarded(userData, [&](ExpatParse& self) {
            self.m_events.NamespaceDeclaration(prefix ? prefix : "", uri ? uri : "");
        });
    }

    static void XMLCALL OnDoctype(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        Guarded(userData, [](ExpatParse& self) {
            CNqException error(
                FormatString("DOCTYPE is not allowed at line %d, column %d", self.Line(), self.Column()));
            error.SetLocation(self.Line(), self.Column());
            throw error;
        });
    }

    IParseEvents& m_events;
    std::unique_ptr<XML_ParserStruct, ParserDeleter> m_parser;
    std::exception_ptr m_error;
    std::vector<RawAttribute> m_attributes;
};

} // namespace

void ParseXml(std::string_view text, IParseEvents& events, std::size_t chunkSize) {
    ExpatParse(events).Run(text, chunkSize);
}

} // namespace NqXmlLib3::detail
