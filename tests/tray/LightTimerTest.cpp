// The light timer: its property rules, the pause, auto-disable, restart and the shared
// handler's lifetime, on real Qt timers.
#include "TrayTestDoubles.h"
#include "tray/TLightTimer.h"
#include "tray/TLightTimerHandler.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace veska;
using veska::test::Pump;
using veska::test::WaitUntil;

namespace {

class LightTimerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TLightTimerHandler::Instance(), nullptr); }
    void TearDown() override { EXPECT_EQ(TLightTimerHandler::Instance(), nullptr); }
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

TEST_F(LightTimerTest, TicksPeriodicallyWithItselfAsSender) {
    std::vector<TLightTimer*> senders;
    TLightTimer timer(10, [&](TLightTimer* sender) { senders.push_back(sender); });
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 1u);
    ASSERT_TRUE(WaitUntil([&] { return senders.size() >= 3; }));
    EXPECT_EQ(senders.front(), &timer);
    timer.SetEnabled(false);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    const std::size_t ticks = senders.size();
    Pump(40);
    EXPECT_EQ(senders.size(), ticks);
}

TEST_F(LightTimerTest, EnablingWithIntervalZeroLeavesItStopped) {
    int ticks = 0;
    TLightTimer timer(0, [&](TLightTimer*) { ++ticks; });
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(timer.StartTimer());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
}

TEST_F(LightTimerTest, EnablingARunningTimerRestartsItsPeriod) {
    QElapsedTimer clock;
    qint64 tickAt = -1;
    TLightTimer timer(150, [&](TLightTimer*) {
        if (tickAt < 0)
            tickAt = clock.elapsed();
    });
    timer.SetEnabled(true);
    Pump(100);
    clock.start();
    timer.SetEnabled(true);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 1u);
    ASSERT_TRUE(WaitUntil([&] { return tickAt >= 0; }));
    // The first tick comes a whole period after the restart, not 50 ms after it.
    EXPECT_GE(tickAt, 140);
}

TEST_F(LightTimerTest, AssigningTheSameIntervalDoesNotRestart) {
    QElapsedTimer clock;
    qint64 tickAt = -1;
    TLightTimer timer(300, [&](TLightTimer*) {
        if (tickAt < 0)
            tickAt = clock.elapsed();
    });
    clock.start();
    timer.SetEnabled(true);
    Pump(150);
    const qint64 assignedAt = clock.elapsed();
    timer.SetInterval(300);
    ASSERT_TRUE(WaitUntil([&] { return tickAt >= 0; }));
    // A restart would put the first tick a whole period after the assignment.
    EXPECT_LT(tickAt, assignedAt + 300);
}

TEST_F(LightTimerTest, IntervalZeroPausesAndANewIntervalResumes) {
    int ticks = 0;
    TLightTimer timer(10, [&](TLightTimer*) { ++ticks; });
    timer.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 1; }));
    timer.SetInterval(0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    const int paused = ticks;
    Pump(50);
    EXPECT_EQ(ticks, paused);
    timer.SetInterval(10);
    EXPECT_TRUE(timer.Enabled());
    ASSERT_TRUE(WaitUntil([&] { return ticks >= paused + 2; }));
}

TEST_F(LightTimerTest, RemovingTheHandlerPausesAndOnlyEnablingResumes) {
    int ticks = 0;
    const TLightTimer::TTimerEvent count = [&](TLightTimer*) { ++ticks; };
    TLightTimer timer(10, count);
    timer.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 1; }));
    timer.SetOnTimer({});
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    timer.SetOnTimer(count);
    const int paused = ticks;
    Pump(50);
    EXPECT_EQ(ticks, paused);
    timer.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= paused + 1; }));
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
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }));
    EXPECT_FALSE(enabledInside);
    EXPECT_FALSE(timer.Enabled());
    Pump(50);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    timer.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks == 2; }));
    Pump(30);
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
    other->SetOnTimer({});
    Pump(30);
    EXPECT_EQ(TLightTimerHandler::Instance()->ActiveCount, 0u);
    const int before = ticks;
    Pump(30);
    EXPECT_EQ(ticks, before);
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
    ASSERT_TRUE(WaitUntil([&] { return timer == nullptr; }));
    Pump(30);
    EXPECT_EQ(ticks, 1);
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

} // namespace
