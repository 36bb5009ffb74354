// CXmlDocument::Parse and the parser seam under it: refused documents and
// their positions, encodings, text, attributes, chunked input and depth.
#include "runtime/Exceptions.h"
#include "runtime/ParserBackend.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlObjectBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using namespace NqXmlLib3;

namespace {

// Records the events of a parse; character data split by the parser is joined.
class Recorder final : public detail::IParseEvents {
public:
    std::vector<std::string> events;
    std::string stopAt;  // an element whose start throws

    void NamespaceDeclaration(std::string_view prefix, std::string_view uri) override {
        events.push_back("ns " + std::string(prefix) + "=" + std::string(uri));
    }
    void StartElement(std::string_view uri, std::string_view localName, const detail::RawAttribute* attributes,
                      std::size_t count, int line, int column) override {
        events.push_back("start {" + std::string(uri) + "}" + std::string(localName) + " " + std::to_string(line) +
                         ":" + std::to_string(column));
        for (const auto* a = attributes; a != attributes + count; ++a) {
            events.back() += " {" + std::string(a->namespaceUri) + "}" + std::string(a->localName) + "=" +
                             std::string(a->value);
        }
        if (localName == stopAt) throw CNqValidationException("stopped at " + stopAt);
    }
    void CharacterData(std::string_view text) override {
        if (events.empty() || events.back().rfind("text ", 0) != 0) events.push_back("text ");
        events.back() += text;
    }
    void EndElement() override { events.push_back("end"); }
};

std::vector<std::string> Events(std::string_view text, std::size_t chunkSize) {
    Recorder recorder;
    detail::ParseXml(text, recorder, chunkSize);
    return recorder.events;
}

// Runs `parse`, which must refuse the text with a CNqException that is no validation
// failure, at the line and column given (column 0: any); returns the message.
template <class Parse>
std::string ExpectRefusedAt(int line, int column, Parse parse) {
    try {
        parse();
        ADD_FAILURE() << "accepted";
        return "";
    } catch (const CNqException& e) {
        EXPECT_EQ(line, e.GetLine());
        EXPECT_EQ(column ? column : std::max(e.GetColumn(), 1), e.GetColumn());
        EXPECT_EQ(nullptr, dynamic_cast<const CNqValidationException*>(&e));
        return e.what();
    }
}

TEST(CXmlDocument, MalformedTextAndDoctypeAreRefusedWithTheirPosition) {
    // Positions are 1-based; a column counts characters, a CR LF pair ends one line. Column 0: a DOCTYPE,
    // refused before any event is reported.
    const struct { std::string text; int line, column; } rows[] = {
        {"", 1, 1}, {"<a>", 1, 4}, {"<a></b>", 1, 6}, {"<a>\n  <b>\n</a>", 3, 3}, {"<a x='1' x='2'/>", 1, 10},
        {"<a>&foo;</a>", 1, 4}, {"<a>x</a><b/>", 1, 9}, {"<p:a/>", 1, 1}, {"<a>\xFF</a>", 1, 4},
        {"<a>\xC0\xAF</a>", 1, 4}, {std::string("<a>a\0b</a>", 10), 1, 5}, {"<a xmlns:p=''/>", 1, 1},
        {"<a xmlns:xml='urn:x'/>", 1, 1}, {"<a xmlns:p='urn:u' xmlns:q='urn:u' p:a='1' q:a='2'/>", 1, 1},
        {"<a>\r\n<b></a>", 2, 6}, {"<a>\r<b></a>", 2, 6}, {"<a>\xC3\xA9</b>", 1, 7}, {"<a>&#0;</a>", 1, 4},
        {"<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>", 1, 0},
        {"<?xml version='1.0'?>\n<!DOCTYPE a SYSTEM \"/etc/passwd\">\n<a/>", 2, 0}};
    for (const auto& [text, line, column] : rows) {
        SCOPED_TRACE(::testing::PrintToString(text));
        const std::string message = ExpectRefusedAt(line, column, [&] { CXmlDocument::Parse(text); });
        const std::string position = "line " + std::to_string(line) + ", column " + std::to_string(column);
        EXPECT_NE(std::string::npos, message.find(column ? position : "DOCTYPE is not allowed")) << message;
        for (std::size_t chunk = 1; chunk <= 5; ++chunk) {  // the same when fed in small pieces
            Recorder recorder;
            EXPECT_EQ(message, ExpectRefusedAt(line, column, [&] { detail::ParseXml(text, recorder, chunk); }));
            EXPECT_TRUE(column || recorder.events.empty());
        }
    }
    // A view without storage (its data() is null) is the empty text too.
    ExpectRefusedAt(1, 1, [] { CXmlDocument::Parse(std::string_view{}); });
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string bytes;
    for (char16_t unit : u"\uFEFF" + text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(CXmlDocument, TextIsAllCharacterData) {
    // Blank runs between child elements are markup; whitespace-only text of a leaf is kept.
    // Runs of blanks longer than a few words, which are held aside differently, keep every character.
    const std::string wide(130, ' '), ragged = "        \t" + wide + "\n";
    const std::pair<std::string, std::string> rows[] = {
        {"<a>x<![CDATA[<&>]]>y<!-- c -->z<?pi d?>w</a>", "x<&>yzw"}, {"<a>  \n\t</a>", "  \n\t"},
        {"<a>a&amp;b&lt;&#xD;&#x20AC;&#65;</a>", "a&b<\r\xE2\x82\xAC" "A"}, {"<a>l1\r\nl2\rl3</a>", "l1\nl2\nl3"},
        {"<a>\n  <b/>\n</a>", ""}, {"<a>" + ragged + "</a>", ragged}, {"<a>" + wide + "x" + wide + "</a>", wide + "x" + wide},
        {"<a>" + ragged + "<b/>" + wide + "</a>", ""}, {"<a><b/>" + ragged + "x</a>", ragged + "x"}};
    for (const auto& [xml, text] : rows) {
        EXPECT_EQ(text, CXmlDocument::Parse(xml)->GetDocumentElement()->GetText()) << xml;
    }
}

TEST(CXmlElement, PositionsAndAttributes) {
    auto doc = CXmlDocument::Parse("<p:r a=\"1\" xmlns:p=\"urn:p\" p:b=\"x&lt;&#9;y\" xmlns=\"urn:d\">\n\t<c/></p:r>");
    const CXmlElement* c = doc->GetDocumentElement()->GetFirstElement();
    EXPECT_TRUE(c->GetNamespaceUri() == "urn:d" && c->GetLine() == 2 && c->GetColumn() == 2);  // a tab is one column
    // Declarations first, named by their prefix ("xmlns" for the default), then attributes in document order;
    // the default namespace is an element's, never an attribute's.
    std::string seen;
    for (const CXmlAttribute& a : doc->GetDocumentElement()->GetAttributes()) {
        EXPECT_EQ(a.IsNamespaceDeclaration(), CXmlObjectBase::IsNamespaceAttribute(&a));
        seen += (a.IsNamespaceDeclaration() ? "xmlns " : "{" + std::string(a.GetNamespaceUri()) + "}") +
                std::string(a.GetLocalName()) + "=" + std::string(a.GetValue()) + "; ";
    }
    EXPECT_EQ("xmlns p=urn:p; xmlns xmlns=urn:d; {}a=1; {urn:p}b=x<\ty; ", seen);
}

TEST(ParseXml, EncodingsAndSmallChunksGiveTheSameEvents) {
    const std::string doc =
        "<?xml version=\"1.0\"?>\r\n<p:r xmlns:p=\"urn:p\"\r\n p:k=\"v&amp;w\"><e>caf\xC3\xA9 &#x20AC;"
        "<![CDATA[<x>]]><!--c-->\xF0\x9F\x98\x80</e><e\n/></p:r>";
    const std::vector<std::string> expected = {
        "ns p=urn:p", "start {urn:p}r 2:1 {urn:p}k=v&w", "start {}e 3:16",
        "text caf\xC3\xA9 \xE2\x82\xAC<x>\xF0\x9F\x98\x80", "end", "start {}e 3:60", "end", "end"};
    // UTF-16 with a byte order mark, either way round, reaches the handler as UTF-8.
    const std::u16string utf16 =
        u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r\u00E9f a=\"\u20AC\">x\U0001F600</r\u00E9f>";
    const std::vector<std::string> utf16Expected = {"start {}r\xC3\xA9" "f 2:1 {}a=\xE2\x82\xAC",
                                                    "text x\xF0\x9F\x98\x80", "end"};
    for (std::size_t chunk : {1, 2, 3, 4, 5, 1 << 18}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(expected, Events(doc, chunk));
        EXPECT_EQ(expected, Events("\xEF\xBB\xBF" + doc, chunk));
        EXPECT_EQ(utf16Expected, Events(Utf16(utf16, false), chunk));
        EXPECT_EQ(utf16Expected, Events(Utf16(utf16, true), chunk));
        // A handler's exception stops the parse where it was thrown and reaches the caller unchanged.
        Recorder stopped;
        stopped.stopAt = "e";
        EXPECT_THROW(detail::ParseXml(doc, stopped, chunk), CNqValidationException);
        EXPECT_EQ(std::vector<std::string>(expected.begin(), expected.begin() + 3), stopped.events);
    }
}

TEST(CXmlDocument, ReadsTheEncodingsItsParserDecodesItselfOnEverySystem) {
    // Latin-1 and ASCII by name; an encoding that only a system's converter knows is refused everywhere.
    const auto declared = [](const char* encoding, const std::string& text) {
        return "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?><a>" + text + "</a>";
    };
    EXPECT_EQ("caf\xC3\xA9", CXmlDocument::Parse(declared("ISO-8859-1", "caf\xE9"))->GetDocumentElement()->GetText());
    EXPECT_EQ("cafe", CXmlDocument::Parse(declared("US-ASCII", "cafe"))->GetDocumentElement()->GetText());
    for (const char* encoding : {"windows-1252", "Shift_JIS", "ISO-8859-2"}) {
        EXPECT_EQ("Malformed XML: Unsupported encoding " + std::string(encoding) + " at line 1, column 1",
                  ExpectRefusedAt(1, 1, [&] { CXmlDocument::Parse(declared(encoding, "x")); }));
    }
    // Bytes that do not decode are refused where they start, and nothing is written anywhere.
    ::testing::internal::CaptureStderr();
    const std::string message = ExpectRefusedAt(1, 4, [] {
        CXmlDocument::Parse(Utf16(u"<a>", false) + std::string("\x00\xD8<\0/\0a\0>\0", 10));  // a lone surrogate
    });
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
    EXPECT_NE(std::string::npos, message.find("Malformed XML: input conversion failed")) << message;
    // Nor is a text that ends inside a character.
    EXPECT_EQ("Malformed XML: Premature end of data at line 1, column 8",
              ExpectRefusedAt(1, 8, [] { CXmlDocument::Parse(Utf16(u"<a></a>", false) + "<"); }));
}

TEST(CXmlDocument, AForwardWalkKeepsTheChildOfTheRootBeforeTheOneItIsOn) {
    // Children over many pieces of text, some spanning two: the one before is whole when the walk is on the next.
    std::string text = "<r>";
    for (int i = 0; i < 20000; ++i) text += "<c>" + std::to_string(i) + std::string(i % 97, ' ') + "</c>";
    text += "</r>";
    const auto document = CXmlDocument::OpenText(text);
    int count = 0;
    const CXmlElement* before = nullptr;
    for (const CXmlElement* child = document->GetDocumentElement()->GetFirstElement(); child;
         child = child->GetNextSiblingElement(), ++count) {
        if (before) {
            ASSERT_EQ(std::to_string(count - 1) + std::string((count - 1) % 97, ' '), before->GetText());
        }
        before = child;
    }
    EXPECT_EQ(20000, count);
}

std::string Nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) open += "<a>", close += "</a>";
    return open + "x" + close;
}

TEST(CXmlDocument, NestingUpToTheLimitIsReadDeeperIsRefusedWhereMet) {
    auto doc = CXmlDocument::Parse(Nested(MaxElementDepth));
    int levels = 1;
    const CXmlElement* deepest = doc->GetDocumentElement();
    for (; deepest->GetFirstElement(); deepest = deepest->GetFirstElement()) ++levels;
    EXPECT_EQ(MaxElementDepth, levels);
    EXPECT_EQ("x", deepest->GetText());

    // Refused at the first element too deep, not at the end of the text, however deep it goes.
    for (int depth : {MaxElementDepth + 1, 1000000}) {
        try {
            CXmlDocument::Parse(Nested(depth));
            ADD_FAILURE() << depth << " levels were accepted";
        } catch (const CNqException& error) {
            EXPECT_STREQ("Elements nest deeper than 256 levels at line 1, column 769", error.what());
            EXPECT_EQ(769, error.GetColumn());
        }
    }
}

} // namespace
