// Many items in one call: a batch of items read, or to be written, crosses
// the interface as one text, the item description that storagexml.h
// describes (JSON arrays, one per item). A host for which every call across
// the interface is dear, an interpreter above all, so reads or writes a
// document in a few calls instead of one per field. The description only
// carries what the objects hold: reading, checking and writing stay with the
// C++ classes, which build and check every item as their own reader and
// writer do.
#include "Boundary.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

using namespace StorageXmlC;
using Storage::CArrRange;
using Storage::CArrRange_ChoiceA;
using Storage::CCParams;
using Storage::CCParams_ChoiceA;
using Storage::CScalarChoice;
using Storage::CStorageItem;

namespace {

// ---- Describing items ----

using DescriptionWriter = rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>,
                                            rapidjson::CrtAllocator, rapidjson::kWriteNanAndInfFlag>;

void WriteString(DescriptionWriter& out, const std::string& text) {
    if (text.size() > std::numeric_limits<rapidjson::SizeType>::max()) {
        throw std::length_error("a text of 4 GiB or more has no item description");
    }
    out.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

// The set scalar alternative; false when none is.
bool WriteScalar(DescriptionWriter& out, CScalarChoice& value) {
    if (value.IsValidNum()) {
        out.Double(value.GetNum());
    } else if (value.IsValidStr()) {
        WriteString(out, value.GetStr());
    } else if (value.IsValidBBool()) {
        out.Bool(value.GetBBool());
    } else if (value.IsValidErr()) {
        out.StartObject();
        out.Key("err");
        out.Int64(value.GetErr());
        out.EndObject();
    } else if (value.IsValidW()) {
        out.Int64(value.GetW());
    } else {
        return false;
    }
    return true;
}

void WriteValue(DescriptionWriter& out, CCParams_ChoiceA& value) {
    if (WriteScalar(out, value)) return;
    const CSmartPtr<CArrRange> range = value.GetRange();
    if (!range) {
        out.Null();
        return;
    }
    out.StartObject();
    out.Key("Range");
    out.StartArray();
    out.Int64(range->GetRows());
    out.Int64(range->GetColumns());
    out.StartArray();
    for (auto cell : *range->GetArrRange_ChoiceA()) {
        if (!WriteScalar(out, *cell)) out.Null();
    }
    out.EndArray();
    out.EndArray();
    out.EndObject();
}

void WriteItem(DescriptionWriter& out, CStorageItem& item) {
    out.StartArray();
    WriteString(out, item.GetClientID());
    WriteString(out, item.GetCatID());
    WriteString(out, item.GetFunctionName());
    WriteString(out, item.GetKeyID());
    out.StartArray();
    for (auto parameter : *item.GetParameters()) {
        out.StartArray();
        WriteString(out, parameter->GetParamName());
        out.Bool(parameter->GetIsKey());
        WriteValue(out, *parameter->GetCParams_ChoiceA());
        out.EndArray();
    }
    out.EndArray();
    out.EndArray();
}

// ---- Building items from a description ----

// A number of the description: a double when it has a fraction or an
// exponent or is one of NaN, Infinity and -Infinity, otherwise an integer.
struct Number {
    bool isDouble;
    double number;
    std::int64_t integer;
};

// Null when the text is no number the description allows.
const char* ParseNumber(const char* text, std::size_t size, Number& out) {
    const std::string_view lexical(text, size);
    const std::string_view magnitude = lexical.substr(!lexical.empty() && lexical[0] == '-' ? 1 : 0);
    if (lexical == "NaN") {
        out = {true, std::numeric_limits<double>::quiet_NaN(), 0};
    } else if (magnitude == "Infinity" || magnitude == "Inf") {  // the parser takes both
        const double infinity = std::numeric_limits<double>::infinity();
        out = {true, lexical[0] == '-' ? -infinity : infinity, 0};
    } else {
        out.isDouble = lexical.find_first_of(".eE") != std::string_view::npos;
        const auto result = out.isDouble ? std::from_chars(text, text + size, out.number)
                                         : std::from_chars(text, text + size, out.integer);
        if (result.ec != std::errc() || result.ptr != text + size) {
            return out.isDouble ? "a number a double can hold" : "an integer inside the 64-bit range";
        }
    }
    return nullptr;
}

// Builds the items of a description from its parser's events, handing each
// one to `take` as soon as it is complete, so one item at a time is held.
// Each event checks that it comes where the description allows it; the
// first that does not stops the parse, keeping what was expected instead.
class ItemBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ItemBuilder> {
public:
    explicit ItemBuilder(std::function<void(CStorageItem&)> take) : m_take(std::move(take)) {}

    // What belonged where the description stopped early, or null when it did not.
    const char* Expected() const { return m_expected; }
    // The item and parameter (counted from 0) where it stopped; the depth
    // tells, as the description's shape is fixed: batch, item, parameters, parameter.
    std::string Place() const {
        const std::size_t depth = m_stack.size();
        if (depth == 0) return "the description";
        std::string place = "item " + std::to_string(depth >= 2 ? m_items - 1 : m_items);
        if (depth >= 3) place += ", parameter " + std::to_string(depth >= 4 ? m_parameters - 1 : m_parameters);
        return place;
    }

    bool StartArray() {
        switch (Where()) {
        case None: return Enter(Batch);
        case Batch:
            m_item = CStorageItem::CreateInstance();
            ++m_items;
            m_parameters = 0;
            return Enter(Item);
        case Item:
            if (Index() != 4) break;
            return Enter(Params);
        case Params:
            m_parameter = m_item->GetParameters()->Add();
            ++m_parameters;
            return Enter(Param);
        case RangeKey:
            if (Index() != 0) break;
            return Enter(RangeBody);
        case RangeBody:
            if (Index() != 2) break;
            return Enter(Cells);
        default: break;
        }
        return Refuse();
    }

    bool EndArray(rapidjson::SizeType) {
        // How many elements an array of each kind holds; 0 for any number.
        static constexpr std::size_t complete[] = {0, 0, 5, 0, 3, 0, 0, 0, 3, 0, 0};
        const Kind kind = Where();
        if (complete[kind] != 0 && Index() != complete[kind]) return Refuse();
        m_stack.pop_back();
        if (kind == Item) {
            m_take(*m_item);
            m_item = nullptr;
        }
        return Advance();
    }

    bool String(const char* text, rapidjson::SizeType size, bool) {
        std::string value(text, size);
        switch (Where()) {
        case Item:
            if (Index() >= 4) break;
            (m_item.get()->*itemFields[Index()])(std::move(value));
            return Advance();
        case Param:
            if (Index() == 0) {
                m_parameter->SetParamName(std::move(value));
                return Advance();
            }
            if (Index() != 2) break;
            m_parameter->GetCParams_ChoiceA()->SetStr(std::move(value));
            return Advance();
        case Cells:
            NewCell()->SetStr(std::move(value));
            return Advance();
        default: break;
        }
        return Refuse();
    }

    bool Bool(bool flag) {
        if (Where() == Param && Index() == 1) {
            m_parameter->SetIsKey(flag);
            return Advance();
        }
        if (CScalarChoice* value = ScalarHere()) {
            value->SetBBool(flag);
            return Advance();
        }
        return Refuse();
    }

    bool Null() {
        if (!ScalarHere()) return Refuse();  // the value stays unset, which the writer refuses
        return Advance();
    }

    bool RawNumber(const char* text, rapidjson::SizeType size, bool) {
        Number number{};
        if (Where() == ErrKey || (Where() == RangeBody && Index() < 2)) {
            const char* wrong = ParseNumber(text, size, number);
            if (wrong || number.isDouble) return Refuse(wrong ? wrong : "an integer");
            if (number.integer < INT32_MIN || number.integer > INT32_MAX) return Refuse("an integer inside the 32-bit range");
            const long value = static_cast<long>(number.integer);
            if (Where() == ErrKey) {
                Top().kind = ErrValue;
                m_scalar->SetErr(value);
                return true;
            }
            if (Index() == 0) m_range->SetRows(value);
            if (Index() == 1) m_range->SetColumns(value);
            return Advance();
        }
        CScalarChoice* value = ScalarHere();
        if (!value) return Refuse();
        if (const char* wrong = ParseNumber(text, size, number)) return Refuse(wrong);
        if (number.isDouble) value->SetNum(number.number);
        if (!number.isDouble) value->SetW(number.integer);
        return Advance();
    }

    bool StartObject() {
        m_scalar = ScalarHere();
        if (!m_scalar) return Refuse();
        return Enter(ValueObject);
    }

    bool Key(const char* text, rapidjson::SizeType size, bool) {
        if (Where() != ValueObject) return Refuse();
        const std::string_view key(text, size);
        if (key == "err") {
            Top().kind = ErrKey;
            return true;
        }
        if (key == "Range" && Under() == Param) {
            m_range = CArrRange::CreateInstance();
            Top().kind = RangeKey;
            return true;
        }
        return Refuse();
    }

    bool EndObject(rapidjson::SizeType) {
        if (Where() == RangeKey && Index() == 1) {
            m_parameter->GetCParams_ChoiceA()->SetRange(m_range.get());
            m_range = nullptr;
        } else if (Where() != ErrValue) {
            return Refuse();
        }
        m_stack.pop_back();
        return Advance();
    }

    // Every other event (a number the parser converted, which the raw-number
    // mode never produces) has no place in a description.
    bool Default() { return Refuse(); }

private:
    // Where the parser is: inside the batch, an item, its parameters, one
    // parameter, a value's object before its key (ValueObject), after "err"
    // (ErrKey, then ErrValue once the code is set), after "Range" (RangeKey,
    // with the array of rows, columns and cells, RangeBody, inside it), or
    // the cells. Nothing else nests, so the parser, which recurses, never
    // goes deeper than these.
    enum Kind : unsigned char { None, Batch, Item, Params, Param, ValueObject, ErrKey, ErrValue, RangeBody, Cells, RangeKey };
    struct Frame {
        Kind kind;
        std::size_t index;  // of the next element
    };

    static constexpr void (CStorageItem::*itemFields[4])(std::string) = {
        &CStorageItem::SetClientID, &CStorageItem::SetCatID, &CStorageItem::SetFunctionName, &CStorageItem::SetKeyID};

    Frame& Top() { return m_stack.back(); }
    Kind Where() const { return m_stack.empty() ? None : m_stack.back().kind; }
    Kind Under() const { return m_stack.size() < 2 ? None : m_stack[m_stack.size() - 2].kind; }
    std::size_t Index() const { return m_stack.back().index; }
    bool Enter(Kind kind) {
        m_stack.push_back({kind, 0});
        return true;
    }
    bool Advance() {
        if (!m_stack.empty()) ++m_stack.back().index;
        return true;
    }

    // The value that a scalar here sets: the parameter's, or a new cell's;
    // null where no value belongs.
    CScalarChoice* ScalarHere() {
        if (Where() == Param && Index() == 2) return m_parameter->GetCParams_ChoiceA().get();
        if (Where() == Cells) return NewCell();
        return nullptr;
    }
    CScalarChoice* NewCell() {
        m_cell = m_range->GetArrRange_ChoiceA()->Add();
        return m_cell.get();
    }

    bool Refuse(const char* expected = nullptr) {
        static const char* const what[] = {
            "an array of items",
            "an item, an array",
            "four strings (client id, category id, function name, key id) and an array of parameters",
            "a parameter, an array",
            "a string (the name), a boolean (is_key) and a value",
            "the key \"err\" or (for a parameter) \"Range\"",
            "an integer",
            "the end of the object",
            "two integers (rows, columns) and an array of cells",
            "a cell: a number, a string, a boolean, null or {\"err\": code}",
            "an array of rows, columns and cells, then the end of the object",
        };
        m_expected = expected ? expected : what[Where()];
        return false;
    }

    std::function<void(CStorageItem&)> m_take;
    std::vector<Frame> m_stack;
    CSmartPtr<CStorageItem> m_item;
    CSmartPtr<CCParams> m_parameter;
    CSmartPtr<CArrRange> m_range;
    CSmartPtr<CArrRange_ChoiceA> m_cell;
    CScalarChoice* m_scalar = nullptr;  // the value an object sets, held by the parameter or the range
    std::size_t m_items = 0, m_parameters = 0;  // begun so far; the parameters of the current item
    const char* m_expected = nullptr;
};

} // namespace

extern "C" {

int storagexml_reader_next_items(storagexml_reader* reader, std::size_t max_items, char** text, std::size_t* length,
                                 std::size_t* count, storagexml_error** error) {
    return Call(error, __func__, [&] {
        Storage::CStorageArrayReader& from = ReaderOf(reader);
        Require(text, "text");
        Require(count, "count");
        if (max_items == 0) throw ArgumentError{"the argument [max_items] is 0"};
        rapidjson::StringBuffer buffer;
        DescriptionWriter out(buffer);
        std::size_t read = 0;
        out.StartArray();
        for (; read < max_items; ++read) {
            CSmartPtr<CStorageItem> item;
            try {
                item = from.ReadItem();
            } catch (...) {
                // The items read so far go out now; the reader fails the same way on the next call.
                if (read == 0) throw;
                break;
            }
            if (!item) break;
            WriteItem(out, *item);
        }
        out.EndArray();
        GiveText(buffer.GetString(), buffer.GetSize(), text, length);
        *count = read;
    });
}

int storagexml_writer_write_items(storagexml_writer* writer, const char* text, std::size_t length,
                                  storagexml_error** error) {
    return Call(error, __func__, [&] {
        Storage::CStorageArrayWriter& to = WriterOf(writer);
        Require(text, "text");
        const std::size_t size = length == STORAGEXML_NUL_TERMINATED ? std::strlen(text) : length;
        ItemBuilder builder([&to](CStorageItem& item) { to.WriteItem(item); });
        rapidjson::MemoryStream in(text, size);
        rapidjson::Reader parser;
        const rapidjson::ParseResult result =
            parser.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseNanAndInfFlag>(in, builder);
        if (builder.Expected()) {
            throw ArgumentError{"the item description holds something else at byte " + std::to_string(result.Offset()) +
                                " (" + builder.Place() + ") where " + builder.Expected() + " belongs"};
        }
        if (result.IsError()) {
            throw ArgumentError{"the item description is not JSON at byte " + std::to_string(result.Offset()) + ": " +
                                rapidjson::GetParseError_En(result.Code())};
        }
    });
}

} // extern "C"
