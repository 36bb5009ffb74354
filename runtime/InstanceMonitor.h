// CInstanceMonitor counts the live objects that carry it, so that a host or a
// test can see that nothing leaked. The count is the runtime's only global state.
#pragma once

#include "runtime/Export.h"

namespace NqXmlLib3 {

class NQXML_API CInstanceMonitor {
public:
    explicit CInstanceMonitor(const char* className);
    // A copy is a new live object with the same class name.
    CInstanceMonitor(const CInstanceMonitor& other);
    CInstanceMonitor& operator=(const CInstanceMonitor& other);
    virtual ~CInstanceMonitor();

    // The class name given at construction (a string with static lifetime).
    const char* GetMonitoredClassName() const;

    static long GetLiveCount();

private:
    const char* m_className;
};

} // namespace NqXmlLib3
