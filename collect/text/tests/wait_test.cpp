#include "collect/text/wait.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/event_pump.h"

namespace tidewell::text {
namespace {

class WaitTest : public ::testing::Test {
  protected:
    WaitTest() {
        previousSleep_ = platform::setSleepHook([this](int ms) { sleeps.push_back(ms); });
    }
    ~WaitTest() override { platform::setSleepHook(std::move(previousSleep_)); }

    std::vector<int> sleeps;
    std::atomic<bool> stop{false};

  private:
    platform::SleepHook previousSleep_;
};

TEST_F(WaitTest, SleepsInStepsOfTenMilliseconds) {
    int pumps = 0;
    platform::ScopedEventPump pump([&] { ++pumps; });
    WaitWhileNotStopped(0, stop);
    EXPECT_TRUE(sleeps.empty());
    WaitWhileNotStopped(-5, stop);
    EXPECT_TRUE(sleeps.empty());
    WaitWhileNotStopped(25, stop);
    EXPECT_EQ(sleeps, (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(pumps, 3);
}

TEST_F(WaitTest, StopsSoonAfterTheFlagIsSet) {
    int pumps = 0;
    platform::ScopedEventPump pump([&] {
        if (++pumps == 2) {
            stop = true;  // a stop press handled among the pending events
        }
    });
    WaitWhileNotStopped(10000, stop);
    EXPECT_EQ(sleeps.size(), 2u);

    sleeps.clear();
    WaitWhileNotStopped(10000, stop);
    EXPECT_TRUE(sleeps.empty());
}

}  // namespace
}  // namespace tidewell::text
