#include "runtime/XmlObjectBase.h"

#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlText.h"
#include "runtime/XmlTextWriter.h"

#include <limits>
#include <regex>

namespace NqXmlLib3 {

namespace {

[[noreturn]] void RefuseFacet(const char* name, const std::string& lexical, const char* why) {
    throw CNqException(FormatString("The value [%s] of [%s] %s", detail::QuoteForMessage(lexical).c_str(), name, why));
}

bool IsSet(const char* facet) { return facet && *facet; }

// Whether any facet of a number is set: the common case, none, costs no conversion.
bool AnyFacet(const char* pattern, const char* minInclusive, const char* maxInclusive, const char* minExclusive,
              const char* maxExclusive, int totalDigits) {
    return IsSet(pattern) || IsSet(minInclusive) || IsSet(maxInclusive) || IsSet(minExclusive) ||
           IsSet(maxExclusive) || totalDigits >= 0;
}

// The facets that apply to any lexical form: the pattern and the number of digits.
void CheckLexicalFacets(const char* name, const std::string& lexical, const char* pattern, int totalDigits) {
    if (IsSet(pattern) && !std::regex_match(lexical, std::regex(pattern))) {
        RefuseFacet(name, lexical, FormatString("does not match the pattern [%s]", pattern).c_str());
    }
    if (totalDigits >= 0) {
        int digits = 0;
        for (char c : lexical) digits += c >= '0' && c <= '9';
        if (digits > totalDigits) RefuseFacet(name, lexical, FormatString("has more than %d digits", totalDigits).c_str());
    }
}

// Inclusive and exclusive bounds, given as lexical forms of the value's type.
template <class T, class Parse>
void CheckBounds(const char* name, T value, const std::string& lexical, Parse parse, const char* minInclusive,
                 const char* maxInclusive, const char* minExclusive, const char* maxExclusive) {
    if (IsSet(minInclusive) && !(value >= parse(minInclusive))) RefuseFacet(name, lexical, "is below its minimum");
    if (IsSet(maxInclusive) && !(value <= parse(maxInclusive))) RefuseFacet(name, lexical, "is above its maximum");
    if (IsSet(minExclusive) && !(value > parse(minExclusive))) RefuseFacet(name, lexical, "is not above its lower bound");
    if (IsSet(maxExclusive) && !(value < parse(maxExclusive))) RefuseFacet(name, lexical, "is not below its upper bound");
}

} // namespace

CElementName::CElementName(const CElementName& other) : m_text(other.m_text) {
    if (other.Owns()) m_text = reinterpret_cast<std::uintptr_t>(new std::string(other.str())) | ownedBit;
}

CElementName::CElementName(CElementName&& other) noexcept : m_text(other.m_text) { other.m_text = 0; }

CElementName& CElementName::operator=(const CElementName& other) {
    if (this == &other) return *this;
    if (!other.Owns()) {
        Free();
        m_text = other.m_text;
        return *this;
    }
    return *this = other.str();
}

CElementName& CElementName::operator=(CElementName&& other) noexcept {
    if (this == &other) return *this;
    Free();
    m_text = other.m_text;
    other.m_text = 0;
    return *this;
}

CElementName::~CElementName() { Free(); }

CElementName& CElementName::operator=(std::string text) {
    if (str() == text) return *this;
    if (text.empty()) {
        Free();
        return *this;
    }
    if (Owns()) {
        *reinterpret_cast<std::string*>(m_text & ~ownedBit) = std::move(text);
    } else {
        m_text = reinterpret_cast<std::uintptr_t>(new std::string(std::move(text))) | ownedBit;
    }
    return *this;
}

void CElementName::Share(const std::string& lasting) noexcept {
    Free();
    m_text = reinterpret_cast<std::uintptr_t>(&lasting);
}

const std::string& CElementName::Empty() noexcept {
    // Never destroyed, so that a name read while the program exits is still "".
    static const std::string* const none = new std::string();
    return *none;
}

void CElementName::Free() noexcept {
    if (Owns()) delete reinterpret_cast<std::string*>(m_text & ~ownedBit);
    m_text = 0;
}

CXmlObjectBase::CXmlObjectBase() = default;

CXmlObjectBase::CXmlObjectBase(const CXmlObjectBase& other) : m_elementName(other.m_elementName) {}

CXmlObjectBase& CXmlObjectBase::operator=(const CXmlObjectBase& other) {
    m_elementName = other.m_elementName;
    return *this;
}

CXmlObjectBase::~CXmlObjectBase() = default;

void CXmlObjectBase::AddRef() { ++m_referenceCount; }

void CXmlObjectBase::Release() {
    if (--m_referenceCount == 0) delete this;
}

std::string CXmlObjectBase::GetElementName() const { return m_elementName; }

CXmlObjectBase* CXmlObjectBase::GetBase() { return this; }

std::string CXmlObjectBase::GetTargetNamespace() const { return std::string(); }

void CXmlObjectBase::OnEvent(CXmlObjectBase*, MsgType, void*) {}

void CXmlObjectBase::AttributesToXml_Int(CXmlTextWriter*) {}

std::string CXmlObjectBase::ToXml(const CWriteOptions& options) {
    CXmlTextWriter writer(options.indent);
    if (options.declaration) writer.WriteDeclaration();
    const std::string targetNamespace = GetTargetNamespace();
    ToXml_Int(this, &writer, true, targetNamespace.c_str());
    return writer.TakeXml();
}

void CXmlObjectBase::ToXmlFile(const std::string& path, const CWriteOptions& options) {
    ReplaceFileContents(path, ToXml(options));
}

// The document is walked forward only, so its element tree holds only the
// children of the root of the last few pieces of text parsed. Text malformed
// anywhere is refused as such, even where a failure of the reader comes
// earlier in the text: the rest of the text is parsed before that failure is
// thrown.
void CXmlObjectBase::ReadDocument(CXmlDocument& document) {
    CXmlElement* root = document.GetDocumentElement();
    try {
        FromXml_Int(this, root, root->GetFirstElement());
    } catch (...) {
        document.Finish();
        throw;
    }
    document.Finish();
}

void CXmlObjectBase::FromXml(const std::string& text) { ReadDocument(*CXmlDocument::OpenText(text)); }

void CXmlObjectBase::FromXmlFile(const std::string& path) { ReadDocument(*CXmlDocument::OpenFile(path)); }

void CXmlObjectBase::ToXml_Int(CXmlObjectBase* object, CXmlTextWriter* writer, bool declareNamespaces,
                               const char* namespaceUri) {
    Throw_IfPropertyIsNull(object, "object to write");
    object->ToXml_Int(writer, declareNamespaces, namespaceUri ? namespaceUri : "");
}

CXmlElement* CXmlObjectBase::FromXml_Int(CXmlObjectBase* object, CXmlElement* element, CXmlElement* child) {
    Throw_IfPropertyIsNull(object, "object to read");
    return object->FromXml_Int(element, child);
}

void CXmlObjectBase::AttributesToXml_Int(CXmlObjectBase* object, CXmlTextWriter* writer) {
    Throw_IfPropertyIsNull(object, "object to write");
    object->AttributesToXml_Int(writer);
}

void CXmlObjectBase::SetElementName(CXmlObjectBase* object, const char* name) {
    Throw_IfPropertyIsNull(object, "object to name");
    object->m_elementName = name ? name : "";
}

void CXmlObjectBase::SetElementName(CXmlObjectBase* object, const CElementName& name) {
    Throw_IfPropertyIsNull(object, "object to name");
    object->m_elementName = name;
}

void CXmlObjectBase::Throw_IfPropertyIsNull(CXmlObjectBase* value, const char* propertyName) {
    if (!value) throw CNqException(FormatString("The property [%s] cannot be null", propertyName));
}

bool CXmlObjectBase::IsNamespaceAttribute(const CXmlAttribute* attribute) {
    return attribute && attribute->IsNamespaceDeclaration();
}

void CXmlObjectBase::CheckRestrictionForr8(const char* name, double value, const char* pattern, int, int,
                                           const char* minInclusive, const char* maxInclusive,
                                           const char* minExclusive, const char* maxExclusive, int totalDigits) {
    if (!AnyFacet(pattern, minInclusive, maxInclusive, minExclusive, maxExclusive, totalDigits)) return;
    const std::string lexical = CConversions::r8ToString(value);
    CheckLexicalFacets(name, lexical, pattern, totalDigits);
    CheckBounds(name, value, lexical, [](const char* b) { return CConversions::r8FromString(b); }, minInclusive,
                maxInclusive, minExclusive, maxExclusive);
}

void CXmlObjectBase::CheckRestrictionFori4(const char* name, long value, const char* pattern, int minLength,
                                           int maxLength, const char* minInclusive, const char* maxInclusive,
                                           const char* minExclusive, const char* maxExclusive, int totalDigits) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        RefuseFacet(name, CConversions::i8ToString(value), "is outside the range of a 32-bit integer");
    }
    CheckRestrictionFori8(name, value, pattern, minLength, maxLength, minInclusive, maxInclusive, minExclusive,
                          maxExclusive, totalDigits);
}

void CXmlObjectBase::CheckRestrictionFori8(const char* name, std::int64_t value, const char* pattern, int, int,
                                           const char* minInclusive, const char* maxInclusive,
                                           const char* minExclusive, const char* maxExclusive, int totalDigits) {
    if (!AnyFacet(pattern, minInclusive, maxInclusive, minExclusive, maxExclusive, totalDigits)) return;
    const std::string lexical = CConversions::i8ToString(value);
    CheckLexicalFacets(name, lexical, pattern, totalDigits);
    CheckBounds(name, value, lexical, [](const char* b) { return CConversions::i8FromString(b); }, minInclusive,
                maxInclusive, minExclusive, maxExclusive);
}

void CXmlObjectBase::CheckRestrictionForboolean(const char* name, bool value, const char* pattern, int, int,
                                                const char*, const char*, const char*, const char*, int) {
    if (IsSet(pattern)) CheckLexicalFacets(name, CConversions::booleanToString(value), pattern, -1);
}

void CXmlObjectBase::CheckRestrictionForstring(const char* name, const std::string& value, const char* pattern,
                                               int minLength, int maxLength, const char*, const char*, const char*,
                                               const char*, int) {
    std::uint32_t codePoint = 0;
    if (detail::FindTextFault(value, codePoint) != std::string::npos) {
        detail::CheckXmlText(value, FormatString("[%s]", name).c_str());
    }
    if (IsSet(pattern)) CheckLexicalFacets(name, value, pattern, -1);
    if (minLength >= 0 || maxLength >= 0) {
        const std::size_t length = detail::CountCharacters(value);
        if (minLength >= 0 && length < static_cast<std::size_t>(minLength)) RefuseFacet(name, value, "is too short");
        if (maxLength >= 0 && length > static_cast<std::size_t>(maxLength)) RefuseFacet(name, value, "is too long");
    }
}

} // namespace NqXmlLib3
