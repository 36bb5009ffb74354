// Shared main of the test programs: every test must leave the number of live
// runtime objects as it found it.
#include "runtime/InstanceMonitor.h"

#include <gtest/gtest.h>

namespace {

class LiveCountListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        m_before = NqXmlLib3::CInstanceMonitor::GetLiveCount();
    }
    void OnTestEnd(const ::testing::TestInfo& info) override {
        long after = NqXmlLib3::CInstanceMonitor::GetLiveCount();
        if (after != m_before) {
            ADD_FAILURE() << info.test_suite_name() << "." << info.name() << " leaked "
                          << (after - m_before) << " runtime object(s)";
        }
    }
    long m_before = 0;
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LiveCountListener);
    return RUN_ALL_TESTS();
}
