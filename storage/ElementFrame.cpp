#include "storage/ElementFrame.h"

// The neutral facet arguments: no pattern, length, bound or digit count.
#define STORAGE_NEUTRAL_FACETS "", -1, -1, "", "", "", "", -1

namespace Storage::Frame {

using NqXmlLib3::FormatString;

const char* const FailedToProcessChildren = "Failed to process the child elements in element [%s]";
const char* const FailedToProcessAttributes = "Failed to correctly process the attributes for the element [%s]";

void DoubleKind::Check(const char* name, double value) {
    CXmlObjectBase::CheckRestrictionForr8(name, value, STORAGE_NEUTRAL_FACETS);
}
std::string_view DoubleKind::Format(double value, CConversions::NumberBuffer& buffer) {
    return CConversions::r8ToChars(value, buffer);
}
double DoubleKind::Parse(std::string_view text) {
    return CConversions::r8FromString(text, NqXmlLib3::CWhitespaceUtils::WhitespaceRule_Collapse);
}

void StringKind::Check(const char* name, const std::string& value) {
    CXmlObjectBase::CheckRestrictionForstring(name, value, STORAGE_NEUTRAL_FACETS);
}
std::string_view StringKind::Format(const std::string& value, CConversions::NumberBuffer&) {
    return CConversions::stringToString(value);
}
std::string StringKind::Parse(std::string_view text) {
    return CConversions::stringFromString(text, NqXmlLib3::CWhitespaceUtils::WhitespaceRule_Preserve);
}

void BooleanKind::Check(const char* name, bool value) {
    CXmlObjectBase::CheckRestrictionForboolean(name, value, STORAGE_NEUTRAL_FACETS);
}
std::string_view BooleanKind::Format(bool value, CConversions::NumberBuffer&) {
    return CConversions::booleanToString(value);
}
bool BooleanKind::Parse(std::string_view text) {
    return CConversions::booleanFromString(text, NqXmlLib3::CWhitespaceUtils::WhitespaceRule_Collapse);
}

void IntKind::Check(const char* name, long value) {
    CXmlObjectBase::CheckRestrictionFori4(name, value, STORAGE_NEUTRAL_FACETS);
}
std::string_view IntKind::Format(long value, CConversions::NumberBuffer& buffer) {
    return CConversions::i8ToChars(value, buffer);
}
long IntKind::Parse(std::string_view text) {
    return CConversions::i4FromString(text, NqXmlLib3::CWhitespaceUtils::WhitespaceRule_Collapse);
}

void LongKind::Check(const char* name, std::int64_t value) {
    CXmlObjectBase::CheckRestrictionFori8(name, value, STORAGE_NEUTRAL_FACETS);
}
std::string_view LongKind::Format(std::int64_t value, CConversions::NumberBuffer& buffer) {
    return CConversions::i8ToChars(value, buffer);
}
std::int64_t LongKind::Parse(std::string_view text) {
    return CConversions::i8FromString(text, NqXmlLib3::CWhitespaceUtils::WhitespaceRule_Collapse);
}

void Locate(CNqException& error, const CXmlElement* element) {
    if (element && !error.HasLocation()) error.SetLocation(element->GetLine(), element->GetColumn());
}

void Fail(const std::string& text, const CXmlElement* element) {
    CNqValidationException error(text);
    Locate(error, element);
    throw error;
}

void Wrap(const char* format, const CXmlElement& element, const CNqException& inner) {
    CNqValidationException error(FormatString(format, element.GetLocalName().c_str()), inner);
    Locate(error, &element);
    throw error;
}

void WrapWrite(const CXmlObjectBase& object, const CNqException& inner) {
    throw CNqValidationException(
        FormatString("Failed to convert the element [%s] to XML", object.ElementName().c_str()), inner);
}

void DeclareNamespaces(CXmlTextWriter* writer) {
    writer->AddNamespace("xs", "http://www.w3.org/2001/XMLSchema-instance");
    writer->AddNamespace("mstns", TargetNamespaceUri);
}

void WriteStart(CXmlObjectBase& object, CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) {
    if (declareNamespaces) DeclareNamespaces(writer);
    writer->WriteStartElement(object.ElementName(), namespaceUri);
    CXmlObjectBase::AttributesToXml_Int(object.GetBase(), writer);
}

std::string_view SimpleText(const CXmlElement& element) {
    if (const CXmlElement* inner = element.GetFirstElement()) {
        throw CNqException(FormatString("The element [%s] holds the element [%s], but its content is a simple value",
                                        element.GetLocalName().c_str(), inner->GetLocalName().c_str()));
    }
    return element.GetText();
}

void ReadAttributes(const CXmlElement& element, Attributes rule) {
    Guarded(FailedToProcessAttributes, element, [&] {
        for (const NqXmlLib3::CXmlAttribute& attribute : element.GetAttributes()) {
            if (CXmlObjectBase::IsNamespaceAttribute(&attribute) || rule == Attributes::Accept) continue;
            Fail(FormatString("Unexpected Attribute [%s] found.", attribute.GetLocalName().c_str()), &element);
        }
    });
}

} // namespace Storage::Frame
