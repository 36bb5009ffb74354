// The parser behind the element tree: libxml2's SAX2 push parser, with
// namespaces, no DTD, no entity but the predefined ones and no network.
// libxml2 cannot stop inside a piece of text and go on later, so each
// Advance hands it one piece of the source and takes every event of that
// piece. Exceptions never unwind through libxml2's frames: a handler stores
// what it caught and stops the parser, and Advance rethrows it once libxml2
// has returned.
//
// libxml2 reports its position after what it has just read, the end of a
// start tag for an element. The parse counts lines and columns itself over
// the text libxml2 holds (always UTF-8, whatever the document's encoding),
// and finds each element's '<' and each problem's place in it.
#include "runtime/ParserBackend.h"

#include "runtime/Exceptions.h"
#include "runtime/XmlText.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <exception>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace NqXmlLib3::detail {

namespace {

// The parser, and the document that libxml2 makes of its own accord to keep
// the entities a DOCTYPE declares, should it get that far.
struct ContextDeleter {
    void operator()(xmlParserCtxt* context) const {
        if (context->myDoc) xmlFreeDoc(context->myDoc);
        xmlFreeParserCtxt(context);
    }
};

// libxml2 sets up its own tables on first use; done once, whichever thread comes first.
void InitializeLibxml() {
    static const bool initialized = (xmlInitParser(), true);
    static_cast<void>(initialized);
}

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// The characters of UTF-8 text between two of its bytes.
std::uint64_t Characters(const unsigned char* p, const unsigned char* end) {
    return CountCharacters(std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)));
}

// Line and column of a place in UTF-8 text, as XML counts them: a line ends
// at LF, CR or CR LF; a column counts characters from 1.
class CTextPosition {
public:
    void Start(std::uint64_t offset, int line, int column) {
        m_offset = offset;
        m_line = line;
        m_column = column;
        m_started = true;
    }
    bool Started() const { return m_started; }
    std::uint64_t Offset() const { return m_offset; }
    int Line() const { return static_cast<int>(std::min<std::uint64_t>(m_line, INT_MAX)); }
    int Column() const { return static_cast<int>(std::min<std::uint64_t>(m_column, INT_MAX)); }

    // Moves over the `size` bytes of text that follow the current place.
    // Text that holds no CR has its line ends found by memchr; the column
    // is then counted from the last one.
    void Advance(const unsigned char* text, std::size_t size, bool mayHoldCr) {
        if (size == 0) return;
        m_offset += size;
        const unsigned char* const end = text + size;
        const unsigned char* lineStart = nullptr;  // after the last line end met
        if (mayHoldCr) {
            for (const unsigned char* p = text; p < end; ++p) {
                if (*p != '\n' && *p != '\r') continue;
                const bool afterCr = p > text ? p[-1] == '\r' : m_afterCr;
                if (*p == '\r' || !afterCr) ++m_line;  // CR LF ends one line
                lineStart = p + 1;
            }
            m_afterCr = end[-1] == '\r';
        } else {
            const unsigned char* p = text;
            while (const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
                ++m_line;
                p = lineStart = static_cast<const unsigned char*>(found) + 1;
            }
            m_afterCr = false;
        }
        m_column = lineStart ? 1 + Characters(lineStart, end) : m_column + Characters(text, end);
    }

private:
    std::uint64_t m_offset = 0;
    std::uint64_t m_line = 1;
    std::uint64_t m_column = 1;
    bool m_afterCr = false;
    bool m_started = false;
};

// The last `c` in [from, to), or null.
const xmlChar* FindBack(const xmlChar* from, const xmlChar* to, xmlChar c) {
    while (to > from) {
        if (*--to == c) return to;
    }
    return nullptr;
}

// The last '<' in [from, to), or null; eight bytes at a time.
const xmlChar* LastTagOpen(const xmlChar* from, const xmlChar* to) {
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    for (; to - from >= 8; to -= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, to - 8, sizeof word);
        const std::uint64_t x = word ^ (ones * '<');
        if (((x - ones) & ~x & 0x8080808080808080ull) != 0) break;  // a '<' among them
    }
    return FindBack(from, to, '<');
}

// Sets the error functions of libxml2 for this thread for as long as it lives,
// and then sets back the ones there were: the structured one to `handler`,
// the generic one, which only ever says more of what the structured one is
// told, to nothing.
class ThreadErrorFunctions {
public:
    ThreadErrorFunctions(void* context, xmlStructuredErrorFunc handler)
        : m_structured(xmlStructuredError), m_structuredContext(xmlStructuredErrorContext),
          m_generic(xmlGenericError), m_genericContext(xmlGenericErrorContext) {
        xmlSetStructuredErrorFunc(context, handler);
        xmlSetGenericErrorFunc(nullptr, &Ignore);
    }
    ~ThreadErrorFunctions() {
        xmlSetStructuredErrorFunc(m_structuredContext, m_structured);
        xmlSetGenericErrorFunc(m_genericContext, m_generic);
    }
    ThreadErrorFunctions(const ThreadErrorFunctions&) = delete;
    ThreadErrorFunctions& operator=(const ThreadErrorFunctions&) = delete;

private:
    static void XMLCDECL Ignore(void*, const char*, ...) {}

    xmlStructuredErrorFunc m_structured;
    void* m_structuredContext;
    xmlGenericErrorFunc m_generic;
    void* m_genericContext;
};

bool IsBlank(xmlChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Texts undone from libxml2's escaping, kept until the next element starts.
// With entities left unsubstituted, libxml2 hands each '&' of an attribute
// value, and so of a namespace name, on as "&#38;" (for a tree builder to
// read again); nothing else in them is escaped.
class Unescaper {
public:
    void Clear() { m_used = 0; }

    std::string_view operator()(std::string_view text) {
        std::size_t amp = text.find('&');
        if (amp == std::string_view::npos) return text;
        if (m_used == m_texts.size()) m_texts.emplace_back();
        std::string& plain = m_texts[m_used++];
        plain.clear();
        for (; amp != std::string_view::npos; amp = text.find('&')) {
            plain.append(text.substr(0, amp)).push_back('&');
            text.remove_prefix(amp + (text.compare(amp, 5, "&#38;") == 0 ? 5 : 1));
        }
        return plain.append(text);
    }

private:
    std::deque<std::string> m_texts;  // a deque: a view of one stays valid as more are added
    std::size_t m_used = 0;
};

} // namespace

class CPullParser::Impl {
public:
    Impl(IParseEvents& events, IByteSource& source, std::size_t chunkSize)
        : m_events(events), m_source(source), m_buffer(std::clamp<std::size_t>(chunkSize, 1, INT_MAX / 2)) {
        InitializeLibxml();
        xmlSAXHandler handlers = Handlers();  // the parser takes a copy
        m_context.reset(xmlCreatePushParserCtxt(&handlers, this, nullptr, 0, nullptr));
        if (!m_context) throw std::bad_alloc();
        // Text of any length; the depth is limited by the element tree.
        xmlCtxtUseOptions(m_context.get(), XML_PARSE_NONET | XML_PARSE_HUGE);
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

    std::uint64_t BytesRead() const { return m_bytesRead; }

private:
    // Feeds the parser the next piece of the source.
    bool Step() {
        if (m_finished) return false;
        std::size_t got = 0;
        const char* piece = m_source.ReadInPlace(m_buffer.size(), got);
        if (!piece) {
            got = m_source.Read(m_buffer.data(), m_buffer.size());
            piece = m_buffer.data();
        }
        m_bytesRead += got;
        const bool last = got == 0;
        // A CR byte, in any of the encodings read, is a CR or part of a character:
        // until one comes, a line ends at LF alone.
        if (!m_mayHoldCr && std::memchr(piece, '\r', got)) m_mayHoldCr = true;
        Parse(piece, got, last);
        if (last) {
            // A namespace error leaves wellFormed set and clears nsWellFormed only.
            if (!m_context->nsWellFormed && !m_namespaceNameNotUri) throw Malformed("not well-formed", EndOfText());
            // Bytes that a decoder still holds at the end are a character cut
            // short (half of a UTF-16 unit), which libxml2 lets go silently.
            const xmlParserInputBuffer* buffer = m_context->input->buf;
            if (buffer && buffer->encoder && buffer->raw && xmlBufUse(buffer->raw) > 0) {
                throw Malformed("Premature end of data", EndOfText());
            }
            m_finished = true;
            return false;
        }
        // The parser drops the text it has read when it is next called: the
        // count moves up to where the parser stands, which every later place
        // lies beyond. Called now with nothing, the parser moves the little
        // it has not read to the front of its buffer; given the next piece
        // first, it would move that piece too.
        MoveCount(m_context->input->cur);
        Parse(nullptr, 0, false);
        return true;
    }

    // Hands libxml2 a piece of text. A few problems (bytes that its decoder
    // cannot convert) it reports not to the parser's handlers but to the
    // thread's error functions, which write to standard error unless someone
    // has set them: during the call they are the parse's. Every problem
    // reaches OnError; the checks after it only guard against a silent one.
    void Parse(const char* piece, std::size_t size, bool last) {
        int status = XML_ERR_OK;
        {
            const ThreadErrorFunctions functions(this, &Impl::OnError);
            status = xmlParseChunk(m_context.get(), piece, static_cast<int>(size), last);
        }
        if (m_error) std::rethrow_exception(m_error);
        if (status != XML_ERR_OK || !m_context->wellFormed || (!last && m_context->instate == XML_PARSER_EOF)) {
            throw Malformed(FormatString("the parser stopped (error %d)", status), EndOfText());
        }
    }

    struct Place {
        int line;
        int column;
    };

    // Moves the count to `at`, a byte of the text the parser is reading.
    void MoveCount(const xmlChar* at) {
        const xmlChar* const from = Counted();
        if (at > from) m_position.Advance(from, static_cast<std::size_t>(at - from), m_mayHoldCr);
    }

    // The byte of the parser's text where the count stands. The count
    // starts where the text is in its final encoding; should the parser
    // have dropped text that the count has not reached (libxml2 does inside
    // the first processing instruction or comment of a document that it is
    // handed whole), it starts again at the first byte the parser holds.
    const xmlChar* Counted() {
        const xmlParserInput& input = *m_context->input;
        if (!m_position.Started() || m_position.Offset() < static_cast<std::uint64_t>(input.consumed)) {
            CountFrom(input.base);
        }
        return input.base + (m_position.Offset() - static_cast<std::uint64_t>(input.consumed));
    }

    // Starts the count at `at`, at or before where the parser stands, from
    // libxml2's own line and column there.
    void CountFrom(const xmlChar* at) {
        const xmlParserInput& input = *m_context->input;
        const auto* const cur = input.cur;
        at = std::min(at, cur);
        const auto lineEnds = static_cast<int>(std::count(at, cur, '\n'));
        std::uint64_t column = 1;
        if (lineEnds == 0) {
            column = static_cast<std::uint64_t>(std::max(input.col, 1));
            column -= std::min(column - 1, Characters(at, cur));
        } else {
            const xmlChar* lineStart = at;
            while (lineStart > input.base && lineStart[-1] != '\n') --lineStart;
            column += Characters(lineStart, at);
        }
        m_position.Start(static_cast<std::uint64_t>(input.consumed) + static_cast<std::uint64_t>(at - input.base),
                         std::max(input.line - lineEnds, 1), static_cast<int>(std::min<std::uint64_t>(column, INT_MAX)));
    }

    // The text libxml2 holds, read from its buffer, which stays valid where
    // the parser's own pointers may not (while a piece is decoded into a
    // growing buffer): its first byte and end, and the offset of the first
    // byte in the whole text. A parser that has stopped holds none.
    struct Held {
        const xmlChar* begin;
        const xmlChar* end;
        std::uint64_t offset;
    };
    Held HeldText() const {
        const xmlParserInput& input = *m_context->input;
        if (!input.buf) return {nullptr, nullptr, static_cast<std::uint64_t>(input.consumed)};
        const xmlChar* const begin = xmlBufContent(input.buf->buffer);
        return {begin, begin + xmlBufUse(input.buf->buffer), static_cast<std::uint64_t>(input.consumed)};
    }

    // The place at `offset` of the whole text, as far as the parser holds it.
    Place PlaceAt(std::uint64_t offset) const {
        CTextPosition position = m_position;
        const Held held = HeldText();
        const std::uint64_t from = position.Offset();
        offset = std::min(offset, held.offset + static_cast<std::uint64_t>(held.end - held.begin));
        if (from >= held.offset && offset > from) {
            position.Advance(held.begin + (from - held.offset), static_cast<std::size_t>(offset - from), m_mayHoldCr);
        }
        return {position.Line(), position.Column()};
    }

    // The place of `at`, a byte of the text the parser is reading.
    Place PlaceOf(const xmlChar* at) const {
        const xmlParserInput& input = *m_context->input;
        return PlaceAt(static_cast<std::uint64_t>(input.consumed) + static_cast<std::uint64_t>(at - input.base));
    }

    Place EndOfText() const {
        const Held held = HeldText();
        return PlaceAt(held.offset + static_cast<std::uint64_t>(held.end - held.begin));
    }

    static CNqException Malformed(std::string_view problem, Place place) {
        CNqException error(FormatString("Malformed XML: %s at line %d, column %d", std::string(problem).c_str(),
                                        place.line, place.column));
        error.SetLocation(place.line, place.column);
        return error;
    }

    // Where a problem lies. libxml2 reports where it noticed it, often past
    // it; a reader looks for the start of what is wrong: the name in an end
    // tag that does not match, the reference that cannot be resolved, the
    // attribute given twice, the start tag whose names are not bound; for a
    // document that stops short, its end.
    Place PlaceOfProblem(const xmlError& error) {
        const xmlParserInput* input = m_context->input;
        if (!input || !input->buf) return {error.line, std::max(error.int2, 1)};
        // Bytes the decoder cannot convert follow the text it could.
        if (error.domain == XML_FROM_I18N || error.domain == XML_FROM_IO) return EndOfText();
        const xmlChar* const from = Counted();
        const xmlChar* const at = std::max(input->cur, from);
        const xmlChar* start = nullptr;
        if (error.domain == XML_FROM_NAMESPACE) {
            start = FindBack(from, at, '<');
        } else {
            switch (error.code) {
            case XML_ERR_DOCUMENT_END:
                if (m_context->instate != XML_PARSER_EPILOG) return EndOfText();
                break;
            case XML_ERR_TAG_NAME_MISMATCH:
                start = FindBack(from, at, '<');
                if (start && start + 2 <= at && start[1] == '/') start += 2;
                break;
            case XML_ERR_UNDECLARED_ENTITY:
            case XML_ERR_INVALID_HEX_CHARREF:
            case XML_ERR_INVALID_DEC_CHARREF:
            case XML_ERR_INVALID_CHARREF:
            case XML_ERR_INVALID_CHAR:
                // Only for a reference just read, which ends in ';'.
                if (at > from && at[-1] == ';') start = FindBack(from, at, '&');
                break;
            case XML_ERR_ATTRIBUTE_REDEFINED:
                start = AttributeBefore(from, at);
                break;
            default:
                break;
            }
        }
        return PlaceOf(start ? start : at);
    }

    // The name of the attribute that ends at `end` (before blanks): back
    // over its quoted value, the '=' and the blanks around it.
    static const xmlChar* AttributeBefore(const xmlChar* from, const xmlChar* end) {
        while (end > from && IsBlank(end[-1])) --end;
        if (end == from || (end[-1] != '"' && end[-1] != '\'')) return nullptr;
        const xmlChar* p = FindBack(from, end - 1, end[-1]);
        while (p && p > from && (IsBlank(p[-1]) || p[-1] == '=')) --p;
        while (p && p > from && !IsBlank(p[-1])) --p;
        return p;
    }

    bool NotUtf8AtParser() const {
        const xmlParserInput* input = m_context->input;
        std::uint32_t codePoint = 0;
        return input && input->cur && input->cur < input->end &&
               DecodeUtf8(std::string_view(reinterpret_cast<const char*>(input->cur),
                                           static_cast<std::size_t>(input->end - input->cur)),
                          codePoint) == 0;
    }

    // The first line of libxml2's message, without the line end.
    static std::string Problem(const xmlError& error) {
        std::string_view message = error.message ? std::string_view(error.message) : std::string_view("not well-formed");
        message = message.substr(0, message.find('\n'));
        while (!message.empty() && IsBlank(static_cast<xmlChar>(message.back()))) message.remove_suffix(1);
        return std::string(message);
    }

    // A name of the element, a string of the parser's dictionary: each is
    // one string for the whole parse, met again and again, and its length is
    // remembered by its address.
    std::string_view Name(const xmlChar* name) {
        const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(name));
        NameLength& known = m_nameLengths[(address * 0x9E3779B97F4A7C15ull) >> 58];  // 64 of them
        if (known.name != name) known = {name, std::strlen(reinterpret_cast<const char*>(name))};
        return std::string_view(reinterpret_cast<const char*>(name), known.length);
    }

    // ---- libxml2's callbacks ----------------------------------------------------

    static Impl& Self(void* user) { return *static_cast<Impl*>(user); }

    // Runs a step of a callback. After a failure, nothing more is done:
    // the parser, which goes on after some problems, is stopped.
    template <class Step>
    static void Guarded(void* user, Step step) {
        Impl& self = Self(user);
        if (self.m_error) return xmlStopParser(self.m_context.get());
        try {
            step(self);
        } catch (...) {
            self.m_error = std::current_exception();
            xmlStopParser(self.m_context.get());
        }
    }

    // The first error ends the parse, warnings are ignored. The parser is
    // not stopped from inside its error report; Advance throws on its return.
    // A namespace name that is not a URI reference is reported as an error
    // under a warning's code: it breaks no rule of namespace
    // well-formedness, and the writer writes any name it is given, so it is
    // read as it is.
    static void OnError(void* user, xmlError* error) {
        Impl& self = Self(user);
        if (error && error->code == XML_WAR_NS_URI) self.m_namespaceNameNotUri = true;
        if (self.m_error || !error || error->level < XML_ERR_ERROR || error->code == XML_WAR_NS_URI) return;
        try {
            std::string problem = Problem(*error);
            Place place = self.PlaceOfProblem(*error);
            if (error->code == XML_ERR_DOCUMENT_END && self.m_context->instate != XML_PARSER_EPILOG) {
                problem = "Premature end of data";  // libxml2 says "Extra content", which is not what happened
            }
            if (error->code == XML_ERR_UNSUPPORTED_ENCODING) place = {1, 1};  // the declaration that names it
            if (error->code == XML_ERR_INTERNAL_ERROR && self.NotUtf8AtParser()) {
                // libxml2 reads bytes that are not UTF-8 within the last few
                // of what it holds as a character cut short by the end of the
                // piece, and then, finding no way on, as an internal error.
                problem = "Input is not proper UTF-8, indicate encoding !";
            }
            self.m_error = std::make_exception_ptr(Malformed(problem, place));
        } catch (...) {
            self.m_error = std::current_exception();
        }
    }

    // After the XML declaration: the text is in its final encoding from here on.
    // Only libxml2's own decoders are accepted, so that every build reads the
    // same encodings, with or without a system converter behind libxml2.
    static void OnStartDocument(void* user) {
        Guarded(user, [](Impl& self) {
            const xmlParserInput& input = *self.m_context->input;
            if (input.buf && input.buf->encoder && !input.buf->encoder->input) {
                throw Malformed("Unsupported encoding " + std::string(input.buf->encoder->name), {1, 1});
            }
            self.CountFrom(input.cur);
        });
    }

    static void OnDoctype(void* user, const xmlChar*, const xmlChar*, const xmlChar*) {
        Guarded(user, [](Impl& self) {
            const xmlParserInput& input = *self.m_context->input;
            const xmlChar* const from = self.Counted();
            const xmlChar* start = input.cur;
            while (start > from && std::memcmp(start, "<!DOCTYPE", std::min<std::ptrdiff_t>(9, input.end - start))) {
                --start;
            }
            const Place place = self.PlaceOf(start);
            CNqException error(FormatString("DOCTYPE is not allowed at line %d, column %d", place.line, place.column));
            error.SetLocation(place.line, place.column);
            throw error;
        });
    }

    static void OnStart(void* user, const xmlChar* localName, const xmlChar*, const xmlChar* uri,
                        int namespaceCount, const xmlChar** namespaces, int attributeCount, int,
                        const xmlChar** attributes) {
        Guarded(user, [&](Impl& self) {
            // The '<' is the last one before the end of the tag: an attribute value holds none.
            const xmlParserInput& input = *self.m_context->input;
            const xmlChar* const from = self.Counted();
            if (const xmlChar* tag = LastTagOpen(from, input.cur)) self.MoveCount(tag);
            Unescaper& plain = self.m_unescaper;
            plain.Clear();
            for (int i = 0; i < namespaceCount; ++i) {
                self.m_events.NamespaceDeclaration(View(namespaces[2 * i]), plain(View(namespaces[2 * i + 1])));
            }
            self.m_attributes.clear();
            for (int i = 0; i < attributeCount; ++i) {
                const xmlChar** a = attributes + 5 * i;  // local name, prefix, URI, value, end of value
                self.m_attributes.push_back({plain(View(a[2])), View(a[0]),
                                             plain(std::string_view(reinterpret_cast<const char*>(a[3]),
                                                                    static_cast<std::size_t>(a[4] - a[3])))});
            }
            // A document names few namespaces, each a string of the parser's own, met again and again.
            if (uri != self.m_lastUri) {
                self.m_lastUri = uri;
                self.m_lastUriText = std::string(plain(View(uri)));
            }
            self.m_events.StartElement(self.m_lastUriText, self.Name(localName), self.m_attributes.data(),
                                       self.m_attributes.size(), self.m_position.Line(), self.m_position.Column());
        });
    }

    static void OnEnd(void* user, const xmlChar*, const xmlChar*, const xmlChar*) {
        Guarded(user, [](Impl& self) { self.m_events.EndElement(); });
    }

    static void OnText(void* user, const xmlChar* text, int length) {
        Guarded(user, [&](Impl& self) {
            self.m_events.CharacterData(
                std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
        });
    }

    static xmlSAXHandler Handlers() {
        xmlSAXHandler sax;
        std::memset(&sax, 0, sizeof sax);
        sax.initialized = XML_SAX2_MAGIC;
        sax.startDocument = &Impl::OnStartDocument;
        sax.internalSubset = &Impl::OnDoctype;
        sax.startElementNs = &Impl::OnStart;
        sax.endElementNs = &Impl::OnEnd;
        sax.characters = &Impl::OnText;
        sax.ignorableWhitespace = &Impl::OnText;
        sax.cdataBlock = &Impl::OnText;
        sax.serror = &Impl::OnError;
        return sax;
    }

    IParseEvents& m_events;
    IByteSource& m_source;
    std::vector<char> m_buffer;
    std::unique_ptr<xmlParserCtxt, ContextDeleter> m_context;
    CTextPosition m_position;      // counted up to an element's '<' or to where the parser stopped
    std::exception_ptr m_error;    // thrown by a handler or reported by the parser, kept until it has returned
    std::exception_ptr m_failure;  // what ended the parse, thrown again by every later Advance
    std::vector<RawAttribute> m_attributes;
    Unescaper m_unescaper;
    struct NameLength {
        const xmlChar* name = nullptr;
        std::size_t length = 0;
    };
    NameLength m_nameLengths[64];
    const xmlChar* m_lastUri = nullptr;  // the namespace of the last element, as the parser keeps it
    std::string m_lastUriText;           // and as the events give it
    std::uint64_t m_bytesRead = 0;
    bool m_finished = false;
    bool m_mayHoldCr = false;  // whether a piece held a CR byte
    bool m_namespaceNameNotUri = false;  // nsWellFormed was cleared for a name that is read all the same
};

CPullParser::CPullParser(IParseEvents& events, IByteSource& source, std::size_t chunkSize)
    : m_impl(std::make_unique<Impl>(events, source, chunkSize)) {}
CPullParser::~CPullParser() = default;
bool CPullParser::Advance() { return m_impl->Advance(); }
std::uint64_t CPullParser::BytesRead() const { return m_impl->BytesRead(); }

const char* CTextSource::ReadInPlace(std::size_t size, std::size_t& got) {
    const char* const piece = m_text.data();
    got = std::min(size, m_text.size());
    m_text.remove_prefix(got);
    return piece;
}

std::size_t CTextSource::Read(char* buffer, std::size_t size) {
    const std::size_t count = std::min(size, m_text.size());
    if (count != 0) std::memcpy(buffer, m_text.data(), count);  // an empty view's data() may be null
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
