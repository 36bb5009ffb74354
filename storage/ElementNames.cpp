#include "storage/ElementNames.h"

#include <string>

namespace Storage::Names {

namespace {

// Made on first use and never destroyed: objects alive while the program
// exits may still refer to them.
const std::string* KnownNames(std::size_t& count) {
    static const std::string* const names =
        new std::string[]{"StorageArray", "StorageItems",    "StorageItem",      "parameters", "cParams",
                          "cParams_ChoiceA", "arrRange", "arrRange_ChoiceA", "Range"};
    count = 9;
    return names;
}

} // namespace

void Assign(NqXmlLib3::CElementName& name, std::string_view text) {
    std::size_t count = 0;
    const std::string* names = KnownNames(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (names[i] == text) {
            name.Share(names[i]);
            return;
        }
    }
    name = std::string(text);
}

void Name(NqXmlLib3::CXmlObjectBase* object, std::string_view text) {
    NqXmlLib3::CElementName name;
    Assign(name, text);
    NqXmlLib3::CXmlObjectBase::SetElementName(object, name);
}

} // namespace Storage::Names
