#include "runtime/XmlCollectionBase.h"

#include "runtime/Exceptions.h"

#include <algorithm>
#include <functional>

namespace NqXmlLib3 {

namespace {
constexpr int firstCapacity = 4;
} // namespace

CXmlCollectionBase::CXmlCollectionBase() = default;

CXmlCollectionBase::CXmlCollectionBase(const CXmlCollectionBase& other)
    : CXmlObjectBase(other), m_minOccurs(other.m_minOccurs), m_maxOccurs(other.m_maxOccurs) {
    CopyItemsFrom(other);
}

CXmlCollectionBase& CXmlCollectionBase::operator=(const CXmlCollectionBase& other) {
    if (this == &other) return *this;
    CXmlObjectBase::operator=(other);
    m_minOccurs = other.m_minOccurs;
    m_maxOccurs = other.m_maxOccurs;
    // Take the new references before giving up the old ones: the lists may share items.
    CNode* oldNodes = m_nodes;
    const int oldCount = m_count;
    m_nodes = nullptr;
    m_count = m_capacity = 0;
    CopyItemsFrom(other);
    ReleaseAll(oldNodes, oldCount);
    return *this;
}

CXmlCollectionBase::~CXmlCollectionBase() { Clear(); }

void CXmlCollectionBase::CopyItemsFrom(const CXmlCollectionBase& other) {
    if (other.m_count > 0) Reallocate(other.m_count);
    for (int i = 0; i < other.m_count; ++i) Append(other.m_nodes[i].m_item);
}

void CXmlCollectionBase::Reallocate(int capacity) {
    CNode* nodes = new CNode[static_cast<std::size_t>(capacity)];
    for (int i = 0; i < m_count; ++i) {
        nodes[i].m_item = m_nodes[i].m_item;
        nodes[i].m_next = i + 1 < m_count ? &nodes[i + 1] : nullptr;
    }
    delete[] m_nodes;
    m_nodes = nodes;
    m_capacity = capacity;
}

void CXmlCollectionBase::ReleaseAll(CNode* nodes, int count) {
    for (int i = 0; i < count; ++i) nodes[i].m_item->Release();
    delete[] nodes;
}

int CXmlCollectionBase::GetCount() { return m_count; }

void CXmlCollectionBase::Clear() {
    // Unlink first: releasing an item may run code that looks at this list.
    CNode* nodes = m_nodes;
    const int count = m_count;
    m_nodes = nullptr;
    m_count = m_capacity = 0;
    ReleaseAll(nodes, count);
}

void CXmlCollectionBase::Remove(int index) { RemoveNode(GetNodeAtIndex(index)); }

void CXmlCollectionBase::ValidateCount() {
    if (m_count < m_minOccurs) {
        throw CNqException(FormatString("The collection [%s] holds %d item(s), fewer than its minimum of %d",
                                        m_elementName.c_str(), m_count, m_minOccurs));
    }
    if (m_maxOccurs != Unbounded && m_count > m_maxOccurs) {
        throw CNqException(FormatString("The collection [%s] holds %d item(s), more than its maximum of %d",
                                        m_elementName.c_str(), m_count, m_maxOccurs));
    }
}

void CXmlCollectionBase::ValidateAsDocument() const {
    if (m_count != 1) {
        throw CNqException(FormatString("The collection [%s] holds %d item(s) and cannot be written as a document, "
                                        "which holds exactly one root element",
                                        m_elementName.c_str(), m_count));
    }
}

void CXmlCollectionBase::Append(CXmlObjectBase* item) {
    if (!item) {
        throw CNqException(FormatString("A null item cannot be added to the collection [%s]", m_elementName.c_str()));
    }
    if (m_count == m_capacity) Reallocate(m_capacity == 0 ? firstCapacity : 2 * m_capacity);
    item->AddRef();
    CNode& node = m_nodes[m_count];
    node = CNode{item, nullptr};
    if (m_count > 0) m_nodes[m_count - 1].m_next = &node;
    ++m_count;
}

void CXmlCollectionBase::Reserve(int extra) {
    if (extra <= m_capacity - m_count) return;
    Reallocate(m_count == 0 ? extra : std::max(m_count + extra, 2 * m_capacity));
}

void CXmlCollectionBase::ShrinkToFit() {
    if (m_count == 0) {
        delete[] m_nodes;
        m_nodes = nullptr;
        m_capacity = 0;
    } else if (m_capacity > m_count) {
        Reallocate(m_count);
    }
}

CNode* CXmlCollectionBase::GetNodeAtIndex(int index) {
    if (index < 0 || index >= m_count) {
        throw CNqException(FormatString("The index %d is outside the collection [%s], which holds %d item(s)", index,
                                        m_elementName.c_str(), m_count));
    }
    return &m_nodes[index];
}

CNode* CXmlCollectionBase::GetNodeForItem(CXmlObjectBase* item) {
    for (int i = 0; i < m_count; ++i) {
        if (m_nodes[i].m_item == item) return &m_nodes[i];
    }
    return nullptr;
}

void CXmlCollectionBase::RemoveNode(CNode* node) {
    const std::less<const CNode*> before;
    if (!node || before(node, m_nodes) || !before(node, m_nodes + m_count)) return;  // not a node of this list
    const int index = static_cast<int>(node - m_nodes);
    CXmlObjectBase* item = node->m_item;
    for (int i = index; i + 1 < m_count; ++i) m_nodes[i].m_item = m_nodes[i + 1].m_item;
    --m_count;
    if (m_count > 0) m_nodes[m_count - 1].m_next = nullptr;
    item->Release();
}

void CXmlCollectionBase::FireOnCollectionChange() { OnEvent(this, MsgType_CollectionChanged, nullptr); }

void CXmlCollectionBase::AttributesToXml_Int(CXmlTextWriter* writer) {
    for (int i = 0; i < m_count; ++i) CXmlObjectBase::AttributesToXml_Int(m_nodes[i].m_item, writer);
}

} // namespace NqXmlLib3
