// The JSON form of a document. An element is a JSON object whose keys are
// the names of its child elements; a CJsonShape tells, for one element, how
// each child is carried: which JSON type a simple child's text takes, which
// children repeat (a JSON array), which nest (an object), and which form a
// choice of which exactly one is present. A binding builds the shapes from
// the same description of its content that its XML writer and reader use;
// the runtime's JSON writer and reader follow them.
#pragma once

#include "runtime/Export.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace NqXmlLib3 {

/// The syntax a document's text is read in.
enum class CSyntax {
    Xml,     ///< XML
    Json,    ///< the JSON form that a CJsonShape describes
    Detect,  ///< JSON when the first character other than blanks and a byte-order mark is '{', else XML
};

/// How the content of one element is carried in JSON: at most 64 keys.
class NQXML_API CJsonShape {
public:
    /// How the value of one key is carried.
    enum Value {
        Value_String,       ///< a JSON string: the element's text
        Value_Double,       ///< a JSON number; "INF", "-INF" and "NaN" as strings
        Value_Integer,      ///< a JSON number without fraction or exponent (a 32-bit integer)
        Value_LongInteger,  ///< a string of decimal digits (a 64-bit integer); a JSON integer is read too
        Value_Boolean,      ///< true or false
        Value_Object,       ///< one child element, as an object its own shape describes
        Value_Array,        ///< the run of child elements of that name, as an array of objects
        Value_Group,        ///< a run of choices that have no element of their own: an array of objects
                            ///< that each hold one alternative of the member's shape
    };

    /// One key of the object.
    struct Member {
        std::string key;                    ///< the key: the child element's name, or a group's own name
        Value value;                        ///< how its value is carried
        const CJsonShape* shape = nullptr;  ///< the shape of an object, an array's items or a group's choices
        int slot = 0;                       ///< its place in the element's content; a choice's alternatives share one
        bool alternative = false;           ///< whether it is one alternative of a choice
    };

    /// An empty shape for elements named `elementName`.
    explicit CJsonShape(std::string elementName);

    /// Adds a key in the next place of the content; a 65th key is refused with CNqException.
    void Add(std::string key, Value value, const CJsonShape* shape = nullptr);
    /// Adds a choice: every key of `alternatives` (whose own keys are all alternatives) becomes an
    /// alternative of this shape, sharing the next place; exactly one of them is present.
    void AddChoice(const CJsonShape& alternatives);
    /// Adds one alternative to the choice added last, or starts a choice in the next place.
    void AddAlternative(std::string key, Value value, const CJsonShape* shape = nullptr);

    /// The name of the elements this shape describes.
    const std::string& ElementName() const { return m_elementName; }
    /// The keys, in the order of the element's content.
    const std::vector<Member>& Members() const { return m_members; }
    /// The number of places in the content (a choice fills one).
    int Slots() const { return m_slots; }
    /// The index of the member with this key, or -1.
    int Find(std::string_view key) const;
    /// Whether the shape has a choice (one of whose alternatives must be present).
    bool HasChoice() const { return m_choiceSlot >= 0; }
    /// The alternatives' keys, separated by ", ", for messages.
    std::string AlternativeKeys() const;

private:
    void Append(Member member);

    std::string m_elementName;
    std::vector<Member> m_members;
    int m_slots = 0;
    int m_choiceSlot = -1;  // the place of the choice, or -1
};

} // namespace NqXmlLib3
