#include "runtime/ClassfactoryBase.h"

namespace NqXmlLib3 {

CClassfactoryBase::CClassfactoryBase() = default;
CClassfactoryBase::CClassfactoryBase(const CClassfactoryBase&) = default;
CClassfactoryBase& CClassfactoryBase::operator=(const CClassfactoryBase&) = default;
CClassfactoryBase::~CClassfactoryBase() = default;

} // namespace NqXmlLib3
