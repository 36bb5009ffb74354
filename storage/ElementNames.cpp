#include "storage/ElementNames.h"

#include <array>
#include <string>

namespace Storage::Names {

namespace {

constexpr std::array<std::string_view, 9> knownNames = {
    "StorageArray", "StorageItems", "StorageItem",      "parameters", "cParams",
    "cParams_ChoiceA", "arrRange",  "arrRange_ChoiceA", "Range"};

// The shared texts, at the places of knownNames. Made on first use and never
// destroyed: objects alive while the program exits may still refer to them.
const std::string* SharedTexts() {
    static const std::string* const texts = [] {
        auto* made = new std::string[knownNames.size()];
        for (std::size_t i = 0; i < knownNames.size(); ++i) made[i] = std::string(knownNames[i]);
        return made;
    }();
    return texts;
}

} // namespace

void Assign(NqXmlLib3::CElementName& name, std::string_view text) {
    // Most names are given again on every read: a name that holds the text
    // already is left alone, and the others are matched without a copy.
    if (name == text) return;
    for (std::size_t i = 0; i < knownNames.size(); ++i) {
        if (knownNames[i] == text) {
            name.Share(SharedTexts()[i]);
            return;
        }
    }
    name = std::string(text);
}

void Name(NqXmlLib3::CXmlObjectBase* object, std::string_view text) {
    if (object && object->ElementName() == text) return;
    NqXmlLib3::CElementName name;
    Assign(name, text);
    NqXmlLib3::CXmlObjectBase::SetElementName(object, name);
}

} // namespace Storage::Names
