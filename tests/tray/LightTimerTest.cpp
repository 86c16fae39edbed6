// The light timer: its property rules, the pause, auto-disable, restart and the shared
// handler's lifetime, on a clock the test moves by hand; and one run on Qt's real timers.
#include "TrayTestDoubles.h"
#include "tray/TLightTimer.h"
#include "tray/TLightTimerHandler.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace veska;
using veska::test::WaitUntil;

namespace {

class LightTimerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TLightTimerHandler::Instance(), nullptr); }
    void TearDown() override { EXPECT_EQ(TLightTimerHandler::Instance(), nullptr); }
    void Advance(int64_t ms) { clock.timers.Advance(ms); }
    veska::test::ManualTimersInstalled clock;
};

TEST_F(LightTimerTest, NewTimerIsStoppedWithDefaults) {
    TLightTimer timer;
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.AutoDisable());
    EXPECT_FALSE(timer.OnTimer());
    ASSERT_NE(TLightTimerHandler::Instance(), nullptr);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
}

TEST_F(LightTimerTest, TicksEveryIntervalWithItselfAsSender) {
    std::vector<int64_t> ticks;
    std::vector<TLightTimer*> senders;
    TLightTimer timer(10, [&](TLightTimer* sender) {
        senders.push_back(sender);
        ticks.push_back(clock.timers.Now());
    });
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 1u);
    Advance(35);
    EXPECT_EQ(ticks, (std::vector<int64_t>{10, 20, 30}));
    EXPECT_EQ(senders.front(), &timer);
    timer.SetEnabled(false);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    Advance(100);
    EXPECT_EQ(ticks.size(), 3u);
}

TEST_F(LightTimerTest, EnablingWithIntervalZeroLeavesItStopped) {
    int ticks = 0;
    TLightTimer timer(0, [&](TLightTimer*) { ++ticks; });
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(timer.StartTimer());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    EXPECT_EQ(clock.timers.Running(), 0u);
}

TEST_F(LightTimerTest, EnablingARunningTimerRestartsItsPeriod) {
    std::vector<int64_t> ticks;
    TLightTimer timer(150, [&](TLightTimer*) { ticks.push_back(clock.timers.Now()); });
    timer.SetEnabled(true);
    Advance(100);
    timer.SetEnabled(true);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 1u);
    Advance(149);
    EXPECT_TRUE(ticks.empty()) << "not 50 ms after the restart";
    Advance(1);
    EXPECT_EQ(ticks, (std::vector<int64_t>{250}));
}

TEST_F(LightTimerTest, AssigningTheSameIntervalDoesNotRestart) {
    std::vector<int64_t> ticks;
    TLightTimer timer(300, [&](TLightTimer*) { ticks.push_back(clock.timers.Now()); });
    timer.SetEnabled(true);
    Advance(150);
    timer.SetInterval(300);
    Advance(150);
    EXPECT_EQ(ticks, (std::vector<int64_t>{300}));
    // A new interval restarts the period.
    Advance(50);
    timer.SetInterval(100);
    Advance(100);
    EXPECT_EQ(ticks, (std::vector<int64_t>{300, 450}));
}

TEST_F(LightTimerTest, IntervalZeroPausesAndANewIntervalResumes) {
    int ticks = 0;
    TLightTimer timer(10, [&](TLightTimer*) { ++ticks; });
    timer.SetEnabled(true);
    Advance(10);
    EXPECT_EQ(ticks, 1);
    timer.SetInterval(0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    Advance(50);
    EXPECT_EQ(ticks, 1);
    timer.SetInterval(10);
    EXPECT_TRUE(timer.Enabled());
    Advance(20);
    EXPECT_EQ(ticks, 3);
}

TEST_F(LightTimerTest, RemovingTheHandlerPausesAndOnlyEnablingResumes) {
    int ticks = 0;
    const TLightTimer::TTimerEvent count = [&](TLightTimer*) { ++ticks; };
    TLightTimer timer(10, count);
    timer.SetEnabled(true);
    Advance(10);
    EXPECT_EQ(ticks, 1);
    timer.SetOnTimer({});
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    timer.SetOnTimer(count);
    Advance(50);
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(true);
    Advance(10);
    EXPECT_EQ(ticks, 2);
}

TEST_F(LightTimerTest, AutoDisableTicksOncePerStartAndReadsDisabledInside) {
    int ticks = 0;
    bool enabledInside = true;
    TLightTimer timer(10, [&](TLightTimer* sender) {
        ++ticks;
        enabledInside = sender->Enabled();
    });
    timer.SetAutoDisable(true);
    timer.SetEnabled(true);
    Advance(50);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(enabledInside);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    timer.SetEnabled(true);
    Advance(50);
    EXPECT_EQ(ticks, 2);
}

TEST_F(LightTimerTest, DestroyingARunningTimerKillsItsPlatformTimer) {
    int ticks = 0;
    auto other = std::make_unique<TLightTimer>(5, [&](TLightTimer*) { ++ticks; });
    auto doomed = std::make_unique<TLightTimer>(5, [&](TLightTimer*) { ++ticks; });
    other->SetEnabled(true);
    doomed->SetEnabled(true);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 2u);
    doomed.reset();
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 1u);
    EXPECT_EQ(clock.timers.Running(), 1u);
    Advance(5);
    EXPECT_EQ(ticks, 1);
    other->SetOnTimer({});
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    Advance(30);
    EXPECT_EQ(ticks, 1);
}

TEST_F(LightTimerTest, SharedHandlerIsCountedAndGoesWithTheLastTimer) {
    auto first = std::make_unique<TLightTimer>();
    TLightTimerHandler* handler = TLightTimerHandler::Instance();
    ASSERT_NE(handler, nullptr);
    auto second = std::make_unique<TLightTimer>();
    EXPECT_EQ(TLightTimerHandler::Instance(), handler);
    EXPECT_EQ(handler->RefCount, 2u);
    first.reset();
    EXPECT_EQ(TLightTimerHandler::Instance(), handler);
    EXPECT_EQ(handler->RefCount, 1u);
    second.reset();
    EXPECT_EQ(TLightTimerHandler::Instance(), nullptr);
}

TEST_F(LightTimerTest, ATimerDestroyedInItsOwnTickStopsCleanly) {
    int ticks = 0;
    std::unique_ptr<TLightTimer> timer;
    timer = std::make_unique<TLightTimer>(5, [&](TLightTimer*) {
        ++ticks;
        timer.reset();
    });
    timer->SetEnabled(true);
    Advance(30);
    EXPECT_EQ(timer, nullptr);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(clock.timers.Running(), 0u);
}

TEST_F(LightTimerTest, ATickForADestroyedTimerReachesNobody) {
    int ticks = 0;
    TLightTimer keeper;
    uint32_t goneId = 0;
    {
        TLightTimer gone(10, [&](TLightTimer*) { ++ticks; });
        goneId = gone.Id();
    }
    // A replacement created at once must not inherit the identity.
    TLightTimer replacement(10, [&](TLightTimer*) { ++ticks; });
    EXPECT_NE(replacement.Id(), goneId);
    TMessage tick{msg::WM_TIMER, goneId, 0, 0};
    TLightTimerHandler::Instance()->HandleTimerMessage(tick);
    EXPECT_EQ(ticks, 0);
    TMessage live{msg::WM_TIMER, replacement.Id(), 0, 0};
    TLightTimerHandler::Instance()->HandleTimerMessage(live);
    EXPECT_EQ(ticks, 1);
}

TEST_F(LightTimerTest, StoppingAStoppedTimerFailsWithoutCountingDown) {
    TLightTimer running(1000, [](TLightTimer*) {});
    TLightTimer stopped(1000, [](TLightTimer*) {});
    running.SetEnabled(true);
    EXPECT_FALSE(stopped.StopTimer(true));
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 1u);
}

// Qt's own timers tick the light timers through the event loop; only the ticks are waited
// for, never a time.
TEST(LightTimerOnQtTimers, TicksArriveThroughTheEventLoopAndStopWithTheTimer) {
    int ticks = 0;
    auto timer = std::make_unique<TLightTimer>(5, [&](TLightTimer*) { ++ticks; });
    timer->SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 3; }, 10000));
    timer.reset();
    EXPECT_EQ(TLightTimerHandler::Instance(), nullptr);
}

} // namespace
