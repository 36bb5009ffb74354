// CXmlTextWriter appends a namespace-well-formed XML document to one string.
// Text is escaped and checked in the same pass: text that is not valid UTF-8,
// or holds a character XML 1.0 cannot carry, is refused with a CNqException,
// so the writer never produces a document a conforming parser rejects. A
// discarding writer runs the same checks and keeps no text: it tells whether a
// document could be written, at the cost of the checks alone.
#pragma once

#include "runtime/Export.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace NqXmlLib3 {

class CJsonShape;
namespace detail {
class CJsonWriter;
} // namespace detail

/// Writes a namespace-well-formed XML document into a string, escaping and checking every text.
class NQXML_API CXmlTextWriter {
public:
    /// A writer of an empty document, indented or compact; a discarding one keeps no text but refuses all the same.
    explicit CXmlTextWriter(bool indent = true, bool discard = false);
    /// A writer of the JSON form of a document whose root element `shape` describes (which must outlive
    /// the writer), indented by two spaces or compact. The same calls write it: declarations and
    /// namespaces have no JSON form and are left out; the text ends with a line feed.
    CXmlTextWriter(const CJsonShape& shape, bool indent);
    /// Frees the writer.
    ~CXmlTextWriter();
    /// Not copyable: a writer is one document being written.
    CXmlTextWriter(const CXmlTextWriter&) = delete;
    /// Not assignable.
    CXmlTextWriter& operator=(const CXmlTextWriter&) = delete;

    /// Writes the XML declaration (version 1.0, UTF-8).
    void WriteDeclaration();
    /// Binds a prefix on the next start element. A binding already in scope is not declared again.
    void AddNamespace(std::string_view prefix, std::string_view namespaceUri);
    /// Starts an element in the namespace given, using a prefix in scope for
    /// it, or declaring the namespace as the default where none is.
    void WriteStartElement(std::string_view localName, std::string_view namespaceUri);
    /// Writes text inside the open element; refuses text that XML 1.0 cannot carry.
    void WriteString(std::string_view text);
    /// Ends the innermost open element.
    void WriteEndElement();

    /// How many elements are open: 0 before the root element and after it.
    std::size_t GetDepth() const;
    /// Whether the writer only checks, keeping no text.
    bool Discards() const noexcept { return m_discard; }
    /// The document so far; complete once every element is ended.
    const std::string& GetXml() const;
    /// The finished document, taken out of the writer; throws when an element is still open.
    std::string TakeXml();
    /// Drops the first `count` characters of the text so far, once the caller has stored them, so a long
    /// document can be written out piece by piece; the last character always stays, for the layout.
    void DropWritten(std::size_t count);
    /// Makes room for a document of `bytes` bytes.
    void Reserve(std::size_t bytes) { m_out.reserve(bytes); }

private:
    class Piece;
    struct Binding {
        std::string prefix;
        std::string uri;
    };
    struct OpenElement {
        std::size_t tagBegin;    ///< offset of the element's end tag in m_tags
        std::size_t bindings;    ///< bindings in scope before this element
        bool hasChildren;
    };

    void MakeRoom(std::size_t extra);
    void CloseStartTag();
    void WriteEndTag(const OpenElement& element);
    void NewLine(Piece& out, std::size_t depth);
    const Binding* FindPrefix(std::string_view uri) const;
    std::string_view DefaultNamespace() const;
    bool InScope(const Binding& binding) const;
    void DeclareBinding(std::string_view prefix, std::string_view uri);
    const Binding* BindElement(std::string_view namespaceUri);

    std::string m_out;
    std::string m_declarations;          ///< of the start tag being written
    std::string m_tags;                  ///< end tags of the open elements, back to back
    std::vector<Binding> m_bindings;     ///< in scope, outermost first
    std::vector<Binding> m_pending;      ///< added for the next start element
    std::vector<OpenElement> m_open;
    std::unique_ptr<detail::CJsonWriter> m_json;  ///< writes the JSON form instead, when set
    bool m_indent;
    bool m_discard;  ///< runs every check, appends nothing
    bool m_startTagOpen = false;
    bool m_hasText = false;
};

} // namespace NqXmlLib3
