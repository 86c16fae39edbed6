// The main window as application window, on a real (offscreen) widget: hiding and showing
// with and without a notification area, and window events as messages.
#include "tray/platform/QtApplicationWindow.h"

#include "TrayTestDoubles.h"
#include "tray/TNotifyTrayIcon.h"

#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>

using namespace veska;
using namespace veska::msg;
using veska::test::WaitUntil;

namespace {

// The main window as application window, on a real (offscreen) widget.
class QtApplicationWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetNotifyIconBackend(&area);
        platform::SetApplicationWindow(&qtApp);
        window = std::make_unique<QWidget>();
        window->show();
        icon = std::make_unique<TNotifyTrayIcon>(window.get());
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        icon.reset();
        window.reset();
        platform::SetNotifyIconBackend(nullptr);
        platform::SetApplicationWindow(nullptr);
    }
    veska::test::RecordingNotifyArea area;
    platform::QtApplicationWindow qtApp;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<TNotifyTrayIcon> icon;
};

TEST_F(QtApplicationWindowTest, TheOwnerBecomesTheMainWindow) {
    EXPECT_EQ(qtApp.MainForm(), window.get());
}

TEST_F(QtApplicationWindowTest, HideAndShowWithANotificationArea) {
    window->showMinimized();
    icon->HideMainForm();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(qtApp.IsWindowVisible());
    icon->ShowMainForm();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
}

TEST_F(QtApplicationWindowTest, WithoutANotificationAreaHidingMinimisesToTheTaskbar) {
    area.available = false;
    icon->HideMainForm();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    icon->ShowMainForm();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
}

TEST_F(QtApplicationWindowTest, ShowingTheTaskbarPresenceAloneKeepsTheWindowMinimised) {
    icon->HideMainForm();
    icon->ShowTaskbarIcon();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(QtApplicationWindowTest, WindowEventsBecomeMessages) {
    std::vector<std::pair<uint32_t, uintptr_t>> ownerMessages;
    std::vector<std::pair<uint32_t, uintptr_t>> hookMessages;
    platform::WindowProcedure previous;
    previous = qtApp.SetWindowProc(window.get(), [&](TMessage& message) {
        ownerMessages.emplace_back(message.Msg, message.WParam);
        previous(message);
    });
    const int hook = qtApp.HookMainWindow([&](TMessage& message) {
        hookMessages.emplace_back(message.Msg, message.WParam);
        return false;
    });
    window->hide();
    window->show();
    window->showMinimized();
    ASSERT_TRUE(WaitUntil([&] {
        return std::count(hookMessages.begin(), hookMessages.end(),
                          std::make_pair(WM_SIZE, SIZE_MINIMIZED)) == 1;
    }));
    EXPECT_EQ(std::count(ownerMessages.begin(), ownerMessages.end(),
                         std::make_pair(WM_SHOWWINDOW, uintptr_t{1})),
              1);
    EXPECT_EQ(std::count(ownerMessages.begin(), ownerMessages.end(),
                         std::make_pair(WM_SYSCOMMAND, SC_MINIMIZE)),
              1);
    window->showNormal();
    ASSERT_TRUE(WaitUntil([&] {
        return std::count(hookMessages.begin(), hookMessages.end(),
                          std::make_pair(WM_SYSCOMMAND, SC_RESTORE)) == 1;
    }));
    window->move(window->pos() + QPoint(7, 3));
    ASSERT_TRUE(WaitUntil([&] {
        return std::count(hookMessages.begin(), hookMessages.end(),
                          std::make_pair(WM_WINDOWPOSCHANGED, uintptr_t{0})) >= 1;
    }));
    qtApp.UnhookMainWindow(hook);
    qtApp.SetWindowProc(window.get(), previous);
}

TEST_F(QtApplicationWindowTest, MinimiseToTrayHidesTheWindowIntoTheTray) {
    icon->SetMinimizeToTray(true);
    window->showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(icon->IconVisible());
    EXPECT_TRUE(area.Shows(icon->IconID()));
    icon->ShowMainForm();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    // The window events of the show have been handled: it stays shown.
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
}

} // namespace
