// Base of the class factories of the bindings. It holds nothing: the
// factories' operations are static.
#pragma once

#include "runtime/Export.h"

namespace NqXmlLib3 {

class NQXML_API CClassfactoryBase {
public:
    CClassfactoryBase();
    CClassfactoryBase(const CClassfactoryBase&);
    CClassfactoryBase& operator=(const CClassfactoryBase&);
    virtual ~CClassfactoryBase();
};

} // namespace NqXmlLib3
