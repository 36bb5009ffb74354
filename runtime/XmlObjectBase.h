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

struct CWriteOptions {
    bool indent = true;       // one element per line, two spaces per level
    bool declaration = true;  // begin with <?xml version="1.0" encoding="UTF-8"?>
};

// The element name of an object, in one pointer: either a text the name owns
// or a lasting text shared by every object of that name (the binding's own
// names), so that most objects carry no copy of their name. Reads like a
// const std::string.
class NQXML_API CElementName {
public:
    CElementName() noexcept = default;
    CElementName(const CElementName& other);
    CElementName(CElementName&& other) noexcept;
    CElementName& operator=(const CElementName& other);
    CElementName& operator=(CElementName&& other) noexcept;
    ~CElementName();

    // Takes `text`; a name that holds that text already is left as it is.
    CElementName& operator=(std::string text);
    // Refers to `lasting`, which must outlive every name that refers to it
    // (a constant never destroyed): the name keeps no copy.
    void Share(const std::string& lasting) noexcept;

    const std::string& str() const noexcept;
    const char* c_str() const noexcept { return str().c_str(); }
    bool empty() const noexcept { return str().empty(); }
    operator const std::string&() const noexcept { return str(); }
    operator std::string_view() const noexcept { return str(); }

    friend bool operator==(const CElementName& name, std::string_view text) noexcept { return name.str() == text; }
    friend bool operator==(std::string_view text, const CElementName& name) noexcept { return name.str() == text; }
    friend bool operator!=(const CElementName& name, std::string_view text) noexcept { return name.str() != text; }
    friend bool operator!=(std::string_view text, const CElementName& name) noexcept { return name.str() != text; }

private:
    bool Owns() const noexcept { return (m_text & ownedBit) != 0; }
    void Free() noexcept;

    static constexpr std::uintptr_t ownedBit = 1;
    // The address of the text, with ownedBit set when the name owns it; 0 for "".
    std::uintptr_t m_text = 0;
};

class NQXML_API CXmlObjectBase {
public:
    enum MsgType { MsgType_CollectionChanged = 1 };

    void AddRef();
    void Release();
    // Whether more than one reference is held on the object.
    bool IsShared() const noexcept { return m_referenceCount > 1; }

    std::string GetElementName() const;
    // The element name without a copy, for writers and readers on a hot path.
    const std::string& ElementName() const noexcept { return m_elementName; }
    virtual CXmlObjectBase* GetBase();
    virtual std::string GetTargetNamespace() const;

    // Document I/O. ToXml writes this object as the root of a whole document;
    // FromXml parses a document and reads its root element into this object.
    std::string ToXml(const CWriteOptions& options = CWriteOptions());
    void ToXmlFile(const std::string& path, const CWriteOptions& options = CWriteOptions());
    void FromXml(const std::string& text);
    void FromXmlFile(const std::string& path);

    // Dispatchers to another object's protected writer, reader and attribute writer.
    static void ToXml_Int(CXmlObjectBase* object, CXmlTextWriter* writer, bool declareNamespaces,
                          const char* namespaceUri);
    static CXmlElement* FromXml_Int(CXmlObjectBase* object, CXmlElement* element, CXmlElement* child);
    static void AttributesToXml_Int(CXmlObjectBase* object, CXmlTextWriter* writer);

    static void SetElementName(CXmlObjectBase* object, const char* name);
    // Gives `object` the name `name`, sharing its text when `name` shares one.
    static void SetElementName(CXmlObjectBase* object, const CElementName& name);
    // Throws CNqException naming the property when `value` is null.
    static void Throw_IfPropertyIsNull(CXmlObjectBase* value, const char* propertyName);
    static bool IsNamespaceAttribute(const CXmlAttribute* attribute);

    // Facet checks. Each returns when `value` satisfies the facets given and
    // throws CNqException otherwise. The facets, in order: a pattern the
    // lexical form must match (""), the minimum and maximum length in
    // characters of a string (-1), the inclusive and exclusive bounds of a
    // number as lexical forms (""), and the most digits an integer may have
    // (-1); the value in brackets turns a facet off. Every value must also be
    // representable: a string must be text that XML 1.0 can carry, and an
    // i4 must lie inside the 32-bit range.
    static void CheckRestrictionForr8(const char* name, double value, const char* pattern, int minLength,
                                      int maxLength, const char* minInclusive, const char* maxInclusive,
                                      const char* minExclusive, const char* maxExclusive, int totalDigits);
    static void CheckRestrictionFori4(const char* name, long value, const char* pattern, int minLength,
                                      int maxLength, const char* minInclusive, const char* maxInclusive,
                                      const char* minExclusive, const char* maxExclusive, int totalDigits);
    static void CheckRestrictionFori8(const char* name, std::int64_t value, const char* pattern, int minLength,
                                      int maxLength, const char* minInclusive, const char* maxInclusive,
                                      const char* minExclusive, const char* maxExclusive, int totalDigits);
    static void CheckRestrictionForboolean(const char* name, bool value, const char* pattern, int minLength,
                                           int maxLength, const char* minInclusive, const char* maxInclusive,
                                           const char* minExclusive, const char* maxExclusive, int totalDigits);
    static void CheckRestrictionForstring(const char* name, const std::string& value, const char* pattern,
                                          int minLength, int maxLength, const char* minInclusive,
                                          const char* maxInclusive, const char* minExclusive,
                                          const char* maxExclusive, int totalDigits);

protected:
    CXmlObjectBase();
    // A copy takes the element name and starts with a reference count of its own.
    CXmlObjectBase(const CXmlObjectBase& other);
    CXmlObjectBase& operator=(const CXmlObjectBase& other);
    virtual ~CXmlObjectBase();

    virtual void OnEvent(CXmlObjectBase* source, MsgType type, void* data);
    virtual void AttributesToXml_Int(CXmlTextWriter* writer);
    virtual void ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) = 0;
    virtual CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* child) = 0;

    CElementName m_elementName;

private:
    long m_referenceCount = 0;
};

} // namespace NqXmlLib3
