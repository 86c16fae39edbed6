// The tray icon on a real XEmbed notification area: a private Xvfb display with trayer, the
// component in a separate program (tray-probe) through the QSystemTrayIcon backend, and real
// pointer clicks from xdotool. Skipped where Xvfb, trayer or xdotool is missing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPoint>
#include <QProcess>
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
        ASSERT_TRUE(StartDisplay());
    }

    void TearDown() override {
        // Politely first: Xvfb removes its socket and lock file only when terminated.
        for (QProcess* process : {probe.get(), trayer.get(), xvfb.get()}) {
            if (process == nullptr || process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }

    bool StartDisplay() {
        // A display number of our own, so nothing else on the machine sees our tray.
        for (int number = 180 + static_cast<int>(QCoreApplication::applicationPid() % 40);
             number < 260; ++number) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            display = QStringLiteral(":%1").arg(number);
            xvfb = std::make_unique<QProcess>();
            xvfb->start(QStringLiteral("Xvfb"),
                        {display, QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
            if (!xvfb->waitForStarted(5000))
                return false;
            const bool socket = WaitFor(
                [&] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)); },
                5000);
            // Another test may have taken the same number a moment earlier: then our server
            // gives up at once and the socket is not ours.
            if (socket && !xvfb->waitForFinished(200))
                return true;
            xvfb->terminate();
            xvfb->waitForFinished(3000);
        }
        return false;
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return environment;
    }

    void StartTrayer() {
        trayer = std::make_unique<QProcess>();
        trayer->setProcessEnvironment(Environment());
        trayer->start(QStringLiteral("trayer"),
                      {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                       QStringLiteral("right"), QStringLiteral("--widthtype"),
                       QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("200"),
                       QStringLiteral("--height"), QStringLiteral("32")});
        ASSERT_TRUE(trayer->waitForStarted(5000));
    }

    void StopTrayer() {
        trayer->terminate();
        ASSERT_TRUE(trayer->waitForFinished(5000));
    }

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

    // The icon's centre once the probe reports it in the notification area.
    bool WaitForIcon(QPoint& centre, int timeoutMs) {
        QString where;
        if (!WaitForLine(
                [&](const QString& line) {
                    where = line;
                    return line.startsWith(QStringLiteral("icon "));
                },
                timeoutMs))
            return false;
        const QStringList parts = where.split(QLatin1Char(' '));
        centre = QPoint(parts[1].toInt() + parts[3].toInt() / 2,
                        parts[2].toInt() + parts[4].toInt() / 2);
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
            if (!line.startsWith(QStringLiteral("icon")) && line != QStringLiteral("gone"))
                events.push_back(line.toStdString());
        }
        return events;
    }

    static bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    QString display;
    std::unique_ptr<QProcess> xvfb;
    std::unique_ptr<QProcess> trayer;
    std::unique_ptr<QProcess> probe;
    QStringList lines;
};

TEST_F(TrayDesktopTest, RealClicksReachTheComponentAsOnEveryTray) {
    StartTrayer();
    StartProbe();
    QPoint centre;
    ASSERT_TRUE(WaitForIcon(centre, 10000)) << lines.join(QLatin1Char('|')).toStdString();
    Xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
             QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    ASSERT_TRUE(WaitForLine(QStringLiteral("Abrir"), 5000));
    // No single click is reported after a double click.
    WaitForLine(QStringLiteral("Click"), 1000);
    EXPECT_EQ(Events(), (std::vector<std::string>{"DownL", "UpL", "DblClick", "Abrir", "UpL"}));
    lines.clear();

    Xdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(WaitForLine(QStringLiteral("Click"), 5000));
    Xdotool({QStringLiteral("click"), QStringLiteral("3")});
    ASSERT_TRUE(WaitForLine(QStringLiteral("UpR"), 5000));
    EXPECT_EQ(Events(),
              (std::vector<std::string>{"DownL", "UpL", "Click", "DownR", "Menu", "UpR"}));
}

TEST_F(TrayDesktopTest, ARestartedTrayGetsTheIconBack) {
    StartTrayer();
    StartProbe();
    QPoint centre;
    ASSERT_TRUE(WaitForIcon(centre, 10000));
    StopTrayer();
    ASSERT_TRUE(WaitForLine(QStringLiteral("gone"), 5000));
    // Long enough for the notification area's absence to be seen.
    QThread::msleep(600);
    StartTrayer();
    ASSERT_TRUE(WaitForIcon(centre, 10000)) << lines.join(QLatin1Char('|')).toStdString();
}

TEST_F(TrayDesktopTest, ATrayThatAppearsLaterShowsTheIcon) {
    StartProbe();
    QPoint centre;
    EXPECT_FALSE(WaitForIcon(centre, 800));
    StartTrayer();
    ASSERT_TRUE(WaitForIcon(centre, 10000)) << lines.join(QLatin1Char('|')).toStdString();
}

} // namespace
