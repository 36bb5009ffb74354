// The JSON form of a document read into the element tree: the same parse
// events as the XML parser gives (ParserBackend.h), each element at the line
// and column of its JSON value, with the same forward parse on demand. Also
// what the tree builder sees of either parser. Internal to the runtime.
#pragma once

#include "runtime/JsonShape.h"
#include "runtime/ParserBackend.h"

#include <cstdint>
#include <memory>

namespace NqXmlLib3::detail {

// A parse that goes forward on demand, whichever its syntax (see CPullParser).
class IPullParse {
public:
    virtual ~IPullParse() = default;
    // Parses about the next piece of the text; true while the text goes on,
    // false once the whole text is parsed.
    virtual bool Advance() = 0;
    // The bytes taken from the source so far.
    virtual std::uint64_t BytesRead() const = 0;
};

// Reads the JSON form of a document as `root` describes it into element
// events. RapidJSON parses every value; an object's keys may come in any
// order and are handed on in the order of the element's content (a key that
// comes before its place is held back until then, so memory is bounded by
// the largest member held back, never by an array of the root). Malformed
// JSON, and JSON that breaks the shape (a key it does not know, a key twice,
// a value of the wrong JSON type, a text XML cannot carry), throw
// CNqException at the line and column of the fault; like CPullParser, a
// failed parse throws the same failure on every later call.
class CJsonPullParser final : public IPullParse {
public:
    CJsonPullParser(IParseEvents& events, IByteSource& source, const CJsonShape& root);
    ~CJsonPullParser() override;
    CJsonPullParser(const CJsonPullParser&) = delete;
    CJsonPullParser& operator=(const CJsonPullParser&) = delete;

    bool Advance() override;
    std::uint64_t BytesRead() const override;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

// Whether text that starts with `start` is JSON: its first character other
// than blanks and a UTF-8 byte-order mark is '{'. `complete` tells that no
// more text follows `start`; otherwise an answer may need more of it, which
// the result then asks for.
enum class SyntaxGuess { Xml, Json, NeedMore };
SyntaxGuess GuessSyntax(std::string_view start, bool complete);

} // namespace NqXmlLib3::detail
