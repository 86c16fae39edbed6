// The desktop's click reports turned into one message sequence, whatever kind of
// notification area reports them.
#include "tray/platform/ActivationTranslator.h"

#include "tray/TrayMessages.h"

#include <gtest/gtest.h>
#include <vector>

using namespace veska::msg;
using Messages = std::vector<uint32_t>;
using Reason = QSystemTrayIcon::ActivationReason;
namespace platform = veska::platform;

namespace {

struct Report {
    Reason reason;
    int64_t atMs;
};

Messages Translate(std::initializer_list<Report> reports, uint32_t version = 0,
                   bool busHost = false) {
    platform::ActivationTranslator translator;
    translator.SetBusHost(busHost);
    Messages all;
    for (const Report& report : reports) {
        const Messages some = translator.Translate(report.reason, report.atMs, 400, version);
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

const Messages kDoubleClick{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};

TEST(ActivationTranslatorTest, DoubleClickIsTheSameOnEveryKindOfTray) {
    // StatusNotifierItem host: two Triggers.
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 1000}, {QSystemTrayIcon::Trigger, 1200}}),
              kDoubleClick);
    // XEmbed: Trigger then DoubleClick, or Trigger, Trigger, DoubleClick.
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 1000}, {QSystemTrayIcon::DoubleClick, 1200}}),
              kDoubleClick);
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 1000},
                         {QSystemTrayIcon::Trigger, 1200},
                         {QSystemTrayIcon::DoubleClick, 1200}}),
              kDoubleClick);
    // A lone DoubleClick stands for the whole gesture.
    EXPECT_EQ(Translate({{QSystemTrayIcon::DoubleClick, 1000}}), kDoubleClick);
}

TEST(ActivationTranslatorTest, TriggersFurtherApartThanTheDoubleClickTimeAreSingleClicks) {
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 1000}, {QSystemTrayIcon::Trigger, 1401}}),
              (Messages{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 1000}, {QSystemTrayIcon::Trigger, 1400}}),
              kDoubleClick);
}

TEST(ActivationTranslatorTest, AThirdQuickClickStartsANewClick) {
    Messages expected = kDoubleClick;
    expected.insert(expected.end(), {WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 1000},
                         {QSystemTrayIcon::Trigger, 1100},
                         {QSystemTrayIcon::Trigger, 1200}}),
              expected);
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 1000},
                         {QSystemTrayIcon::DoubleClick, 1100},
                         {QSystemTrayIcon::Trigger, 1200}}),
              expected);
}

TEST(ActivationTranslatorTest, RightAndMiddleButtons) {
    EXPECT_EQ(Translate({{QSystemTrayIcon::Context, 0}}), (Messages{WM_RBUTTONDOWN, WM_RBUTTONUP}));
    EXPECT_EQ(Translate({{QSystemTrayIcon::Context, 0}}, 3),
              (Messages{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}));
    EXPECT_EQ(Translate({{QSystemTrayIcon::MiddleClick, 0}}),
              (Messages{WM_MBUTTONDOWN, WM_MBUTTONUP}));
    EXPECT_EQ(Translate({{QSystemTrayIcon::Unknown, 0}}), Messages{});
    // A right click between two left clicks keeps them apart.
    EXPECT_EQ(Translate({{QSystemTrayIcon::Trigger, 0},
                         {QSystemTrayIcon::Context, 50},
                         {QSystemTrayIcon::Trigger, 100}}),
              (Messages{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDOWN,
                        WM_LBUTTONUP}));
}

TEST(ActivationTranslatorTest, OnABusHostEveryActivationIsADoubleClickAndItsEchoIsDropped) {
    const auto bus = [](std::initializer_list<Report> reports) {
        return Translate(reports, 0, true);
    };
    // One Activate per double click, or two: the window opens once either way.
    EXPECT_EQ(bus({{QSystemTrayIcon::Trigger, 1000}}), kDoubleClick);
    EXPECT_EQ(bus({{QSystemTrayIcon::Trigger, 1000}, {QSystemTrayIcon::Trigger, 1400}}),
              kDoubleClick);
    EXPECT_EQ(bus({{QSystemTrayIcon::Trigger, 1000}, {QSystemTrayIcon::DoubleClick, 1100}}),
              kDoubleClick);
    // Activations further apart are gestures of their own.
    Messages twice = kDoubleClick;
    twice.insert(twice.end(), kDoubleClick.begin(), kDoubleClick.end());
    EXPECT_EQ(bus({{QSystemTrayIcon::Trigger, 1000}, {QSystemTrayIcon::Trigger, 1401}}), twice);
    // The host's menu request stays a right click.
    EXPECT_EQ(bus({{QSystemTrayIcon::Context, 0}}), (Messages{WM_RBUTTONDOWN, WM_RBUTTONUP}));
}

} // namespace
