// Reads the JSON form of a document into element events.
//
// RapidJSON's reader runs a whole value to its end. So that a read can stop
// after each child of the root, as the element tree asks, the document is
// handed to it one value at a time: each member of the root object, and
// each item of an array that is a member of the root. Only the punctuation
// between those values ({ } [ ] , :) is read here; every value, and every
// key, is parsed by RapidJSON, strictly (RFC 8259: no comments, no trailing
// commas, no NaN literal, valid UTF-8), its numbers kept as their text.
//
// A Translator turns the JSON events into element events as the shapes say.
// Exceptions never unwind through RapidJSON: a handler stores what it caught
// and stops the parse, and the failure is thrown once RapidJSON has returned.
#include "runtime/JsonReader.h"

#include "runtime/Exceptions.h"
#include "runtime/XmlText.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace NqXmlLib3::detail {

namespace {

using Shape = CJsonShape;
using Member = CJsonShape::Member;

struct Position {
    int line;
    int column;
};

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// ---- The input -------------------------------------------------------------

// RapidJSON's input stream over a byte source, read in chunks. It counts
// lines and columns (in characters) and marks where each token starts: the
// first character taken after a mark was cleared that is neither a blank
// nor a separator (, or :). RapidJSON's iterative reader reports a bracket
// before it takes it: Structural gives the bracket's place, and the bracket
// taken next marks nothing.
class Input {
public:
    using Ch = char;

    Input(IByteSource& source, std::size_t chunkSize) : m_source(source), m_buffer(chunkSize + 1, '\0') {
        m_pos = m_end = m_buffer.data();
    }

    Ch Peek() {
        if (m_pos == m_end) Fill();
        return *m_pos;
    }

    Ch Take() {
        if (m_pos == m_end && !Fill()) return '\0';
        const char c = *m_pos++;
        if (!m_marked && !IsBlank(c) && c != ',' && c != ':') {
            m_marked = !m_bracketNext;
            m_bracketNext = false;
            m_mark = {m_line, m_column};
        }
        if (c == '\n') {
            ++m_line;
            m_column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++m_column;
        }
        return c;
    }

    std::size_t Tell() const { return static_cast<std::size_t>(m_before + static_cast<std::uint64_t>(m_pos - m_buffer.data())); }

    // Not used by the reader, but part of the stream concept.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    std::size_t PutEnd(Ch*) { return 0; }

    // Whether every byte has been taken (a NUL byte of the text is not the end).
    bool AtEnd() {
        Peek();
        return m_pos == m_end;
    }

    void SkipBlanks() {
        while (IsBlank(Peek())) Take();
    }

    // Where the next character stands.
    Position Here() const { return {m_line, m_column}; }

    // Where the token taken since the last call starts, and a new mark.
    Position TakeMark() {
        const Position mark = m_marked ? m_mark : Here();
        m_marked = false;
        return mark;
    }
    void ClearMark() { m_marked = false; }

    // Where the bracket about to be taken stands.
    Position Structural() {
        m_marked = false;
        m_bracketNext = true;
        return Here();
    }

    // The position of an earlier byte offset on the current line, where the
    // bytes between are still at hand; otherwise the start of the token.
    Position PositionOf(std::size_t offset) const {
        const std::uint64_t start = m_before;
        const std::uint64_t here = Tell();
        if (offset < start || offset > here) return m_marked ? m_mark : Here();
        int column = m_column;
        for (const char* p = m_buffer.data() + (offset - start); p < m_pos; ++p) {
            if (*p == '\n') return m_marked ? m_mark : Here();
            if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) --column;
        }
        return {m_line, column};
    }

    std::uint64_t BytesRead() const { return m_before + static_cast<std::uint64_t>(m_end - m_buffer.data()); }

private:
    bool Fill() {
        if (m_ended) return false;
        m_before += static_cast<std::uint64_t>(m_end - m_buffer.data());
        const std::size_t size = m_buffer.size() - 1;
        std::size_t got = m_source.Read(m_buffer.data(), size);
        if (m_first) {
            m_first = false;
            // A UTF-8 byte-order mark is no part of the text.
            if (got >= 3 && std::memcmp(m_buffer.data(), "\xEF\xBB\xBF", 3) == 0) {
                std::memmove(m_buffer.data(), m_buffer.data() + 3, got - 3);
                got -= 3;
                m_before += 3;
            }
        }
        m_buffer[got] = '\0';
        m_pos = m_buffer.data();
        m_end = m_pos + got;
        m_ended = got == 0;
        return !m_ended;
    }

    IByteSource& m_source;
    std::vector<char> m_buffer;  // the chunk, then a NUL that stops RapidJSON at its end
    const char* m_pos;
    const char* m_end;
    std::uint64_t m_before = 0;  // the bytes of the text before the chunk
    bool m_first = true;
    bool m_ended = false;
    int m_line = 1;
    int m_column = 1;
    bool m_marked = false;
    bool m_bracketNext = false;
    Position m_mark{1, 1};
};

[[noreturn]] void ThrowAt(const std::string& message, Position at) {
    CNqException error(message);
    error.SetLocation(at.line, at.column);
    throw error;
}

// RapidJSON's text for an error, as a clause: "missing a comma or '}' after an object member".
std::string ParseErrorText(rapidjson::ParseErrorCode code) {
    std::string text = rapidjson::GetParseError_En(code);
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

[[noreturn]] void ThrowMalformed(rapidjson::ParseErrorCode code, Position at) {
    ThrowAt(FormatString("Malformed JSON: %s at line %d, column %d", ParseErrorText(code).c_str(), at.line, at.column),
            at);
}

// ---- Element events, direct or held back ------------------------------------

class ElementSink {
public:
    virtual void Start(std::string_view name, Position at) = 0;
    virtual void Text(std::string_view text) = 0;
    virtual void End() = 0;

protected:
    ~ElementSink() = default;
};

class DocumentSink final : public ElementSink {
public:
    explicit DocumentSink(IParseEvents& events) : m_events(events) {}
    void Start(std::string_view name, Position at) override {
        m_events.StartElement(std::string_view(), name, nullptr, 0, at.line, at.column);
    }
    void Text(std::string_view text) override { m_events.CharacterData(text); }
    void End() override { m_events.EndElement(); }

private:
    IParseEvents& m_events;
};

// The element events of a member that came before its place, kept until then.
class Recording final : public ElementSink {
public:
    explicit Recording(int slot) : m_slot(slot) {}
    int Slot() const { return m_slot; }

    void Start(std::string_view name, Position at) override { Add(Event::Start, name, at); }
    void Text(std::string_view text) override { Add(Event::Text, text, {0, 0}); }
    void End() override { Add(Event::End, std::string_view(), {0, 0}); }

    void Replay(ElementSink& sink) const {
        for (const Event& event : m_events) {
            const std::string_view text(m_texts.data() + event.offset, event.length);
            switch (event.kind) {
            case Event::Start: sink.Start(text, event.at); break;
            case Event::Text: sink.Text(text); break;
            case Event::End: sink.End(); break;
            }
        }
    }

private:
    struct Event {
        enum Kind : unsigned char { Start, Text, End } kind;
        std::size_t offset;
        std::size_t length;
        Position at;
    };
    void Add(Event::Kind kind, std::string_view text, Position at) {
        m_events.push_back({kind, m_texts.size(), text.size(), at});
        m_texts.append(text);
    }

    int m_slot;
    std::vector<Event> m_events;
    std::string m_texts;
};

// ---- From JSON events to element events --------------------------------------

enum class Json { String, Number, True, False, Null, Object, Array };

const char* JsonName(Json type) {
    switch (type) {
    case Json::String: return "a string";
    case Json::Number: return "a number";
    case Json::True: return "true";
    case Json::False: return "false";
    case Json::Null: return "null";
    case Json::Object: return "an object";
    default: return "an array";
    }
}

const char* Expected(Shape::Value value) {
    switch (value) {
    case Shape::Value_String: return "a string";
    case Shape::Value_Double: return "a number";
    case Shape::Value_Integer: return "a number";
    case Shape::Value_LongInteger: return "a string of decimal digits";
    case Shape::Value_Boolean: return "true or false";
    case Shape::Value_Object: return "an object";
    default: return "an array";
    }
}

bool IsDecimalInteger(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Follows the shapes through the JSON events. Each open JSON value is a
// frame: an object of a shape, an array of items, or an item of a group.
// An object hands its members on in the order of its content: a member that
// comes before its place is recorded and replayed when its place is reached
// (or at the object's end, when the places before it stay empty). At the
// root, where a read stops after each child, the members held back are
// queued, and the walk hands them on one at a time.
class Translator {
public:
    Translator(IParseEvents& events, const Shape& root) : m_document(events), m_root(root) {}

    void StartObject(Position at) {
        if (m_frames.empty()) {
            m_document.Start(m_root.ElementName(), at);
            m_frames.push_back(Frame::ObjectOf(m_root, nullptr, &m_document, at));
            return;
        }
        Frame& top = m_frames.back();
        if (top.kind == Frame::Array) {
            top.sink->Start(top.member->key, at);
            m_frames.push_back(Frame::ObjectOf(*top.member->shape, top.member, top.sink, at));
            return;
        }
        if (top.kind == Frame::Group) {
            m_frames.push_back(Frame::GroupItemOf(*top.member->shape, top.member, top.sink, at));
            return;
        }
        const Member& member = BeginValue(Json::Object, at);
        ElementSink* sink = m_frames.back().valueSink;
        sink->Start(member.key, at);
        m_frames.push_back(Frame::ObjectOf(*member.shape, &member, sink, at));
    }

    void EndObject() {
        Frame frame = std::move(m_frames.back());
        m_frames.pop_back();
        if (frame.kind == Frame::GroupItem) {
            if (frame.pending < 0) NoValue(frame);
            return;
        }
        if (frame.shape->HasChoice() && frame.chosen < 0) NoValue(frame);
        // What came before its place follows in the order of the content.
        std::stable_sort(frame.held.begin(), frame.held.end(),
                         [](const auto& a, const auto& b) { return a->Slot() < b->Slot(); });
        if (m_frames.empty()) {
            // The root: what it held back goes out one child at a time, then its end.
            for (auto& recording : frame.held) m_rootWork.push_back(std::move(recording));
            m_rootWork.push_back(nullptr);
            return;
        }
        for (const auto& recording : frame.held) recording->Replay(*frame.sink);
        frame.sink->End();
        EndValue();
    }

    void StartArray(Position at) {
        if (m_frames.empty()) ThrowAt("The JSON document is an array, not an object", at);
        const Frame& top = m_frames.back();
        if (top.kind == Frame::Array || top.kind == Frame::Group) {
            ThrowAt(FormatString("An item of [%s] is an array, but an object belongs there", top.member->key.c_str()),
                    at);
        }
        const Member& member = BeginValue(Json::Array, at);
        ElementSink* sink = m_frames.back().valueSink;
        m_frames.push_back(member.value == Shape::Value_Group ? Frame::GroupOf(member, sink, at)
                                                              : Frame::ArrayOf(member, sink, at));
    }

    void EndArray() {
        m_frames.pop_back();
        EndValue();
    }

    void Key(std::string_view key, Position at) {
        Frame& top = m_frames.back();
        const int index = top.shape->Find(key);
        if (index < 0) {
            ThrowAt(FormatString("Unknown key [%s] in %s", QuoteForMessage(key).c_str(), Owner(top).c_str()), at);
        }
        const Member& member = top.shape->Members()[static_cast<std::size_t>(index)];
        const std::uint64_t bit = std::uint64_t{1} << index;
        if (top.seen & bit) {
            ThrowAt(FormatString("Duplicate key [%s] in %s", member.key.c_str(), Owner(top).c_str()), at);
        }
        if (member.alternative && top.chosen >= 0) {
            ThrowAt(FormatString("Both the keys [%s] and [%s] in %s, which holds one of %s",
                                 top.shape->Members()[static_cast<std::size_t>(top.chosen)].key.c_str(),
                                 member.key.c_str(), Owner(top).c_str(), top.shape->AlternativeKeys().c_str()),
                    at);
        }
        top.seen |= bit;
        if (member.alternative) top.chosen = index;
        top.pending = index;
    }

    void Scalar(Json type, std::string_view text, Position at) {
        if (m_frames.empty()) ThrowAt(FormatString("The JSON document is %s, not an object", JsonName(type)), at);
        const Frame& top = m_frames.back();
        if (top.kind == Frame::Array || top.kind == Frame::Group) {
            ThrowAt(FormatString("An item of [%s] is %s, but an object belongs there", top.member->key.c_str(),
                                 JsonName(type)),
                    at);
        }
        const Member& member = BeginValue(type, at);
        const std::string_view lexical = Lexical(member, type, text, at);
        ElementSink& sink = *m_frames.back().valueSink;
        sink.Start(member.key, at);
        if (!lexical.empty()) sink.Text(lexical);
        sink.End();
        EndValue();
    }

    bool HasRootWork() const { return !m_rootWork.empty(); }

    // Hands on the next child of the root held back, or the root's end.
    void DoRootWork() {
        std::unique_ptr<Recording> next = std::move(m_rootWork.front());
        m_rootWork.erase(m_rootWork.begin());
        if (next) {
            next->Replay(m_document);
        } else {
            m_document.End();
        }
    }

private:
    struct Frame {
        enum Kind { Object, Array, Group, GroupItem } kind;
        const Shape* shape;       // an object's, or the choices of a group item
        const Member* member;     // the key the value stands under (an array's for its items); null at the root
        ElementSink* sink;        // where the frame's own elements go
        Position at;              // where the value starts
        std::uint64_t seen = 0;   // the members met, by index
        int chosen = -1;          // the alternative met
        int pending = -1;         // the member whose value comes next
        int nextSlot = 0;         // the first place of the content not handed on yet
        ElementSink* valueSink = nullptr;  // where the value of the pending member goes
        std::vector<std::unique_ptr<Recording>> held;  // members that came before their place

        static Frame ObjectOf(const Shape& shape, const Member* member, ElementSink* sink, Position at) {
            return {Object, &shape, member, sink, at, 0, -1, -1, 0, nullptr, {}};
        }
        static Frame ArrayOf(const Member& member, ElementSink* sink, Position at) {
            return {Array, member.shape, &member, sink, at, 0, -1, -1, 0, nullptr, {}};
        }
        static Frame GroupOf(const Member& member, ElementSink* sink, Position at) {
            return {Group, member.shape, &member, sink, at, 0, -1, -1, 0, nullptr, {}};
        }
        static Frame GroupItemOf(const Shape& choices, const Member* member, ElementSink* sink, Position at) {
            return {GroupItem, &choices, member, sink, at, 0, -1, -1, 0, nullptr, {}};
        }
    };

    // What an object is called in messages: its key, or the root's element name, in brackets.
    std::string Owner(const Frame& frame) const {
        const std::string name = "[" + (frame.member ? frame.member->key : m_root.ElementName()) + "]";
        return frame.kind == Frame::GroupItem ? "an item of " + name : name;
    }

    [[noreturn]] void NoValue(const Frame& frame) const {
        ThrowAt(FormatString("No value in %s, which holds one of the keys %s", Owner(frame).c_str(),
                             frame.shape->AlternativeKeys().c_str()),
                frame.at);
    }

    // The member whose value starts now, checked against the JSON type of the
    // value; chooses where its elements go: on, when its place has come, or
    // into a recording.
    const Member& BeginValue(Json type, Position at) {
        Frame& top = m_frames.back();
        const Member& member = top.shape->Members()[static_cast<std::size_t>(top.pending)];
        CheckType(member, type, at);
        if (top.kind == Frame::GroupItem || member.slot == top.nextSlot) {
            top.valueSink = top.sink;
        } else {
            top.held.push_back(std::make_unique<Recording>(member.slot));
            top.valueSink = top.held.back().get();
        }
        return member;
    }

    // A member's value is complete: when it went on in its place, the
    // members held back for the places after it follow.
    void EndValue() {
        if (m_frames.empty()) return;
        Frame& top = m_frames.back();
        if (top.kind != Frame::Object) return;
        if (top.valueSink != top.sink) return;
        const Member& member = top.shape->Members()[static_cast<std::size_t>(top.pending)];
        top.nextSlot = member.slot + 1;
        const bool root = m_frames.size() == 1;
        for (bool found = true; found;) {
            found = false;
            for (auto it = top.held.begin(); it != top.held.end(); ++it) {
                if ((*it)->Slot() != top.nextSlot) continue;
                if (root) {
                    m_rootWork.push_back(std::move(*it));
                } else {
                    (*it)->Replay(*top.sink);
                }
                top.held.erase(it);
                ++top.nextSlot;
                found = true;
                break;
            }
        }
    }

    static void CheckType(const Member& member, Json type, Position at) {
        bool fits = false;
        switch (member.value) {
        case Shape::Value_String: fits = type == Json::String; break;
        case Shape::Value_Double: fits = type == Json::Number || type == Json::String; break;
        case Shape::Value_Integer: fits = type == Json::Number; break;
        case Shape::Value_LongInteger: fits = type == Json::String || type == Json::Number; break;
        case Shape::Value_Boolean: fits = type == Json::True || type == Json::False; break;
        case Shape::Value_Object: fits = type == Json::Object; break;
        case Shape::Value_Array:
        case Shape::Value_Group: fits = type == Json::Array; break;
        }
        if (!fits) {
            ThrowAt(FormatString("The value of [%s] is %s, but %s belongs there", member.key.c_str(), JsonName(type),
                                 Expected(member.value)),
                    at);
        }
    }

    // The text of the element a scalar becomes: a string as it is (refused
    // where XML cannot carry it), a number's own text, true or false.
    static std::string_view Lexical(const Member& member, Json type, std::string_view text, Position at) {
        switch (type) {
        case Json::True: return "true";
        case Json::False: return "false";
        case Json::Number: return text;
        default: break;
        }
        CheckCarriable(text, at);
        if (member.value == Shape::Value_Double && text != "INF" && text != "-INF" && text != "NaN") {
            ThrowAt(FormatString("The value of [%s] is the string \"%s\", but a number belongs there (as a string, "
                                 "only \"INF\", \"-INF\" or \"NaN\")",
                                 member.key.c_str(), QuoteForMessage(text).c_str()),
                    at);
        }
        if (member.value == Shape::Value_LongInteger && !IsDecimalInteger(text)) {
            ThrowAt(FormatString("The value of [%s] is the string \"%s\", but a string of decimal digits belongs there",
                                 member.key.c_str(), QuoteForMessage(text).c_str()),
                    at);
        }
        return text;
    }

    // Refuses a string holding a character that XML cannot carry.
    static void CheckCarriable(std::string_view text, Position at) {
        std::uint32_t codePoint = 0;
        const std::size_t offset = FindTextFault(text, codePoint);
        if (offset == std::string_view::npos) return;
        // The text was valid UTF-8; only a \u escape of a lone surrogate can make it otherwise.
        if (codePoint == 0xFFFFFFFF) {
            ThrowAt("The JSON string holds a lone surrogate (\\ud800 to \\udfff), which XML cannot carry", at);
        }
        ThrowAt(FormatString("The JSON string holds the character U+%04X, which XML cannot carry",
                             static_cast<unsigned>(codePoint)),
                at);
    }

    DocumentSink m_document;
    const Shape& m_root;
    std::vector<Frame> m_frames;
    std::vector<std::unique_ptr<Recording>> m_rootWork;  // children of the root held back; null: the root's end
};

// RapidJSON's handler: each event goes to the translator at the position
// where its token starts. A failure is kept, and stops the parse.
class Handler {
public:
    Handler(Translator& translator, Input& input) : m_translator(translator), m_input(input) {}

    // The next string is a key.
    void ExpectKey() { m_key = true; }
    std::exception_ptr TakeFailure() { return std::exchange(m_failure, nullptr); }

    bool Null() { return On([&](Position at) { m_translator.Scalar(Json::Null, {}, at); }); }
    bool Bool(bool value) {
        return On([&](Position at) { m_translator.Scalar(value ? Json::True : Json::False, {}, at); });
    }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        return On([&](Position at) { m_translator.Scalar(Json::Number, std::string_view(text, length), at); });
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return On([&](Position at) {
            if (std::exchange(m_key, false)) {
                m_translator.Key(std::string_view(text, length), at);
            } else {
                m_translator.Scalar(Json::String, std::string_view(text, length), at);
            }
        });
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        return On([&](Position at) { m_translator.Key(std::string_view(text, length), at); });
    }
    bool StartObject() { return OnBracket([&](Position at) { m_translator.StartObject(at); }); }
    bool EndObject(rapidjson::SizeType) { return OnBracket([&](Position) { m_translator.EndObject(); }); }
    bool StartArray() { return OnBracket([&](Position at) { m_translator.StartArray(at); }); }
    bool EndArray(rapidjson::SizeType) { return OnBracket([&](Position) { m_translator.EndArray(); }); }
    // Numbers come as their text (kParseNumbersAsStringsFlag): these never.
    bool Int(int) { return false; }
    bool Uint(unsigned) { return false; }
    bool Int64(std::int64_t) { return false; }
    bool Uint64(std::uint64_t) { return false; }
    bool Double(double) { return false; }

private:
    template <class Event>
    bool On(Event&& event) {
        return Guarded(event, m_input.TakeMark());
    }
    template <class Event>
    bool OnBracket(Event&& event) {
        return Guarded(event, m_input.Structural());
    }
    template <class Event>
    bool Guarded(Event& event, Position at) {
        try {
            event(at);
            return true;
        } catch (...) {
            m_failure = std::current_exception();
            return false;
        }
    }

    Translator& m_translator;
    Input& m_input;
    std::exception_ptr m_failure;
    bool m_key = false;
};

} // namespace

class CJsonPullParser::Impl {
public:
    Impl(IParseEvents& events, IByteSource& source, const CJsonShape& root)
        : m_input(source, 1 << 18), m_translator(events, root), m_handler(m_translator, m_input) {}

    bool Advance() {
        if (m_failure) std::rethrow_exception(m_failure);
        try {
            // A piece of the text at a time, as the XML parser takes it, so
            // that the elements built ahead of a forward walk stay few.
            const std::size_t start = m_input.Tell();
            while (m_state != State::Done && m_input.Tell() - start < DefaultChunkSize) Step();
            return m_state != State::Done;
        } catch (...) {
            m_failure = std::current_exception();
            throw;
        }
    }

    std::uint64_t BytesRead() const { return m_input.BytesRead(); }

private:
    enum class State { Start, FirstMember, Member, AfterMember, FirstItem, Item, AfterItem, AfterRoot, Done };

    // One piece of the walk: a child of the root held back, a piece of
    // punctuation, or one value.
    void Step() {
        if (m_translator.HasRootWork()) {
            m_translator.DoRootWork();
            return;
        }
        m_input.SkipBlanks();
        const Position at = m_input.Here();
        const char c = m_input.AtEnd() ? '\0' : m_input.Peek();
        switch (m_state) {
        case State::Start:
            if (m_input.AtEnd()) ThrowMalformed(rapidjson::kParseErrorDocumentEmpty, at);
            if (c != '{') {
                ParseValue();  // a document that is no object is refused as such, once it is known to be JSON
                m_state = State::AfterRoot;
                return;
            }
            Take();
            m_translator.StartObject(at);
            m_state = State::FirstMember;
            return;
        case State::FirstMember:
        case State::Member:
            if (m_state == State::FirstMember && c == '}') {
                EndRoot();
                return;
            }
            if (c != '"') ThrowMalformed(rapidjson::kParseErrorObjectMissName, at);
            m_handler.ExpectKey();
            ParseValue();
            m_input.SkipBlanks();
            if (m_input.AtEnd() || m_input.Peek() != ':') ThrowMalformed(rapidjson::kParseErrorObjectMissColon, m_input.Here());
            Take();
            m_input.SkipBlanks();
            if (!m_input.AtEnd() && m_input.Peek() == '[') {
                const Position array = m_input.Here();
                Take();
                m_translator.StartArray(array);
                m_state = State::FirstItem;
                return;
            }
            ParseValue();
            m_state = State::AfterMember;
            return;
        case State::FirstItem:
        case State::Item:
            if (m_state == State::FirstItem && c == ']') {
                Take();
                m_translator.EndArray();
                m_state = State::AfterMember;
                return;
            }
            ParseValue();
            m_state = State::AfterItem;
            return;
        case State::AfterItem:
            if (c == ',') {
                Take();
                m_state = State::Item;
            } else if (c == ']') {
                Take();
                m_translator.EndArray();
                m_state = State::AfterMember;
            } else {
                ThrowMalformed(rapidjson::kParseErrorArrayMissCommaOrSquareBracket, at);
            }
            return;
        case State::AfterMember:
            if (c == ',') {
                Take();
                m_state = State::Member;
            } else if (c == '}') {
                EndRoot();
            } else {
                ThrowMalformed(rapidjson::kParseErrorObjectMissCommaOrCurlyBracket, at);
            }
            return;
        case State::AfterRoot:
            if (!m_input.AtEnd()) ThrowMalformed(rapidjson::kParseErrorDocumentRootNotSingular, at);
            m_state = State::Done;
            return;
        case State::Done:
            return;
        }
    }

    void Take() {
        m_input.Take();
        m_input.ClearMark();
    }

    void EndRoot() {
        Take();
        m_translator.EndObject();
        m_state = State::AfterRoot;
    }

    // One whole value, parsed by RapidJSON from where the input stands.
    void ParseValue() {
        constexpr unsigned flags = rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag |
                                   rapidjson::kParseValidateEncodingFlag | rapidjson::kParseNumbersAsStringsFlag;
        m_input.ClearMark();
        const rapidjson::ParseResult result = m_reader.Parse<flags>(m_input, m_handler);
        if (std::exception_ptr failure = m_handler.TakeFailure()) std::rethrow_exception(failure);
        if (!result.IsError()) return;
        // A value is due here: RapidJSON, which finds none, calls its whole text empty.
        const rapidjson::ParseErrorCode code =
            result.Code() == rapidjson::kParseErrorDocumentEmpty ? rapidjson::kParseErrorValueInvalid : result.Code();
        ThrowMalformed(code, m_input.PositionOf(result.Offset()));
    }

    Input m_input;
    Translator m_translator;
    Handler m_handler;
    rapidjson::Reader m_reader;
    State m_state = State::Start;
    std::exception_ptr m_failure;
};

CJsonPullParser::CJsonPullParser(IParseEvents& events, IByteSource& source, const CJsonShape& root)
    : m_impl(std::make_unique<Impl>(events, source, root)) {}
CJsonPullParser::~CJsonPullParser() = default;
bool CJsonPullParser::Advance() { return m_impl->Advance(); }
std::uint64_t CJsonPullParser::BytesRead() const { return m_impl->BytesRead(); }

SyntaxGuess GuessSyntax(std::string_view start, bool complete) {
    if (start.size() < 3 && !complete && std::string_view("\xEF\xBB\xBF").substr(0, start.size()) == start) {
        return SyntaxGuess::NeedMore;
    }
    if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
    for (const char c : start) {
        if (IsBlank(c)) continue;
        return c == '{' ? SyntaxGuess::Json : SyntaxGuess::Xml;
    }
    return complete ? SyntaxGuess::Xml : SyntaxGuess::NeedMore;
}

} // namespace NqXmlLib3::detail
