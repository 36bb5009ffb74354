// The parsed element tree. A CXmlDocument owns every element, attribute and
// text of one parse in a few large blocks, so a big document costs no heap
// allocation per element and is freed at once, without recursion.
#pragma once

#include "runtime/Export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace NqXmlLib3 {

namespace detail {
class CDocumentBuilder;
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
    /// The first child element; null when there is none.
    CXmlElement* GetFirstElement() const;
    /// The next element with the same parent; null after the last.
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
};

/// A parsed document: owns every element, attribute and text of one parse.
class NQXML_API CXmlDocument {
public:
    /// Parses a whole document. Malformed text and a DOCTYPE are refused with
    /// a CNqException that gives the line and column.
    static std::unique_ptr<CXmlDocument> Parse(std::string_view text);
    /// Frees every element of the document at once.
    ~CXmlDocument();
    /// Not copyable: the elements belong to one document.
    CXmlDocument(const CXmlDocument&) = delete;
    /// Not assignable.
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    /// The root element.
    CXmlElement* GetDocumentElement() const;

private:
    friend class detail::CDocumentBuilder;
    CXmlDocument();
    struct Storage;
    std::unique_ptr<Storage> m_storage;
    CXmlElement* m_root = nullptr;
};

} // namespace NqXmlLib3
