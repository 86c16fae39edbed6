#include "DesktopSession.h"

#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QThread>
#include <X11/Xlib.h>

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

namespace {
struct XDisplay {
    Display* display = XOpenDisplay(DesktopSession::display().toLocal8Bit().constData());
    ~XDisplay() {
        if (display)
            XCloseDisplay(display);
    }
};
} // namespace

bool DesktopSession::requestClose(const QString& window) {
    XDisplay x;
    if (!x.display)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.toULong();
    event.xclient.message_type = XInternAtom(x.display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x.display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(x.display, window.toULong(), False, NoEventMask, &event);
    XFlush(x.display);
    return sent != 0;
}

bool DesktopSession::isViewable(const QString& window) {
    XDisplay x;
    XWindowAttributes attributes{};
    return x.display && XGetWindowAttributes(x.display, window.toULong(), &attributes) &&
           attributes.map_state == IsViewable;
}

} // namespace e2e
