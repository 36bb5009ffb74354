// The namespace of every element of a Storage document.
#pragma once

namespace Storage {

inline constexpr const char* TargetNamespaceUri = "urn:storagexml:storage";

} // namespace Storage
