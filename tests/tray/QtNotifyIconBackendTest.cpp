// The QSystemTrayIcon backend under the component: the shell's rules, a notification area
// that is missing, disappears or reappears, the desktop's click reports, the menu and the
// balloon notices.
#include "tray/platform/QtNotifyIconBackend.h"

#include "TrayTestDoubles.h"
#include "tray/TNotifyTrayIcon.h"
#include "tray/TrayPicture.h"

#include <QGuiApplication>
#include <QMenu>
#include <QStyleHints>
#include <QWidget>
#include <gtest/gtest.h>

using namespace veska;
using namespace veska::msg;
using veska::test::Pump;
using veska::test::WaitUntil;

namespace {

// The QSystemTrayIcon backend driven as the desktop drives it, with a stand-in for the
// desktop's notification area and the component on top.
class QtBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend =
            std::make_unique<platform::QtNotifyIconBackend>([this] { return areaPresent; }, 20);
        platform::SetNotifyIconBackend(backend.get());
        platform::SetApplicationWindow(&app);
        saved = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(400);
        owner = std::make_unique<QWidget>();
        icon = std::make_unique<TNotifyTrayIcon>(owner.get());
        icon->OnDblClick = [this](QObject*) { events.push_back("DblClick"); };
        icon->OnClick = [this](QObject*) { events.push_back("Click"); };
        icon->OnMouseDown = [this](QObject*, TMouseButton b, TShiftState, int, int) {
            events.push_back(b == TMouseButton::mbLeft ? "DownL" : "DownR");
        };
        icon->OnMouseUp = [this](QObject*, TMouseButton b, TShiftState, int, int) {
            events.push_back(b == TMouseButton::mbLeft ? "UpL" : "UpR");
        };
        icon->OnMouseMove = [this](QObject*, TShiftState, int, int) { events.push_back("Move"); };
    }
    void TearDown() override {
        icon.reset();
        owner.reset();
        platform::SetNotifyIconBackend(nullptr);
        platform::SetApplicationWindow(nullptr);
        backend.reset();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(saved);
    }
    QList<QSystemTrayIcon*> Shown() const {
        QList<QSystemTrayIcon*> shown;
        for (QSystemTrayIcon* tray : backend->findChildren<QSystemTrayIcon*>()) {
            if (tray->isVisible())
                shown.push_back(tray);
        }
        return shown;
    }

    bool areaPresent = true;
    veska::test::RecordingApplicationWindow app;
    std::unique_ptr<platform::QtNotifyIconBackend> backend;
    std::unique_ptr<QWidget> owner;
    std::unique_ptr<TNotifyTrayIcon> icon;
    std::vector<std::string> events;
    int saved = 0;
};

TEST_F(QtBackendTest, ShellCallsFollowTheShellsRules) {
    EXPECT_FALSE(icon->Refresh());
    icon->SetHint(QStringLiteral("Lumivex - Servidor de Terminais Marvok"));
    icon->SetIcon(TerminalTrayPicture());
    icon->SetIconVisible(true);
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_EQ(Shown()[0]->toolTip(), QStringLiteral("Lumivex - Servidor de Terminais Marvok"));
    EXPECT_FALSE(Shown()[0]->icon().isNull());
    EXPECT_TRUE(icon->Refresh());
    EXPECT_EQ(platform::Shell_NotifyIconW(nim::NIM_SETVERSION, TNotifyIconDataEx{}), 0);
    icon->SetIconVisible(false);
    Pump(5);
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_FALSE(icon->Refresh());
}

TEST_F(QtBackendTest, NoNotificationAreaRefusesTheIconUntilOneAppears) {
    areaPresent = false;
    backend = std::make_unique<platform::QtNotifyIconBackend>([this] { return areaPresent; }, 20);
    platform::SetNotifyIconBackend(backend.get());
    icon->SetIconVisible(true);
    EXPECT_TRUE(icon->IconVisible());
    EXPECT_TRUE(Shown().isEmpty());
    areaPresent = true;
    ASSERT_TRUE(WaitUntil([&] { return Shown().size() == 1; }));
}

TEST_F(QtBackendTest, AReappearingNotificationAreaGetsTheVisibleIconBackOnly) {
    TNotifyTrayIcon hidden(owner.get());
    icon->SetIconVisible(true);
    hidden.SetIconVisible(true);
    hidden.SetIconVisible(false);
    QSystemTrayIcon* before = Shown().value(0);
    areaPresent = false;
    Pump(60);
    areaPresent = true;
    ASSERT_TRUE(WaitUntil([&] { return Shown().size() == 1 && Shown()[0] != before; }));
    Pump(60);
    EXPECT_EQ(Shown().size(), 1);
}

TEST_F(QtBackendTest, TwoTriggersAndTriggerDoubleClickGiveTheComponentTheSameEvents) {
    icon->SetIconVisible(true);
    ASSERT_EQ(Shown().size(), 1);
    QSystemTrayIcon* tray = Shown()[0];
    Q_EMIT tray->activated(QSystemTrayIcon::Trigger);
    Q_EMIT tray->activated(QSystemTrayIcon::Trigger);
    const std::vector<std::string> sni = events;
    EXPECT_EQ(sni, (std::vector<std::string>{"Move", "DownL", "UpL", "Move", "DblClick", "UpL"}));
    Pump(500);
    events.clear();
    Q_EMIT tray->activated(QSystemTrayIcon::Trigger);
    Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(events, sni);
    Pump(500);
    EXPECT_EQ(events, sni); // no Click after a double click
}

TEST_F(QtBackendTest, ContextOpensTheComponentsMenuNotQts) {
    QMenu menu;
    menu.addAction(QStringLiteral("Abrir"));
    icon->SetPopupMenu(&menu);
    icon->SetIconVisible(true);
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_EQ(Shown()[0]->contextMenu(), nullptr);
    Q_EMIT Shown()[0]->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(events, (std::vector<std::string>{"Move", "DownR", "UpR"}));
    ASSERT_EQ(app.menusShown.size(), 1u);
    EXPECT_EQ(app.menusShown[0].first, &menu);
}

TEST_F(QtBackendTest, AHandlerThatRemovesTheIconStopsTheRestOfTheGesture) {
    icon->OnDblClick = [this](QObject*) {
        events.push_back("DblClick");
        icon->SetIconVisible(false);
    };
    icon->SetIconVisible(true);
    QSystemTrayIcon* tray = Shown()[0];
    Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(events, (std::vector<std::string>{"Move", "DownL", "UpL", "DblClick"}));
    Pump(5);
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(QtBackendTest, BalloonClickAndShowReachTheComponent) {
    std::vector<std::string> balloons;
    icon->OnBalloonHintShow = [&](QObject*) { balloons.push_back("Show"); };
    icon->OnBalloonHintClick = [&](QObject*) { balloons.push_back("Click"); };
    icon->OnBalloonHintHide = [&](QObject*) { balloons.push_back("Hide"); };
    icon->SetIconVisible(true);
    EXPECT_TRUE(icon->ShowBalloonHint(QByteArray("Pre\xe7o"), QByteArray("texto"),
                                      TBalloonHintIcon::bitInfo, 10));
    ASSERT_TRUE(WaitUntil([&] { return balloons.size() == 1; }));
    Q_EMIT Shown()[0]->messageClicked();
    ASSERT_TRUE(WaitUntil([&] { return balloons.size() == 2; }));
    EXPECT_EQ(balloons, (std::vector<std::string>{"Show", "Click"}));
    // Hiding a notice that is no longer shown reports nothing.
    icon->HideBalloonHint();
    Pump(20);
    EXPECT_EQ(balloons.size(), 2u);
}

} // namespace
