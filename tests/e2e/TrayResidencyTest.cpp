// The real program on the notification areas that shops run, each on a private Xvfb display
// with a session bus of its own, driven with the pointer as an operator does:
//   trayer       an XEmbed tray;
//   xfce4-panel  a StatusNotifierItem host (its status tray draws the icon and the menu that
//                the program exports over the bus);
//   none         no notification area at all.
// On each: the icon with its hint, the automatic hide after the start, answers while hidden,
// the right button's menu, "Abrir" picked from it, a double click, the close button, and
// "Sair", which saves the price mode and ends the program with exit code 0. Without a
// notification area the close button asks instead, and "Sair" in that question ends it.
// Also: a hung bus watcher while terminals scan, a tray host that restarts or goes under
// the hidden window, xfce's panel replaced by trayer under it, a double click on xfce's default
// panel (the workspace switcher beside the status tray, under openbox), and a second start in the
// same shop folder.

#include "DesktopSession.h"
#include "PrivateDisplay.h"
#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using e2e::DesktopSession;
using e2e::WindowGeometry;

namespace {

enum class Host { Trayer, StatusNotifierPanel, XfceDefaultPanel, None };

std::string hostName(const ::testing::TestParamInfo<Host>& info) {
    switch (info.param) {
    case Host::Trayer:
        return "Trayer";
    case Host::StatusNotifierPanel:
        return "XfcePanel";
    case Host::XfceDefaultPanel:
        return "XfceDefaultPanelOnOpenbox";
    default:
        return "NoNotificationArea";
    }
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(25);
    }
    return true;
}

const QString kHint = QStringLiteral("Lumivex - Servidor de Terminais Marvok");

class TrayResidency : public ::testing::TestWithParam<Host> {
protected:
    void SetUp() override {
        if (display.name().isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        host = GetParam();
        const char* tool = host == Host::Trayer                ? "trayer"
                           : host == Host::StatusNotifierPanel ? "xfce4-panel"
                           : host == Host::XfceDefaultPanel    ? "openbox"
                                                               : "xdotool";
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
        if (host == Host::Trayer) {
            ASSERT_TRUE(display.startTray());
        }
        if (host == Host::StatusNotifierPanel) {
            ASSERT_TRUE(display.startStatusNotifierPanel()) << "no status notifier host";
        }
        if (host == Host::XfceDefaultPanel) {
            ASSERT_TRUE(display.startWindowManager()) << "openbox did not start";
            ASSERT_TRUE(
                display.startStatusNotifierPanel(e2e::PrivateDisplay::PanelLayout::XfceDefault))
                << "no status notifier host";
        }
        const auto made = e2e::makeDemoShop(shop.path());
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        const QProcessEnvironment env = display.environment();
        for (const QString& name : env.keys())
            run.setEnvironment(name, env.value(name));
    }

    // The icon's rectangle on the screen, once it is there; empty after the timeout.
    WindowGeometry icon(std::chrono::milliseconds timeout = 10s) const {
        WindowGeometry found;
        waitFor(
            [&] {
                found = iconNow();
                return found.width > 0;
            },
            timeout);
        return found;
    }

    WindowGeometry iconNow() const {
        if (host == Host::Trayer) {
            // Our small window inside trayer's panel, at the top right, at an icon's size.
            for (const QString& id : desktop.visibleWindowsOf(QStringLiteral("consulta_veska"))) {
                const auto g = desktop.geometry(id);
                if (e2e::PrivateDisplay::trayArea().contains(QPoint(g.x, g.y)) && g.width >= 16 &&
                    g.width <= 32)
                    return g;
            }
            return {};
        }
        if (host != Host::None && !display.registeredItems().isEmpty()) {
            // xfce's status tray draws the item in its own window (a plugin process of the
            // panel, the one that answers as the watcher).
            for (const QString& id :
                 desktop.visibleWindowsOf(QStringLiteral("wrapper-2.0"), display.watcherPid())) {
                const auto g = desktop.geometry(id);
                if (g.y < 32 && g.width >= 16 && g.width < 200)
                    return g;
            }
        }
        return {};
    }

    void clickAt(int x, int y, const QStringList& button) const {
        desktop.xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
        desktop.xdotool(QStringList{QStringLiteral("click")} + button);
    }
    void clickIcon(const QStringList& button) const {
        const WindowGeometry g = icon();
        ASSERT_GT(g.width, 0) << "no icon";
        clickAt(g.x + g.width / 2, g.y + g.height / 2, button);
    }

    // Opens the icon's menu with the right button; the menu's rectangle.
    WindowGeometry openMenu() const {
        const QStringList before = desktop.visibleWindows();
        clickIcon({QStringLiteral("3")});
        WindowGeometry menu;
        waitFor(
            [&] {
                for (const QString& id : desktop.visibleWindows()) {
                    const auto g = desktop.geometry(id);
                    if (!before.contains(id) && g.height > 30 && g.width > 30)
                        menu = g;
                }
                return menu.width > 0;
            },
            5s);
        return menu;
    }

    // The hint: the item's tool tip on the bus, or the tip window that the pointer resting
    // on an XEmbed icon brings up.
    bool showsHint() const {
        if (host != Host::Trayer) {
            for (const QString& item : display.registeredItems()) {
                const QString service = item.section(QLatin1Char('/'), 0, 0);
                const QString reply = display.dbusSend(
                    {QStringLiteral("--dest=") + service, QStringLiteral("/StatusNotifierItem"),
                     QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                     QStringLiteral("string:org.kde.StatusNotifierItem"),
                     QStringLiteral("string:ToolTip")});
                if (reply.contains(kHint))
                    return true;
            }
            return false;
        }
        const QStringList before = desktop.visibleWindowsOf(QStringLiteral("consulta_veska"));
        const WindowGeometry g = icon();
        const auto tipShown = [&] {
            for (const QString& id : desktop.visibleWindowsOf(QStringLiteral("consulta_veska")))
                if (!before.contains(id))
                    return true;
            return false;
        };
        // The pointer comes in from outside and rests on the icon (again, should the first
        // entry have been missed).
        for (int attempt = 0; attempt < 3; ++attempt) {
            desktop.xdotool({QStringLiteral("mousemove"), QString::number(g.x - 100),
                             QString::number(g.y + 200)});
            desktop.xdotool({QStringLiteral("mousemove"), QString::number(g.x + g.width / 2),
                             QString::number(g.y + g.height / 2 + attempt)});
            if (waitFor(tipShown, 4s))
                return true;
        }
        return false;
    }

    QString scan(const QString& code) const {
        return e2e::scanAt(run, {code}, shop.path(), 20s).out.trimmed();
    }

    QString configFile() const {
        return QDir(shop.path()).filePath(QStringLiteral("consulta_veska.cfg"));
    }

    // Starts the program with the automatic server start; its window.
    QString startProgram() {
        run.start({QStringLiteral("0")});
        const QString window = desktop.waitForWindow(QStringLiteral("VESKA -Sistema"), 20s);
        EXPECT_TRUE(run.waitForOutput(QStringLiteral("Servidor inicializado com sucesso."), 15s));
        return window;
    }

    void pickRetailPrice(const QString& window) const {
        // The option sits at (8, 160) of the side panel.
        const auto g = desktop.geometry(window);
        clickAt(g.x + 14, g.y + 168, {QStringLiteral("1")});
    }

    e2e::PrivateDisplay display;
    DesktopSession desktop{display.name()};
    QTemporaryDir shop;
    e2e::ProgramRun run{shop.path()};
    Host host = Host::None;
};

// The steps that every notification area shares; those of a bus host; none at all.
class TrayHostResidency : public TrayResidency {};
class BusHostResidency : public TrayResidency {};
class NoTrayResidency : public TrayResidency {};
class XEmbedResidency : public TrayResidency {};
class DefaultPanelResidency : public TrayResidency {};

const QString kAnswer = QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 18.88");
const QString kRetailAnswer = QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 22.28");

} // namespace

TEST_P(TrayHostResidency, TheOperatorsStepsFromTheStartToSair) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty()) << run.standardError().toStdString();
    ASSERT_GT(icon().width, 0) << "the icon is there from the start, with the window";

    // The automatic hide after the start; hidden, the program still answers the terminals.
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 10s));
    EXPECT_EQ(scan(QStringLiteral("000003")), kAnswer);
    EXPECT_TRUE(showsHint());

    // "Abrir" picked with the pointer from the icon's real menu opens the window; the icon
    // leaves the notification area and the program lives on.
    WindowGeometry menu = openMenu();
    ASSERT_GT(menu.width, 0) << "the right button shows the menu";
    desktop.screenshot(QStringLiteral("root"),
                       QStringLiteral(VESKA_SCREENSHOT_DIR "/tray-menu-%1.png")
                           .arg(QString::fromStdString(hostName({host, 0}))));
    clickAt(menu.x + menu.width / 2, menu.y + 12, {QStringLiteral("1")});
    ASSERT_TRUE(waitFor([&] { return desktop.isViewable(window); }, 5s));
    ASSERT_TRUE(waitFor([&] { return iconNow().width == 0; }, 5s));
    EXPECT_TRUE(run.isRunning()) << run.standardError().toStdString();
    EXPECT_EQ(scan(QStringLiteral("000003")), kAnswer) << "the server lives on";

    // The retail price, picked in the window, is what the terminals get from now on.
    pickRetailPrice(window);
    EXPECT_TRUE(waitFor([&] { return scan(QStringLiteral("000003")) == kRetailAnswer; }, 10s));

    // The close button hides the window; the icon comes back.
    ASSERT_TRUE(desktop.requestClose(window));
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 5s));
    ASSERT_GT(icon().width, 0);
    EXPECT_FALSE(QFile::exists(configFile()));

    // A double click on the icon opens the window.
    clickIcon({QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
               QStringLiteral("80"), QStringLiteral("1")});
    ASSERT_TRUE(waitFor([&] { return desktop.isViewable(window); }, 5s));
    ASSERT_TRUE(waitFor([&] { return iconNow().width == 0; }, 5s));
    EXPECT_TRUE(run.isRunning());
    ASSERT_TRUE(desktop.requestClose(window));
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 5s));

    // "Sair", the last item, saves the mode and ends the program with exit code 0.
    menu = openMenu();
    ASSERT_GT(menu.width, 0);
    clickAt(menu.x + menu.width / 2, menu.y + menu.height - 12, {QStringLiteral("1")});
    ASSERT_TRUE(run.waitForFinished(10s));
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0);
    QFile cfg(configFile());
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    EXPECT_EQ(cfg.readAll(), QByteArray("2\r\n"));
}

TEST_P(NoTrayResidency, TheCloseButtonAsksAndSairEnds) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty()) << run.standardError().toStdString();
    // The automatic hide minimises the window instead of hiding it (a bare X server without
    // a window manager leaves it on the screen): it stays reachable, and it answers.
    EXPECT_EQ(scan(QStringLiteral("000003")), kAnswer);
    EXPECT_TRUE(desktop.isViewable(window));
    pickRetailPrice(window);
    EXPECT_TRUE(waitFor([&] { return scan(QStringLiteral("000003")) == kRetailAnswer; }, 10s));

    // The close button asks: "Minimizar" keeps the program, "Sair" ends it.
    const auto answer = [&](const QString& button) {
        EXPECT_TRUE(desktop.requestClose(window));
        const QString box = desktop.waitForWindow(QStringLiteral("Veska - Programa"), 5s);
        EXPECT_FALSE(box.isEmpty());
        if (box.isEmpty())
            return;
        desktop.screenshot(box, QStringLiteral(VESKA_SCREENSHOT_DIR "/no-tray-question.png"));
        const WindowGeometry g = desktop.geometry(box);
        // The buttons sit side by side at the bottom right: "Sair", then "Minimizar".
        const int x = button == QStringLiteral("Sair") ? g.x + g.width - 150 : g.x + g.width - 50;
        clickAt(x, g.y + g.height - 22, {QStringLiteral("1")});
        EXPECT_TRUE(waitFor([&] { return !desktop.isViewable(box); }, 5s));
    };
    answer(QStringLiteral("Minimizar"));
    EXPECT_TRUE(run.isRunning());
    EXPECT_FALSE(QFile::exists(configFile()));
    EXPECT_EQ(scan(QStringLiteral("000003")), kRetailAnswer);
    answer(QStringLiteral("Sair"));
    ASSERT_TRUE(run.waitForFinished(10s));
    EXPECT_EQ(run.exitCode(), 0);
    QFile cfg(configFile());
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    EXPECT_EQ(cfg.readAll(), QByteArray("2\r\n"));
}

TEST_P(TrayHostResidency, AHostThatRestartsGetsTheIconBackOnce) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_GT(icon().width, 0);
    if (host == Host::Trayer) {
        display.stopTray();
        ASSERT_TRUE(waitFor([&] { return iconNow().width == 0; }, 5s));
        ASSERT_TRUE(display.startTray());
    } else {
        display.stopStatusNotifierPanel();
        ASSERT_TRUE(display.startStatusNotifierPanel());
    }
    ASSERT_GT(icon(15s).width, 0) << run.standardError().toStdString();
    if (host == Host::StatusNotifierPanel) {
        EXPECT_EQ(display.registeredItems().size(), 1);
    } else {
        int ours = 0;
        for (const QString& id : desktop.visibleWindowsOf(QStringLiteral("consulta_veska"))) {
            const auto g = desktop.geometry(id);
            ours += g.y < 32 && g.x >= 1024 - 200 && g.width <= 32 ? 1 : 0;
        }
        EXPECT_EQ(ours, 1);
    }
    EXPECT_TRUE(run.isRunning());
}

TEST_P(TrayHostResidency, ATrayThatGoesUnderTheHiddenWindowLeavesItReachable) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_GT(icon().width, 0);
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 10s));
    if (host == Host::Trayer)
        display.stopTray();
    else
        display.stopStatusNotifierPanel();
    // Minimised to the taskbar: without a window manager the server maps it.
    EXPECT_TRUE(waitFor([&] { return desktop.isViewable(window); }, 10s))
        << "the window stays withdrawn";
    if (host == Host::Trayer) {
        ASSERT_TRUE(display.startTray());
    } else {
        ASSERT_TRUE(display.startStatusNotifierPanel());
    }
    EXPECT_GT(icon(15s).width, 0) << "the icon does not come back";
    EXPECT_EQ(scan(QStringLiteral("000003")), kAnswer);
}

TEST_P(BusHostResidency, AHungWatcherDelaysNoAnswer) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_GT(icon().width, 0);
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 10s));
    const qint64 watcher = display.watcherPid();
    ASSERT_GT(watcher, 0);
    ASSERT_EQ(::kill(static_cast<pid_t>(watcher), SIGSTOP), 0);
    // Every scan is answered within the terminal's own time-out (5 s); a GUI thread that
    // waited on the hung watcher (25 s per call) would leave them unanswered.
    QStringList answers;
    for (int i = 0; i < 8; ++i)
        answers << scan(QStringLiteral("000003"));
    ::kill(static_cast<pid_t>(watcher), SIGCONT);
    EXPECT_EQ(answers, QStringList(8, kAnswer));
    EXPECT_TRUE(run.isRunning());
}

TEST_P(BusHostResidency, AWatcherHungAtStartUpHoldsBackOnlyTheIcon) {
    const qint64 watcher = display.watcherPid();
    ASSERT_GT(watcher, 0);
    ASSERT_EQ(::kill(static_cast<pid_t>(watcher), SIGSTOP), 0);
    // Qt asks the watcher with a blocking call when it makes its first icon: the program
    // starts and serves without waiting for it, and shows its icon once it answers.
    run.start({QStringLiteral("0")});
    const bool started =
        run.waitForOutput(QStringLiteral("Servidor inicializado com sucesso."), 15s);
    QStringList answers;
    for (int i = 0; started && i < 4; ++i)
        answers << scan(QStringLiteral("000003"));
    ::kill(static_cast<pid_t>(watcher), SIGCONT);
    ASSERT_TRUE(started) << run.standardError().toStdString();
    EXPECT_EQ(answers, QStringList(4, kAnswer));
    EXPECT_TRUE(waitFor([&] { return display.registeredItems().size() == 1; }, 30s));
    EXPECT_TRUE(run.isRunning());
}

// Qt keeps a bus item for the whole run: in trayer, an XEmbed-only tray that replaces xfce's
// panel, the program docks the icon itself.
TEST_P(BusHostResidency, AnXEmbedTrayThatReplacesTheBusHostGetsTheIcon) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_GT(icon().width, 0);
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 10s));
    display.stopStatusNotifierPanel();
    ASSERT_TRUE(waitFor([&] { return desktop.isViewable(window); }, 10s)) << "not minimised";
    host = Host::Trayer; // the icon is looked for in trayer from now on
    ASSERT_TRUE(display.startTray());
    // A loaded machine: trayer, held once it owns the tray selection, sees the dock request
    // only after the program has made its stand-in (an icon-sized window of its own).
    ASSERT_TRUE(waitFor([&] { return display.trayOwnsSelection(); }, 10s));
    const auto tray = static_cast<pid_t>(display.trayPid());
    ASSERT_EQ(::kill(tray, SIGSTOP), 0);
    // When this test ran late, trayer has already embedded the icon: nothing is left to
    // catch in between.
    const bool embeddedAlready = iconNow().width > 0;
    QString standIn;
    const bool made =
        embeddedAlready ||
        waitFor(
            [&] {
                const QString all =
                    desktop.xdotool({QStringLiteral("search"), QStringLiteral("--classname"),
                                     QStringLiteral("consulta_veska")});
                for (const QString& id : all.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                    const auto g = desktop.geometry(id);
                    if (g.width == 22 && g.height == 22)
                        standIn = id;
                }
                return !standIn.isEmpty();
            },
            10s);
    // Mapped before the tray has embedded it, the tray would unmap it and take it for hidden.
    const bool mappedEarly = !embeddedAlready && made && desktop.isViewable(standIn);
    ::kill(tray, SIGCONT);
    ASSERT_TRUE(made) << "no stand-in";
    EXPECT_FALSE(mappedEarly) << "the stand-in is mapped before the tray embeds it";
    ASSERT_GT(icon(15s).width, 0) << "the icon does not come back";
    EXPECT_TRUE(showsHint());
    clickIcon({QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
               QStringLiteral("80"), QStringLiteral("1")});
    // The window opens as "Abrir" opens it: the icon leaves.
    ASSERT_TRUE(waitFor([&] { return iconNow().width == 0; }, 5s));
    EXPECT_TRUE(desktop.isViewable(window));
    EXPECT_TRUE(run.isRunning()) << run.standardError().toStdString();
}

TEST_P(XEmbedResidency, ASecondStartInTheShopFolderBringsTheWindowForward) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 10s));

    e2e::ProgramRun second{shop.path()};
    const QProcessEnvironment env = display.environment();
    for (const QString& name : env.keys())
        second.setEnvironment(name, env.value(name));
    second.start({QStringLiteral("0")}); // the same terminal endpoint as the first
    ASSERT_TRUE(second.waitForFinished(20s)) << "the second start stays";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ((second.standardOutput() + second.standardError()).toStdString(), "");
    EXPECT_TRUE(waitFor([&] { return desktop.isViewable(window); }, 10s)) << "not brought forward";
    // As "Abrir": the icon leaves, one window of the program is left.
    EXPECT_TRUE(waitFor([&] { return iconNow().width == 0; }, 5s));
    EXPECT_EQ(desktop.visibleWindowsOf(QStringLiteral("consulta_veska")).size(), 1);
    EXPECT_EQ(scan(QStringLiteral("000003")), kAnswer);

    // Another shop folder runs a program of its own.
    QTemporaryDir otherShop;
    const auto made = e2e::makeDemoShop(otherShop.path());
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    e2e::ProgramRun other{otherShop.path()};
    for (const QString& name : env.keys())
        other.setEnvironment(name, env.value(name));
    other.start({});
    EXPECT_TRUE(waitFor(
        [&] { return desktop.visibleWindowsOf(QStringLiteral("consulta_veska")).size() >= 2; },
        20s));
    EXPECT_TRUE(other.isRunning()) << other.standardError().toStdString();
    EXPECT_TRUE(run.isRunning());
}

INSTANTIATE_TEST_SUITE_P(Hosts, TrayHostResidency,
                         ::testing::Values(Host::Trayer, Host::StatusNotifierPanel), hostName);
INSTANTIATE_TEST_SUITE_P(Hosts, BusHostResidency, ::testing::Values(Host::StatusNotifierPanel),
                         hostName);
// xfce's default panel: the workspace switcher sits beside the status tray, and the panel
// closes the gap of an icon that leaves.
TEST_P(DefaultPanelResidency, ADoubleClickOpensTheWindowOnTheSameWorkspace) {
    const QString window = startProgram();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 10s));
    const QString workspace = desktop.xdotool({QStringLiteral("get_desktop")});
    ASSERT_FALSE(workspace.isEmpty());
    clickIcon({QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
               QStringLiteral("80"), QStringLiteral("1")});
    ASSERT_TRUE(waitFor([&] { return desktop.isViewable(window); }, 10s))
        << "no window on workspace "
        << desktop.xdotool({QStringLiteral("get_desktop")}).toStdString();
    ASSERT_TRUE(waitFor([&] { return iconNow().width == 0; }, 5s));
    EXPECT_EQ(desktop.xdotool({QStringLiteral("get_desktop")}), workspace);
    EXPECT_EQ(desktop.xdotool({QStringLiteral("get_desktop_for_window"), window}), workspace);
    EXPECT_TRUE(run.isRunning());
}

INSTANTIATE_TEST_SUITE_P(Hosts, DefaultPanelResidency, ::testing::Values(Host::XfceDefaultPanel),
                         hostName);
INSTANTIATE_TEST_SUITE_P(Hosts, XEmbedResidency, ::testing::Values(Host::Trayer), hostName);
INSTANTIATE_TEST_SUITE_P(Hosts, NoTrayResidency, ::testing::Values(Host::None), hostName);
