// The real program in a real notification area (trayer on a private Xvfb display), driven
// with the pointer as an operator does: it hides itself after the automatic start, keeps
// answering terminals while hidden, opens on a double click, hides on the close button,
// and "Sair" in the icon's menu saves the price mode and ends it.

#include "DesktopSession.h"
#include "PrivateDisplay.h"
#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using e2e::DesktopSession;

namespace {

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(25);
    }
    return true;
}

class TrayResidency : public ::testing::Test {
protected:
    void SetUp() override {
        if (display.name().isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(display.startTray());
        const auto made = e2e::runTool(e2e::demoCataloguePath(),
                                       {QStringLiteral("--dir"), shop.path()}, shop.path(), 60s);
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        run.setEnvironment(QStringLiteral("DISPLAY"), display.name());
        run.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }

    // The program's icon in the tray: its small window inside trayer's panel (top right).
    QString trayIcon() const {
        QString found;
        waitFor(
            [&] {
                for (const QString& id :
                     desktop.visibleWindowsOf(QStringLiteral("consulta_veska"))) {
                    const auto g = desktop.geometry(id);
                    if (g.y < 32 && g.x >= 1024 - 200 && g.width <= 32)
                        found = id;
                }
                return !found.isEmpty();
            },
            10s);
        return found;
    }

    void click(const QString& window, const QStringList& button) const {
        const auto g = desktop.geometry(window);
        desktop.xdotool({QStringLiteral("mousemove"), QString::number(g.x + g.width / 2),
                         QString::number(g.y + g.height / 2)});
        desktop.xdotool(QStringList{QStringLiteral("click")} + button);
    }

    QString scan(const QString& code) const {
        const auto r = e2e::runTool(e2e::terminalSimPath(),
                                    {QStringLiteral("--server"),
                                     run.environment(QStringLiteral("TERMSERVER_LISTEN")),
                                     QStringLiteral("scan"), code},
                                    shop.path(), 20s);
        return r.out.trimmed();
    }

    e2e::PrivateDisplay display;
    DesktopSession desktop{display.name()};
    QTemporaryDir shop;
    e2e::ProgramRun run{shop.path()};
};

} // namespace

TEST_F(TrayResidency, TheWindowLivesInTheNotificationAreaUntilSair) {
    run.start({QStringLiteral("0")});
    const QString window = desktop.waitForWindow(QStringLiteral("VESKA -Sistema"), 20s);
    ASSERT_FALSE(window.isEmpty()) << run.standardError().toStdString();
    const QString icon = trayIcon();
    ASSERT_FALSE(icon.isEmpty()) << "the icon is there from the start, with the window";

    // The automatic start, then the hide about one second later.
    ASSERT_TRUE(run.waitForOutput(QStringLiteral("Servidor inicializado com sucesso."), 15s));
    QElapsedTimer sinceStart;
    sinceStart.start();
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 5s));
    EXPECT_GE(sinceStart.elapsed(), 500);
    EXPECT_LE(sinceStart.elapsed(), 2500);
    EXPECT_TRUE(run.isRunning());

    // Hidden, it still answers the terminals.
    EXPECT_EQ(scan(QStringLiteral("000003")),
              QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 18.88"));

    // A double click on the icon opens the window (once), and the icon leaves the tray.
    click(trayIcon(), {QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
                       QStringLiteral("80"), QStringLiteral("1")});
    ASSERT_TRUE(waitFor([&] { return desktop.isViewable(window); }, 5s));
    EXPECT_TRUE(waitFor([&] { return !desktop.isViewable(icon); }, 5s));

    // Pick the retail price: the option sits at (8, 160) of the side panel.
    const auto g = desktop.geometry(window);
    desktop.xdotool({QStringLiteral("mousemove"), QString::number(g.x + 14),
                     QString::number(g.y + 168), QStringLiteral("click"), QStringLiteral("1")});
    QThread::msleep(300);
    EXPECT_EQ(scan(QStringLiteral("000003")),
              QStringLiteral("000003\tAÇÚCAR CRISTAL 5KG\tR$ 22.28"));

    // The close button hides the window into the tray; the program goes on.
    ASSERT_TRUE(desktop.requestClose(window));
    ASSERT_TRUE(waitFor([&] { return !desktop.isViewable(window); }, 5s));
    const QString iconAgain = trayIcon();
    ASSERT_FALSE(iconAgain.isEmpty());
    EXPECT_TRUE(run.isRunning());
    EXPECT_FALSE(QFile::exists(QDir(shop.path()).filePath(QStringLiteral("consulta_veska.cfg"))));
    desktop.screenshot(QStringLiteral("root"),
                       QStringLiteral(VESKA_SCREENSHOT_DIR "/tray-icon.png"));

    // The right button opens the menu: "Abrir", a separator, "Sair".
    const QStringList before = desktop.visibleWindowsOf(QStringLiteral("consulta_veska"));
    click(iconAgain, {QStringLiteral("3")});
    QString menu;
    ASSERT_TRUE(waitFor(
        [&] {
            for (const QString& id : desktop.visibleWindowsOf(QStringLiteral("consulta_veska")))
                if (!before.contains(id))
                    menu = id;
            return !menu.isEmpty();
        },
        5s));
    desktop.screenshot(QStringLiteral("root"),
                       QStringLiteral(VESKA_SCREENSHOT_DIR "/tray-menu.png"));
    const auto m = desktop.geometry(menu);
    EXPECT_GT(m.height, 30) << "two items and a separator";

    // "Sair" is the last item: the program saves the mode and ends with exit code 0.
    desktop.xdotool({QStringLiteral("mousemove"), QString::number(m.x + m.width / 2),
                     QString::number(m.y + m.height - 12), QStringLiteral("click"),
                     QStringLiteral("1")});
    ASSERT_TRUE(run.waitForFinished(10s));
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0);
    QFile cfg(QDir(shop.path()).filePath(QStringLiteral("consulta_veska.cfg")));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    EXPECT_EQ(cfg.readAll(), QByteArray("2\r\n"));
}
