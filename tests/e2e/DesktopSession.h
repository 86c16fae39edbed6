#pragma once
// A real X display for end-to-end tests (Xvfb, started by scripts/test and named by
// VESKA_TEST_DISPLAY), with xdotool to find and drive windows and ImageMagick to take
// screenshots.

#include <QString>
#include <QStringList>
#include <chrono>

namespace e2e {

class DesktopSession {
public:
    // The display, or empty when none was given (the test then skips).
    static QString display();

    // Runs xdotool with the arguments on the display; its standard output, trimmed.
    static QString xdotool(const QStringList& arguments,
                           std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The id of the first visible window whose title contains the text, or empty.
    static QString waitForWindow(const QString& title, std::chrono::milliseconds timeout);
    // Saves a picture of the window (or of the whole screen for "root") as PNG.
    static bool screenshot(const QString& window, const QString& file);
    // Asks the window to close as its frame's close button does (WM_DELETE_WINDOW).
    static bool requestClose(const QString& window);
    // Whether the window is mapped (shown) now.
    static bool isViewable(const QString& window);
};

} // namespace e2e
