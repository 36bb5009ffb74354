// CXmlTextWriter: escaping, refused text, namespace declarations and layout.
// Output is parsed back, so every case also proves the writer's document
// well-formed and each element in the namespace it was written with.
#include "runtime/Exceptions.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlTextWriter.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

using namespace NqXmlLib3;

namespace {

// Plays steps on a writer: "<name uri" starts an element, "'text" writes a text,
// "/" ends an element, "@prefix uri" adds a binding, "?" writes the declaration.
std::string Write(bool indent, std::initializer_list<std::string> steps, bool discard = false) {
    CXmlTextWriter writer(indent, discard);
    for (const std::string& step : steps) {
        const auto space = step.find(' ');
        const std::string name = step.substr(1, space - 1);
        const std::string uri = space == std::string::npos ? "" : step.substr(space + 1);
        switch (step[0]) {
        case '<': writer.WriteStartElement(name, uri); break;
        case '\'': writer.WriteString(step.substr(1)); break;
        case '/': writer.WriteEndElement(); break;
        case '@': writer.AddNamespace(name, uri); break;
        case '?': writer.WriteDeclaration(); break;
        }
    }
    return writer.TakeXml();
}

// The elements as "name{uri}attribute count(children)", siblings apart by commas.
std::string Tree(const CXmlElement* element) {
    std::string tree;
    for (; element; element = element->GetNextSiblingElement()) {
        tree += (tree.empty() ? "" : ",") + std::string(element->GetLocalName()) + "{" +
                std::string(element->GetNamespaceUri()) + "}" + std::to_string(element->GetAttributes().size());
        if (element->GetFirstElement()) tree += "(" + Tree(element->GetFirstElement()) + ")";
    }
    return tree;
}

TEST(CXmlTextWriter, EscapesMarkupAndLineEndsAndRefusesWhatXmlCannotCarry) {
    // Line ends are references: a parser reads a raw CR as a line feed, and raw line feeds are layout.
    EXPECT_EQ("<v>a&amp;b&lt;c&gt;d&#13;&#10;\"'</v>", Write(false, {"<v", "'a&b<c>d\r\n\"'", "/"}));
    // text, written (read back the same, with no raw line end) or refused
    const std::pair<std::string, bool> rows[] = {
        {"line\r\nend\r", true}, {"\n", true}, {"]]>", true}, {"  lead and trail  ", true}, {"&amp; &#13;", true},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", true}, {"\xC0\x80", false}, {"\xED\xA0\x80", false}, {"\xE2\x82", false},
        {"ok\xFF", false}, {"a\x01", false}, {std::string("a\0b", 3), false}, {"\xEF\xBF\xBE", false}};
    for (const auto& [text, written] : rows) {
        SCOPED_TRACE(::testing::PrintToString(text));
        try {
            const std::string xml = Write(false, {"<v", "'" + text, "/"});
            EXPECT_TRUE(written && xml.find_first_of("\r\n") == std::string::npos) << xml;
            EXPECT_EQ(text, CXmlDocument::Parse(xml)->GetDocumentElement()->GetText());
        } catch (const CNqException& e) {
            EXPECT_FALSE(written) << e.what();
        }
    }
}

TEST(CXmlTextWriter, NamespaceDeclarations) {
    const struct { std::initializer_list<std::string> steps; const char* start; const char* tree; } rows[] = {
        // Each binding once, on the next start element; a binding already in scope is not repeated.
        {{"@xs http://www.w3.org/2001/XMLSchema-instance", "@mstns urn:t", "@mstns urn:t", "<root urn:t",
          "@mstns urn:t", "<child urn:t", "'1", "/", "<child urn:t", "'2", "/", "/"},
         "<mstns:root ", "root{urn:t}2(child{urn:t}0,child{urn:t}0)"},
        // Without a prefix a namespace is declared as the default; c is back in the root's and needs none.
        {{"<root urn:x", "<a urn:y", "<b urn:x", "/", "/", "<c urn:x", "/", "/"}, "<root xmlns=\"urn:x\"><a ",
         "root{urn:x}1(a{urn:y}1(b{urn:x}1),c{urn:x}0)"},
        // No namespace inside a default namespace undeclares it once.
        {{"<root urn:x", "<plain", "<inner", "/", "/", "/"}, "<root xmlns=\"urn:x\"><plain xmlns=\"\">",
         "root{urn:x}1(plain{}1(inner{}0))"},
        // Inside x, p is urn:b: the outer binding of urn:a is hidden and must not be used for y.
        {{"@p urn:a", "<root urn:a", "@p urn:b", "<x urn:b", "<y urn:a", "/", "/", "<z urn:a", "/", "/"},
         "<p:root xmlns:p=\"urn:a\"><p:x xmlns:p=\"urn:b\">", "root{urn:a}1(x{urn:b}1(y{urn:a}1),z{urn:a}0)"},
        // A namespace name is escaped as an attribute value is, bound to a prefix or as the default.
        {{"@p urn:a\"b&<", "<root urn:a\"b&<", "<c urn:\"", "/", "/"},
         "<p:root xmlns:p=\"urn:a&quot;b&amp;&lt;\"><c xmlns=\"urn:&quot;\"/>", "root{urn:a\"b&<}1(c{urn:\"}1)"}};
    for (const auto& [steps, start, tree] : rows) {
        const std::string xml = Write(false, steps);
        SCOPED_TRACE(xml);
        EXPECT_EQ(0u, xml.find(start));
        EXPECT_EQ(tree, Tree(CXmlDocument::Parse(xml)->GetDocumentElement()));
    }
}

TEST(CXmlTextWriter, IndentedAndCompactLayout) {
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const std::initializer_list<std::string> sample = {"?", "<root", "<a", "'1", "/", "<b", "<c", "' x\n", "/", "/",
                                                       "/"};
    EXPECT_EQ(declaration + "\n<root>\n  <a>1</a>\n  <b>\n    <c> x&#10;</c>\n  </b>\n</root>\n",
              Write(true, sample));
    EXPECT_EQ(declaration + "<root><a>1</a><b><c> x&#10;</c></b></root>", Write(false, sample));
}

// What the steps give: the document, or the message of the first refusal.
std::string Outcome(std::initializer_list<std::string> steps, bool discard) {
    try {
        return Write(false, steps, discard);
    } catch (const CNqException& e) {
        return std::string("refused: ") + e.what();
    }
}

TEST(CXmlTextWriter, DiscardingWriterKeepsNoTextAndRefusesWhatWritingRefuses) {
    const struct { std::initializer_list<std::string> steps; bool refused; } rows[] = {
        {{"?", "@p urn:a", "<root urn:a", "<c urn:b", "'a&b\r\n", "/", "<d", "/", "/"}, false},
        {{"<root", "'caf\xC3\xA9", "/"}, false},
        {{"<1bad", "/"}, true},
        {{"<root", "'ok\xFF", "/"}, true},
        {{"<root", "'a\x01", "/"}, true},
        {{"<root", "'\xEF\xBF\xBE", "/"}, true},
        {{"<root", "'text", "<child", "/", "/"}, true},
        {{"<root", "<child", "/", "'text", "/"}, true},
        {{"'outside"}, true},
        {{"/"}, true},
        {{"<root"}, true},
        {{"@p ", "<root", "/"}, true},
        {{"@xmlns urn:a", "<root", "/"}, true},
        {{"@p urn:\x01", "<root", "/"}, true},
        {{"<root urn:\xC0\x80", "/"}, true},
    };
    for (const auto& [steps, refused] : rows) {
        const std::string written = Outcome(steps, false);
        SCOPED_TRACE(written);
        EXPECT_EQ(refused, written.rfind("refused: ", 0) == 0);
        EXPECT_EQ(refused ? written : "", Outcome(steps, true));
    }
}

TEST(CXmlTextWriter, WritesOnlyNamesWithoutColonAsElementNames) {
    const std::pair<std::string, bool> rows[] = {
        {"a", true}, {"_x", true}, {"Z-b.c9", true}, {"caf\xC3\xA9", true}, {"\xC3\xA9t\xC3\xA9", true},
        {"a\xCC\x80", true}, {"", false}, {"1a", false}, {"-a", false}, {".a", false}, {"a:b", false},
        {"a\tb", false}, {"a/", false}, {"a\x80", false}, {"\xC3\x97", false}, {"\xCC\x80" "a", false}};
    for (const auto& [name, valid] : rows) {
        SCOPED_TRACE(::testing::PrintToString(name));
        for (bool discard : {false, true}) {
            const std::string outcome = Outcome({"<" + name, "/"}, discard);
            EXPECT_EQ(valid, outcome.rfind("refused: ", 0) != 0) << outcome;
        }
    }
}

} // namespace
