#include "runtime/JsonWriter.h"

#include "runtime/Exceptions.h"
#include "runtime/Memory.h"
#include "runtime/XmlText.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace NqXmlLib3::detail {

namespace {

using Shape = CJsonShape;
using Member = CJsonShape::Member;

// RapidJSON writes into a buffer of its own, for which its writer copies
// runs of text that need no escaping in bulk; the buffer is moved on to the
// writer's string in pieces of about this size.
constexpr std::size_t pieceSize = 1 << 16;

bool IsSpecialDouble(std::string_view text) { return text == "INF" || text == "-INF" || text == "NaN"; }

// Follows the shapes through the element events. Each open element is an
// object (its shape), or a simple value gathering its text. A run of items
// stays an open array until an element of another name, or the end of the
// object, closes it. An array that no element opens is written empty, in its
// place, so that every array key is always there.
template <class Writer>
class ShapedWriter final : public CJsonWriter {
public:
    ShapedWriter(const Shape& root, std::string& out) : m_root(root), m_out(out), m_writer(m_buffer) {}

    Writer& Json() { return m_writer; }

    void StartElement(std::string_view name) override {
        if (m_depth == 0) {
            if (m_started) throw CNqException("A JSON document holds one root object");
            m_started = true;
            m_writer.StartObject();
            Enter({&m_root, nullptr, false});
            return;
        }
        Open& parent = m_open[m_depth - 1];
        if (!parent.shape) {
            throw CNqException(FormatString("The element [%s] holds the element [%s], but its JSON value is not an object",
                                            parent.member->key.c_str(), std::string(name).c_str()));
        }
        const Member* alternative = nullptr;
        const int index = Find(parent, name, alternative);
        const Member& member = parent.shape->Members()[static_cast<std::size_t>(index)];
        if (parent.openArray != index) {
            CloseArray(parent);
            if (member.slot > parent.nextSlot) WriteEmptyArrays(parent, member.slot);
            WriteKey(member.key);
            if (member.value == Shape::Value_Array || member.value == Shape::Value_Group) {
                m_writer.StartArray();
                parent.openArray = index;
            }
        }
        parent.nextSlot = member.slot + 1;
        if (member.value == Shape::Value_Group) {
            // An item of a group is an object holding the one alternative its element names.
            m_writer.StartObject();
            WriteKey(alternative->key);
            Push(*alternative, true);
        } else {
            Push(member, false);
        }
    }

    // A simple value is written with its text, which comes in one piece.
    void Text(std::string_view text) override {
        if (m_depth == 0 || m_open[m_depth - 1].shape) {
            throw CNqException("Text stands where the JSON form has an object");
        }
        if (text.empty()) return;
        Open& open = m_open[m_depth - 1];
        if (open.written) throw CNqException("A value of the JSON form is written in one piece");
        WriteValue(*open.member, text);
        open.written = true;
    }

    void EndElement() override {
        if (m_depth == 0) throw CNqException("WriteEndElement has no element to end");
        Open& open = m_open[m_depth - 1];
        if (open.shape) {
            CloseArray(open);
            WriteEmptyArrays(open, open.shape->Slots());
            m_writer.EndObject();
        } else if (!open.written) {
            WriteValue(*open.member, std::string_view());
        }
        if (open.groupItem) m_writer.EndObject();
        --m_depth;
        if (m_buffer.GetSize() >= pieceSize) Trim();
    }

    std::size_t Depth() const override { return m_depth; }

    void Trim() override {
        const std::size_t size = m_buffer.GetSize();
        if (size == 0) return;
        if (m_out.capacity() - m_out.size() < size) {
            std::string grown;
            grown.reserve(std::max(m_out.size() + size, 2 * m_out.capacity()));
            AdviseHugePages(&grown[0], grown.capacity());
            grown.append(m_out);
            m_out.swap(grown);
        }
        m_out.append(m_buffer.GetString(), size);
        m_buffer.Clear();
    }

    void Resume() override {}

private:
    struct Open {
        const Shape* shape;    // an object's; null for a simple value
        const Member* member;  // the key it is written under; null for the root
        bool groupItem;        // whether it is the one key of a group's item object
        bool written = false;  // whether a simple value's text is written
        int openArray = -1;    // the member whose array is open
        int nextSlot = 0;      // the place in the content after the last key written
        int last = 0;          // the member found last, where the next search starts
    };

    // The open elements are kept in place, for the next element as deep to reuse.
    void Enter(const Open& open) {
        if (m_depth == m_open.size()) m_open.emplace_back(open);
        else m_open[m_depth] = open;
        ++m_depth;
    }

    void Push(const Member& member, bool groupItem) {
        if (member.value == Shape::Value_Object || member.value == Shape::Value_Array) {
            m_writer.StartObject();
            Enter({member.shape, &member, groupItem});
        } else {
            Enter({nullptr, &member, groupItem});
        }
    }

    // The member of the open object that `name` names, or the group of which
    // it is an alternative (`alternative` then names it). Children come in
    // the order of the content: the search starts at the member found last.
    int Find(Open& open, std::string_view name, const Member*& alternative) {
        const auto& members = open.shape->Members();
        const int count = static_cast<int>(members.size());
        for (int step = 0; step < count; ++step) {
            const int i = (open.last + step) % count;
            const Member& member = members[static_cast<std::size_t>(i)];
            if (member.key == name) return open.last = i;
            if (member.value == Shape::Value_Group) {
                const int choice = member.shape->Find(name);
                if (choice >= 0) {
                    alternative = &member.shape->Members()[static_cast<std::size_t>(choice)];
                    return open.last = i;
                }
            }
        }
        throw CNqException(FormatString("The element [%s] has no place in the JSON form of [%s]",
                                        QuoteForMessage(name).c_str(), open.shape->ElementName().c_str()));
    }

    // Text that needs no escaping, laid out as any value of its type: the
    // writer puts the separators and the indent before it (a raw value of no
    // characters), and the text goes into the buffer in one copy.
    void WriteRaw(std::string_view text, rapidjson::Type type) {
        m_writer.RawValue("", 0, type);
        if (!text.empty()) std::memcpy(m_buffer.Push(text.size()), text.data(), text.size());
    }

    // Keys are element names, which need no escaping: each goes out in quotes as raw text.
    void WriteKey(const std::string& key) {
        m_writer.RawValue("", 0, rapidjson::kStringType);
        char* out = m_buffer.Push(key.size() + 2);
        out[0] = '"';
        std::memcpy(out + 1, key.data(), key.size());
        out[key.size() + 1] = '"';
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
            WriteKey(member.key);
            m_writer.StartArray();
            m_writer.EndArray();
        }
        open.nextSlot = std::max(open.nextSlot, slot);
    }

    // The element's text as the JSON value its key takes: the lexical form of
    // a number is already a JSON number, as "true" and "false" are literals.
    void WriteValue(const Member& member, std::string_view text) {
        switch (member.value) {
        case Shape::Value_Double:
            if (IsSpecialDouble(text)) break;
            WriteRaw(text, rapidjson::kNumberType);
            return;
        case Shape::Value_Integer:
            WriteRaw(text, rapidjson::kNumberType);
            return;
        case Shape::Value_Boolean:
            m_writer.Bool(text == "true");
            return;
        default:
            break;
        }
        m_writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    }

    const Shape& m_root;
    std::string& m_out;
    rapidjson::StringBuffer m_buffer;
    Writer m_writer;
    std::vector<Open> m_open;
    std::size_t m_depth = 0;  // how many of m_open are open
    bool m_started = false;
};

} // namespace

std::unique_ptr<CJsonWriter> CJsonWriter::Create(const CJsonShape& root, bool indent, std::string& out) {
    if (!indent) return std::make_unique<ShapedWriter<rapidjson::Writer<rapidjson::StringBuffer>>>(root, out);
    auto writer = std::make_unique<ShapedWriter<rapidjson::PrettyWriter<rapidjson::StringBuffer>>>(root, out);
    writer->Json().SetIndent(' ', 2);
    return writer;
}

} // namespace NqXmlLib3::detail
