#pragma once
// Driving a real X display in end-to-end tests: xdotool to find, click and measure windows,
// Xlib for close requests, ImageMagick for screenshots.

#include <QString>
#include <QStringList>
#include <chrono>

namespace e2e {

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
};

class DesktopSession {
public:
    explicit DesktopSession(QString display) : display_(std::move(display)) {}

    // The shared display that scripts/test starts (VESKA_TEST_DISPLAY), or empty.
    static QString sharedDisplay();
    const QString& display() const { return display_; }

    // Runs xdotool with the arguments on the display; its standard output, trimmed.
    QString xdotool(const QStringList& arguments,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // The first visible window whose title contains the text, or empty after the timeout.
    QString waitForWindow(const QString& title, std::chrono::milliseconds timeout) const;
    // The visible windows of a program (by its class name), of one process when pid is set.
    QStringList visibleWindowsOf(const QString& className, qint64 pid = 0) const;
    // Every visible window on the display.
    QStringList visibleWindows() const;
    WindowGeometry geometry(const QString& window) const;
    // Saves a picture of the window (or "root" for the whole screen) as PNG.
    bool screenshot(const QString& window, const QString& file) const;
    // Asks the window to close as its frame's close button does (WM_DELETE_WINDOW).
    bool requestClose(const QString& window) const;
    // Whether the window is mapped (shown) now.
    bool isViewable(const QString& window) const;

private:
    QString display_;
};

} // namespace e2e
