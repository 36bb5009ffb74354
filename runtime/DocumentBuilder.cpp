// Builds the element tree of a CXmlDocument from parse events. Elements,
// attributes and texts live in the document's arena; names are interned
// once per document. The build is iterative, so nesting depth costs heap,
// never stack.
#include "runtime/XmlElement.h"

#include "runtime/Exceptions.h"
#include "runtime/ParserBackend.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>
#include <vector>

namespace NqXmlLib3 {

namespace detail {

struct CXmlName {
    std::string namespaceUri;
    std::string localName;
};

namespace {

// Bump allocation in large blocks, freed all at once. The most recent
// allocation can grow in place, which lets a text arriving in pieces stay
// contiguous without copying.
class Arena {
public:
    void* Allocate(std::size_t size, std::size_t alignment) {
        std::size_t start = (m_used + alignment - 1) & ~(alignment - 1);
        if (!m_block || start + size > m_capacity) {
            NewBlock(size + alignment);
            start = (m_used + alignment - 1) & ~(alignment - 1);
        }
        m_used = start + size;
        return m_block + start;
    }

    template <class T>
    T* Create(std::size_t count = 1) {
        void* memory = Allocate(sizeof(T) * count, alignof(T));
        T* first = static_cast<T*>(memory);
        for (std::size_t i = 0; i < count; ++i) new (first + i) T();
        return first;
    }

    bool IsLast(const char* data, std::size_t size) const { return m_block && data + size == m_block + m_used; }

    // Grows the most recent allocation in place when its block has room.
    bool TryGrow(const char* data, std::size_t size, std::size_t extra) {
        if (!IsLast(data, size) || m_used + extra > m_capacity) return false;
        m_used += extra;
        return true;
    }

    // Gives back the end of the most recent allocation.
    void Shrink(const char* data, std::size_t size, std::size_t newSize) {
        if (IsLast(data, size)) m_used -= size - newSize;
    }

private:
    static constexpr std::size_t blockSize = 256 * 1024;

    void NewBlock(std::size_t atLeast) {
        m_capacity = std::max(blockSize, atLeast);
        m_blocks.emplace_back(new char[m_capacity]);
        m_block = m_blocks.back().get();
        m_used = 0;
    }

    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_block = nullptr;
    std::size_t m_used = 0;
    std::size_t m_capacity = 0;
};

} // namespace
} // namespace detail

struct CXmlDocument::Storage {
    detail::Arena arena;
    std::unordered_map<std::string, std::unique_ptr<detail::CXmlName>> names;
};

namespace detail {

class CDocumentBuilder final : public IParseEvents {
public:
    explicit CDocumentBuilder(CXmlDocument& document) : m_document(document), m_storage(*document.m_storage) {}

    void NamespaceDeclaration(std::string_view prefix, std::string_view namespaceUri) override {
        m_declarations.push_back({std::string(prefix), std::string(namespaceUri)});
    }

    void StartElement(std::string_view namespaceUri, std::string_view localName, const RawAttribute* attributes,
                      std::size_t attributeCount, int line, int column) override {
        // The parent's text run ends first, so that a blank run still at the
        // end of the arena gives its room back.
        if (!m_open.empty()) EndTextRun(m_open.back(), true);
        CXmlElement* element = m_storage.arena.Create<CXmlElement>();
        element->m_name = Intern(namespaceUri, localName);
        element->m_line = line;
        element->m_column = column;
        AttachAttributes(*element, attributes, attributeCount);
        if (m_open.empty()) {
            m_document.m_root = element;
        } else {
            Open& parent = m_open.back();
            if (parent.lastChild) parent.lastChild->m_nextSibling = element;
            else parent.element->m_firstChild = element;
            parent.lastChild = element;
        }
        m_open.push_back({element, nullptr, 0, true});
    }

    void CharacterData(std::string_view text) override {
        if (m_open.empty()) return;
        Open& open = m_open.back();
        CXmlElement& element = *open.element;
        const std::size_t length = element.m_textLength;
        if (text.size() > std::numeric_limits<std::uint32_t>::max() - length) {
            throw CNqException("The text of an element is longer than 4 GiB");
        }
        if (!element.m_text || !m_storage.arena.TryGrow(element.m_text, length, text.size())) {
            // Move the text to the end of the arena, leaving room to grow.
            const std::size_t room = std::max<std::size_t>(2 * (length + text.size()), 64);
            char* moved = static_cast<char*>(m_storage.arena.Allocate(room, 1));
            if (length) std::memcpy(moved, element.m_text, length);
            m_storage.arena.Shrink(moved, room, length + text.size());
            element.m_text = moved;
        }
        std::memcpy(const_cast<char*>(element.m_text) + length, text.data(), text.size());
        element.m_textLength = static_cast<std::uint32_t>(length + text.size());
        if (open.runBlank) open.runBlank = text.find_first_not_of(" \t\n\r") == std::string_view::npos;
    }

    void EndElement() override {
        Open& open = m_open.back();
        EndTextRun(open, open.lastChild != nullptr);
        m_open.pop_back();
    }

private:
    struct Open {
        CXmlElement* element;
        CXmlElement* lastChild;
        std::uint32_t runStart;  // text length where the current run of character data began
        bool runBlank;           // whether that run holds only blanks so far
    };

    // A run of character data ends at every tag. In an element with child
    // elements a run of blanks is layout, not text, and is dropped.
    void EndTextRun(Open& open, bool hasChildren) {
        CXmlElement& element = *open.element;
        if (hasChildren && open.runBlank && element.m_textLength > open.runStart) {
            m_storage.arena.Shrink(element.m_text, element.m_textLength, open.runStart);
            element.m_textLength = open.runStart;
            if (element.m_textLength == 0) element.m_text = nullptr;
        }
        open.runStart = element.m_textLength;
        open.runBlank = true;
    }

    const CXmlName* Intern(std::string_view namespaceUri, std::string_view localName) {
        m_key.assign(namespaceUri);
        m_key.push_back('\n');
        m_key.append(localName);
        auto found = m_storage.names.find(m_key);
        if (found != m_storage.names.end()) return found->second.get();
        auto name = std::make_unique<CXmlName>(CXmlName{std::string(namespaceUri), std::string(localName)});
        const CXmlName* result = name.get();
        m_storage.names.emplace(m_key, std::move(name));
        return result;
    }

    std::string_view CopyText(std::string_view text) {
        if (text.empty()) return {};
        char* copy = static_cast<char*>(m_storage.arena.Allocate(text.size(), 1));
        std::memcpy(copy, text.data(), text.size());
        return std::string_view(copy, text.size());
    }

    void SetAttribute(CXmlAttribute& attribute, const CXmlName* name, std::string_view value, bool declaration) {
        const std::string_view copy = CopyText(value);
        attribute.m_name = name;
        attribute.m_value = copy.data();
        attribute.m_valueLength = static_cast<std::uint32_t>(copy.size());
        attribute.m_isNamespaceDeclaration = declaration;
    }

    // Namespace declarations come first, as the attributes xmlns and xmlns:prefix.
    void AttachAttributes(CXmlElement& element, const RawAttribute* attributes, std::size_t count) {
        const std::size_t total = m_declarations.size() + count;
        if (total == 0) return;
        CXmlAttribute* list = m_storage.arena.Create<CXmlAttribute>(total);
        std::size_t i = 0;
        for (const auto& declaration : m_declarations) {
            const std::string& prefix = declaration.first;
            SetAttribute(list[i++], Intern(xmlnsUri, prefix.empty() ? "xmlns" : prefix), declaration.second, true);
        }
        for (std::size_t a = 0; a < count; ++a) {
            SetAttribute(list[i++], Intern(attributes[a].namespaceUri, attributes[a].localName),
                         attributes[a].value, false);
        }
        m_declarations.clear();
        element.m_attributes = list;
        element.m_attributeCount = static_cast<std::uint32_t>(total);
    }

    static constexpr std::string_view xmlnsUri = "http://www.w3.org/2000/xmlns/";

    CXmlDocument& m_document;
    CXmlDocument::Storage& m_storage;
    std::vector<Open> m_open;
    std::vector<std::pair<std::string, std::string>> m_declarations;
    std::string m_key;
};

} // namespace detail

const std::string& CXmlAttribute::GetLocalName() const { return m_name->localName; }
const std::string& CXmlAttribute::GetNamespaceUri() const { return m_name->namespaceUri; }
std::string_view CXmlAttribute::GetValue() const { return std::string_view(m_value, m_valueLength); }
bool CXmlAttribute::IsNamespaceDeclaration() const { return m_isNamespaceDeclaration; }

CXmlElement* CXmlElement::GetFirstElement() const { return m_firstChild; }
CXmlElement* CXmlElement::GetNextSiblingElement() const { return m_nextSibling; }
const std::string& CXmlElement::GetLocalName() const { return m_name->localName; }
const std::string& CXmlElement::GetNamespaceUri() const { return m_name->namespaceUri; }
std::string_view CXmlElement::GetText() const { return std::string_view(m_text, m_textLength); }
CXmlAttributeList CXmlElement::GetAttributes() const { return CXmlAttributeList(m_attributes, m_attributeCount); }
int CXmlElement::GetLine() const { return m_line; }
int CXmlElement::GetColumn() const { return m_column; }

CXmlDocument::CXmlDocument() : m_storage(std::make_unique<Storage>()) {}
CXmlDocument::~CXmlDocument() = default;

CXmlElement* CXmlDocument::GetDocumentElement() const { return m_root; }

std::unique_ptr<CXmlDocument> CXmlDocument::Parse(std::string_view text) {
    std::unique_ptr<CXmlDocument> document(new CXmlDocument());
    detail::CDocumentBuilder builder(*document);
    detail::ParseXml(text, builder);
    return document;
}

} // namespace NqXmlLib3
