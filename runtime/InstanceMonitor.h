// CInstanceMonitor counts the live objects that carry it, so that a host or a
// test can see that nothing leaked. The count is the runtime's only global state.
#pragma once

#include "runtime/Export.h"

namespace NqXmlLib3 {

class NQXML_API CInstanceMonitor {
public:
    // The class name documents what is counted; the count is all that is kept.
    explicit CInstanceMonitor(const char* className);
    // A copy is a new live object.
    CInstanceMonitor(const CInstanceMonitor& other);
    CInstanceMonitor& operator=(const CInstanceMonitor& other);
    virtual ~CInstanceMonitor();

    static long GetLiveCount();
};

} // namespace NqXmlLib3
