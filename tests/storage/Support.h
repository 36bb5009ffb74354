// Shared helpers of the Storage tests: checking a whole exception chain (type,
// text and position of every level), feeding readers from parsed text, and
// outlines of written text that show element order, namespaces and texts.
#pragma once

#include "storage/Storage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace StorageTest {

using namespace NqXmlLib3;
using namespace Storage;

inline const std::string kTns = TargetNamespaceUri;
inline const char* const kOther = "urn:test:other";
inline const char* const kNoneSet =
    "This element is a choice, and as such must have at one (and only one) valid item, currently there are none set";

// One level of an exception chain: its exact dynamic type, its exact text (or,
// when `part`, a part of it: the runtime's own texts) and its position, 0:0
// (none) unless given; a line of -1 leaves the position unchecked.
struct Level {
    const std::type_info* type;
    std::string text;
    bool part = false;
    int line = 0, column = 0;
    Level At(int l, int c) const { return {type, text, part, l, c}; }
    // Located at the first `marker` in the one-line `text`.
    Level In(const std::string& text, const std::string& marker) const {
        EXPECT_NE(text.find(marker), std::string::npos) << marker;
        return At(1, int(text.find(marker)) + 1);
    }
};
inline Level Validation(std::string text) { return {&typeid(CNqValidationException), std::move(text)}; }
inline Level InvalidState(std::string text) { return {&typeid(CNqInvalidStateException), std::move(text)}; }
inline Level Runtime(std::string part = "") { return {&typeid(CNqException), std::move(part), true}; }
inline Level Fewer() { return Runtime("fewer than its minimum"); }
inline Level Children(const std::string& name) {
    return Validation("Failed to process the child elements in element [" + name + "]");
}
inline Level Convert(const std::string& name) {
    return Validation("Failed to convert the element [" + name + "] to XML");
}
inline Level Missing(const std::string& name) { return Validation("Failed to find a required element [" + name + "]"); }

// Runs `action`, which must throw a CNqException whose chain, outermost first, is exactly `levels`.
template <class Action>
::testing::AssertionResult ThrowsChain(Action&& action, const std::vector<Level>& levels) {
    try {
        action();
    } catch (const CNqException& thrown) {
        std::string chain;
        for (const CNqException* e = &thrown; e; e = e->GetInnerException()) {
            chain += FormatString("\n  %s \"%s\" at %d:%d", typeid(*e).name(), e->what(), e->GetLine(), e->GetColumn());
        }
        const CNqException* e = &thrown;
        for (std::size_t i = 0; i < levels.size(); ++i, e = e->GetInnerException()) {
            const Level& want = levels[i];
            const std::string text = e ? e->what() : "";
            const bool textMatches = want.part ? text.find(want.text) != std::string::npos : text == want.text;
            if (!e || typeid(*e) != *want.type || !textMatches ||
                (want.line >= 0 && (e->GetLine() != want.line || e->GetColumn() != want.column))) {
                return ::testing::AssertionFailure() << "level " << i << " is not \"" << want.text << "\" at "
                                                     << want.line << ":" << want.column << "; chain:" << chain;
            }
        }
        if (e) return ::testing::AssertionFailure() << "more levels than expected; chain:" << chain;
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no CNqException was thrown";
}

// A parsed document that stays alive as long as the elements are used.
struct Doc {
    std::unique_ptr<CXmlDocument> doc;
    CXmlElement* root = nullptr;
    explicit Doc(const std::string& text) : doc(CXmlDocument::Parse(text)), root(doc->GetDocumentElement()) {}
    // The n-th child element of the root (0-based).
    CXmlElement* Child(int n) const {
        CXmlElement* e = root->GetFirstElement();
        while (e && n-- > 0) e = e->GetNextSiblingElement();
        return e;
    }
};

// The element `name` in the target namespace holding `body`.
inline std::string Element(const std::string& name, const std::string& body, const std::string& attributes = "") {
    return "<" + name + " xmlns=\"" + kTns + "\"" + attributes + ">" + body + "</" + name + ">";
}

// Reads `object` from `element` (its own element) and that element's first child.
inline CXmlElement* ReadOwn(CXmlObjectBase* object, CXmlElement* element) {
    return CXmlObjectBase::FromXml_Int(object, element, element->GetFirstElement());
}

// An outline of an element: its local name, "@uri" when its namespace is not
// the target namespace, then "(children)" or "=text".
inline std::string Outline(const CXmlElement* e) {
    std::string out = e->GetLocalName();
    if (e->GetNamespaceUri() != kTns) out += "@" + e->GetNamespaceUri();
    if (const CXmlElement* child = e->GetFirstElement()) {
        for (out += "("; child; child = child->GetNextSiblingElement()) {
            out += Outline(child) + (child->GetNextSiblingElement() ? "," : ")");
        }
    } else if (!e->GetText().empty()) {
        out += "=" + std::string(e->GetText());
    }
    return out;
}

// Writes `object` through the static dispatcher inside a host element in
// kOther, passing kOther for the object's own element and `declare` for its
// declarations; returns the outline of what the host holds, e.g. "num=1",
// marked when anything declared the "xs" prefix.
inline std::string WriteOutline(CXmlObjectBase* object, bool declare = false) {
    CXmlTextWriter writer(false);
    writer.WriteStartElement("h", kOther);
    CXmlObjectBase::ToXml_Int(object, &writer, declare, kOther);
    writer.WriteEndElement();
    const std::string host = Outline(Doc(writer.GetXml()).root), bare = std::string("h@") + kOther;
    return (host == bare ? "" : host.substr(bare.size() + 1, host.size() - bare.size() - 2)) +
           (writer.GetXml().find("xmlns:xs") == std::string::npos ? "" : " declaring xs");
}

// The whole document `object` writes: its outline, then the attributes of its
// root start tag, then any namespace declaration below the root.
inline std::string DocOutline(CXmlObjectBase* object) {
    const std::string text = object->ToXml({false, false});
    const std::size_t space = text.find(' '), end = text.find('>');
    return Outline(Doc(text).root) + " |" + text.substr(space, end - space) + "|" +
           (text.find("xmlns", end) == std::string::npos ? "" : " and declarations below");
}
inline const std::string kDeclared =
    " | xmlns:xs=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:mstns=\"" + kTns + "\"|";

} // namespace StorageTest
