#include "runtime/JsonWriter.h"

#include "runtime/Exceptions.h"
#include "runtime/XmlText.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <vector>

namespace NqXmlLib3::detail {

// RapidJSON's output stream over the writer's string.
struct StringOutput {
    using Ch = char;
    std::string* out;
    void Put(char c) { out->push_back(c); }
    void Flush() {}
};

} // namespace NqXmlLib3::detail

namespace rapidjson {
// RapidJSON reserves room before each value and string, then puts without
// asking again: the string grows once for each.
inline void PutReserve(NqXmlLib3::detail::StringOutput& stream, size_t count) {
    std::string& out = *stream.out;
    if (out.capacity() - out.size() < count) out.reserve(std::max(out.size() + count, 2 * out.capacity()));
}
inline void PutUnsafe(NqXmlLib3::detail::StringOutput& stream, char c) { stream.out->push_back(c); }
} // namespace rapidjson

namespace NqXmlLib3::detail {

namespace {

using Shape = CJsonShape;
using Member = CJsonShape::Member;

bool IsSpecialDouble(std::string_view text) { return text == "INF" || text == "-INF" || text == "NaN"; }

// Follows the shapes through the element events. Each open element is an
// object (its shape), or a simple value gathering its text. A run of items
// stays an open array until an element of another name, or the end of the
// object, closes it. An array that no element opens is written empty, in its
// place, so that every array key is always there.
template <class Writer>
class ShapedWriter final : public CJsonWriter {
public:
    ShapedWriter(const Shape& root, std::string& out) : m_root(root), m_stream{&out}, m_writer(m_stream) {}

    Writer& Json() { return m_writer; }

    void StartElement(std::string_view name) override {
        if (m_open.empty()) {
            if (m_started) throw CNqException("A JSON document holds one root object");
            m_started = true;
            m_writer.StartObject();
            m_open.push_back({&m_root, nullptr, false});
            return;
        }
        Open& parent = m_open.back();
        if (!parent.shape) {
            throw CNqException(FormatString("The element [%s] holds the element [%s], but its JSON value is not an object",
                                            parent.member->key.c_str(), std::string(name).c_str()));
        }
        const Shape& shape = *parent.shape;
        int index = shape.Find(name);
        const Member* alternative = nullptr;
        if (index < 0) {
            index = FindGroup(shape, name);
            if (index >= 0) {
                const Shape& choices = *shape.Members()[static_cast<std::size_t>(index)].shape;
                alternative = &choices.Members()[static_cast<std::size_t>(choices.Find(name))];
            }
        }
        if (index < 0) {
            throw CNqException(FormatString("The element [%s] has no place in the JSON form of [%s]",
                                            QuoteForMessage(name).c_str(), shape.ElementName().c_str()));
        }
        const Member& member = shape.Members()[static_cast<std::size_t>(index)];
        if (parent.openArray != index) {
            CloseArray(parent);
            WriteEmptyArrays(parent, member.slot);
            m_writer.Key(member.key.data(), static_cast<rapidjson::SizeType>(member.key.size()));
            if (member.value == Shape::Value_Array || member.value == Shape::Value_Group) {
                m_writer.StartArray();
                parent.openArray = index;
            }
        }
        parent.nextSlot = member.slot + 1;
        switch (member.value) {
        case Shape::Value_Array:
        case Shape::Value_Object:
            m_writer.StartObject();
            m_open.push_back({member.shape, &member, false});
            return;
        case Shape::Value_Group:
            // An item of a group is an object holding the one alternative its element names.
            m_writer.StartObject();
            m_writer.Key(alternative->key.data(), static_cast<rapidjson::SizeType>(alternative->key.size()));
            if (alternative->value == Shape::Value_Object) {
                m_writer.StartObject();
                m_open.push_back({alternative->shape, alternative, true});
            } else {
                m_open.push_back({nullptr, alternative, true});
                m_text.clear();
            }
            return;
        default:
            m_open.push_back({nullptr, &member, false});
            m_text.clear();
            return;
        }
    }

    void Text(std::string_view text) override {
        if (m_open.empty() || m_open.back().shape) {
            throw CNqException("Text stands where the JSON form has an object");
        }
        m_text.append(text);
    }

    void EndElement() override {
        if (m_open.empty()) throw CNqException("WriteEndElement has no element to end");
        Open open = m_open.back();
        m_open.pop_back();
        if (open.shape) {
            CloseArray(open);
            WriteEmptyArrays(open, open.shape->Slots());
            m_writer.EndObject();
        } else {
            WriteValue(*open.member);
        }
        if (open.groupItem) m_writer.EndObject();
    }

    std::size_t Depth() const override { return m_open.size(); }

private:
    struct Open {
        const Shape* shape;    // an object's; null for a simple value
        const Member* member;  // the key it is written under; null for the root
        bool groupItem;        // whether it is the one key of a group's item object
        int openArray = -1;    // the member whose array is open
        int nextSlot = 0;      // the place in the content after the last key written
    };

    // The group member of `shape` of which `name` is an alternative, or -1.
    static int FindGroup(const Shape& shape, std::string_view name) {
        const auto& members = shape.Members();
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (members[i].value == Shape::Value_Group && members[i].shape->Find(name) >= 0) return static_cast<int>(i);
        }
        return -1;
    }

    void CloseArray(Open& open) {
        if (open.openArray < 0) return;
        m_writer.EndArray();
        open.openArray = -1;
    }

    // Writes the arrays of the places from open.nextSlot up to `slot` that no element opened.
    void WriteEmptyArrays(Open& open, int slot) {
        for (const Member& member : open.shape->Members()) {
            if (member.slot < open.nextSlot || member.slot >= slot) continue;
            if (member.value != Shape::Value_Array && member.value != Shape::Value_Group) continue;
            m_writer.Key(member.key.data(), static_cast<rapidjson::SizeType>(member.key.size()));
            m_writer.StartArray();
            m_writer.EndArray();
        }
        open.nextSlot = std::max(open.nextSlot, slot);
    }

    // The element's text as the JSON value its key takes: the lexical form of
    // a number is already a JSON number, as "true" and "false" are literals.
    void WriteValue(const Member& member) {
        const auto size = static_cast<rapidjson::SizeType>(m_text.size());
        switch (member.value) {
        case Shape::Value_Double:
            if (IsSpecialDouble(m_text)) {
                m_writer.String(m_text.data(), size);
                return;
            }
            m_writer.RawValue(m_text.data(), m_text.size(), rapidjson::kNumberType);
            return;
        case Shape::Value_Integer:
            m_writer.RawValue(m_text.data(), m_text.size(), rapidjson::kNumberType);
            return;
        case Shape::Value_Boolean:
            m_writer.Bool(m_text == "true");
            return;
        default:
            m_writer.String(m_text.data(), size);
            return;
        }
    }

    const Shape& m_root;
    StringOutput m_stream;
    Writer m_writer;
    std::vector<Open> m_open;
    std::string m_text;
    bool m_started = false;
};

} // namespace

std::unique_ptr<CJsonWriter> CJsonWriter::Create(const CJsonShape& root, bool indent, std::string& out) {
    if (!indent) return std::make_unique<ShapedWriter<rapidjson::Writer<StringOutput>>>(root, out);
    auto writer = std::make_unique<ShapedWriter<rapidjson::PrettyWriter<StringOutput>>>(root, out);
    writer->Json().SetIndent(' ', 2);
    return writer;
}

} // namespace NqXmlLib3::detail
