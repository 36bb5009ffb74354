// The seam between the element tree and the XML parser that feeds it. The
// tree is built from these events only, so another parser can stand behind
// CPullParser without the tree changing. Internal to the runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace NqXmlLib3::detail {

struct RawAttribute {
    std::string_view namespaceUri;
    std::string_view localName;
    std::string_view value;
};

class IParseEvents {
public:
    // Declarations of an element come before its StartElement.
    virtual void NamespaceDeclaration(std::string_view prefix, std::string_view namespaceUri) = 0;
    virtual void StartElement(std::string_view namespaceUri, std::string_view localName,
                              const RawAttribute* attributes, std::size_t attributeCount, int line,
                              int column) = 0;
    virtual void CharacterData(std::string_view text) = 0;
    virtual void EndElement() = 0;

protected:
    ~IParseEvents() = default;
};

// Where a parse takes its bytes from. Read fills up to `size` bytes and
// returns how many it gave, 0 at the end; it throws CNqException when the
// bytes cannot be read.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // For a source that holds its bytes in memory: the next ones, at most
    // `size`, taken as read and valid as long as the source; empty at the end.
    // Any other source returns null and is read with Read.
    virtual const char* ReadInPlace(std::size_t size, std::size_t& got) {
        static_cast<void>(size);
        got = 0;
        return nullptr;
    }
};

// How much of the source one step of a parse takes: small, so that the
// elements built ahead of a forward walk stay few, and large enough that the
// parser's cost per step does not show.
inline constexpr std::size_t DefaultChunkSize = 32 * 1024;

// A parse that goes forward on demand: each Advance takes the next piece of
// the source and hands every event of it to the handlers, so the text is read
// only about as far as it is needed. Malformed text and a DOCTYPE throw
// CNqException with the line and column; an exception thrown by a handler or
// the source stops the parse and is rethrown. A parse that failed throws the
// same failure on every later call.
class CPullParser {
public:
    CPullParser(IParseEvents& events, IByteSource& source, std::size_t chunkSize = DefaultChunkSize);
    ~CPullParser();
    CPullParser(const CPullParser&) = delete;
    CPullParser& operator=(const CPullParser&) = delete;

    // True while the text goes on, false once the whole text is parsed.
    bool Advance();
    // The bytes taken from the source so far.
    std::uint64_t BytesRead() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

// A source over text in memory, which must outlive it.
class CTextSource final : public IByteSource {
public:
    explicit CTextSource(std::string_view text) : m_text(text) {}
    std::size_t Read(char* buffer, std::size_t size) override;
    const char* ReadInPlace(std::size_t size, std::size_t& got) override;

private:
    std::string_view m_text;
};

// Parses the whole of `text`, handing it to the parser `chunkSize` bytes at a time.
void ParseXml(std::string_view text, IParseEvents& events, std::size_t chunkSize = DefaultChunkSize);

} // namespace NqXmlLib3::detail
