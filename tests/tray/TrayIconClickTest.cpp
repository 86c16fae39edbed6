// The tray icon's mouse handling: single and double click with and without OnDblClick, the
// default menu item, the popup menu, right and middle buttons under both behaviours, and
// Enabled false.
#include "TrayFixture.h"
#include "tray/TrayMenu.h"

#include <QCursor>

using namespace veska;
using namespace veska::msg;
using Events = std::vector<std::string>;

namespace {

class TrayIconClickTest : public veska::test::TrayFixture {};

TEST_F(TrayIconClickTest, WithoutDblClickHandlerClickFiresAtReleaseBeforeMouseUp) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->OnDblClick = nullptr;
    Notify(*icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_EQ(events, (Events{"DownL/8", "Click", "UpL/8"}));
    Advance(2 * kDoubleClickMs);
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(TrayIconClickTest, WithDblClickHandlerClickFiresOneDoubleClickTimeAfterThePress) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, icon.get());
        events.push_back("Click");
    };
    Notify(*icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_EQ(events, (Events{"DownL/8", "UpL/8"}));
    Advance(kDoubleClickMs - 1);
    EXPECT_EQ(events, (Events{"DownL/8", "UpL/8"}));
    Advance(1);
    EXPECT_EQ(events, (Events{"DownL/8", "UpL/8", "Click"}));
    Advance(2 * kDoubleClickMs);
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(TrayIconClickTest, ALongPressFiresClickAtTheRelease) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    Notify(*icon, WM_LBUTTONDOWN);
    Advance(2 * kDoubleClickMs);
    EXPECT_EQ(events, (Events{"DownL/8"}));
    Notify(*icon, WM_LBUTTONUP);
    EXPECT_EQ(events, (Events{"DownL/8", "Click", "UpL/8"}));
    Advance(2 * kDoubleClickMs);
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(TrayIconClickTest, DoubleClickRunsHandlerThenDefaultItemAndNoClick) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->SetPopupMenu(MakeMenu());
    Notify(*icon, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
    EXPECT_EQ(events, (Events{"DownL/8", "UpL/8", "DblClick", "Abrir", "UpL/8"}));
    Advance(3 * kDoubleClickMs);
    EXPECT_EQ(events, (Events{"DownL/8", "UpL/8", "DblClick", "Abrir", "UpL/8"}));
    // The next single click is reported again.
    Notify(*icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
    Advance(kDoubleClickMs);
    EXPECT_EQ(events.back(), "Click");
}

TEST_F(TrayIconClickTest, DefaultItemRunsOnDoubleClickWithoutDblClickHandler) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->OnDblClick = nullptr;
    icon->SetPopupMenu(MakeMenu());
    Notify(*icon, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
    EXPECT_EQ(events, (Events{"DownL/8", "Click", "UpL/8", "Abrir", "UpL/8"}));
}

TEST_F(TrayIconClickTest, NoDefaultItemRunsWithoutDefaultOrWithAutoPopupOff) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->SetPopupMenu(MakeMenu());
    SetMenuAutoPopup(menu, false);
    Notify(*icon, WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (Events{"DblClick"}));
    SetMenuAutoPopup(menu, true);
    menu->setDefaultAction(nullptr);
    Notify(*icon, WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (Events{"DblClick", "DblClick"}));
    // A default action that is not one of the menu's own items does not count.
    QAction stranger(QStringLiteral("x"));
    menu->setDefaultAction(&stranger);
    Notify(*icon, WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (Events{"DblClick", "DblClick", "DblClick"}));
}

TEST_F(TrayIconClickTest, LeftPopupOpensTheMenuOnPressAndSkipsTheDefaultItem) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->SetPopupMenu(MakeMenu());
    icon->SetLeftPopup(true);
    Notify(*icon, WM_LBUTTONDOWN);
    ASSERT_EQ(app.menusShown.size(), 1u);
    EXPECT_EQ(app.menusShown[0].first, menu);
    Notify(*icon, {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
    EXPECT_EQ(events, (Events{"DownL/8", "UpL/8", "DblClick", "UpL/8"}));
}

TEST_F(TrayIconClickTest, PopupAtCursorBringsTheAppForwardAndShowsTheMenuAtThePointer) {
    auto icon = MakeIcon();
    icon->SetPopupMenu(MakeMenu());
    QCursor::setPos(123, 45);
    app.whileMenuOpen = [&](QMenu* shown) {
        EXPECT_EQ(MenuPopupComponent(shown), icon.get());
        shown->actions().back()->trigger();
    };
    Notify(*icon, WM_RBUTTONDOWN);
    ASSERT_EQ(app.menusShown.size(), 1u);
    EXPECT_EQ(app.menusShown[0].second, QCursor::pos());
    EXPECT_EQ(events, (Events{"Sair"}));
    EXPECT_EQ(app.log, (std::vector<std::string>{"SetForegroundWindow(app)", "ProcessMessages",
                                                 "TrackPopupMenu", "PostOwnerMessage(0)"}));
}

TEST_F(TrayIconClickTest, PopupAtCursorDoesNothingWithoutMenuOrWithAutoPopupOff) {
    auto icon = MakeIcon();
    Notify(*icon, WM_RBUTTONDOWN);
    icon->SetPopupMenu(MakeMenu());
    SetMenuAutoPopup(menu, false);
    icon->PopupAtCursor();
    EXPECT_TRUE(app.menusShown.empty());
    EXPECT_TRUE(app.log.empty());
}

TEST_F(TrayIconClickTest, RightButtonUnderWin95) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->SetPopupMenu(MakeMenu());
    Notify(*icon, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU, NIN_SELECT, NIN_KEYSELECT});
    EXPECT_EQ(events, (Events{"DownR/16", "UpR/16"}));
    EXPECT_EQ(app.menusShown.size(), 1u);
}

TEST_F(TrayIconClickTest, RightButtonUnderWin2000) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->SetPopupMenu(MakeMenu());
    icon->SetBehavior(TBehavior::bhWin2000);
    Notify(*icon, {WM_RBUTTONDOWN, WM_RBUTTONUP});
    EXPECT_EQ(events, (Events{"DownR/16"}));
    EXPECT_EQ(app.menusShown.size(), 1u);
    Notify(*icon, {WM_CONTEXTMENU, NIN_SELECT, NIN_KEYSELECT});
    EXPECT_EQ(events, (Events{"DownR/16", "UpR/16", "UpR/16", "UpR/16"}));
}

TEST_F(TrayIconClickTest, MiddleButtonAndIgnoredMessages) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->SetPopupMenu(MakeMenu());
    Notify(*icon, {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK, 0x7FFF});
    EXPECT_EQ(events, (Events{"DownM/32", "UpM/32"}));
    EXPECT_TRUE(app.menusShown.empty());
}

TEST_F(TrayIconClickTest, MouseEventsCarryThePointerPositionAtHandling) {
    auto icon = MakeIcon();
    std::vector<QPoint> positions;
    icon->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int x, int y) {
        positions.emplace_back(x, y);
    };
    icon->OnMouseMove = [&](QObject*, TShiftState, int x, int y) { positions.emplace_back(x, y); };
    QCursor::setPos(10, 20);
    Notify(*icon, WM_MOUSEMOVE);
    QCursor::setPos(30, 40);
    Notify(*icon, WM_RBUTTONDOWN);
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_EQ(positions[0], QPoint(10, 20));
    EXPECT_EQ(positions[1], QPoint(30, 40));
}

TEST_F(TrayIconClickTest, DisabledIconIgnoresTheMouseButNotTheBalloons) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->OnMouseMove = [&](QObject*, TShiftState, int, int) { events.push_back("Move"); };
    icon->OnBalloonHintShow = [&](QObject*) { events.push_back("BalloonShow"); };
    icon->OnBalloonHintHide = [&](QObject*) { events.push_back("BalloonHide"); };
    icon->OnBalloonHintTimeout = [&](QObject*) { events.push_back("BalloonTimeout"); };
    icon->OnBalloonHintClick = [&](QObject*) { events.push_back("BalloonClick"); };
    icon->SetPopupMenu(MakeMenu());
    icon->SetBehavior(TBehavior::bhWin2000);
    icon->SetEnabled(false);
    Notify(*icon, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                   WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU, WM_MBUTTONDOWN, WM_MBUTTONUP});
    Advance(2 * kDoubleClickMs);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(app.menusShown.empty());
    Notify(*icon, {NIN_BALLOONSHOW, NIN_BALLOONHIDE, NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK});
    EXPECT_EQ(events, (Events{"BalloonShow", "BalloonHide", "BalloonTimeout", "BalloonClick"}));
}

TEST_F(TrayIconClickTest, AComponentDestroyedByItsOwnClickHandlerStopsThere) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->OnDblClick = nullptr;
    icon->OnClick = [&](QObject*) {
        events.push_back("Click");
        icon.reset();
    };
    Notify(*icon, WM_LBUTTONDOWN);
    const TNotifyTrayIcon& doomed = *icon;
    const uint32_t handle = doomed.Handle();
    const uint32_t id = doomed.IconID();
    platform::SendMessageW(handle, WM_TRAYICON, id, WM_LBUTTONUP);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(events, (Events{"DownL/8", "Click"}));
}

TEST_F(TrayIconClickTest, AComponentDestroyedByItsDelayedClickStopsThere) {
    auto icon = MakeIcon();
    LogEvents(*icon);
    icon->OnClick = [&](QObject*) {
        events.push_back("Click");
        icon.reset();
    };
    Notify(*icon, {WM_LBUTTONDOWN, WM_LBUTTONUP});
    Advance(kDoubleClickMs);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(events, (Events{"DownL/8", "UpL/8", "Click"}));
}

} // namespace
