// Builds the element tree of a CXmlDocument from parse events. Elements,
// attributes and texts live in the document's arenas; names are interned
// once per document. The build is iterative, so nesting depth costs heap,
// never stack. Also the byte sources of the forward-only documents: text in
// memory, a file and a stream.
#include "runtime/XmlElement.h"

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/JsonReader.h"
#include "runtime/Memory.h"
#include "runtime/ParserBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <istream>
#include <limits>
#include <new>
#include <system_error>
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

    bool IsLast(const char* data, std::size_t size) const { return m_block && data + size == m_block + m_used; }

    // Grows the most recent allocation in place when its block has room.
    bool TryGrow(const char* data, std::size_t size, std::size_t extra) {
        if (!IsLast(data, size) || m_used + extra > m_capacity) return false;
        m_used += extra;
        return true;
    }

    // Frees everything allocated, keeping the last block, the largest, for reuse.
    void Reset() {
        if (m_blocks.size() > 1) m_blocks.erase(m_blocks.begin(), m_blocks.end() - 1);
        m_used = 0;
    }

    // Gives back the end of the most recent allocation.
    void Shrink(const char* data, std::size_t size, std::size_t newSize) {
        if (IsLast(data, size)) m_used -= size - newSize;
    }

private:
    // Blocks start small, for the many small documents, and double up to a
    // limit. Large blocks are asked for in huge pages where the system has
    // them: a big document then takes a few hundred page faults, not tens of
    // thousands.
    static constexpr std::size_t firstBlock = 16 * 1024;
    static constexpr std::size_t largestBlock = 8 * 1024 * 1024;

    // A large block comes from the system and goes back to it when the tree is freed.
    struct Block {
        explicit Block(std::size_t bytes) : size(bytes), data(static_cast<char*>(AllocateBlock(bytes))) {}
        Block(const Block&) = delete;
        Block& operator=(const Block&) = delete;
        ~Block() { FreeBlock(data, size); }
        std::size_t size;
        char* data;
    };

    void NewBlock(std::size_t atLeast) {
        const std::size_t next = m_blocks.empty() ? firstBlock : std::min(2 * m_capacity, largestBlock);
        m_capacity = std::max(next, atLeast);
        m_blocks.push_back(std::make_unique<Block>(m_capacity));
        m_block = m_blocks.back()->data;
        m_used = 0;
    }

    std::vector<std::unique_ptr<Block>> m_blocks;
    char* m_block = nullptr;
    std::size_t m_used = 0;
    std::size_t m_capacity = 0;
};

// The children of the root of a forward-only document, in batches: the
// children that start during one step of the parse share an arena, which is
// reused once the walk is two children past the last of them. A step parses
// a small piece of the text, so a batch holds a few children, or the one
// that the piece belongs to.
class ChildBatches {
public:
    // The arena of the child of the root that starts now, the `index`th.
    Arena& StartChild(std::uint64_t index) {
        if (m_batches.empty() || m_startNew) {
            std::unique_ptr<Arena> arena = m_spare ? std::move(m_spare) : std::make_unique<Arena>();
            m_batches.push_back({std::move(arena), index});
            m_startNew = false;
        }
        m_batches.back().lastChild = index;
        return *m_batches.back().arena;
    }

    // A step of the parse begins: the children that start from now on go to
    // a new batch, and the batches wholly before child `keepFrom` are freed.
    void NextStep(std::uint64_t keepFrom) {
        while (!m_batches.empty() && m_batches.front().lastChild < keepFrom) {
            m_batches.front().arena->Reset();
            m_spare = std::move(m_batches.front().arena);
            m_batches.pop_front();
        }
        m_startNew = true;
    }

private:
    struct Batch {
        std::unique_ptr<Arena> arena;
        std::uint64_t lastChild;
    };
    std::deque<Batch> m_batches;
    std::unique_ptr<Arena> m_spare;  // the last batch freed, kept for the next one
    bool m_startNew = true;
};

// The blanks of a run of character data not yet known to be text. Layout
// between tags is a line break and an indent, which the parser hands over in
// pieces: they are gathered in place, and only a long run goes to the heap.
class PendingBlanks {
public:
    void Append(std::string_view text) {
        if (text.size() == 1 && m_heap.empty() && m_size < sizeof m_inline) {
            m_inline[m_size++] = text[0];  // a line break: the parser hands each over alone
            return;
        }
        if (m_heap.empty() && text.size() <= sizeof m_inline - m_size) {
            std::memcpy(m_inline + m_size, text.data(), text.size());
            m_size += text.size();
            return;
        }
        if (m_heap.empty()) m_heap.assign(m_inline, m_size);
        m_heap.append(text);
    }
    std::string_view View() const { return m_heap.empty() ? std::string_view(m_inline, m_size) : m_heap; }
    void Clear() {
        m_size = 0;
        m_heap.clear();
    }

private:
    char m_inline[120];
    std::size_t m_size = 0;
    std::string m_heap;  // the whole run, once it outgrows m_inline; never empty then
};

// The names of one document, each kept once: elements point to their name.
// Open addressing over a power-of-two table; a name is found without
// building a key.
class NameTable {
public:
    const CXmlName* Intern(std::string_view namespaceUri, std::string_view localName) {
        UseNamespace(namespaceUri);
        // A document uses a few names over and over: the name last met in
        // the same namespace under the same cheap key is tried first.
        Recent& recent = m_recent[RecentKey(localName)];
        if (recent.name && recent.namespaceSerial == m_namespaceSerial && Same(recent.name->localName, localName)) {
            return recent.name;
        }
        const CXmlName* name = Find(namespaceUri, localName);
        recent = {name, m_namespaceSerial};
        return name;
    }

private:
    const CXmlName* Find(std::string_view namespaceUri, std::string_view localName) {
        const std::size_t hash = static_cast<std::size_t>(Digest(localName, m_lastNamespaceDigest));
        if (4 * (m_names.size() + 1) > 3 * m_slots.size()) Grow();
        std::size_t slot = hash & (m_slots.size() - 1);
        for (; m_slots[slot].name; slot = (slot + 1) & (m_slots.size() - 1)) {
            const Slot& entry = m_slots[slot];
            if (entry.hash == hash && entry.name->localName == localName && entry.name->namespaceUri == namespaceUri) {
                return entry.name;
            }
        }
        m_names.push_back(std::make_unique<CXmlName>(CXmlName{std::string(namespaceUri), std::string(localName)}));
        m_slots[slot] = {hash, m_names.back().get()};
        return m_slots[slot].name;
    }

    // Names are short: equal texts are told eight bytes at a time, without a call.
    static bool Same(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        if (a.size() < 8 || a.size() > 32) return a == b;
        std::size_t i = 0;
        for (; i + 8 <= a.size(); i += 8) {
            if (Load8(a.data() + i) != Load8(b.data() + i)) return false;
        }
        return i == a.size() || Load8(a.data() + a.size() - 8) == Load8(b.data() + b.size() - 8);
    }

    struct Recent {
        const CXmlName* name = nullptr;
        std::uint64_t namespaceSerial = 0;
    };
    static constexpr std::size_t recentSize = 64;
    static std::size_t RecentKey(std::string_view localName) {
        if (localName.empty()) return 0;
        const auto first = static_cast<unsigned char>(localName.front());
        const auto last = static_cast<unsigned char>(localName.back());
        return (localName.size() * 7 + first * 3 + last) & (recentSize - 1);
    }

    struct Slot {
        std::size_t hash = 0;
        const CXmlName* name = nullptr;
    };

    // Every byte of a name counts, a word at a time, from a start that
    // differs from table to table: names that share their length and their
    // ends, or that were made to collide, do not pile up in one run of slots.
    static std::uint64_t Load8(const char* data) {
        std::uint64_t value = 0;
        std::memcpy(&value, data, sizeof value);
        return value;
    }
    static std::uint64_t Mix(std::uint64_t value) {
        value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
        value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
        return value ^ (value >> 31);
    }
    static std::uint64_t Digest(std::string_view part, std::uint64_t state) {
        state = Mix(state ^ part.size());
        std::size_t i = 0;
        for (; i + 8 <= part.size(); i += 8) state = Mix(state ^ Load8(part.data() + i));
        std::uint64_t tail = 0;
        for (; i < part.size(); ++i) tail = (tail << 8) | static_cast<unsigned char>(part[i]);
        return Mix(state ^ tail);
    }
    // A document names nearly all its elements in one namespace: the digest
    // of the last namespace seen is kept, and only the local name is hashed
    // anew. Each change of namespace has a serial of its own, which marks
    // the recent names that belong to the namespace in use.
    void UseNamespace(std::string_view namespaceUri) {
        if (Same(namespaceUri, m_lastNamespace)) return;
        m_lastNamespace.assign(namespaceUri);
        m_lastNamespaceDigest = Digest(namespaceUri, m_seed);
        ++m_namespaceSerial;
    }

    void Grow() {
        std::vector<Slot> old(std::max<std::size_t>(64, 2 * m_slots.size()));
        old.swap(m_slots);
        for (const Slot& entry : old) {
            if (!entry.name) continue;
            std::size_t slot = entry.hash & (m_slots.size() - 1);
            while (m_slots[slot].name) slot = (slot + 1) & (m_slots.size() - 1);
            m_slots[slot] = entry;
        }
    }

    std::vector<Slot> m_slots;
    std::vector<std::unique_ptr<CXmlName>> m_names;
    const std::uint64_t m_seed = reinterpret_cast<std::uintptr_t>(this);
    std::string m_lastNamespace;
    std::uint64_t m_lastNamespaceDigest = Digest(std::string_view(), m_seed);
    std::uint64_t m_namespaceSerial = 1;
    Recent m_recent[recentSize];
};

} // namespace
} // namespace detail

struct CXmlDocument::Storage {
    detail::Arena arena;
    detail::NameTable names;
    // A forward-only document: the children of the root, in batches.
    detail::ChildBatches children;
    std::unique_ptr<detail::IByteSource> source;
    std::unique_ptr<detail::CDocumentBuilder> builder;
    std::unique_ptr<detail::IPullParse> parser;
    CSyntax syntax = CSyntax::Xml;
};

namespace detail {

class CDocumentBuilder final : public IParseEvents {
public:
    explicit CDocumentBuilder(CXmlDocument& document) : m_document(document), m_storage(*document.m_storage) {}

    // Makes the document forward-only: the root's children are parsed as the
    // walk asks for them, by steps of `parser`, and their memory is reused.
    void FeedFrom(IPullParse& parser) { m_parser = &parser; }

    bool IsRoot(const CXmlElement* element) const { return element == m_document.m_root; }

    // Whether `child`, a child of the root, is yet to be parsed to its end.
    bool IsOpen(const CXmlElement* child) const { return m_open.size() >= 2 && m_open[1].element == child; }

    // Whether the root has more to come: parses the next step, unless the
    // root has ended. The walk is on the last child of the root, or on the
    // root: every child before the one before it is freed.
    bool MoreInRoot() {
        if (m_rootEnded) return false;
        m_storage.children.NextStep(m_childCount < 2 ? 0 : m_childCount - 2);
        return m_parser->Advance();
    }

    // From now on the events only count the depth: nothing is built.
    void Discard() { m_discard = true; }

    void NamespaceDeclaration(std::string_view prefix, std::string_view namespaceUri) override {
        if (!m_discard) m_declarations.push_back({std::string(prefix), std::string(namespaceUri)});
    }

    void StartElement(std::string_view namespaceUri, std::string_view localName, const RawAttribute* attributes,
                      std::size_t attributeCount, int line, int column) override {
        if (++m_depth > MaxElementDepth) {
            CNqException error(FormatString("Elements nest deeper than %d levels at line %d, column %d",
                                            MaxElementDepth, line, column));
            error.SetLocation(line, column);
            throw error;
        }
        if (m_discard) return;
        if (!m_open.empty()) EndTextRun(m_open.back(), false);
        if (m_parser && m_open.size() == 1) m_childArena = &m_storage.children.StartChild(m_childCount++);
        UseArenaForDepth(m_open.size());
        const std::size_t attributeTotal = m_declarations.size() + attributeCount;
        CXmlElement* element = CreateElement(attributeTotal);
        element->m_name = m_storage.names.Intern(namespaceUri, localName);
        element->m_line = line;
        element->m_column = column;
        if (m_parser && m_open.size() <= 1) element->m_feeder = this;
        if (attributeTotal) AttachAttributes(*element, attributes, attributeCount);  // most elements have none
        if (m_open.empty()) {
            m_document.m_root = element;
        } else {
            Open& parent = m_open.back();
            if (parent.lastChild) parent.lastChild->m_nextSibling = element;
            else parent.element->m_firstChild = element;
            parent.lastChild = element;
        }
        m_open.push_back({element, nullptr, true, false});
    }

    // Blanks are held aside until the run of character data they belong to
    // turns out to be text: a run of blanks only is layout in an element
    // with child elements, and the text of an element without.
    void CharacterData(std::string_view text) override {
        if (m_discard || m_open.empty()) return;
        Open& open = m_open.back();
        if (open.runBlank) {
            if (IsBlank(text)) {
                m_pendingBlanks.Append(text);
                return;
            }
            open.runBlank = false;
            Append(open, m_pendingBlanks.View());
            m_pendingBlanks.Clear();
        }
        Append(open, text);
    }

    void EndElement() override {
        --m_depth;
        if (m_discard) return;
        Open& open = m_open.back();
        EndTextRun(open, open.lastChild == nullptr);
        if (open.mixed) {
            const std::string_view text = CopyText(m_mixed.back());
            open.element->m_text = text.data();
            open.element->m_textLength = static_cast<std::uint32_t>(text.size());
            m_mixed.pop_back();
        }
        m_open.pop_back();
        if (!m_open.empty()) UseArenaForDepth(m_open.size() - 1);
        if (m_open.empty()) m_rootEnded = true;
    }

private:
    struct Open {
        CXmlElement* element;
        CXmlElement* lastChild;
        bool runBlank;  // whether the current run of character data holds only blanks so far
        bool mixed;     // whether the element's text is gathered in m_mixed.back()
    };

    static bool IsBlank(std::string_view text) {
        // Indentation is mostly runs of spaces: eight are settled at a time.
        constexpr std::uint64_t spaces = 0x2020202020202020ull;
        std::size_t i = 0;
        for (; i + 8 <= text.size(); i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + i, sizeof word);
            if (word != spaces) break;
        }
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') return false;
        }
        return true;
    }

    // A run of character data ends at every tag; a run of blanks is kept
    // only where it is the whole text of an element without children.
    void EndTextRun(Open& open, bool keepBlanks) {
        if (open.runBlank && keepBlanks) Append(open, m_pendingBlanks.View());
        m_pendingBlanks.Clear();
        open.runBlank = true;
    }

    // Text that follows a child element cannot grow in place, since the
    // child stands behind it in the arena, and moving it for every piece
    // would cost time and memory quadratic in the pieces. It is gathered
    // aside instead and copied to the arena once, when the element ends.
    // Only the innermost open element receives text, so the texts gathered
    // form a stack.
    void Append(Open& open, std::string_view text) {
        if (!open.lastChild) {
            AppendText(*open.element, text);
            return;
        }
        if (!open.mixed) {
            m_mixed.emplace_back(open.element->m_text, open.element->m_textLength);  // not GetText, which parses on
            open.mixed = true;
        }
        std::string& gathered = m_mixed.back();
        if (text.size() > std::numeric_limits<std::uint32_t>::max() - gathered.size()) {
            throw CNqException("The text of an element is longer than 4 GiB");
        }
        gathered.append(text);
    }

    // Appends to the element's text, which stays contiguous: it grows in
    // place at the end of the arena, or moves there with room to spare.
    void AppendText(CXmlElement& element, std::string_view text) {
        if (text.empty()) return;
        const std::size_t length = element.m_textLength;
        if (text.size() > std::numeric_limits<std::uint32_t>::max() - length) {
            throw CNqException("The text of an element is longer than 4 GiB");
        }
        Arena& arena = CurrentArena();
        if (!element.m_text || !arena.TryGrow(element.m_text, length, text.size())) {
            const std::size_t room = std::max<std::size_t>(2 * (length + text.size()), 64);
            char* moved = static_cast<char*>(arena.Allocate(room, 1));
            if (length) std::memcpy(moved, element.m_text, length);
            arena.Shrink(moved, room, length + text.size());
            element.m_text = moved;
        }
        std::memcpy(const_cast<char*>(element.m_text) + length, text.data(), text.size());
        element.m_textLength = static_cast<std::uint32_t>(length + text.size());
    }

    std::string_view CopyText(std::string_view text) {
        if (text.empty()) return {};
        char* copy = static_cast<char*>(CurrentArena().Allocate(text.size(), 1));
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

    // An element with room for its attributes right behind it.
    CXmlElement* CreateElement(std::size_t attributeCount) {
        static_assert(sizeof(CXmlElement) % alignof(CXmlAttribute) == 0, "attributes follow an element");
        void* memory = CurrentArena().Allocate(sizeof(CXmlElement) + attributeCount * sizeof(CXmlAttribute),
                                               alignof(CXmlElement));
        CXmlElement* element = new (memory) CXmlElement();
        auto* list = reinterpret_cast<CXmlAttribute*>(element + 1);
        for (std::size_t i = 0; i < attributeCount; ++i) new (list + i) CXmlAttribute();
        return element;
    }

    // Namespace declarations come first, as the attributes xmlns and xmlns:prefix.
    void AttachAttributes(CXmlElement& element, const RawAttribute* attributes, std::size_t count) {
        const std::size_t total = m_declarations.size() + count;
        auto* list = reinterpret_cast<CXmlAttribute*>(&element + 1);
        std::size_t i = 0;
        for (const auto& declaration : m_declarations) {
            const std::string& prefix = declaration.first;
            SetAttribute(list[i++], m_storage.names.Intern(xmlnsUri, prefix.empty() ? "xmlns" : prefix), declaration.second, true);
        }
        for (std::size_t a = 0; a < count; ++a) {
            SetAttribute(list[i++], m_storage.names.Intern(attributes[a].namespaceUri, attributes[a].localName),
                         attributes[a].value, false);
        }
        m_declarations.clear();
        element.m_attributeCount = static_cast<std::uint32_t>(total);
    }

    Arena& CurrentArena() { return *m_arena; }

    // In a forward-only document, everything below the root lives in the
    // arena of its child of the root; the root itself in the document's.
    void UseArenaForDepth(std::size_t depth) {
        m_arena = m_parser && depth > 0 ? m_childArena : &m_storage.arena;
    }

    static constexpr std::string_view xmlnsUri = "http://www.w3.org/2000/xmlns/";

    CXmlDocument& m_document;
    CXmlDocument::Storage& m_storage;
    IPullParse* m_parser = nullptr;
    int m_depth = 0;
    std::uint64_t m_childCount = 0;  // the children of the root started so far
    Arena* m_childArena = nullptr;   // the arena of the child of the root being built
    bool m_rootEnded = false;
    bool m_discard = false;
    Arena* m_arena = &m_storage.arena;
    std::vector<Open> m_open;
    std::vector<std::pair<std::string, std::string>> m_declarations;
    PendingBlanks m_pendingBlanks;
    std::vector<std::string> m_mixed;
};

} // namespace detail

const std::string& CXmlAttribute::GetLocalName() const { return m_name->localName; }
const std::string& CXmlAttribute::GetNamespaceUri() const { return m_name->namespaceUri; }
std::string_view CXmlAttribute::GetValue() const { return std::string_view(m_value, m_valueLength); }
bool CXmlAttribute::IsNamespaceDeclaration() const { return m_isNamespaceDeclaration; }

// Only the root of a forward-only document can be reached before its end:
// every child of the root is parsed to its end before the walk reaches it.
CXmlElement* CXmlElement::GetFirstElement() const {
    while (m_feeder && m_feeder->IsRoot(this) && (!m_firstChild || m_feeder->IsOpen(m_firstChild)) &&
           m_feeder->MoreInRoot()) {
    }
    return m_firstChild;
}
CXmlElement* CXmlElement::GetNextSiblingElement() const {
    while (m_feeder && !m_feeder->IsRoot(this) && (!m_nextSibling || m_feeder->IsOpen(m_nextSibling)) &&
           m_feeder->MoreInRoot()) {
    }
    return m_nextSibling;
}
const std::string& CXmlElement::GetLocalName() const { return m_name->localName; }
const std::string& CXmlElement::GetNamespaceUri() const { return m_name->namespaceUri; }
std::string_view CXmlElement::GetText() const {
    while (m_feeder && m_feeder->IsRoot(this) && m_feeder->MoreInRoot()) {
    }
    return std::string_view(m_text, m_textLength);
}
CXmlAttributeList CXmlElement::GetAttributes() const {
    return CXmlAttributeList(reinterpret_cast<const CXmlAttribute*>(this + 1), m_attributeCount);
}
int CXmlElement::GetLine() const { return m_line; }
int CXmlElement::GetColumn() const { return m_column; }

CXmlDocument::CXmlDocument() : m_storage(std::make_unique<Storage>()) {}
CXmlDocument::~CXmlDocument() = default;

CXmlElement* CXmlDocument::GetDocumentElement() const {
    if (m_storage->parser) {
        while (!m_root && m_storage->parser->Advance()) {
        }
        if (!m_root) throw CNqException("The document holds no element");
    }
    return m_root;
}

void CXmlDocument::Finish() {
    if (!m_storage->parser) return;
    m_storage->builder->Discard();
    while (m_storage->parser->Advance()) {
    }
}

std::uint64_t CXmlDocument::GetBytesRead() const {
    return m_storage->parser ? m_storage->parser->BytesRead() : 0;
}

std::unique_ptr<CXmlDocument> CXmlDocument::Parse(std::string_view text) {
    std::unique_ptr<CXmlDocument> document(new CXmlDocument());
    detail::CDocumentBuilder builder(*document);
    detail::ParseXml(text, builder);
    return document;
}

namespace {

std::string ErrnoText(int error) { return std::generic_category().message(error); }

[[noreturn]] void ThrowCannotRead(const std::string& path, int error) {
    throw CNqException(FormatString("Cannot read the file [%s]: %s", path.c_str(), ErrnoText(error).c_str()));
}

class FileSource final : public detail::IByteSource {
public:
    explicit FileSource(const std::string& path) : m_path(path), m_file(OpenFileForReading(path)) {
        if (!m_file) ThrowCannotRead(path, errno);
    }
    ~FileSource() override { std::fclose(m_file); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::size_t Read(char* buffer, std::size_t size) override {
        const std::size_t got = std::fread(buffer, 1, size, m_file);
        if (got == 0 && std::ferror(m_file)) ThrowCannotRead(m_path, errno);
        return got;
    }

private:
    std::string m_path;
    std::FILE* m_file;
};

class StreamSource final : public detail::IByteSource {
public:
    explicit StreamSource(std::istream& in) : m_in(in) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        m_in.read(buffer, static_cast<std::streamsize>(size));
        if (m_in.bad()) throw CNqException("Cannot read the input stream");
        return static_cast<std::size_t>(m_in.gcount());
    }

private:
    std::istream& m_in;
};

// The XML parser as the builder drives it.
class XmlParse final : public detail::IPullParse {
public:
    XmlParse(detail::IParseEvents& events, detail::IByteSource& source) : m_parser(events, source) {}
    bool Advance() override { return m_parser.Advance(); }
    std::uint64_t BytesRead() const override { return m_parser.BytesRead(); }

private:
    detail::CPullParser m_parser;
};

// A source read ahead until its syntax is known; what was read ahead is
// handed out first.
class LookAheadSource final : public detail::IByteSource {
public:
    explicit LookAheadSource(std::unique_ptr<detail::IByteSource> source) : m_source(std::move(source)) {}

    CSyntax Guess() {
        for (;;) {
            char chunk[512];
            const std::size_t got = m_source->Read(chunk, sizeof chunk);
            m_ahead.append(chunk, got);
            const detail::SyntaxGuess guess = detail::GuessSyntax(m_ahead, got == 0);
            if (guess != detail::SyntaxGuess::NeedMore) {
                return guess == detail::SyntaxGuess::Json ? CSyntax::Json : CSyntax::Xml;
            }
        }
    }

    std::size_t Read(char* buffer, std::size_t size) override {
        if (m_taken == m_ahead.size()) return m_source->Read(buffer, size);
        const std::size_t count = std::min(size, m_ahead.size() - m_taken);
        std::memcpy(buffer, m_ahead.data() + m_taken, count);
        m_taken += count;
        return count;
    }

private:
    std::unique_ptr<detail::IByteSource> m_source;
    std::string m_ahead;
    std::size_t m_taken = 0;
};

} // namespace

std::unique_ptr<CXmlDocument> CXmlDocument::OpenSource(std::unique_ptr<detail::IByteSource> source, CSyntax syntax,
                                                       const CJsonShape* shape) {
    if (syntax != CSyntax::Xml && !shape) throw CNqException("Reading JSON needs the shape of its root element");
    if (syntax == CSyntax::Detect) {
        auto ahead = std::make_unique<LookAheadSource>(std::move(source));
        syntax = ahead->Guess();
        source = std::move(ahead);
    }
    std::unique_ptr<CXmlDocument> document(new CXmlDocument());
    Storage& storage = *document->m_storage;
    storage.source = std::move(source);
    storage.syntax = syntax;
    // The builder and the parser refer to each other: the parser is made first, handed the builder to come.
    storage.builder = std::make_unique<detail::CDocumentBuilder>(*document);
    if (syntax == CSyntax::Json) {
        storage.parser = std::make_unique<detail::CJsonPullParser>(*storage.builder, *storage.source, *shape);
    } else {
        storage.parser = std::make_unique<XmlParse>(*storage.builder, *storage.source);
    }
    storage.builder->FeedFrom(*storage.parser);
    return document;
}

std::unique_ptr<CXmlDocument> CXmlDocument::OpenText(std::string_view text, CSyntax syntax, const CJsonShape* shape) {
    return OpenSource(std::make_unique<detail::CTextSource>(text), syntax, shape);
}

std::unique_ptr<CXmlDocument> CXmlDocument::OpenFile(const std::string& path, CSyntax syntax,
                                                     const CJsonShape* shape) {
    return OpenSource(std::make_unique<FileSource>(path), syntax, shape);
}

std::unique_ptr<CXmlDocument> CXmlDocument::OpenStream(std::istream& in, CSyntax syntax, const CJsonShape* shape) {
    return OpenSource(std::make_unique<StreamSource>(in), syntax, shape);
}

CSyntax CXmlDocument::GetSyntax() const { return m_storage->syntax; }

} // namespace NqXmlLib3
