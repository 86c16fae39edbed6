#include "DesktopSession.h"

#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QThread>

namespace e2e {

namespace {
QProcessEnvironment displayEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), DesktopSession::display());
    return env;
}
} // namespace

QString DesktopSession::display() { return qEnvironmentVariable("VESKA_TEST_DISPLAY"); }

QString DesktopSession::xdotool(const QStringList& arguments, std::chrono::milliseconds timeout) {
    const ToolResult r = runTool(QStringLiteral("xdotool"), arguments, QStringLiteral("/"),
                                 timeout, displayEnvironment());
    return r.out.trimmed();
}

QString DesktopSession::waitForWindow(const QString& title, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!deadline.hasExpired()) {
        const QString ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), title});
        if (!ids.isEmpty())
            return ids.split(QLatin1Char('\n')).first();
        QThread::msleep(100);
    }
    return {};
}

bool DesktopSession::screenshot(const QString& window, const QString& file) {
    const ToolResult r = runTool(QStringLiteral("import"),
                                 {QStringLiteral("-window"), window, file}, QStringLiteral("/"),
                                 std::chrono::seconds(20), displayEnvironment());
    return r.exitCode == 0;
}

} // namespace e2e
