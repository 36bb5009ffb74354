// The properties the fuzzers check, shared with the hostile tests so that a
// kept crasher is replayed through exactly the same steps. Each check returns
// an empty string when the property holds and a description of the fault
// otherwise; an exception other than CNqException escapes, which is a fault
// too.
#pragma once

#include "storage/Storage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <typeinfo>

namespace StorageFuzz {

using NqXmlLib3::CConversions;
using NqXmlLib3::CNqException;
using NqXmlLib3::CWriteOptions;
using WhitespaceRule = NqXmlLib3::CWhitespaceUtils::WhitespaceRule;

namespace detail {

inline const CNqException& Innermost(const CNqException& error) {
    return error.GetInnerException() ? Innermost(*error.GetInnerException()) : error;
}

// `fault`, or when there is none, whether an object counted by the instance
// monitor outlived the check that began with `liveBefore` of them alive.
inline std::string OrLeak(std::string fault, long liveBefore) {
    if (fault.empty() && NqXmlLib3::CInstanceMonitor::GetLiveCount() != liveBefore) {
        fault = "objects are still alive after the document was released";
    }
    return fault;
}

} // namespace detail

// Reads `text` as a storage array. A refusal is fine; a document that was
// read must be written (indented with the declaration, and compact without
// it) unless a parameter or cell lacks its value, and reading that output
// back and writing it again must give the same text. No object may outlive
// the check.
inline std::string CheckReadWrite(std::string_view text) {
    const long liveBefore = NqXmlLib3::CInstanceMonitor::GetLiveCount();
    const CWriteOptions options[] = {{true, true}, {false, false}};
    std::string fault, written[2];
    {
        auto array = Storage::CStorageArray::CreateInstance();
        bool read = false;
        try {
            array->FromXml(std::string(text));
            read = true;
            for (int pass = 0; pass < 2; ++pass) written[pass] = array->ToXml(options[pass]);
        } catch (const CNqException& error) {
            // A value element is optional when reading but required when
            // writing; any other refusal means a value was read that the
            // writer cannot carry.
            const std::string cause = detail::Innermost(error).what();
            if (read && cause.find("currently there are none set") == std::string::npos) {
                fault = "a document that was read cannot be written: " + cause;
            }
            read = false;
        }
        for (int pass = 0; read && fault.empty() && pass < 2; ++pass) {
            try {
                auto again = Storage::CStorageArray::CreateInstance();
                again->FromXml(written[pass]);
                const std::string second = again->ToXml(options[pass]);
                if (second != written[pass]) {
                    fault = "writing what was read back changes the document:\n" + written[pass] + "\n" + second;
                }
            } catch (const CNqException& error) {
                fault = std::string("the written document cannot be read back: ") + error.what() + "\n" + written[pass];
            }
        }
        // Reading resets the object first: the same text read again into the
        // used object gives the same document.
        if (read && fault.empty()) {
            array->FromXml(std::string(text));
            if (array->ToXml() != written[0]) fault = "reading into a used object keeps some of its old content";
        }
    }
    return detail::OrLeak(fault, liveBefore);
}

// Reads `text` as the JSON form of a storage array. A refusal is fine; a
// tree that was read must be written as XML, which reads back and writes
// the same again, and as JSON, which reads back to the same XML. No object
// may outlive the check.
inline std::string CheckJsonRead(std::string_view text) {
    const long liveBefore = NqXmlLib3::CInstanceMonitor::GetLiveCount();
    std::string fault;
    {
        auto array = Storage::CStorageArray::CreateInstance();
        bool read = true;
        try {
            array->FromJson(std::string(text));
        } catch (const CNqException&) {
            read = false;
        }
        try {
            if (read) {
                const std::string xml = array->ToXml();
                auto again = Storage::CStorageArray::CreateInstance();
                again->FromXml(xml);
                if (again->ToXml() != xml) fault = "the XML of a JSON document reads back as another document:\n" + xml;
                again->FromJson(array->ToJson());
                if (again->ToXml() != xml) fault = "the JSON written from a JSON document reads back differently";
            }
        } catch (const CNqException& error) {
            fault = std::string("a tree read from JSON cannot be written or read back: ") +
                    detail::Innermost(error).what();
        }
    }
    return detail::OrLeak(fault, liveBefore);
}

// Ends a fuzz target run with `fault`, written to standard error after the
// target's name, when there is one.
inline void Require(const char* target, const std::string& fault) {
    if (fault.empty()) return;
    std::fprintf(stderr, "%s: %s\n", target, fault.c_str());
    std::abort();
}

namespace detail {

// The levels of a failure chain, outermost first: class, text and position.
inline std::string Chain(const CNqException& error) {
    std::string chain;
    for (const CNqException* level = &error; level; level = level->GetInnerException()) {
        chain += typeid(*level).name() + std::string(" ") + std::to_string(level->GetLine()) + ":" +
                 std::to_string(level->GetColumn()) + " " + level->what() + "\n";
    }
    return chain;
}

// What a read gives, as text: the compact document of the array read, or the failure chain.
template <class Read>
std::string Outcome(Read&& read) {
    try {
        auto array = read();
        CWriteOptions options;
        options.indent = options.declaration = false;
        try {
            return array->ToXml(options);
        } catch (const CNqException& error) {
            return "unwritable " + Chain(error);
        }
    } catch (const CNqException& error) {
        return "refused " + Chain(error);
    }
}

} // namespace detail

// Reads `text` whole (FromXml, or FromJson) and item by item
// (CStorageArrayReader): both must give the same items and fields, or the
// same failure chain, texts and positions included.
inline std::string CheckStreamingAgrees(std::string_view text,
                                        Storage::CDocumentFormat format = Storage::CDocumentFormat::Xml) {
    const std::string whole = detail::Outcome([&] {
        auto array = Storage::CStorageArray::CreateInstance();
        if (format == Storage::CDocumentFormat::Json) array->FromJson(std::string(text));
        else array->FromXml(std::string(text));
        // A whole read names the array after the root, whatever its local name; the streaming
        // reader, like the JSON form, hands on the items and fields alone.
        NqXmlLib3::CXmlObjectBase::SetElementName(array->GetBase(), "StorageArray");
        return array;
    });
    const std::string streamed = detail::Outcome([&] {
        auto reader = Storage::CStorageArrayReader::OpenText(std::string(text), format);
        auto array = Storage::CStorageArray::CreateInstance();
        while (auto item = reader.ReadItem()) array->GetStorageItems()->Add(item.get());
        array->SetClientID(reader.GetClientID());
        array->SetKeyID(reader.GetKeyID());
        return array;
    });
    if (whole == streamed) return std::string();
    return "a whole read and a streaming read differ:\n" + whole + "\n" + streamed;
}

namespace detail {

inline std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Equal bit for bit, except that any NaN matches any NaN.
inline bool SameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || Bits(a) == Bits(b);
}

// Converts `text` with `parse` under `rule`; a refusal is fine. Once a value
// is accepted, its written form must read back to the same value under any
// rule and be written the same again, and with blanks around it, to the same
// value under the collapse rule.
template <class Parse, class Format, class Same>
std::string CheckText(const char* type, std::string_view text, WhitespaceRule rule, Parse parse, Format format,
                      Same same) {
    decltype(parse(text, rule)) value{};
    try {
        value = parse(text, rule);
    } catch (const CNqException&) {
        return {};
    }
    const std::string written = format(value);
    try {
        const auto again = parse(written, rule);
        if (!same(value, again)) return std::string(type) + ": [" + written + "] reads back as another value";
        if (format(again) != written) return std::string(type) + ": [" + written + "] is written differently again";
        const auto padded = parse(" \t" + written + "\n ", NqXmlLib3::CWhitespaceUtils::WhitespaceRule_Collapse);
        if (!same(value, padded)) return std::string(type) + ": blanks around [" + written + "] change its value";
    } catch (const CNqException& error) {
        return std::string(type) + ": the written form [" + written + "] is refused: " + error.what();
    }
    return {};
}

} // namespace detail

// Text to value to text to value, for every lexical conversion, with the
// text taken under `rule`.
inline std::string CheckLexicalText(std::string_view text, WhitespaceRule rule) {
    std::string fault = detail::CheckText(
        "double", text, rule, [](std::string_view t, WhitespaceRule r) { return CConversions::r8FromString(t, r); },
        [](double v) { return CConversions::r8ToString(v); }, detail::SameDouble);
    if (fault.empty()) {
        fault = detail::CheckText(
            "32-bit integer", text, rule,
            [](std::string_view t, WhitespaceRule r) { return CConversions::i4FromString(t, r); },
            [](long v) { return CConversions::i4ToString(v); }, [](long a, long b) { return a == b; });
    }
    if (fault.empty()) {
        fault = detail::CheckText(
            "64-bit integer", text, rule,
            [](std::string_view t, WhitespaceRule r) { return CConversions::i8FromString(t, r); },
            [](std::int64_t v) { return CConversions::i8ToString(v); },
            [](std::int64_t a, std::int64_t b) { return a == b; });
    }
    if (fault.empty()) {
        fault = detail::CheckText(
            "boolean", text, rule,
            [](std::string_view t, WhitespaceRule r) { return CConversions::booleanFromString(t, r); },
            [](bool v) { return std::string(CConversions::booleanToString(v)); },
            [](bool a, bool b) { return a == b; });
    }
    if (fault.empty()) {
        // A string converts to itself under the preserve rule; collapsing is
        // idempotent and leaves no blank but single inner spaces.
        if (rule == NqXmlLib3::CWhitespaceUtils::WhitespaceRule_Preserve &&
            CConversions::stringFromString(text, rule) != text) {
            fault = "a string does not convert to itself";
        }
        const std::string once = NqXmlLib3::CWhitespaceUtils::Collapse(std::string(text));
        if (NqXmlLib3::CWhitespaceUtils::Collapse(once) != once) fault = "collapsing twice differs from once";
        if (!once.empty() && (once.front() == ' ' || once.back() == ' ' || once.find("  ") != std::string::npos ||
                              once.find_first_of("\t\n\r") != std::string::npos)) {
            fault = "collapsed text still has blanks to fold: [" + once + "]";
        }
    }
    return fault;
}

// Raw bits as a double, a 64-bit and a 32-bit integer: each must be written
// and read back bit for bit (any NaN as a NaN).
inline std::string CheckLexicalBits(std::uint64_t bits) {
    double number = 0;
    std::memcpy(&number, &bits, sizeof number);
    const std::string written = CConversions::r8ToString(number);
    CConversions::NumberBuffer buffer;
    if (CConversions::r8ToChars(number, buffer) != written) return "r8ToChars and r8ToString differ on " + written;
    try {
        if (!detail::SameDouble(number, CConversions::r8FromString(written))) {
            return "the double [" + written + "] does not read back bit for bit";
        }
        const auto wide = static_cast<std::int64_t>(bits);
        if (CConversions::i8FromString(CConversions::i8ToString(wide)) != wide) {
            return "the 64-bit integer " + CConversions::i8ToString(wide) + " does not read back";
        }
        const auto narrow = static_cast<long>(static_cast<std::int32_t>(bits));
        if (CConversions::i4FromString(CConversions::i4ToString(narrow)) != narrow) {
            return "the 32-bit integer " + CConversions::i4ToString(narrow) + " does not read back";
        }
    } catch (const CNqException& error) {
        return std::string("a written number is refused: ") + error.what();
    }
    return {};
}

// The lexical fuzzer's input: a selector byte, then either raw bits or a
// text; for a text, the selector also picks the whitespace rule.
inline std::string CheckLexical(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    if (data[0] & 1) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, rest, std::min<std::size_t>(size - 1, sizeof bits));
        return CheckLexicalBits(bits);
    }
    const int rule = std::min((data[0] >> 1) & 3, 2);
    return CheckLexicalText(std::string_view(rest, size - 1), static_cast<WhitespaceRule>(rule));
}

} // namespace StorageFuzz
