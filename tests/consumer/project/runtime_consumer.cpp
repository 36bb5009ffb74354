// A host of the installed runtime alone: writes and parses a small document.
#include <runtime/NqXmlLib3.h>

#include <iostream>

int main() {
    NqXmlLib3::CXmlTextWriter writer(false);
    writer.WriteStartElement("note", "urn:example");
    writer.WriteString("a < b");
    writer.WriteEndElement();
    const std::string xml = writer.TakeXml();

    const auto document = NqXmlLib3::CXmlDocument::Parse(xml);
    const NqXmlLib3::CXmlElement* root = document->GetDocumentElement();
    if (root->GetNamespaceUri() != "urn:example" || root->GetText() != "a < b") {
        std::cerr << "consumer: the runtime did not read back what it wrote\n";
        return 1;
    }
    try {
        NqXmlLib3::CXmlDocument::Parse("<a>");
        std::cerr << "consumer: malformed text was accepted\n";
        return 1;
    } catch (const NqXmlLib3::CNqException& error) {
        return error.GetLine() == 1 ? 0 : 1;
    }
}
