// Base of the class factories of the bindings. It holds nothing: the
// factories' operations are static.
#pragma once

#include "runtime/Export.h"

namespace NqXmlLib3 {

/// Base of the bindings' class factories; it holds nothing, since their operations are static.
class NQXML_API CClassfactoryBase {
public:
    /// A factory object; none is needed to use the static operations.
    CClassfactoryBase();
    /// Copies nothing.
    CClassfactoryBase(const CClassfactoryBase&);
    /// Assigns nothing.
    CClassfactoryBase& operator=(const CClassfactoryBase&);
    /// Destroys the factory object.
    virtual ~CClassfactoryBase();
};

} // namespace NqXmlLib3
