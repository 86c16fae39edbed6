// The QSystemTrayIcon backend under the component: the shell's rules, notification areas
// that are missing, unanswered, disappear or reappear, the desktop's reports delivered from
// the event loop, the menu on both kinds of notification area and the balloon notices.
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
using veska::test::WaitUntil;
using Events = std::vector<std::string>;
using Kind = platform::QtNotifyIconBackend::Kind;

namespace {

// The QSystemTrayIcon backend driven as the desktop drives it, with a stand-in for the
// desktop's notification area and the component on top.
class QtBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = std::make_unique<platform::QtNotifyIconBackend>(&hosts);
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

    // Runs what the event loop has queued (the reports, the retired icons).
    static void RunQueued() { QCoreApplication::processEvents(); }
    void UseMenu() {
        menu = std::make_unique<QMenu>();
        QAction* open = menu->addAction(QStringLiteral("Abrir"));
        menu->addSeparator();
        QAction* quit = menu->addAction(QStringLiteral("Sair"));
        menu->setDefaultAction(open);
        QObject::connect(open, &QAction::triggered, [this] { events.push_back("Abrir"); });
        QObject::connect(quit, &QAction::triggered, [this] { events.push_back("Sair"); });
        icon->SetPopupMenu(menu.get());
    }

    veska::test::StandInTrayHosts hosts;
    std::unique_ptr<QMenu> menu;
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
    EXPECT_FALSE(icon->Refresh());
    ASSERT_TRUE(WaitUntil([&] { return Shown().isEmpty(); }));
}

TEST_F(QtBackendTest, NoNotificationAreaRefusesTheIconUntilOneAppears) {
    hosts.Set(false, false, false);
    icon->SetIconVisible(true);
    EXPECT_TRUE(icon->IconVisible());
    EXPECT_FALSE(backend->NotificationAreaAvailable());
    EXPECT_TRUE(Shown().isEmpty());
    hosts.Set(false, false, true);
    EXPECT_EQ(Shown().size(), 1);
    EXPECT_EQ(backend->UsedKind(), Kind::XEmbed);
}

TEST_F(QtBackendTest, AnUnansweredBusWatcherHoldsTheFirstIconBack) {
    // Qt would ask the hung watcher with a blocking call when it makes its first icon.
    hosts.Set(false, true, true);
    icon->SetIconVisible(true);
    EXPECT_FALSE(backend->NotificationAreaAvailable());
    EXPECT_TRUE(Shown().isEmpty());
    hosts.Set(true, false, true);
    EXPECT_EQ(Shown().size(), 1);
    EXPECT_EQ(backend->UsedKind(), Kind::Bus);
    // Once Qt has chosen, a watcher that hangs later no longer matters.
    hosts.Set(true, true, true);
    EXPECT_TRUE(backend->NotificationAreaAvailable());
}

TEST_F(QtBackendTest, AReappearingXEmbedTrayGetsTheVisibleIconBackOnce) {
    TNotifyTrayIcon hidden(owner.get());
    icon->SetIconVisible(true);
    hidden.SetIconVisible(true);
    hidden.SetIconVisible(false);
    ASSERT_TRUE(WaitUntil([&] { return Shown().size() == 1; }));
    QSystemTrayIcon* before = Shown()[0];
    hosts.Set(false, false, false);
    hosts.Set(false, false, true);
    ASSERT_TRUE(WaitUntil([&] { return Shown().size() == 1 && Shown()[0] != before; }));
    RunQueued();
    EXPECT_EQ(Shown().size(), 1);
}

TEST_F(QtBackendTest, ABusHostThatReturnsKeepsQtsIconAndGetsNoSecond) {
    hosts.Set(true, false, false);
    icon->SetIconVisible(true);
    ASSERT_EQ(Shown().size(), 1);
    QSystemTrayIcon* before = Shown()[0];
    hosts.Set(false, false, false);
    hosts.Set(true, false, false);
    RunQueued();
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_EQ(Shown()[0], before);
}

TEST_F(QtBackendTest, ReportsReachTheComponentFromTheEventLoopNotFromQtsHandler) {
    icon->SetIconVisible(true);
    ASSERT_EQ(Shown().size(), 1);
    QSystemTrayIcon* tray = Shown()[0];
    Q_EMIT tray->activated(QSystemTrayIcon::Trigger);
    Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(events.empty());
    ASSERT_TRUE(WaitUntil([&] { return events.size() == 6; }));
    EXPECT_EQ(events, (Events{"Move", "DownL", "UpL", "Move", "DblClick", "UpL"}));
}

TEST_F(QtBackendTest, OnAnXEmbedTrayTheRightButtonOpensTheComponentsMenuNotQts) {
    UseMenu();
    icon->SetIconVisible(true);
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_EQ(Shown()[0]->contextMenu(), nullptr);
    Q_EMIT Shown()[0]->activated(QSystemTrayIcon::Context);
    ASSERT_TRUE(WaitUntil([&] { return events.size() == 3; }));
    EXPECT_EQ(events, (Events{"Move", "DownR", "UpR"}));
    ASSERT_EQ(app.menusShown.size(), 1u);
    EXPECT_EQ(app.menusShown[0].first, menu.get());
}

TEST_F(QtBackendTest, ABusHostGetsACopyOfTheMenuAndOneActivationOpens) {
    hosts.Set(true, false, false);
    UseMenu();
    icon->SetIconVisible(true);
    ASSERT_EQ(Shown().size(), 1);
    QMenu* exported = Shown()[0]->contextMenu();
    ASSERT_NE(exported, nullptr);
    ASSERT_NE(exported, menu.get());
    ASSERT_EQ(exported->actions().size(), 3);
    EXPECT_EQ(exported->actions()[0]->text(), QStringLiteral("Abrir"));
    EXPECT_TRUE(exported->actions()[1]->isSeparator());
    EXPECT_EQ(exported->actions()[2]->text(), QStringLiteral("Sair"));
    EXPECT_EQ(exported->defaultAction(), exported->actions()[0]);
    // The host's pick runs the original item from the event loop.
    exported->actions()[2]->trigger();
    EXPECT_TRUE(events.empty());
    ASSERT_TRUE(WaitUntil([&] { return events == Events{"Sair"}; }));
    events.clear();
    // One activation is the double click; a second one at once belongs to it.
    Q_EMIT Shown()[0]->activated(QSystemTrayIcon::Trigger);
    Q_EMIT Shown()[0]->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(WaitUntil([&] { return events.size() >= 6; }));
    RunQueued();
    EXPECT_EQ(events, (Events{"Move", "DownL", "UpL", "DblClick", "Abrir", "UpL"}));
    // The copy follows the menu.
    menu->actions()[2]->setText(QStringLiteral("Fechar"));
    ASSERT_TRUE(
        WaitUntil([&] { return exported->actions()[2]->text() == QStringLiteral("Fechar"); }));
}

TEST_F(QtBackendTest, AHandlerThatRemovesTheIconStopsTheRestOfTheGestureAndTheIconGoesLater) {
    QPointer<QSystemTrayIcon> tray;
    icon->OnDblClick = [this, &tray](QObject*) {
        events.push_back("DblClick");
        icon->SetIconVisible(false);
        // Still there while the handler runs: Qt may be inside it.
        EXPECT_FALSE(tray.isNull());
    };
    icon->SetIconVisible(true);
    tray = Shown()[0];
    Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(WaitUntil([&] { return tray.isNull(); }));
    EXPECT_EQ(events, (Events{"Move", "DownL", "UpL", "DblClick"}));
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
    RunQueued();
    EXPECT_EQ(balloons.size(), 2u);
}

} // namespace
