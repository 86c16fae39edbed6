// The tray's platform layer on Qt: the desktop's click reports turned into one message
// sequence, the QSystemTrayIcon backend, the main window as application window (with and
// without a notification area), hidden message windows, icon handles and the tray picture.
#include "TrayFixture.h"
#include "TrayTestDoubles.h"
#include "tray/TLightTimerHandler.h"
#include "tray/TNotifyTrayIcon.h"
#include "tray/TTrayIconHandler.h"
#include "tray/TrayPicture.h"
#include "tray/platform/ActivationTranslator.h"
#include "tray/platform/IconRegistry.h"
#include "tray/platform/MessageWindow.h"
#include "tray/platform/QtApplicationWindow.h"
#include "tray/platform/QtNotifyIconBackend.h"

#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QStyleHints>
#include <QWidget>
#include <gtest/gtest.h>

using namespace veska;
using namespace veska::msg;
using veska::test::Pump;
using veska::test::WaitUntil;
using Messages = std::vector<uint32_t>;
using Reason = QSystemTrayIcon::ActivationReason;

namespace {

struct Report {
    Reason reason;
    int64_t atMs;
};

Messages Translate(std::initializer_list<Report> reports, uint32_t version = 0) {
    platform::ActivationTranslator translator;
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

// The main window as application window, on a real (offscreen) widget.
class QtApplicationWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetNotifyIconBackend(&area);
        platform::SetApplicationWindow(&qtApp);
        window = std::make_unique<QWidget>();
        window->show();
        icon = std::make_unique<TNotifyTrayIcon>(window.get());
        Pump(20);
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
    Pump(30);
    EXPECT_TRUE(window->isVisible());
}

TEST(MessageWindowTest, HandlesAreNeverReusedAndLateMessagesAreDropped) {
    int received = 0;
    const uint32_t first = platform::CreateMessageWindow([&](TMessage&) { ++received; });
    platform::PostMessageW(first, WM_NULL, 0, 0);
    platform::DestroyMessageWindow(first);
    const uint32_t second = platform::CreateMessageWindow([&](TMessage& m) {
        ++received;
        m.Result = 7;
    });
    EXPECT_NE(first, second);
    EXPECT_NE(second, 0u);
    Pump(10);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(platform::SendMessageW(first, WM_NULL, 0, 0), 0);
    EXPECT_EQ(platform::SendMessageW(second, WM_NULL, 0, 0), 7);
    platform::DestroyMessageWindow(second);
}

TEST(MessageWindowTest, AProcedureMayDestroyItsOwnWindow) {
    uint32_t self = 0;
    std::string captured = "kept alive while it runs";
    self = platform::CreateMessageWindow([&self, captured](TMessage& m) {
        platform::DestroyMessageWindow(self);
        m.Result = static_cast<intptr_t>(captured.size());
    });
    EXPECT_EQ(platform::SendMessageW(self, WM_NULL, 0, 0), static_cast<intptr_t>(captured.size()));
    EXPECT_FALSE(platform::IsWindow(self));
}

TEST(MessageWindowTest, RegisteredMessagesAreStablePerName) {
    const uint32_t taskbar = platform::RegisterWindowMessageW(u"TaskbarCreated");
    EXPECT_GE(taskbar, 0xC000u);
    EXPECT_EQ(platform::RegisterWindowMessageW(u"TaskbarCreated"), taskbar);
    EXPECT_EQ(platform::TaskbarCreatedMessage(), taskbar);
    EXPECT_NE(platform::RegisterWindowMessageW(u"OutraMensagem"), taskbar);
}

TEST(IconRegistryTest, HandlesNamePicturesUntilReleased) {
    const std::size_t before = platform::RegisteredIconCount();
    EXPECT_EQ(platform::RegisterIcon(QIcon()), 0u);
    QPixmap red(8, 8);
    red.fill(Qt::red);
    const uint32_t a = platform::RegisterIcon(QIcon(red));
    const uint32_t b = platform::RegisterIcon(QIcon(red));
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_FALSE(platform::LookupIcon(a).isNull());
    platform::ReleaseIcon(a);
    EXPECT_TRUE(platform::LookupIcon(a).isNull());
    EXPECT_FALSE(platform::LookupIcon(b).isNull());
    platform::ReleaseIcon(b);
    EXPECT_EQ(platform::RegisteredIconCount(), before);
}

TEST(TrayPictureTest, TheTerminalPictureIs32By32WithoutAlpha) {
    const QIcon picture = TerminalTrayPicture();
    ASSERT_FALSE(picture.isNull());
    const QImage image(QStringLiteral(":/tray/terminal-32.png"));
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_FALSE(image.hasAlphaChannel());
    EXPECT_EQ(image.depth() >= 24, true);
}

} // namespace
