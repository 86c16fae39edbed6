#include "DesktopSession.h"

#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>
#include <X11/Xlib.h>

namespace e2e {

namespace {

// A window that is gone is an answer ("not viewable"), not a reason to end the test.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

struct XDisplay {
    explicit XDisplay(const QString& name) : display(XOpenDisplay(name.toLocal8Bit().constData())) {
        XSetErrorHandler(ignoreXErrors);
    }
    ~XDisplay() {
        if (display)
            XCloseDisplay(display);
    }
    Display* display;
};

} // namespace

QString DesktopSession::sharedDisplay() {
    return qEnvironmentVariable("VESKA_TEST_DISPLAY");
}

QString DesktopSession::xdotool(const QStringList& arguments,
                                std::chrono::milliseconds timeout) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    return runTool(QStringLiteral("xdotool"), arguments, QStringLiteral("/"), timeout, env)
        .out.trimmed();
}

QString DesktopSession::waitForWindow(const QString& title,
                                      std::chrono::milliseconds timeout) const {
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

QStringList DesktopSession::visibleWindowsOf(const QString& className, qint64 pid) const {
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--onlyvisible")};
    if (pid > 0)
        arguments << QStringLiteral("--pid") << QString::number(pid);
    return xdotool(arguments << QStringLiteral("--classname") << className)
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList DesktopSession::visibleWindows() const {
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), QStringLiteral("")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

WindowGeometry DesktopSession::geometry(const QString& window) const {
    const QString text = xdotool({QStringLiteral("getwindowgeometry"), window});
    WindowGeometry g;
    const auto position =
        QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(text);
    const auto size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(text);
    if (position.hasMatch() && size.hasMatch())
        g = {position.captured(1).toInt(), position.captured(2).toInt(), size.captured(1).toInt(),
             size.captured(2).toInt()};
    return g;
}

bool DesktopSession::screenshot(const QString& window, const QString& file) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    return runTool(QStringLiteral("import"), {QStringLiteral("-window"), window, file},
                   QStringLiteral("/"), std::chrono::seconds(20), env)
               .exitCode == 0;
}

bool DesktopSession::requestClose(const QString& window) const {
    XDisplay x(display_);
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

bool DesktopSession::isViewable(const QString& window) const {
    XDisplay x(display_);
    XWindowAttributes attributes{};
    return x.display && XGetWindowAttributes(x.display, window.toULong(), &attributes) &&
           attributes.map_state == IsViewable;
}

} // namespace e2e
