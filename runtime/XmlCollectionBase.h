// CXmlCollectionBase: the untyped list under every typed collection. It holds
// one reference on each item in a chain of nodes, the element name of the
// items, and the occurrence limits that ValidateCount checks. The nodes lie
// side by side in one array, so adding an item may move them: a node pointer
// or iterator is valid until the collection next changes.
#pragma once

#include "runtime/Export.h"
#include "runtime/XmlObjectBase.h"

#include <cstddef>
#include <iterator>

namespace NqXmlLib3 {

/// One link of a collection's chain of items.
struct CNode {
    /// The item, on which the collection holds one reference.
    CXmlObjectBase* m_item = nullptr;
    /// The next link, or null after the last item.
    CNode* m_next = nullptr;
};

/// Forward iteration over a node chain, reaching each item as a T.
template <class T>
class CNqIterator {
public:
    /// A forward iterator.
    using iterator_category = std::forward_iterator_tag;
    /// Items are reached as pointers to T.
    using value_type = T*;
    /// The distance between two positions.
    using difference_type = std::ptrdiff_t;
    /// A pointer to an item pointer.
    using pointer = T**;
    /// Dereferencing gives the item pointer itself.
    using reference = T*;

    /// An iterator at `node`; null is the end.
    explicit CNqIterator(CNode* node = nullptr) : m_node(node) {}

    /// The item here, as a T (null when it is not a T).
    T* operator*() const { return dynamic_cast<T*>(m_node->m_item); }
    /// Moves to the next item.
    CNqIterator& operator++() {
        m_node = m_node->m_next;
        return *this;
    }
    /// Moves to the next item, returning the position before.
    CNqIterator operator++(int) {
        CNqIterator before = *this;
        m_node = m_node->m_next;
        return before;
    }
    /// Whether both stand at the same item.
    bool operator==(const CNqIterator& other) const { return m_node == other.m_node; }
    /// Whether they stand at different items.
    bool operator!=(const CNqIterator& other) const { return m_node != other.m_node; }

private:
    CNode* m_node;
};

/// The list under every typed collection: items in order under one element name, with occurrence limits.
class NQXML_API CXmlCollectionBase : public CXmlObjectBase {
public:
    /// The maximum of a collection with no upper limit.
    static constexpr int Unbounded = -1;

    /// How many items the collection holds.
    virtual int GetCount();
    /// Removes every item, giving up the collection's references.
    virtual void Clear();
    /// Removes the item at a position counted from 0; throws CNqException for a position that does not exist.
    virtual void Remove(int index);
    /// Throws CNqException naming the element, the count and the limit when the count is outside the limits.
    virtual void ValidateCount();
    /// Throws CNqException naming the element and the count unless the
    /// collection holds exactly one item: written as a whole document, its
    /// items stand at the top, where a document has one root element.
    void ValidateAsDocument() const;

    /// The fewest items a valid collection holds.
    int GetMinOccurs() const { return m_minOccurs; }
    /// The most items a valid collection holds, or Unbounded.
    int GetMaxOccurs() const { return m_maxOccurs; }

protected:
    CXmlCollectionBase();
    /// A copy holds the same items (each gains a reference) and the same limits.
    CXmlCollectionBase(const CXmlCollectionBase& other);
    CXmlCollectionBase& operator=(const CXmlCollectionBase& other);
    ~CXmlCollectionBase() override;

    /// Adds at the end and takes a reference on the item; refuses null.
    void Append(CXmlObjectBase* item);
    /// Makes room for `extra` more items: exactly that much for an empty
    /// collection, so a collection read in one go is allocated once.
    void Reserve(int extra);
    /// The node at a position counted from 0; throws CNqException for a position that does not exist.
    CNode* GetNodeAtIndex(int index);
    /// The node holding the item, or null.
    CNode* GetNodeForItem(CXmlObjectBase* item);
    /// Unlinks the node and gives up the list's reference on its item; null is ignored.
    void RemoveNode(CNode* node);
    void FireOnCollectionChange();
    CNode* GetFirstNode() const { return m_count > 0 ? m_nodes : nullptr; }

    /// Writes the attributes of every item.
    void AttributesToXml_Int(CXmlTextWriter* writer) override;
    // Gives back the room kept for more items, once no more are expected.
    void ShrinkToFit();

    int m_minOccurs = 0;
    int m_maxOccurs = Unbounded;

private:
    void CopyItemsFrom(const CXmlCollectionBase& other);
    // Moves the nodes to an array of `capacity` nodes and links them in order.
    void Reallocate(int capacity);
    // Takes the nodes away from the collection and releases their items.
    void ReleaseAll(CNode* nodes, int count);

    CNode* m_nodes = nullptr;
    int m_count = 0;
    int m_capacity = 0;
};

} // namespace NqXmlLib3
