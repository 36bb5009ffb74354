// The parser behind the element tree: Expat in namespace mode, suspended and
// resumed on demand. Exceptions never unwind through Expat's frames: a
// handler stores what it caught and stops the parser, and Advance rethrows
// it once Expat has returned.
#include "runtime/ParserBackend.h"

#include "runtime/Exceptions.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cstring>
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

} // namespace

class CPullParser::Impl {
public:
    Impl(IParseEvents& events, IByteSource& source, std::size_t chunkSize)
        : m_events(events), m_source(source), m_chunkSize(std::clamp<std::size_t>(chunkSize, 1, INT_MAX / 2)),
          m_parser(XML_ParserCreateNS(nullptr, nameSeparator)) {
        if (!m_parser) throw std::bad_alloc();
        XML_Parser parser = m_parser.get();
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Impl::OnStart, &Impl::OnEnd);
        XML_SetCharacterDataHandler(parser, &Impl::OnText);
        XML_SetStartNamespaceDeclHandler(parser, &Impl::OnNamespace);
        XML_SetStartDoctypeDeclHandler(parser, &Impl::OnDoctype);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    }

    bool Advance() {
        if (m_failure) std::rethrow_exception(m_failure);
        try {
            return Step();
        } catch (...) {
            m_failure = std::current_exception();
            throw;
        }
    }

    void Pause() { XML_StopParser(m_parser.get(), XML_TRUE); }

    std::uint64_t BytesRead() const { return m_bytesRead; }

private:
    // Resumes a paused parse, or feeds the parser the next chunk of the source.
    bool Step() {
        for (;;) {
            XML_Status status;
            if (m_paused) {
                m_paused = false;
                status = XML_ResumeParser(m_parser.get());
            } else {
                if (m_finished) return false;
                void* buffer = XML_GetBuffer(m_parser.get(), static_cast<int>(m_chunkSize));
                if (!buffer) throw std::bad_alloc();
                const std::size_t got = m_source.Read(static_cast<char*>(buffer), m_chunkSize);
                m_bytesRead += got;
                m_lastChunk = got == 0;
                status = XML_ParseBuffer(m_parser.get(), static_cast<int>(got), m_lastChunk);
            }
            if (m_error) std::rethrow_exception(m_error);
            if (status == XML_STATUS_ERROR) {
                ThrowParseError(XML_ErrorString(XML_GetErrorCode(m_parser.get())));
            }
            if (status == XML_STATUS_SUSPENDED) {
                m_paused = true;
                return true;
            }
            if (m_lastChunk) {
                m_finished = true;
                return false;
            }
        }
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
        auto* self = static_cast<Impl*>(userData);
        if (self->m_error) return;
        try {
            step(*self);
        } catch (...) {
            self->m_error = std::current_exception();
            XML_StopParser(self->m_parser.get(), XML_FALSE);
        }
    }

    static void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
        Guarded(userData, [&](Impl& self) {
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
        Guarded(userData, [](Impl& self) { self.m_events.EndElement(); });
    }

    static void XMLCALL OnText(void* userData, const XML_Char* text, int length) {
        Guarded(userData, [&](Impl& self) {
            self.m_events.CharacterData(std::string_view(text, static_cast<std::size_t>(length)));
        });
    }

    static void XMLCALL OnNamespace(void* userData, const XML_Char* prefix, const XML_Char* uri) {
        Guarded(userData, [&](Impl& self) {
            self.m_events.NamespaceDeclaration(prefix ? prefix : "", uri ? uri : "");
        });
    }

    static void XMLCALL OnDoctype(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        Guarded(userData, [](Impl& self) {
            CNqException error(
                FormatString("DOCTYPE is not allowed at line %d, column %d", self.Line(), self.Column()));
            error.SetLocation(self.Line(), self.Column());
            throw error;
        });
    }

    IParseEvents& m_events;
    IByteSource& m_source;
    const std::size_t m_chunkSize;
    std::unique_ptr<XML_ParserStruct, ParserDeleter> m_parser;
    std::exception_ptr m_error;    // thrown by a handler, kept until Expat has returned
    std::exception_ptr m_failure;  // what ended the parse, thrown again by every later Advance
    std::vector<RawAttribute> m_attributes;
    std::uint64_t m_bytesRead = 0;
    bool m_paused = false;
    bool m_lastChunk = false;
    bool m_finished = false;
};

CPullParser::CPullParser(IParseEvents& events, IByteSource& source, std::size_t chunkSize)
    : m_impl(std::make_unique<Impl>(events, source, chunkSize)) {}
CPullParser::~CPullParser() = default;
bool CPullParser::Advance() { return m_impl->Advance(); }
void CPullParser::Pause() { m_impl->Pause(); }
std::uint64_t CPullParser::BytesRead() const { return m_impl->BytesRead(); }

std::size_t CTextSource::Read(char* buffer, std::size_t size) {
    const std::size_t count = std::min(size, m_text.size());
    std::memcpy(buffer, m_text.data(), count);
    m_text.remove_prefix(count);
    return count;
}

void ParseXml(std::string_view text, IParseEvents& events, std::size_t chunkSize) {
    CTextSource source(text);
    CPullParser parser(events, source, chunkSize);
    while (parser.Advance()) {
    }
}

} // namespace NqXmlLib3::detail
