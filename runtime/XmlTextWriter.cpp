#include "runtime/XmlTextWriter.h"

#include "runtime/Exceptions.h"
#include "runtime/JsonWriter.h"
#include "runtime/Memory.h"
#include "runtime/XmlText.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace NqXmlLib3 {

namespace {

// What the escaping loop does with each byte value.
enum ByteClass : unsigned char {
    Copy,       // written as it stands
    Escape,     // written as an entity or character reference
    Forbidden,  // a control character XML 1.0 cannot carry
    Multibyte,  // starts a UTF-8 sequence, checked before it is copied
};

constexpr std::array<unsigned char, 256> MakeClasses(bool attribute) {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        if (c >= 0x80) classes[c] = Multibyte;
        else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') classes[c] = Forbidden;
        else classes[c] = Copy;
    }
    // Line ends are written as references too: they read back the same, and
    // line breaks in the output are the layout's alone.
    classes['&'] = classes['<'] = classes['>'] = classes['\r'] = classes['\n'] = Escape;
    if (attribute) classes['"'] = classes['\t'] = Escape;
    return classes;
}

constexpr std::array<unsigned char, 256> textClasses = MakeClasses(false);
constexpr std::array<unsigned char, 256> attributeClasses = MakeClasses(true);

const char* Reference(char c) {
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\r': return "&#13;";
    case '\t': return "&#9;";
    default: return "&#10;";
    }
}

// Appends `text` escaped, copying runs that need nothing in bulk; refuses
// text that is not UTF-8 or holds a character XML cannot carry.
void AppendEscaped(std::string& out, std::string_view text, const std::array<unsigned char, 256>& classes) {
    const char* data = text.data();
    const std::size_t size = text.size();
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < size) {
        const unsigned char kind = classes[static_cast<unsigned char>(data[i])];
        if (kind == Copy) {
            ++i;
            continue;
        }
        if (kind == Multibyte) {
            std::uint32_t codePoint = 0;
            const std::size_t length = detail::DecodeUtf8(text.substr(i), codePoint);
            if (length == 0 || !detail::IsXmlChar(codePoint)) detail::CheckXmlText(text, "a text to write");
            i += length;
            continue;
        }
        out.append(data + run, i - run);
        if (kind == Forbidden) detail::CheckXmlText(text, "a text to write");
        out.append(Reference(data[i]));
        run = ++i;
    }
    out.append(data + run, size - run);
}

void CheckName(std::string_view name, const char* what) {
    if (!detail::IsNCName(name)) {
        throw CNqException(FormatString("[%s] is not a valid XML %s", detail::QuoteForMessage(name).c_str(), what));
    }
}

} // namespace

// Output put together on the stack and appended to its target in one call:
// a tag and its layout are several short parts, and every append to a
// std::string is a call of its own.
class CXmlTextWriter::Piece {
public:
    explicit Piece(std::string& target) : m_target(target) {}
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    void Add(char c) {
        if (m_size == sizeof m_data) Flush();
        m_data[m_size++] = c;
    }
    void Add(std::string_view part) {
        if (part.size() > sizeof m_data - m_size) {
            Flush();
            if (part.size() > sizeof m_data) {
                m_target.append(part);
                return;
            }
        }
        if (part.empty()) return;  // its data() may be null, which memcpy must not see
        std::memcpy(m_data + m_size, part.data(), part.size());
        m_size += part.size();
    }
    // The last character of the target with this piece added, or NUL when both are empty.
    char Last() const { return m_size ? m_data[m_size - 1] : m_target.empty() ? '\0' : m_target.back(); }
    void Flush() {
        m_target.append(m_data, m_size);
        m_size = 0;
    }

private:
    std::string& m_target;
    std::size_t m_size = 0;
    char m_data[256];
};

CXmlTextWriter::CXmlTextWriter(bool indent, bool discard) : m_indent(indent && !discard), m_discard(discard) {}

CXmlTextWriter::CXmlTextWriter(const CJsonShape& shape, bool indent)
    : m_json(detail::CJsonWriter::Create(shape, indent, m_out)), m_indent(indent), m_discard(false) {}

CXmlTextWriter::~CXmlTextWriter() = default;

std::size_t CXmlTextWriter::GetDepth() const { return m_json ? m_json->Depth() : m_open.size(); }

void CXmlTextWriter::WriteDeclaration() {
    if (m_discard || m_json) return;
    m_out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    if (m_indent) m_out.push_back('\n');
}

void CXmlTextWriter::AddNamespace(std::string_view prefix, std::string_view namespaceUri) {
    if (m_json) return;
    if (!prefix.empty()) CheckName(prefix, "namespace prefix");
    if (prefix == "xmlns" || (prefix == "xml") != (namespaceUri == "http://www.w3.org/XML/1998/namespace")) {
        throw CNqException(FormatString("The prefix [%s] cannot be bound to [%s]", std::string(prefix).c_str(),
                                        detail::QuoteForMessage(namespaceUri).c_str()));
    }
    if (prefix == "xml") return;  // bound in every document
    if (!prefix.empty() && namespaceUri.empty()) {
        throw CNqException(
            FormatString("The prefix [%s] cannot be bound to no namespace", std::string(prefix).c_str()));
    }
    detail::CheckXmlText(namespaceUri, "a namespace name");
    for (Binding& pending : m_pending) {
        if (pending.prefix == prefix) {
            pending.uri = namespaceUri;
            return;
        }
    }
    m_pending.push_back({std::string(prefix), std::string(namespaceUri)});
}

const CXmlTextWriter::Binding* CXmlTextWriter::FindPrefix(std::string_view uri) const {
    for (std::size_t i = m_bindings.size(); i-- > 0;) {
        const Binding& candidate = m_bindings[i];
        if (candidate.uri != uri) continue;
        // The prefix counts only where no inner binding hides it.
        bool hidden = false;
        for (std::size_t j = i + 1; j < m_bindings.size() && !hidden; ++j) {
            hidden = m_bindings[j].prefix == candidate.prefix;
        }
        if (!hidden) return &candidate;
    }
    return nullptr;
}

std::string_view CXmlTextWriter::DefaultNamespace() const {
    for (std::size_t i = m_bindings.size(); i-- > 0;) {
        if (m_bindings[i].prefix.empty()) return m_bindings[i].uri;
    }
    return {};
}

void CXmlTextWriter::DeclareBinding(std::string_view prefix, std::string_view uri) {
    m_declarations.append(prefix.empty() ? " xmlns" : " xmlns:");
    m_declarations.append(prefix);
    m_declarations.append("=\"");
    AppendEscaped(m_declarations, uri, attributeClasses);
    m_declarations.push_back('"');
    m_bindings.push_back({std::string(prefix), std::string(uri)});
}

bool CXmlTextWriter::InScope(const Binding& binding) const {
    for (std::size_t i = m_bindings.size(); i-- > 0;) {
        if (m_bindings[i].prefix == binding.prefix) return m_bindings[i].uri == binding.uri;
    }
    return binding.prefix.empty() && binding.uri.empty();  // no default namespace is the start state
}

// The output grows by doubling, and each new buffer is advised into huge
// pages before the old content is copied in: filling a large document then
// costs few page faults.
void CXmlTextWriter::MakeRoom(std::size_t extra) {
    const std::size_t needed = m_out.size() + extra;
    if (needed <= m_out.capacity()) return;
    std::string grown;
    grown.reserve(std::max(needed, 2 * m_out.capacity()));
    detail::AdviseHugePages(&grown[0], grown.capacity());
    grown.append(m_out);
    m_out.swap(grown);
}

void CXmlTextWriter::CloseStartTag() {
    if (m_startTagOpen) {
        m_out.push_back('>');
        m_startTagOpen = false;
    }
}

void CXmlTextWriter::NewLine(Piece& out, std::size_t depth) {
    if (!m_indent || (out.Last() == '\0' && depth == 0)) return;
    if (out.Last() != '\0' && out.Last() != '\n') out.Add('\n');
    // Copied from a run of blanks, which is quicker than filling.
    static constexpr std::string_view blanks = "                                                                ";
    for (std::size_t count = 2 * depth; count > 0;) {
        const std::size_t piece = std::min(count, blanks.size());
        out.Add(blanks.substr(0, piece));
        count -= piece;
    }
}

// Declares the bindings added for this element that are not in scope yet,
// and the namespace of the element as the default where no prefix is bound
// to it; returns the binding the element's name uses, if any.
const CXmlTextWriter::Binding* CXmlTextWriter::BindElement(std::string_view namespaceUri) {
    m_declarations.clear();
    for (const Binding& pending : m_pending) {
        if (!InScope(pending)) DeclareBinding(pending.prefix, pending.uri);
    }
    m_pending.clear();
    const Binding* binding = FindPrefix(namespaceUri);
    if (!binding && !(namespaceUri.empty() && DefaultNamespace().empty())) {
        DeclareBinding(std::string_view(), namespaceUri);
        binding = &m_bindings.back();
    }
    return binding;
}

void CXmlTextWriter::WriteStartElement(std::string_view localName, std::string_view namespaceUri) {
    if (m_json) {
        m_json->StartElement(localName);
        return;
    }
    CheckName(localName, "element name");
    if (!m_open.empty()) {
        if (m_hasText) {
            throw CNqException(FormatString("The element [%s] cannot follow text: mixed content is not written",
                                            std::string(localName).c_str()));
        }
        m_open.back().hasChildren = true;
    }
    const std::size_t bindingsBefore = m_bindings.size();
    const std::size_t tagBegin = m_tags.size();
    m_hasText = false;
    if (m_discard) {
        BindElement(namespaceUri);  // declaring a binding checks its namespace name
        m_open.push_back({tagBegin, bindingsBefore, false});
        return;
    }
    MakeRoom(4096);
    // The end tag is kept whole, so that ending the element is one copy;
    // the start tag is the name inside it.
    const Binding* binding = BindElement(namespaceUri);
    Piece endTag(m_tags);
    endTag.Add("</");
    if (binding && !binding->prefix.empty()) {
        endTag.Add(binding->prefix);
        endTag.Add(':');
    }
    endTag.Add(localName);
    endTag.Add('>');
    endTag.Flush();

    Piece start(m_out);
    if (m_startTagOpen) start.Add('>');  // the parent's start tag, closed in the same copy
    NewLine(start, m_open.size());
    start.Add('<');
    start.Add(std::string_view(m_tags).substr(tagBegin + 2, m_tags.size() - tagBegin - 3));
    start.Add(m_declarations);
    start.Flush();
    m_startTagOpen = true;
    m_open.push_back({tagBegin, bindingsBefore, false});
}

void CXmlTextWriter::WriteString(std::string_view text) {
    if (m_json) {
        m_json->Text(text);
        return;
    }
    if (m_open.empty()) throw CNqException("Text can only be written inside an element");
    if (m_open.back().hasChildren) {
        throw CNqException("Text cannot follow a child element: mixed content is not written");
    }
    if (text.empty()) return;
    if (m_discard) {
        detail::CheckXmlText(text, "a text to write");  // refuses what escaping it would
    } else {
        MakeRoom(text.size() + 4096);
        CloseStartTag();
        AppendEscaped(m_out, text, textClasses);
    }
    m_hasText = true;
}

void CXmlTextWriter::WriteEndTag(const OpenElement& element) {
    if (m_startTagOpen) {
        m_out.append("/>");
        m_startTagOpen = false;
        return;
    }
    Piece end(m_out);
    if (element.hasChildren) NewLine(end, m_open.size());
    end.Add(std::string_view(m_tags).substr(element.tagBegin));
    end.Flush();
}

void CXmlTextWriter::WriteEndElement() {
    if (m_json) {
        m_json->EndElement();
        return;
    }
    if (m_open.empty()) throw CNqException("WriteEndElement has no element to end");
    const OpenElement element = m_open.back();
    m_open.pop_back();
    if (!m_discard) WriteEndTag(element);
    m_tags.resize(element.tagBegin);
    m_bindings.resize(element.bindings);
    m_hasText = false;
}

const std::string& CXmlTextWriter::GetXml() const {
    if (m_json) m_json->Trim();
    return m_out;
}

std::string CXmlTextWriter::TakeXml() {
    if (GetDepth() != 0) throw CNqException("The document is not complete: an element is still open");
    if (m_json) m_json->Trim();
    // JSON text ends with a line feed in either layout.
    if ((m_indent || m_json) && !m_out.empty()) m_out.push_back('\n');
    std::string result;
    result.swap(m_out);
    if (m_json) m_json->Resume();
    return result;
}

void CXmlTextWriter::DropWritten(std::size_t count) {
    if (m_json) m_json->Trim();
    if (!m_out.empty()) m_out.erase(0, std::min(count, m_out.size() - 1));
    if (m_json) m_json->Resume();
}

} // namespace NqXmlLib3
