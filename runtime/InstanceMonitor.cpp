#include "runtime/InstanceMonitor.h"

#include <atomic>

namespace NqXmlLib3 {

namespace {
// Constant-initialised: loading the library runs no code for it.
std::atomic<long> liveCount{0};
} // namespace

CInstanceMonitor::CInstanceMonitor(const char*) {
    liveCount.fetch_add(1, std::memory_order_relaxed);
}

CInstanceMonitor::CInstanceMonitor(const CInstanceMonitor&) {
    liveCount.fetch_add(1, std::memory_order_relaxed);
}

CInstanceMonitor& CInstanceMonitor::operator=(const CInstanceMonitor&) { return *this; }

CInstanceMonitor::~CInstanceMonitor() { liveCount.fetch_sub(1, std::memory_order_relaxed); }

long CInstanceMonitor::GetLiveCount() { return liveCount.load(std::memory_order_relaxed); }

} // namespace NqXmlLib3
