// The frame every Storage class is written in: how a writer and a reader are
// guarded, how failures are wrapped and located, how a simple child element
// is written and read, and how the children of an element are walked with a
// cursor. A class describes its content once, as a template over a visitor:
//
//     template <class Visitor> void CArrRange::Content(Visitor& v) {
//         v.Collection(m_arrRange_ChoiceA, Frame::NoNamespace);
//         v.Field(Frame::Int, "rows", m_rows, &CArrRange::SetRows);
//         ...
//     }
//
// and the frame runs it with a ContentWriter to write, a ContentReader to
// read, and a ShapeBuilder to describe the JSON form of the same content.
// Internal to the library.
#pragma once

#include "runtime/CompactString.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/JsonShape.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlCollectionBase.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlObjectBase.h"
#include "runtime/XmlTextWriter.h"
#include "storage/ClassFactory.h"
#include "storage/ElementNames.h"
#include "storage/TargetNamespace.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Storage::Frame {

using NqXmlLib3::CConversions;
using NqXmlLib3::CJsonShape;
using NqXmlLib3::CNqException;
using NqXmlLib3::CNqValidationException;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlCollectionBase;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;
using WhitespaceRule = NqXmlLib3::CWhitespaceUtils::WhitespaceRule;

inline constexpr const char* NoNamespace = "";

// ---- The lexical kinds of simple content -------------------------------------
// Each kind checks a value against its (neutral) facets, gives its lexical
// form, and reads it from a text under its whitespace rule. Only a string's
// lexical form can hold text that XML cannot carry. Each names the JSON
// value its lexical form is carried in.

struct DoubleKind {
    static constexpr bool formsAnyText = false;
    static constexpr CJsonShape::Value json = CJsonShape::Value_Double;
    using Value = double;
    static void Check(const char* name, double value);
    static std::string_view Format(double value, CConversions::NumberBuffer& buffer);
    static double Parse(std::string_view text);
};
struct StringKind {
    static constexpr bool formsAnyText = true;
    static constexpr CJsonShape::Value json = CJsonShape::Value_String;
    using Value = std::string;
    static void Check(const char* name, const std::string& value);
    static std::string_view Format(const std::string& value, CConversions::NumberBuffer&);
    static std::string Parse(std::string_view text);
};
struct BooleanKind {
    static constexpr bool formsAnyText = false;
    static constexpr CJsonShape::Value json = CJsonShape::Value_Boolean;
    using Value = bool;
    static void Check(const char* name, bool value);
    static std::string_view Format(bool value, CConversions::NumberBuffer&);
    static bool Parse(std::string_view text);
};
struct IntKind {  // xs:int, held in a long
    static constexpr bool formsAnyText = false;
    static constexpr CJsonShape::Value json = CJsonShape::Value_Integer;
    using Value = long;
    static void Check(const char* name, long value);
    static std::string_view Format(long value, CConversions::NumberBuffer& buffer);
    static long Parse(std::string_view text);
};
struct LongKind {  // xs:long
    static constexpr bool formsAnyText = false;
    static constexpr CJsonShape::Value json = CJsonShape::Value_LongInteger;
    using Value = std::int64_t;
    static void Check(const char* name, std::int64_t value);
    static std::string_view Format(std::int64_t value, CConversions::NumberBuffer& buffer);
    static std::int64_t Parse(std::string_view text);
};

inline constexpr DoubleKind Double{};
inline constexpr StringKind String{};
inline constexpr BooleanKind Boolean{};
inline constexpr IntKind Int{};
inline constexpr LongKind Long{};

// A setter's work: the whitespace step of a string, the facet check, then
// the store; a value that fails the check leaves the field as it was.
template <class Kind>
void Store(Kind, typename Kind::Value& field, const char* name, typename Kind::Value value) {
    Kind::Check(name, value);
    field = std::move(value);
}
inline void Store(StringKind, std::string& field, const char* name, std::string value) {
    value = NqXmlLib3::CWhitespaceUtils::Preserve(std::move(value));
    StringKind::Check(name, value);
    field = std::move(value);
}
inline void Store(StringKind, NqXmlLib3::CCompactString& field, const char* name, std::string value) {
    value = NqXmlLib3::CWhitespaceUtils::Preserve(std::move(value));
    StringKind::Check(name, value);
    field = std::move(value);
}

// ---- Owned children ----------------------------------------------------------
// Init gives an owner children as the class factory makes them. The child it
// holds already is kept when no one else holds it and it is still as the
// factory made it, since no one can tell it from a new one; otherwise a new
// one is made. Reading an object just made then costs no second child.

template <class Collection>
void RenewCollection(CSmartPtr<Collection>& held, CClassFactory::Storage_Classes classId, const char* elementName,
                     int minOccurs) {
    constexpr int maxOccurs = CXmlCollectionBase::Unbounded;
    if (held && !held->IsShared() && held->GetCount() == 0 && held->ElementName() == std::string_view(elementName) &&
        held->GetMinOccurs() == minOccurs && held->GetMaxOccurs() == maxOccurs) {
        return;
    }
    held = NqXmlLib3::DynamicCast<Collection>(
        CClassFactory::CreateClassCollection(classId, elementName, minOccurs, maxOccurs));
}

// A new object of class C named `elementName`, as the class factory makes
// it, without the factory's untyped detour and the cast back.
template <class C>
CSmartPtr<C> MakeNamed(const char* elementName) {
    CSmartPtr<C> object = C::CreateInstance();
    Names::Name(object->GetBase(), elementName);
    return object;
}

template <class Choice>
void RenewChoice(CSmartPtr<Choice>& held, const char* elementName) {
    if (held && !held->IsShared() && held->GetChoiceSelectedElement().empty() &&
        held->ElementName() == std::string_view(elementName)) {
        return;
    }
    held = MakeNamed<Choice>(elementName);
}

// ---- Failures ------------------------------------------------------------------

// Gives `error` the position of `element` unless it has one already.
void Locate(CNqException& error, const CXmlElement* element);
// Throws CNqValidationException(text) at the position of `element`.
[[noreturn]] void Fail(const std::string& text, const CXmlElement* element);
// Throws CNqValidationException(format % element's local name) wrapping `inner`, at `element`.
[[noreturn]] void Wrap(const char* format, const CXmlElement& element, const CNqException& inner);
[[noreturn]] void WrapWrite(const CXmlObjectBase& object, const CNqException& inner);

extern const char* const FailedToProcessChildren;
extern const char* const FailedToProcessAttributes;

// ---- Writing -------------------------------------------------------------------

void DeclareNamespaces(CXmlTextWriter* writer);

template <class Kind>
void WriteSimple(CXmlTextWriter* writer, const char* name, const typename Kind::Value& value) {
    Kind::Check(name, value);
    writer->WriteStartElement(name, TargetNamespaceUri);
    // A writer that only checks learns nothing from a number's lexical form.
    if (Kind::formsAnyText || !writer->Discards()) {
        CConversions::NumberBuffer buffer;
        writer->WriteString(Kind::Format(value, buffer));
    }
    writer->WriteEndElement();
}

template <class Child>
void WriteChild(const CSmartPtr<Child>& child, CXmlTextWriter* writer, const char* namespaceUri) {
    CXmlObjectBase::ToXml_Int(child ? child->GetBase() : nullptr, writer, false, namespaceUri);
}

// The writing guard: what `step` throws reaches the caller wrapped in
// "Failed to convert the element [name] to XML".
template <class Step>
void Writing(const CXmlObjectBase& object, Step&& step) {
    try {
        step();
    } catch (const CNqException& error) {
        WrapWrite(object, error);
    }
}

class ContentWriter {
public:
    explicit ContentWriter(CXmlTextWriter* writer) : m_writer(writer) {}

    template <class Kind, class Setter>
    void Field(Kind, const char* name, const typename Kind::Value& value, Setter) {
        WriteSimple<Kind>(m_writer, name, value);
    }
    template <class Setter>
    void Field(StringKind, const char* name, const NqXmlLib3::CCompactString& value, Setter) {
        std::string scratch;
        WriteSimple<StringKind>(m_writer, name, value.AsString(scratch));
    }
    template <class Child>
    void Collection(const CSmartPtr<Child>& collection, const char* namespaceUri, const char* = nullptr) {
        WriteChild(collection, m_writer, namespaceUri);
    }
    template <class Child>
    void Choice(const CSmartPtr<Child>& choice) {
        WriteChild(choice, m_writer, NoNamespace);
    }

private:
    CXmlTextWriter* m_writer;
};

// The namespace declarations when asked, the start element and the attributes.
void WriteStart(CXmlObjectBase& object, CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri);

// Writes an element: its start, the content, the end element.
template <class Content>
void WriteElement(CXmlObjectBase& object, CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri,
                  Content&& content) {
    Writing(object, [&] {
        WriteStart(object, writer, declareNamespaces, namespaceUri);
        ContentWriter visitor(writer);
        content(visitor);
        writer->WriteEndElement();
    });
}

// ---- Reading -------------------------------------------------------------------

// The text of a simple element; refuses child elements inside it.
std::string_view SimpleText(const CXmlElement& element);

// Runs `step` inside a reading guard that wraps what it throws in `format`
// naming `element`.
template <class Step>
auto Guarded(const char* format, const CXmlElement& element, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const CNqException& error) {
        Wrap(format, element, error);
    }
}

enum class Attributes { Refuse, Accept };

// Walks the attributes of `element`: namespace declarations always pass; any
// other attribute passes only under Accept.
void ReadAttributes(const CXmlElement& element, Attributes rule);

// Reads a simple child: converts its text and hands the value to `store`,
// locating any failure at the child.
template <class Kind, class Store>
void ReadSimple(const CXmlElement& child, Store&& store) {
    try {
        store(Kind::Parse(SimpleText(child)));
    } catch (CNqException& error) {
        Locate(error, &child);
        throw;
    }
}

template <class Object>
class ContentReader {
public:
    ContentReader(Object& object, CXmlElement* element, CXmlElement* cursor)
        : m_object(object), m_element(element), m_cursor(cursor) {}

    template <class Kind>
    void Field(Kind, const char* name, const typename Kind::Value&, void (Object::*set)(typename Kind::Value)) {
        Read<Kind>(name, set);
    }
    void Field(StringKind, const char* name, const NqXmlLib3::CCompactString&, void (Object::*set)(std::string)) {
        Read<StringKind>(name, set);
    }
    template <class Child>
    void Collection(const CSmartPtr<Child>& collection, const char*, const char* = nullptr) {
        ReadChild(collection);
        try {
            collection->ValidateCount();
        } catch (CNqException& error) {
            Locate(error, m_cursor ? m_cursor : m_element);
            throw;
        }
    }
    template <class Child>
    void Choice(const CSmartPtr<Child>& choice) {
        ReadChild(choice);
    }
    // Refuses a child left when the content is complete.
    CXmlElement* Finish() {
        if (m_cursor) {
            Fail(NqXmlLib3::FormatString("Failed read all the elements held within the element. Unknown Element "
                                         "[%s] remains un processed",
                                         m_cursor->GetLocalName().c_str()),
                 m_cursor);
        }
        return m_cursor;
    }

private:
    template <class Kind>
    void Read(const char* name, void (Object::*set)(typename Kind::Value)) {
        CXmlElement* child = Require(name);
        ReadSimple<Kind>(*child, [&](typename Kind::Value value) { (m_object.*set)(std::move(value)); });
        m_cursor = child->GetNextSiblingElement();
    }
    template <class Child>
    void ReadChild(const CSmartPtr<Child>& child) {
        m_cursor = CXmlObjectBase::FromXml_Int(child->GetBase(), m_element, m_cursor);
    }
    CXmlElement* Require(const char* name) {
        if (!m_cursor || m_cursor->GetLocalName() != std::string_view(name)) {
            Fail(std::string("Failed to find a required element [") + name + "]", m_cursor ? m_cursor : m_element);
        }
        return m_cursor;
    }

    Object& m_object;
    CXmlElement* m_element;
    CXmlElement* m_cursor;
};

// Reads an element: takes its local name as the object's element name,
// walks its attributes, then its content, and refuses anything left over.
// The object has already been reset by its Init.
template <class Object, class Content>
CXmlElement* ReadElement(Object& object, CXmlElement* element, CXmlElement* child, Attributes rule,
                         Content&& content) {
    if (!element) throw CNqException("There is no element to read");
    Names::Name(object.GetBase(), element->GetLocalName());
    ReadAttributes(*element, rule);
    return Guarded(FailedToProcessChildren, *element, [&] {
        ContentReader<Object> visitor(object, element, child);
        content(visitor);
        return visitor.Finish();
    });
}

// Reads a choice group inside `parent`: its attributes are accepted, and
// `readOne` consumes at most one element from `cursor` on.
template <class ReadOne>
CXmlElement* ReadChoice(CXmlElement* parent, ReadOne&& readOne) {
    if (!parent) throw CNqException("There is no element to read");
    ReadAttributes(*parent, Attributes::Accept);
    return Guarded(FailedToProcessChildren, *parent, readOne);
}

// ---- The JSON form ------------------------------------------------------------

// Describes a content as a JSON shape: a simple child is a key whose value
// is its kind's JSON value, a collection of elements an array of objects
// under the items' element name, a collection of choices (which have no
// element of their own) an array of one-key objects under the group name the
// content gives it, and a choice its alternatives, one of which is present.
class ShapeBuilder {
public:
    explicit ShapeBuilder(CJsonShape& shape) : m_shape(shape) {}

    template <class Kind, class Value, class Setter>
    void Field(Kind, const char* name, const Value&, Setter) {
        m_shape.Add(name, Kind::json);
    }
    template <class Child>
    void Collection(const CSmartPtr<Child>& collection, const char*, const char* groupName = nullptr) {
        using Item = typename Child::ItemType;
        if (groupName) {
            m_shape.Add(groupName, CJsonShape::Value_Group, &Item::GetJsonShape());
        } else {
            m_shape.Add(collection->ElementName(), CJsonShape::Value_Array, &Item::GetJsonShape());
        }
    }
    template <class Child>
    void Choice(const CSmartPtr<Child>&) {
        m_shape.AddChoice(Child::GetJsonShape());
    }

private:
    CJsonShape& m_shape;
};

// The shape of the content of class C, which `content` runs with a visitor
// on an object of C. Built on first use and kept for the life of the
// program, like the element names: every JSON read and write follows it.
template <class C, class Content>
const CJsonShape& ShapeOf(const char* elementName, Content&& content) {
    static const CJsonShape* const shape = [&] {
        auto* made = new CJsonShape(elementName);
        const CSmartPtr<C> sample = C::CreateInstance();
        ShapeBuilder builder(*made);
        content(*sample, builder);
        return made;
    }();
    return *shape;
}

} // namespace Storage::Frame
