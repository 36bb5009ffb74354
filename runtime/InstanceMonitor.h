// CInstanceMonitor counts the live objects that carry it, so that a host or a
// test can see that nothing leaked. The count is the runtime's only global state.
#pragma once

#include "runtime/Export.h"

namespace NqXmlLib3 {

/// Counts the live objects that carry it, so that a host can see that nothing leaked.
class NQXML_API CInstanceMonitor {
public:
    /// The class name documents what is counted; the count is all that is kept.
    explicit CInstanceMonitor(const char* className);
    /// A copy is a new live object.
    CInstanceMonitor(const CInstanceMonitor& other);
    /// Assignment leaves the count as it is.
    CInstanceMonitor& operator=(const CInstanceMonitor& other);
    /// One live object fewer. Not virtual: objects are destroyed through their element base, and an
    /// empty base without a table pointer adds nothing to an object's size.
    ~CInstanceMonitor();

    /// How many objects that carry an instance monitor are alive right now.
    static long GetLiveCount();
};

} // namespace NqXmlLib3
