// CXmlTextWriter: escaping, refused text, namespace declarations and layout.
// Output is checked by parsing it back, so every case also proves the
// writer's document well-formed and each element in the namespace it was
// written with.
#include "runtime/Exceptions.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlTextWriter.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

using namespace NqXmlLib3;

namespace {

const char* const kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

std::unique_ptr<CXmlDocument> ParseBack(const std::string& xml) {
    try {
        return CXmlDocument::Parse(xml);
    } catch (const CNqException& e) {
        ADD_FAILURE() << "writer output does not parse: " << e.what() << "\n" << xml;
        return nullptr;
    }
}

// Checks an element's name and namespace, and how many attributes (declarations included) it carries.
void ExpectElement(const CXmlElement* element, const char* localName, const char* namespaceUri,
                   std::size_t attributes) {
    ASSERT_NE(nullptr, element) << localName;
    EXPECT_EQ(localName, element->GetLocalName());
    EXPECT_EQ(namespaceUri, element->GetNamespaceUri()) << localName;
    EXPECT_EQ(attributes, element->GetAttributes().size()) << localName;
}

// Plays steps on a writer: "<name uri" starts an element, "'text" writes a text,
// "/" ends an element, "@prefix uri" adds a binding, "?" writes the declaration.
std::string Write(bool indent, std::initializer_list<std::string> steps) {
    CXmlTextWriter writer(indent);
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

TEST(CXmlTextWriter, EscapesMarkupAndKeepsCarriageReturns) {
    EXPECT_EQ("<v>a&amp;b&lt;c&gt;d</v>", Write(false, {"<v", "'a&b<c>d", "/"}));
    for (const std::string text : {"line\r\nend\r", "\r", "]]>", "  lead and trail  ", "\t\n",
                                   "caf\xC3\xA9 \xF0\x9F\x98\x80", "&amp; &#13;", "\"quoted\" 'x'"}) {
        SCOPED_TRACE(::testing::PrintToString(text));
        const std::string xml = Write(false, {"<v", "'" + text, "/"});
        EXPECT_EQ(std::string::npos, xml.find('\r'));  // a parser reads a raw CR as a line feed
        auto doc = ParseBack(xml);
        ASSERT_TRUE(doc);
        EXPECT_EQ(text, doc->GetDocumentElement()->GetText());
    }
}

TEST(CXmlTextWriter, RefusesTextXmlCannotCarry) {
    for (const std::string text :
         {"\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "ok\xFF", "\xF4\x90\x80\x80", "a\x01", "\x0C", "\xEF\xBF\xBE"}) {
        SCOPED_TRACE(::testing::PrintToString(text));
        EXPECT_THROW(Write(false, {"<v", "'" + text, "/"}), CNqException);
    }
    CXmlTextWriter writer(false);
    writer.WriteStartElement("v", "");
    EXPECT_THROW(writer.WriteString(std::string("a\0b", 3)), CNqException);
}

TEST(CXmlTextWriter, DeclaresEachBindingOnceOnTheElement) {
    const std::string xml = Write(false, {"@xs http://www.w3.org/2001/XMLSchema-instance", "@mstns urn:t",
                                          "@mstns urn:t", "<root urn:t", "@mstns urn:t", "<child urn:t", "'1", "/",
                                          "<child urn:t", "'2", "/", "/"});
    EXPECT_EQ(0u, xml.find("<mstns:root ")) << xml;
    auto doc = ParseBack(xml);
    ASSERT_TRUE(doc);
    const CXmlElement* root = doc->GetDocumentElement();
    ExpectElement(root, "root", "urn:t", 2);
    for (const CXmlAttribute& attribute : root->GetAttributes()) EXPECT_TRUE(attribute.IsNamespaceDeclaration());
    ExpectElement(root->GetFirstElement(), "child", "urn:t", 0);
    ExpectElement(root->GetFirstElement()->GetNextSiblingElement(), "child", "urn:t", 0);
}

TEST(CXmlTextWriter, NamespaceWithoutPrefixIsDeclaredAsDefault) {
    // c is back in the root's default namespace and needs no declaration.
    auto doc = ParseBack(Write(false, {"<root urn:x", "<a urn:y", "<b urn:x", "/", "/", "<c urn:x", "/", "/"}));
    ASSERT_TRUE(doc);
    const CXmlElement* root = doc->GetDocumentElement();
    ExpectElement(root, "root", "urn:x", 1);
    const CXmlElement* a = root->GetFirstElement();
    ExpectElement(a, "a", "urn:y", 1);
    ExpectElement(a->GetFirstElement(), "b", "urn:x", 1);
    ExpectElement(a->GetNextSiblingElement(), "c", "urn:x", 0);
}

TEST(CXmlTextWriter, NoNamespaceInsideDefaultNamespaceUndeclaresIt) {
    auto doc = ParseBack(Write(false, {"<root urn:x", "<plain", "<inner", "/", "/", "/"}));
    ASSERT_TRUE(doc);
    const CXmlElement* plain = doc->GetDocumentElement()->GetFirstElement();
    ExpectElement(plain, "plain", "", 1);  // xmlns=""
    ExpectElement(plain->GetFirstElement(), "inner", "", 0);
}

TEST(CXmlTextWriter, RebindingAPrefixLastsUntilItsElementEnds) {
    // Inside x, p is urn:b: the outer binding of urn:a is hidden and must not be used for y.
    const std::string xml =
        Write(false, {"@p urn:a", "<root urn:a", "@p urn:b", "<x urn:b", "<y urn:a", "/", "/", "<z urn:a", "/", "/"});
    auto doc = ParseBack(xml);
    ASSERT_TRUE(doc);
    const CXmlElement* root = doc->GetDocumentElement();
    ExpectElement(root, "root", "urn:a", 1);
    const CXmlElement* x = root->GetFirstElement();
    ExpectElement(x, "x", "urn:b", 1);
    ASSERT_NE(nullptr, x->GetFirstElement());
    EXPECT_EQ("urn:a", x->GetFirstElement()->GetNamespaceUri()) << xml;
    ExpectElement(x->GetNextSiblingElement(), "z", "urn:a", 0);
}

const std::initializer_list<std::string> kSample = {"?", "<root", "<a", "'1", "/", "<b", "<c", "' x ", "/", "/", "/"};

std::string WithoutFinalLineFeed(std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

TEST(CXmlTextWriter, IndentedLayout) {
    EXPECT_EQ(std::string(kDeclaration) + "\n<root>\n  <a>1</a>\n  <b>\n    <c> x </c>\n  </b>\n</root>",
              WithoutFinalLineFeed(Write(true, kSample)));
}

TEST(CXmlTextWriter, CompactLayout) {
    std::string xml = WithoutFinalLineFeed(Write(false, kSample));
    ASSERT_EQ(0u, xml.find(kDeclaration)) << xml;
    xml.erase(0, std::string(kDeclaration).size());
    if (!xml.empty() && xml.front() == '\n') xml.erase(0, 1);
    EXPECT_EQ("<root><a>1</a><b><c> x </c></b></root>", xml);
}

} // namespace
