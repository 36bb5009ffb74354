// CXmlObjectBase: the base of every element, choice and collection object of
// a binding. It holds the reference count and the element name, dispatches to
// the objects' protected writers and readers, checks values against facets,
// and reads and writes whole documents.
#pragma once

#include "runtime/Export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace NqXmlLib3 {

class CXmlTextWriter;
class CXmlElement;
class CXmlAttribute;
class CXmlDocument;

/// How ToXml and ToXmlFile lay a document out.
struct CWriteOptions {
    bool indent = true;       ///< one element per line, two spaces per level
    bool declaration = true;  ///< begin with <?xml version="1.0" encoding="UTF-8"?>
};

/// The element name of an object, in one pointer: either a text the name owns
/// or a lasting text shared by every object of that name (the binding's own
/// names), so that most objects carry no copy of their name. Reads like a
/// const std::string.
class NQXML_API CElementName {
public:
    /// The empty name.
    CElementName() noexcept = default;
    /// A copy shares a lasting text and copies an owned one.
    CElementName(const CElementName& other);
    /// Takes over the other name's text.
    CElementName(CElementName&& other) noexcept;
    /// Shares a lasting text and copies an owned one.
    CElementName& operator=(const CElementName& other);
    /// Takes over the other name's text.
    CElementName& operator=(CElementName&& other) noexcept;
    /// Frees an owned text.
    ~CElementName();

    /// Takes `text`; a name that holds that text already is left as it is.
    CElementName& operator=(std::string text);
    /// Refers to `lasting`, which must outlive every name that refers to it
    /// (a constant never destroyed): the name keeps no copy.
    void Share(const std::string& lasting) noexcept;

    /// The name's text.
    const std::string& str() const noexcept {
        return m_text ? *reinterpret_cast<const std::string*>(m_text & ~ownedBit) : Empty();
    }
    /// The name's text as a C string.
    const char* c_str() const noexcept { return str().c_str(); }
    /// Whether the name is empty.
    bool empty() const noexcept { return str().empty(); }
    /// The name's text.
    operator const std::string&() const noexcept { return str(); }
    /// The name's text.
    operator std::string_view() const noexcept { return str(); }

    /// Whether the name's text is `text`.
    friend bool operator==(const CElementName& name, std::string_view text) noexcept { return name.str() == text; }
    /// Whether the name's text is `text`.
    friend bool operator==(std::string_view text, const CElementName& name) noexcept { return name.str() == text; }
    /// Whether the name's text is not `text`.
    friend bool operator!=(const CElementName& name, std::string_view text) noexcept { return name.str() != text; }
    /// Whether the name's text is not `text`.
    friend bool operator!=(std::string_view text, const CElementName& name) noexcept { return name.str() != text; }

private:
    bool Owns() const noexcept { return (m_text & ownedBit) != 0; }
    void Free() noexcept;
    static const std::string& Empty() noexcept;

    static constexpr std::uintptr_t ownedBit = 1;
    // The address of the text, with ownedBit set when the name owns it; 0 for "".
    std::uintptr_t m_text = 0;
};

/// The base of every element, choice and collection object: reference count, element name and document I/O.
class NQXML_API CXmlObjectBase {
public:
    /// The events an object may be told of.
    enum MsgType { MsgType_CollectionChanged = 1 /**< a collection's items changed */ };

    /// Takes one more reference on the object.
    void AddRef();
    /// Gives up one reference; the last one destroys the object.
    void Release();
    /// Whether more than one reference is held on the object.
    bool IsShared() const noexcept { return m_referenceCount > 1; }

    /// The name of the element this object is written as.
    std::string GetElementName() const;
    /// The element name without a copy, for writers and readers on a hot path.
    const std::string& ElementName() const noexcept { return m_elementName; }
    /// The object's runtime base, as the factories and static dispatchers take it.
    virtual CXmlObjectBase* GetBase();
    /// The namespace URI of the object's elements.
    virtual std::string GetTargetNamespace() const;

    /// Writes this object as the root of a whole document and returns its text.
    std::string ToXml(const CWriteOptions& options = CWriteOptions());
    /// Writes the object as a whole document to a file, all or nothing: a failure leaves any file there as it was.
    void ToXmlFile(const std::string& path, const CWriteOptions& options = CWriteOptions());
    /// Parses a document and reads its root element into this object, replacing what it held.
    void FromXml(const std::string& text);
    /// Reads a document from a file into this object, as FromXml does.
    void FromXmlFile(const std::string& path);

    /// Calls the writer of `object`; the flag asks it to declare the namespaces on its element.
    static void ToXml_Int(CXmlObjectBase* object, CXmlTextWriter* writer, bool declareNamespaces,
                          const char* namespaceUri);
    /// Calls the reader of `object` on `element` from `child` on; returns the first child not consumed.
    static CXmlElement* FromXml_Int(CXmlObjectBase* object, CXmlElement* element, CXmlElement* child);
    /// Calls the attribute writer of `object`.
    static void AttributesToXml_Int(CXmlObjectBase* object, CXmlTextWriter* writer);

    /// Sets the element name `object` is written as.
    static void SetElementName(CXmlObjectBase* object, const char* name);
    /// Gives `object` the name `name`, sharing its text when `name` shares one.
    static void SetElementName(CXmlObjectBase* object, const CElementName& name);
    /// Throws CNqException naming the property when `value` is null.
    static void Throw_IfPropertyIsNull(CXmlObjectBase* value, const char* propertyName);
    /// True when the attribute is a namespace declaration.
    static bool IsNamespaceAttribute(const CXmlAttribute* attribute);

    // Facet checks. Each returns when `value` satisfies the facets given and
    // throws CNqException otherwise. The facets, in order: a pattern the
    // lexical form must match (""), the minimum and maximum length in
    // characters of a string (-1), the inclusive and exclusive bounds of a
    // number as lexical forms (""), and the most digits an integer may have
    // (-1); the value in brackets turns a facet off. Every value must also be
    // representable: a string must be text that XML 1.0 can carry, and an
    // i4 must lie inside the 32-bit range.
    /// Throws CNqException when a double breaks the facets given.
    static void CheckRestrictionForr8(const char* name, double value, const char* pattern, int minLength,
                                      int maxLength, const char* minInclusive, const char* maxInclusive,
                                      const char* minExclusive, const char* maxExclusive, int totalDigits);
    /// Throws CNqException when a 32-bit integer breaks the facets given, or lies outside the 32-bit range.
    static void CheckRestrictionFori4(const char* name, long value, const char* pattern, int minLength,
                                      int maxLength, const char* minInclusive, const char* maxInclusive,
                                      const char* minExclusive, const char* maxExclusive, int totalDigits);
    /// Throws CNqException when a 64-bit integer breaks the facets given.
    static void CheckRestrictionFori8(const char* name, std::int64_t value, const char* pattern, int minLength,
                                      int maxLength, const char* minInclusive, const char* maxInclusive,
                                      const char* minExclusive, const char* maxExclusive, int totalDigits);
    /// Throws CNqException when a boolean breaks the facets given.
    static void CheckRestrictionForboolean(const char* name, bool value, const char* pattern, int minLength,
                                           int maxLength, const char* minInclusive, const char* maxInclusive,
                                           const char* minExclusive, const char* maxExclusive, int totalDigits);
    /// Throws CNqException when a string breaks the facets given, or holds text XML 1.0 cannot carry.
    static void CheckRestrictionForstring(const char* name, const std::string& value, const char* pattern,
                                          int minLength, int maxLength, const char* minInclusive,
                                          const char* maxInclusive, const char* minExclusive,
                                          const char* maxExclusive, int totalDigits);

protected:
    CXmlObjectBase();
    /// A copy takes the element name and starts with a reference count of its own.
    CXmlObjectBase(const CXmlObjectBase& other);
    CXmlObjectBase& operator=(const CXmlObjectBase& other);
    virtual ~CXmlObjectBase();

    virtual void OnEvent(CXmlObjectBase* source, MsgType type, void* data);
    virtual void AttributesToXml_Int(CXmlTextWriter* writer);
    virtual void ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) = 0;
    virtual CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* child) = 0;

    /// Reads the root element of an opened document into this object, as FromXml does: text malformed
    /// anywhere is refused as such, even where a failure of the reader comes earlier in the text.
    void ReadDocument(CXmlDocument& document);

    CElementName m_elementName;

private:

    long m_referenceCount = 0;
};

} // namespace NqXmlLib3
