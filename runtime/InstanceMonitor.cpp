#include "runtime/InstanceMonitor.h"

#include <atomic>

namespace NqXmlLib3 {

namespace {
// Constant-initialised: loading the library runs no code for it.
std::atomic<long> liveCount{0};
} // namespace

CInstanceMonitor::CInstanceMonitor(const char* className) : m_className(className) {
    liveCount.fetch_add(1, std::memory_order_relaxed);
}

CInstanceMonitor::CInstanceMonitor(const CInstanceMonitor& other) : m_className(other.m_className) {
    liveCount.fetch_add(1, std::memory_order_relaxed);
}

CInstanceMonitor& CInstanceMonitor::operator=(const CInstanceMonitor&) { return *this; }

CInstanceMonitor::~CInstanceMonitor() { liveCount.fetch_sub(1, std::memory_order_relaxed); }

const char* CInstanceMonitor::GetMonitoredClassName() const { return m_className; }

long CInstanceMonitor::GetLiveCount() { return liveCount.load(std::memory_order_relaxed); }

} // namespace NqXmlLib3
