// The tray icon's life: the shared hidden window, destruction, identities of destroyed
// instances, the shell restart, the application hook, the owner window's procedure, and
// hiding and showing the main window.
#include "TrayFixture.h"
#include "tray/platform/NotifyIcon.h"

using namespace veska;
using namespace veska::msg;
using Log = std::vector<std::string>;

namespace {

class TrayIconLifecycleTest : public veska::test::TrayFixture {
protected:
    TMessage ToOwner(uint32_t message, uintptr_t wParam, intptr_t lParam = 0) {
        TMessage sent{message, wParam, lParam, 0};
        app.DispatchOwnerMessage(owner.get(), sent);
        return sent;
    }
};

TEST_F(TrayIconLifecycleTest, InstancesShareOneHiddenWindowThatGoesWithTheLast) {
    auto first = MakeIcon();
    auto second = MakeIcon();
    ASSERT_NE(TTrayIconHandler::Instance(), nullptr);
    EXPECT_EQ(TTrayIconHandler::Instance()->RefCount, 2u);
    EXPECT_EQ(first->Handle(), second->Handle());
    EXPECT_NE(first->IconID(), second->IconID());
    const uint32_t window = first->Handle();

    LogEvents(*second);
    second->OnDblClick = nullptr;
    first.reset();
    EXPECT_EQ(TTrayIconHandler::Instance()->RefCount, 1u);
    Notify(*second, {WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_EQ(events, (std::vector<std::string>{"DownL/8", "Click", "UpL/8"}));

    second.reset();
    EXPECT_EQ(TTrayIconHandler::Instance(), nullptr);
    EXPECT_FALSE(platform::IsWindow(window));
}

TEST_F(TrayIconLifecycleTest, DestructionRemovesAShownIcon) {
    auto icon = MakeIcon();
    icon->SetIconVisible(true);
    const uint32_t id = icon->IconID();
    ASSERT_TRUE(area.Shows(id));
    icon.reset();
    EXPECT_FALSE(area.Shows(id));
    EXPECT_EQ(area.calls.back().message, nim::NIM_DELETE);
}

TEST_F(TrayIconLifecycleTest, ANotificationForADestroyedInstanceReachesNobody) {
    auto survivor = MakeIcon();
    LogEvents(*survivor);
    survivor->OnDblClick = nullptr;
    auto gone = MakeIcon();
    LogEvents(*gone);
    const uint32_t goneId = gone->IconID();
    gone.reset();
    // A new instance made at once does not take the identity over.
    auto newcomer = MakeIcon();
    LogEvents(*newcomer);
    EXPECT_NE(newcomer->IconID(), goneId);
    platform::SendMessageW(survivor->Handle(), WM_TRAYICON, goneId, WM_LBUTTONDOWN);
    platform::SendMessageW(survivor->Handle(), WM_TRAYICON, goneId, WM_LBUTTONUP);
    EXPECT_TRUE(events.empty());
}

TEST_F(TrayIconLifecycleTest, SharedWindowAnswersCloseAndSessionEndWithOne) {
    auto icon = MakeIcon();
    for (uint32_t message :
         {WM_DESTROY, WM_CLOSE, WM_QUERYENDSESSION, WM_QUIT, WM_ENDSESSION, WM_NCDESTROY})
        EXPECT_EQ(platform::SendMessageW(icon->Handle(), message, 0, 0), 1) << message;
    EXPECT_EQ(platform::SendMessageW(icon->Handle(), WM_SIZE, 0, 0), 0);
    EXPECT_TRUE(platform::IsWindow(icon->Handle()));
}

TEST_F(TrayIconLifecycleTest, ShellRestartReAddsVisibleIconsOnly) {
    auto shown = MakeIcon();
    auto hidden = MakeIcon();
    shown->SetHint(QByteArray("visivel"));
    shown->SetIconVisible(true);
    hidden->SetIconVisible(true);
    hidden->SetIconVisible(false);
    area.RestartShell();
    EXPECT_TRUE(area.Shows(shown->IconID()));
    EXPECT_FALSE(area.Shows(hidden->IconID()));
    EXPECT_EQ(area.Shown(shown->IconID()).szTip[0], u'v');
}

TEST_F(TrayIconLifecycleTest, AnIconRefusedForLackOfANotificationAreaComesWhenOneAppears) {
    auto icon = MakeIcon();
    area.available = false;
    icon->SetIconVisible(true);
    EXPECT_FALSE(area.Shows(icon->IconID()));
    area.available = true;
    area.RestartShell();
    EXPECT_TRUE(area.Shows(icon->IconID()));
}

TEST_F(TrayIconLifecycleTest, HideMainFormHidesTheWindowAndItsTaskbarPresence) {
    auto icon = MakeIcon();
    ASSERT_EQ(app.MainForm(), owner.get());
    icon->HideMainForm();
    EXPECT_EQ(app.log, (Log{"SetMainFormVisible(0)", "ShowWindow(0)"}));
    EXPECT_FALSE(app.mainVisible);
    EXPECT_FALSE(app.taskbarVisible);
    // Hiding never touches the tray icon.
    EXPECT_TRUE(area.calls.empty());
    app.log.clear();
    icon->HideMainForm();
    EXPECT_EQ(app.log, (Log{"SetMainFormVisible(0)"}));
}

TEST_F(TrayIconLifecycleTest, ShowMainFormRestoresShowsAndBringsForward) {
    auto icon = MakeIcon();
    app.mainMinimized = true;
    app.mainVisible = false;
    icon->ShowMainForm();
    EXPECT_EQ(app.log, (Log{"Restore", "SetMainFormNormal", "SetMainFormVisible(1)",
                            "SetForegroundWindow(app)"}));
    EXPECT_TRUE(area.calls.empty());
    app.log.clear();
    icon->ShowMainForm();
    EXPECT_EQ(app.log, (Log{"Restore", "SetMainFormVisible(1)", "SetForegroundWindow(app)"}));
}

TEST_F(TrayIconLifecycleTest, HideAndShowNeedAWindowedOwnerAndAMainForm) {
    TNotifyTrayIcon ownerless(nullptr);
    ownerless.HideMainForm();
    ownerless.ShowMainForm();
    EXPECT_TRUE(app.log.empty());
    auto icon = MakeIcon();
    app.SetMainForm(nullptr);
    icon->HideMainForm();
    icon->ShowMainForm();
    EXPECT_TRUE(app.log.empty());
}

TEST_F(TrayIconLifecycleTest, TaskbarIconFollowsTheApplicationWindowVisibility) {
    auto icon = MakeIcon();
    icon->ShowTaskbarIcon();
    EXPECT_TRUE(app.log.empty());
    icon->HideTaskbarIcon();
    icon->HideTaskbarIcon();
    icon->ShowTaskbarIcon();
    EXPECT_EQ(app.log, (Log{"ShowWindow(0)", "ShowWindow(5)"}));
}

TEST_F(TrayIconLifecycleTest, ExplicitShowOfTheOwnerBringsAppAndOwnerForward) {
    auto icon = MakeIcon();
    ToOwner(WM_SHOWWINDOW, 1, 0);
    EXPECT_EQ(app.log, (Log{"SetForegroundWindow(app)", "SetForegroundWindow(main)"}));
    app.log.clear();
    ToOwner(WM_SHOWWINDOW, 1, 3);
    EXPECT_TRUE(app.log.empty());
}

TEST_F(TrayIconLifecycleTest, MinimizeWithHandlerGoesToTrayAndIsConsumed) {
    auto icon = MakeIcon();
    icon->SetMinimizeToTray(true);
    int fired = 0;
    icon->OnMinimizeToTray = [&](QObject*) {
        ++fired;
        app.log.push_back("OnMinimizeToTray");
    };
    const TMessage result = ToOwner(WM_SYSCOMMAND, SC_MINIMIZE);
    EXPECT_EQ(result.Result, 1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(app.log, (Log{"OnMinimizeToTray", "SetMainFormVisible(0)", "ShowWindow(0)"}));
    EXPECT_TRUE(icon->IconVisible());
    EXPECT_TRUE(area.Shows(icon->IconID()));
}

TEST_F(TrayIconLifecycleTest, MinimizeWithoutHandlerReachesTheApplicationHook) {
    auto icon = MakeIcon();
    icon->SetMinimizeToTray(true);
    const TMessage result = ToOwner(WM_SYSCOMMAND, SC_MINIMIZE);
    EXPECT_EQ(result.Result, 0);
    EXPECT_EQ(app.log, (Log{"SetMainFormVisible(0)", "ShowWindow(0)"}));
    EXPECT_TRUE(area.Shows(icon->IconID()));
}

TEST_F(TrayIconLifecycleTest, MinimizeIsOrdinaryWithoutMinimizeToTray) {
    auto icon = MakeIcon();
    int fired = 0;
    icon->OnMinimizeToTray = [&](QObject*) { ++fired; };
    ToOwner(WM_SYSCOMMAND, SC_MINIMIZE);
    ToOwner(WM_SYSCOMMAND, SC_MINIMIZE + 1);
    app.SendApplicationMessage(WM_SIZE, SIZE_MINIMIZED);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(app.log.empty());
    EXPECT_FALSE(icon->IconVisible());
}

TEST_F(TrayIconLifecycleTest, HiddenWithTheParentGoesToTrayUnlessTerminating) {
    auto icon = MakeIcon();
    icon->SetMinimizeToTray(true);
    int fired = 0;
    icon->OnMinimizeToTray = [&](QObject*) { ++fired; };
    app.terminating = true;
    ToOwner(WM_SHOWWINDOW, 0, SW_PARENTCLOSING);
    EXPECT_EQ(fired, 0);
    app.terminating = false;
    EXPECT_EQ(ToOwner(WM_SHOWWINDOW, 0, SW_PARENTCLOSING).Result, 1);
    EXPECT_EQ(fired, 1);
}

TEST_F(TrayIconLifecycleTest, OwnerDestroyMessagesAreAnsweredAndNotPassedOn) {
    auto icon = MakeIcon();
    EXPECT_EQ(ToOwner(WM_DESTROY, 0).Result, 1);
    EXPECT_EQ(ToOwner(WM_NCDESTROY, 0).Result, 1);
}

TEST_F(TrayIconLifecycleTest, RestoreCommandShowsTheMainForm) {
    auto icon = MakeIcon();
    app.SendApplicationMessage(WM_SYSCOMMAND, SC_RESTORE);
    app.SendApplicationMessage(WM_SYSCOMMAND, SC_RESTORE + 2);
    EXPECT_EQ(app.log, (Log{"SetMainFormVisible(1)"}));
}

TEST_F(TrayIconLifecycleTest, MultiDocumentCheckRunsOnceOnTheFirstPositionChange) {
    auto icon = MakeIcon();
    app.multiDocument = true;
    int asked = 0;
    icon->OnStartup = [&](QObject*, bool& showMainForm) {
        ++asked;
        showMainForm = false;
    };
    app.SendApplicationMessage(WM_WINDOWPOSCHANGED);
    app.SendApplicationMessage(WM_WINDOWPOSCHANGED);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(app.log, (Log{"ShowWindow(0)"}));
}

TEST_F(TrayIconLifecycleTest, DestructionUnhooksAndRestoresTheOwnerProcedure) {
    auto icon = MakeIcon();
    icon->SetMinimizeToTray(true);
    icon->SetIconVisible(true);
    icon.reset();
    area.calls.clear();
    // The owner's minimise now reaches only the default handling; the hook is gone too.
    EXPECT_EQ(ToOwner(WM_SYSCOMMAND, SC_MINIMIZE).Result, 0);
    EXPECT_EQ(ToOwner(WM_DESTROY, 0).Result, 0);
    area.RestartShell();
    EXPECT_TRUE(app.log.empty());
    EXPECT_TRUE(area.calls.empty());
}

TEST_F(TrayIconLifecycleTest, TwoIconsOnOneOwnerChainTheirProcedures) {
    auto first = MakeIcon();
    auto second = MakeIcon();
    first->SetMinimizeToTray(true);
    int fired = 0;
    first->OnMinimizeToTray = [&](QObject*) { ++fired; };
    // The second replaced the procedure last and passes the minimise on to the first.
    EXPECT_EQ(ToOwner(WM_SYSCOMMAND, SC_MINIMIZE).Result, 1);
    EXPECT_EQ(fired, 1);
    second.reset();
    EXPECT_EQ(ToOwner(WM_SYSCOMMAND, SC_MINIMIZE).Result, 1);
    EXPECT_EQ(fired, 2);
}

TEST_F(TrayIconLifecycleTest, AnIconOwnedByTheWindowGoesWithIt) {
    auto* icon = new TNotifyTrayIcon(owner.get());
    icon->SetIconVisible(true);
    const uint32_t id = icon->IconID();
    owner.reset();
    EXPECT_FALSE(area.Shows(id));
    EXPECT_EQ(TTrayIconHandler::Instance(), nullptr);
}

} // namespace
