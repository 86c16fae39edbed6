// The real program on a real X server: its window appears, centred, with its caption, and
// a picture of it is kept for people to look at.

#include "DesktopSession.h"
#include "ProgramRun.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using e2e::DesktopSession;
using e2e::ProgramRun;

TEST(Screenshot, TheWindowAppearsOnTheDesktopAndIsPictured) {
    const DesktopSession desktop(DesktopSession::sharedDisplay());
    if (desktop.display().isEmpty())
        GTEST_SKIP() << "VESKA_TEST_DISPLAY names no X server";
    QTemporaryDir dir;
    // A shop to open: a failing creation step would put its error box before the window.
    const auto made = e2e::makeDemoShop(dir.path());
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    ProgramRun run(dir.path());
    run.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    run.setEnvironment(QStringLiteral("DISPLAY"), desktop.display());
    run.start({});
    const QString window = desktop.waitForWindow(QStringLiteral("VESKA -Sistema"), 20s);
    ASSERT_FALSE(window.isEmpty()) << run.standardError().toStdString();
    ASSERT_TRUE(run.waitForOutput(QStringLiteral("LOG\tVersão da DLL: "), 10s));

    const QString file = QStringLiteral(VESKA_SCREENSHOT_DIR "/main-window.png");
    ASSERT_TRUE(desktop.screenshot(window, file));
    const QImage picture(file);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(668, 404));
    // Not a blank picture: the side panel, the log and the buttons give many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 8);

    // Centred in the screen's work area on its first show.
    const QString geometry = desktop.xdotool({QStringLiteral("getwindowgeometry"), window});
    EXPECT_TRUE(geometry.contains(QStringLiteral("Geometry: 668x404"))) << geometry.toStdString();
}
