#include "storage/ElementNames.h"

#include <array>
#include <string>

namespace Storage::Names {

namespace {

constexpr std::array<std::string_view, 9> knownNames = {
    "StorageArray", "StorageItems", "StorageItem",      "parameters", "cParams",
    "cParams_ChoiceA", "arrRange",  "arrRange_ChoiceA", "Range"};

// The shared texts, at the places of knownNames, each held by a name that
// shares it. Made on first use and never destroyed: objects alive while the
// program exits may still refer to them.
struct Shared {
    std::string text;
    NqXmlLib3::CElementName name;
};

const Shared* SharedNames() {
    static const Shared* const shared = [] {
        auto* made = new Shared[knownNames.size()];
        for (std::size_t i = 0; i < knownNames.size(); ++i) {
            made[i].text = std::string(knownNames[i]);
            made[i].name.Share(made[i].text);
        }
        return made;
    }();
    return shared;
}

// The shared name whose text is `text`, or null.
const NqXmlLib3::CElementName* FindShared(std::string_view text) {
    for (std::size_t i = 0; i < knownNames.size(); ++i) {
        if (knownNames[i] == text) return &SharedNames()[i].name;
    }
    return nullptr;
}

} // namespace

void Assign(NqXmlLib3::CElementName& name, std::string_view text) {
    // Most names are given again on every read: a name that holds the text
    // already is left alone, and the others are matched without a copy.
    if (name == text) return;
    if (const NqXmlLib3::CElementName* shared = FindShared(text)) {
        name = *shared;
    } else {
        name = std::string(text);
    }
}

void Name(NqXmlLib3::CXmlObjectBase* object, std::string_view text) {
    if (object && object->ElementName() == text) return;
    if (const NqXmlLib3::CElementName* shared = FindShared(text)) {
        NqXmlLib3::CXmlObjectBase::SetElementName(object, *shared);
        return;
    }
    NqXmlLib3::CElementName name;
    name = std::string(text);
    NqXmlLib3::CXmlObjectBase::SetElementName(object, name);
}

} // namespace Storage::Names
