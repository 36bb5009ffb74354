// Shared helpers of the Storage tests: feeding readers from parsed text,
// writing one object inside a host element, and an outline of written text
// that shows element order, namespaces and texts.
#pragma once

#include "Chain.h"

#include "storage/Storage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace StorageTest {

using namespace NqXmlLib3;
using namespace Storage;

inline const std::string kTns = TargetNamespaceUri;
inline const char* const kOther = "urn:test:other";

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

// Wraps `body` in <r xmlns="urn:storagexml:storage"> ... </r>.
inline std::string InTns(const std::string& body, const std::string& attributes = "") {
    return "<r xmlns=\"" + kTns + "\"" + attributes + ">" + body + "</r>";
}

// `level` located at the first occurrence of `marker` (which starts with '<') in `text`.
inline Level AtMarker(const Level& level, const std::string& text, const std::string& marker) {
    const std::size_t at = text.find(marker);
    EXPECT_NE(at, std::string::npos) << marker;
    if (at == std::string::npos) return level;
    const std::size_t lineStart = text.rfind('\n', at);
    const int line = 1 + int(std::count(text.begin(), text.begin() + at, '\n'));
    return level.At(line, int(at - (lineStart == std::string::npos ? 0 : lineStart + 1)) + 1);
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
        out += "(";
        for (; child; child = child->GetNextSiblingElement()) {
            out += Outline(child);
            if (child->GetNextSiblingElement()) out += ",";
        }
        out += ")";
    } else if (!e->GetText().empty()) {
        out += "=" + std::string(e->GetText());
    }
    return out;
}

// The attributes of `e` and of every element inside it, as "element:attribute"
// (declarations as "element:xmlns:prefix"), in document order.
inline std::vector<std::string> AttributesIn(const CXmlElement* e) {
    std::vector<std::string> out;
    for (const CXmlAttribute& a : e->GetAttributes()) {
        out.push_back(e->GetLocalName() + ":" + (a.IsNamespaceDeclaration() ? "xmlns:" : "") + a.GetLocalName());
    }
    for (const CXmlElement* child = e->GetFirstElement(); child; child = child->GetNextSiblingElement()) {
        for (std::string& inner : AttributesIn(child)) out.push_back(std::move(inner));
    }
    return out;
}

// Writes `object` through the static dispatcher inside a host element "h" in
// kOther, the object's own element (if any) in namespace `ns`; returns the
// outline of what the host holds, e.g. "h@urn:test:other(num=1)".
inline std::string WriteOutline(CXmlObjectBase* object, const char* ns = kOther) {
    CXmlTextWriter writer(false);
    writer.WriteStartElement("h", kOther);
    CXmlObjectBase::ToXml_Int(object, &writer, false, ns);
    writer.WriteEndElement();
    Doc written(writer.GetXml());
    return Outline(written.root);
}

// Outline of a whole document written by ToXml (so with the namespace declarations).
inline std::string DocOutline(CXmlObjectBase* object) { return Outline(Doc(object->ToXml()).root); }

} // namespace StorageTest
