// The parsed element tree. A CXmlDocument owns every element, attribute and
// text of one parse in a few large blocks, so a big document costs no heap
// allocation per element and is freed at once, without recursion.
//
// A document opened for a forward-only walk (OpenText, OpenFile, OpenStream)
// parses only about as far as its readers have walked: the text is parsed a
// small piece at a time, each child of the root is complete when it is
// reached, and the memory of a child of the root is reused once the walk is
// two children past it. Its memory is then bounded by the largest child of
// the root and a piece of text, whatever the size of the document.
#pragma once

#include "runtime/Export.h"
#include "runtime/JsonShape.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace NqXmlLib3 {

namespace detail {
class CDocumentBuilder;
class IByteSource;
struct CXmlName;
} // namespace detail

/// One attribute of a parsed element.
class NQXML_API CXmlAttribute {
public:
    /// The attribute's name without its prefix.
    const std::string& GetLocalName() const;
    /// The namespace of the attribute's name; empty for an unprefixed one.
    const std::string& GetNamespaceUri() const;
    /// The attribute's normalized value.
    std::string_view GetValue() const;
    /// True for xmlns="..." and xmlns:prefix="..."; the local name is then the prefix, or "xmlns" for the default namespace.
    bool IsNamespaceDeclaration() const;

private:
    friend class detail::CDocumentBuilder;
    const detail::CXmlName* m_name = nullptr;
    const char* m_value = nullptr;
    std::uint32_t m_valueLength = 0;
    bool m_isNamespaceDeclaration = false;
};

/// The attributes of one element, namespace declarations first, in document order.
class NQXML_API CXmlAttributeList {
public:
    /// The `count` attributes from `first` on.
    CXmlAttributeList(const CXmlAttribute* first, std::size_t count) : m_first(first), m_count(count) {}
    /// The first attribute.
    const CXmlAttribute* begin() const { return m_first; }
    /// Past the last attribute.
    const CXmlAttribute* end() const { return m_first + m_count; }
    /// How many attributes there are.
    std::size_t size() const { return m_count; }
    /// Whether there is no attribute.
    bool empty() const { return m_count == 0; }

private:
    const CXmlAttribute* m_first;
    std::size_t m_count;
};

/// One element of a parsed document, owned by its CXmlDocument.
class NQXML_API CXmlElement {
public:
    /// The first child element, or null. In a forward-only document, parses on to it.
    CXmlElement* GetFirstElement() const;
    /// The next element with the same parent; null after the last. In a forward-only document, parses on to it.
    CXmlElement* GetNextSiblingElement() const;
    /// The element's name without its prefix.
    const std::string& GetLocalName() const;
    /// The namespace the element is in; empty for none.
    const std::string& GetNamespaceUri() const;
    /// The character data directly inside the element, CDATA sections
    /// included and comments and processing instructions left out. Blank runs
    /// between child elements are markup, not text, and are not kept.
    std::string_view GetText() const;
    /// The element's attributes, namespace declarations included.
    CXmlAttributeList GetAttributes() const;
    /// 1-based position of the element's '<' in the parsed text.
    int GetLine() const;
    /// 1-based column of the element's '<' in the parsed text.
    int GetColumn() const;

private:
    friend class detail::CDocumentBuilder;
    const detail::CXmlName* m_name = nullptr;
    CXmlElement* m_firstChild = nullptr;
    CXmlElement* m_nextSibling = nullptr;
    const char* m_text = nullptr;  ///< the attributes follow the element in memory
    std::uint32_t m_textLength = 0;
    std::uint32_t m_attributeCount = 0;
    std::int32_t m_line = 0;
    std::int32_t m_column = 0;
    detail::CDocumentBuilder* m_feeder = nullptr;  // set on the root and its children of a forward-only document
};

/// Nesting deeper than this many elements is refused like malformed text.
inline constexpr int MaxElementDepth = 256;

/// A parsed document: owns every element, attribute and text of one parse.
class NQXML_API CXmlDocument {
public:
    /// Parses a whole document. Malformed text, a DOCTYPE and elements nested
    /// deeper than MaxElementDepth are refused with a CNqException that gives the line and column.
    static std::unique_ptr<CXmlDocument> Parse(std::string_view text);
    /// Opens text for a forward-only walk; the text must outlive the document. Text in the JSON form
    /// (CSyntax::Json, or CSyntax::Detect and JSON) is read as `shape`, the root element's shape, describes:
    /// each object an element, at the line and column of its JSON value; `shape` must outlive the document.
    static std::unique_ptr<CXmlDocument> OpenText(std::string_view text, CSyntax syntax = CSyntax::Xml,
                                                  const CJsonShape* shape = nullptr);
    /// Opens a file for a forward-only walk, as OpenText reads text; a file that cannot be opened throws
    /// CNqException naming the path.
    static std::unique_ptr<CXmlDocument> OpenFile(const std::string& path, CSyntax syntax = CSyntax::Xml,
                                                  const CJsonShape* shape = nullptr);
    /// Opens a stream for a forward-only walk, as OpenText reads text; the stream must outlive the document.
    static std::unique_ptr<CXmlDocument> OpenStream(std::istream& in, CSyntax syntax = CSyntax::Xml,
                                                    const CJsonShape* shape = nullptr);
    /// Frees every element of the document at once.
    ~CXmlDocument();
    /// Not copyable: the elements belong to one document.
    CXmlDocument(const CXmlDocument&) = delete;
    /// Not assignable.
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    /// The root element; in a forward-only document, parses on to its start tag.
    CXmlElement* GetDocumentElement() const;
    /// Parses the rest of a forward-only document without building anything,
    /// so that text malformed anywhere is refused; throws the parser's refusal.
    void Finish();
    /// The bytes of the text taken in so far.
    std::uint64_t GetBytesRead() const;
    /// The syntax the text is read in: CSyntax::Xml or CSyntax::Json (never Detect).
    CSyntax GetSyntax() const;

private:
    friend class detail::CDocumentBuilder;
    CXmlDocument();
    static std::unique_ptr<CXmlDocument> OpenSource(std::unique_ptr<detail::IByteSource> source, CSyntax syntax,
                                                    const CJsonShape* shape);
    struct Storage;
    std::unique_ptr<Storage> m_storage;
    CXmlElement* m_root = nullptr;
};

} // namespace NqXmlLib3
