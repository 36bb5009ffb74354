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

struct Malformed {
    const char* text;
    int line;
    int column;
};

// Positions are 1-based; a column counts characters, a CR LF pair ends one line.
const Malformed kMalformed[] = {
    {"", 1, 1}, {"<a>", 1, 4}, {"<a></b>", 1, 6}, {"<a>\n  <b>\n</a>", 3, 3}, {"<a x='1' x='2'/>", 1, 10},
    {"<a>&foo;</a>", 1, 4}, {"<a>x</a><b/>", 1, 9}, {"<p:a/>", 1, 1}, {"<a>\xFF</a>", 1, 4},
    {"<a>\r\n<b></a>", 2, 6}, {"<a b='1></a>", 1, 9}, {"  <?xml version='1.0'?><a/>", 1, 3}, {"<a>]]></a>", 1, 6},
    {"<a>\n\n  <1/></a>", 3, 4}, {"<a>\xC3\xA9</b>", 1, 7}, {"<a\n b='<'/>", 2, 5}, {"<a>\n</a>\n<", 3, 1},
    {"<a>&#0;</a>", 1, 4}, {"<a b=1/>", 1, 6}};

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
        std::string event = "start {" + std::string(uri) + "}" + std::string(localName) + " " +
                            std::to_string(line) + ":" + std::to_string(column);
        for (std::size_t i = 0; i < count; ++i) {
            event += " {" + std::string(attributes[i].namespaceUri) + "}" + std::string(attributes[i].localName) +
                     "=" + std::string(attributes[i].value);
        }
        events.push_back(event);
        if (localName == stopAt) throw CNqValidationException("stopped at " + stopAt);
    }
    void CharacterData(std::string_view text) override {
        if (!events.empty() && events.back().compare(0, 5, "text ") == 0) {
            events.back() += text;
        } else {
            events.push_back("text " + std::string(text));
        }
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

TEST(CXmlDocument, MalformedTextIsRefusedWithItsPosition) {
    for (const auto& [text, line, column] : kMalformed) {
        SCOPED_TRACE(::testing::PrintToString(std::string(text)));
        const std::string message = ExpectRefusedAt(line, column, [&] { CXmlDocument::Parse(text); });
        EXPECT_NE(std::string::npos, message.find(std::to_string(line))) << message;
        EXPECT_NE(std::string::npos, message.find(std::to_string(column))) << message;
        for (std::size_t chunk = 1; chunk <= 5; ++chunk) {  // the same when fed in small pieces
            Recorder recorder;
            ExpectRefusedAt(line, column, [&] { detail::ParseXml(text, recorder, chunk); });
        }
    }
}

TEST(CXmlDocument, DoctypeIsRefused) {
    const std::pair<const char*, int> rows[] = {
        {"<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>", 1}, {"<!DOCTYPE a SYSTEM \"/etc/passwd\"><a/>", 1},
        {"<?xml version='1.0'?>\n<!DOCTYPE a>\n<a/>", 2},
        {"<!DOCTYPE l [<!ENTITY a 'aaaa'><!ENTITY b '&a;&a;&a;&a;'>]><l>&b;</l>", 1}};
    for (const auto& [text, line] : rows) {
        SCOPED_TRACE(text);
        const std::string message = ExpectRefusedAt(line, 0, [&] { CXmlDocument::Parse(text); });
        EXPECT_NE(std::string::npos, message.find("DOCTYPE is not allowed")) << message;
        Recorder recorder;
        ExpectRefusedAt(line, 0, [&] { detail::ParseXml(text, recorder, 1); });
        EXPECT_TRUE(recorder.events.empty());
    }
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

const std::u16string kUtf16Doc =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r\u00E9f a=\"\u20AC\">x\U0001F600</r\u00E9f>";

TEST(CXmlDocument, Utf16WithByteOrderMarkBecomesUtf8) {
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big endian" : "little endian");
        auto doc = CXmlDocument::Parse(Utf16(kUtf16Doc, bigEndian));
        const CXmlElement* root = doc->GetDocumentElement();
        EXPECT_EQ("r\xC3\xA9" "f", root->GetLocalName());
        EXPECT_EQ("x\xF0\x9F\x98\x80", root->GetText());
        ASSERT_EQ(1u, root->GetAttributes().size());
        EXPECT_EQ("\xE2\x82\xAC", root->GetAttributes().begin()->GetValue());
    }
    auto doc = CXmlDocument::Parse("\xEF\xBB\xBF<a>t</a>");
    EXPECT_EQ("t", doc->GetDocumentElement()->GetText());
}

TEST(CXmlDocument, TextIsAllCharacterData) {
    // Blank runs between child elements are markup; whitespace-only text of a leaf is kept.
    const std::pair<const char*, const char*> rows[] = {
        {"<a>x<![CDATA[<&>]]>y<!-- c -->z<?pi d?>w</a>", "x<&>yzw"}, {"<a>  \n\t</a>", "  \n\t"},
        {"<a>a&amp;b&lt;&#xD;&#x20AC;&#65;</a>", "a&b<\r\xE2\x82\xAC" "A"}, {"<a>l1\r\nl2\rl3</a>", "l1\nl2\nl3"},
        {"<a><![CDATA[ ]]></a>", " "}, {"<a><!-- only --></a>", ""}, {"<a>\n  <b/>\n</a>", ""}, {"<a/>", ""}};
    for (const auto& [xml, text] : rows) {
        SCOPED_TRACE(xml);
        EXPECT_EQ(text, CXmlDocument::Parse(xml)->GetDocumentElement()->GetText());
    }
}

TEST(CXmlElement, PositionsSiblingsAndText) {
    auto doc = CXmlDocument::Parse("<r>\n  <a/>\n\t<b>x</b><c/>\n</r>");
    const CXmlElement* r = doc->GetDocumentElement();
    EXPECT_EQ(nullptr, r->GetNextSiblingElement());
    const Malformed expected[] = {{"r", 1, 1}, {"a", 2, 3}, {"b", 3, 2}, {"c", 3, 10}};  // a tab is one column
    const CXmlElement* element = r;
    for (const auto& [name, line, column] : expected) {
        ASSERT_NE(nullptr, element) << name;
        EXPECT_EQ(name, element->GetLocalName());
        EXPECT_EQ(line, element->GetLine()) << name;
        EXPECT_EQ(column, element->GetColumn()) << name;
        element = element == r ? r->GetFirstElement() : element->GetNextSiblingElement();
    }
    EXPECT_EQ(nullptr, element);
    EXPECT_EQ("x", r->GetFirstElement()->GetNextSiblingElement()->GetText());
}

TEST(CXmlElement, AttributesAndNamespaceDeclarations) {
    auto doc = CXmlDocument::Parse(
        "<p:r a=\"1\" xmlns:p=\"urn:p\" p:b=\"x&lt;&#9;y\" xmlns=\"urn:d\"><c q=''/></p:r>");
    const CXmlElement* r = doc->GetDocumentElement();
    EXPECT_EQ("urn:p", r->GetNamespaceUri());
    EXPECT_EQ("r", r->GetLocalName());
    // Declarations first, each named by its prefix ("xmlns" for the default namespace), then the
    // attributes in document order: local name, namespace, value.
    const char* const expected[][3] = {{"p", "", "urn:p"}, {"xmlns", "", "urn:d"}, {"a", "", "1"}, {"b", "urn:p", "x<\ty"}};
    ASSERT_EQ(4u, r->GetAttributes().size());
    for (int i = 0; i < 4; ++i) {
        const CXmlAttribute& attribute = r->GetAttributes().begin()[i];
        EXPECT_EQ(expected[i][0], attribute.GetLocalName()) << i;
        EXPECT_EQ(expected[i][2], attribute.GetValue()) << i;
        EXPECT_EQ(i < 2, attribute.IsNamespaceDeclaration()) << i;
        EXPECT_EQ(i < 2, CXmlObjectBase::IsNamespaceAttribute(&attribute)) << i;
        EXPECT_TRUE(i < 2 || expected[i][1] == attribute.GetNamespaceUri()) << i;
    }
    const CXmlElement* c = r->GetFirstElement();
    ASSERT_NE(nullptr, c);
    EXPECT_EQ("urn:d", c->GetNamespaceUri());
    ASSERT_EQ(1u, c->GetAttributes().size());
    EXPECT_EQ("", c->GetAttributes().begin()->GetNamespaceUri());  // the default namespace is not an attribute's
    EXPECT_FALSE(c->GetAttributes().begin()->IsNamespaceDeclaration());
}

TEST(ParseXml, SmallChunksGiveTheSameEvents) {
    const std::string doc =
        "<?xml version=\"1.0\"?>\r\n<p:r xmlns:p=\"urn:p\"\r\n p:k=\"v&amp;w\"><e>caf\xC3\xA9 &#x20AC;"
        "<![CDATA[<x>]]><!--c-->\xF0\x9F\x98\x80</e><e\n/></p:r>";
    const std::vector<std::string> expected = {
        "ns p=urn:p", "start {urn:p}r 2:1 {urn:p}k=v&w", "start {}e 3:16",
        "text caf\xC3\xA9 \xE2\x82\xAC<x>\xF0\x9F\x98\x80", "end", "start {}e 3:60", "end", "end"};
    EXPECT_EQ(expected, Events(doc, 1 << 18));
    const std::string utf16 = Utf16(kUtf16Doc, false);
    const std::vector<std::string> utf16Events = Events(utf16, 1 << 18);
    for (std::size_t chunk = 1; chunk <= 5; ++chunk) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        EXPECT_EQ(expected, Events(doc, chunk));
        EXPECT_EQ(utf16Events, Events(utf16, chunk));
    }
}

TEST(ParseXml, HandlerExceptionStopsTheParse) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{1} << 18}) {
        Recorder recorder;
        recorder.stopAt = "stop";
        try {
            detail::ParseXml("<r><a/><stop/><after/></r>", recorder, chunk);
            ADD_FAILURE() << "no exception";
        } catch (const CNqValidationException& e) {
            EXPECT_STREQ("stopped at stop", e.what());
        }
        EXPECT_EQ(std::vector<std::string>({"start {}r 1:1", "start {}a 1:4", "end", "start {}stop 1:8"}),
                  recorder.events) << "chunk " << chunk;
    }
}

TEST(CXmlDocument, DeepNestingNeedsNoDeepStack) {
    const int depth = 200000;
    std::string xml;
    for (int i = 0; i < depth; ++i) xml += "<a>";
    xml += "x";
    for (int i = 0; i < depth; ++i) xml += "</a>";
    auto doc = CXmlDocument::Parse(xml);
    int levels = 1;
    const CXmlElement* deepest = doc->GetDocumentElement();
    for (; deepest->GetFirstElement(); deepest = deepest->GetFirstElement()) ++levels;
    EXPECT_EQ(depth, levels);
    EXPECT_EQ("x", deepest->GetText());
    doc.reset();  // frees every element without walking the tree recursively
}

} // namespace
