// The tray icon on a real XEmbed notification area: a private Xvfb display with trayer, the
// component in a separate program (tray-probe) through the QSystemTrayIcon backend, and real
// pointer clicks from xdotool. Skipped where Xvfb, trayer or xdotool is missing.
#include "PrivateDisplay.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TrayDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "trayer", "xdotool"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        }
        ASSERT_FALSE(display.name().isEmpty());
    }

    void TearDown() override {
        if (probe && probe->state() != QProcess::NotRunning) {
            probe->terminate();
            if (!probe->waitForFinished(3000)) {
                probe->kill();
                probe->waitForFinished(3000);
            }
        }
    }

    QProcessEnvironment Environment() const { return display.environment(); }
    void StartTrayer() { ASSERT_TRUE(display.startTray()); }
    void StopTrayer() { display.stopTray(); }

    void StartProbe() {
        probe = std::make_unique<QProcess>();
        probe->setProcessEnvironment(Environment());
        probe->setProcessChannelMode(QProcess::SeparateChannels);
        probe->setStandardErrorFile(QProcess::nullDevice());
        probe->start(QStringLiteral(VESKA_TRAY_PROBE), {});
        ASSERT_TRUE(probe->waitForStarted(5000));
    }

    // Reads the probe's lines until one satisfies the predicate; false after the timeout.
    bool WaitForLine(const std::function<bool(const QString&)>& wanted, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            while (probe->canReadLine()) {
                const QString line = QString::fromUtf8(probe->readLine()).trimmed();
                lines.push_back(line);
                if (wanted(line))
                    return true;
            }
            probe->waitForReadyRead(50);
        }
        return false;
    }

    bool WaitForLine(const QString& text, int timeoutMs) {
        return WaitForLine([&](const QString& line) { return line == text; }, timeoutMs);
    }

    // The icon's centre once the probe reports it docked in trayer's panel. Before the tray
    // places it, the icon's window may be reported where it was made (at 0,0).
    bool WaitForIcon(QPoint& centre, int timeoutMs) {
        QRect where;
        if (!WaitForLine(
                [&](const QString& line) {
                    const QStringList parts = line.split(QLatin1Char(' '));
                    if (parts.size() != 5 || parts[0] != QStringLiteral("icon"))
                        return false;
                    where = QRect(parts[1].toInt(), parts[2].toInt(), parts[3].toInt(),
                                  parts[4].toInt());
                    return e2e::PrivateDisplay::trayArea().contains(where);
                },
                timeoutMs))
            return false;
        centre = where.center();
        return true;
    }

    void Xdotool(const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(Environment());
        tool.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(tool.waitForFinished(5000));
    }

    // The probe's event lines read so far, without the icon reports.
    std::vector<std::string> Events() const {
        std::vector<std::string> events;
        for (const QString& line : lines) {
            if (!line.startsWith(QStringLiteral("icon")) &&
                !line.startsWith(QStringLiteral("area")) && line != QStringLiteral("gone"))
                events.push_back(line.toStdString());
        }
        return events;
    }

    e2e::PrivateDisplay display;
    std::unique_ptr<QProcess> probe;
    QStringList lines;
};

TEST_F(TrayDesktopTest, RealClicksReachTheComponentAsOnEveryTray) {
    StartTrayer();
    StartProbe();
    QPoint centre;
    ASSERT_TRUE(WaitForIcon(centre, 30000)) << lines.join(QLatin1Char('|')).toStdString();
    Xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
             QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    ASSERT_TRUE(WaitForLine(QStringLiteral("Abrir"), 30000)) << lines.join(u'|').toStdString();

    // Past the double-click interval (400 ms), a click is one of its own.
    QThread::msleep(1000);
    Xdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(WaitForLine(QStringLiteral("Click"), 30000)) << lines.join(u'|').toStdString();
    Xdotool({QStringLiteral("click"), QStringLiteral("3")});
    ASSERT_TRUE(WaitForLine(QStringLiteral("UpR"), 30000)) << lines.join(u'|').toStdString();
    // No single click is reported after the double click: the next click's events follow it.
    EXPECT_EQ(Events(),
              (std::vector<std::string>{"DownL", "UpL", "DblClick", "Abrir", "UpL", "DownL", "UpL",
                                        "Click", "DownR", "Menu", "UpR"}));
}

TEST_F(TrayDesktopTest, ARestartedTrayGetsTheIconBack) {
    StartTrayer();
    StartProbe();
    QPoint centre;
    ASSERT_TRUE(WaitForIcon(centre, 30000));
    StopTrayer();
    ASSERT_TRUE(WaitForLine(QStringLiteral("gone"), 5000));
    ASSERT_TRUE(WaitForLine(QStringLiteral("area 0"), 5000));
    StartTrayer();
    ASSERT_TRUE(WaitForIcon(centre, 30000)) << lines.join(QLatin1Char('|')).toStdString();
}

TEST_F(TrayDesktopTest, ATrayThatAppearsLaterShowsTheIcon) {
    StartProbe();
    QPoint centre;
    ASSERT_TRUE(WaitForLine(QStringLiteral("area 0"), 10000));
    StartTrayer();
    ASSERT_TRUE(WaitForIcon(centre, 30000)) << lines.join(QLatin1Char('|')).toStdString();
}

} // namespace
