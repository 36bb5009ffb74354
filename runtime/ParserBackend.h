// The seam between the element tree and the XML parser that feeds it. The
// tree is built from these events only, so another parser can stand behind
// ParseXml without the tree changing. Internal to the runtime.
#pragma once

#include <cstddef>
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

// Parses `text`, handing it to the parser `chunkSize` bytes at a time.
// Malformed text and a DOCTYPE throw CNqException with the line and column;
// an exception thrown by a handler stops the parse and is rethrown here.
void ParseXml(std::string_view text, IParseEvents& events, std::size_t chunkSize = 1 << 18);

} // namespace NqXmlLib3::detail
