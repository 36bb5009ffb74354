#include "runtime/XmlCollectionBase.h"

#include "runtime/Exceptions.h"

namespace NqXmlLib3 {

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
    CNode* oldFirst = m_first;
    m_first = m_last = nullptr;
    m_count = 0;
    CopyItemsFrom(other);
    while (oldFirst) {
        CNode* next = oldFirst->m_next;
        oldFirst->m_item->Release();
        delete oldFirst;
        oldFirst = next;
    }
    m_cursorNode = nullptr;
    m_cursorIndex = -1;
    return *this;
}

CXmlCollectionBase::~CXmlCollectionBase() { Clear(); }

void CXmlCollectionBase::CopyItemsFrom(const CXmlCollectionBase& other) {
    for (CNode* node = other.m_first; node; node = node->m_next) Append(node->m_item);
}

int CXmlCollectionBase::GetCount() { return m_count; }

void CXmlCollectionBase::Clear() {
    // Unlink first: releasing an item may run code that looks at this list.
    CNode* node = m_first;
    m_first = m_last = nullptr;
    m_count = 0;
    m_cursorNode = nullptr;
    m_cursorIndex = -1;
    while (node) {
        CNode* next = node->m_next;
        node->m_item->Release();
        delete node;
        node = next;
    }
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
    CNode* node = new CNode{item, nullptr};
    item->AddRef();
    if (m_last) m_last->m_next = node;
    else m_first = node;
    m_last = node;
    ++m_count;
}

CNode* CXmlCollectionBase::GetNodeAtIndex(int index) {
    if (index < 0 || index >= m_count) {
        throw CNqException(FormatString("The index %d is outside the collection [%s], which holds %d item(s)", index,
                                        m_elementName.c_str(), m_count));
    }
    if (!m_cursorNode || index < m_cursorIndex) {
        m_cursorNode = m_first;
        m_cursorIndex = 0;
    }
    while (m_cursorIndex < index) {
        m_cursorNode = m_cursorNode->m_next;
        ++m_cursorIndex;
    }
    return m_cursorNode;
}

CNode* CXmlCollectionBase::GetNodeForItem(CXmlObjectBase* item) {
    for (CNode* node = m_first; node; node = node->m_next) {
        if (node->m_item == item) return node;
    }
    return nullptr;
}

void CXmlCollectionBase::RemoveNode(CNode* node) {
    if (!node) return;
    CNode* previous = nullptr;
    for (CNode* at = m_first; at && at != node; at = at->m_next) previous = at;
    if (previous) previous->m_next = node->m_next;
    else if (m_first == node) m_first = node->m_next;
    else return;  // not a node of this list
    if (m_last == node) m_last = previous;
    --m_count;
    m_cursorNode = nullptr;
    m_cursorIndex = -1;
    CXmlObjectBase* item = node->m_item;
    delete node;
    item->Release();
}

void CXmlCollectionBase::FireOnCollectionChange() { OnEvent(this, MsgType_CollectionChanged, nullptr); }

void CXmlCollectionBase::AttributesToXml_Int(CXmlTextWriter* writer) {
    for (CNode* node = m_first; node; node = node->m_next) {
        CXmlObjectBase::AttributesToXml_Int(node->m_item, writer);
    }
}

} // namespace NqXmlLib3
