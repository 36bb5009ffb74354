// The element names the binding gives its objects. Each is one lasting text
// that every object of that name shares, instead of a copy of its own.
// Internal to the binding.
#pragma once

#include "runtime/XmlObjectBase.h"

#include <string_view>

namespace Storage::Names {

// Gives `name` the text `text`: the binding's shared text when it is one of
// its names, else a copy.
void Assign(NqXmlLib3::CElementName& name, std::string_view text);
// Names `object` `text` the same way.
void Name(NqXmlLib3::CXmlObjectBase* object, std::string_view text);

} // namespace Storage::Names
