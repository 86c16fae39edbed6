#pragma once
// An X server of the test's own (Xvfb on a free display number), optionally with a real
// notification area (trayer, an XEmbed tray at the top right), so that what one test does
// to windows and the tray is seen by no other test.

#include <QProcess>
#include <QString>
#include <memory>

namespace e2e {

class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Empty when no server could be started (Xvfb missing).
    const QString& name() const { return name_; }
    bool startTray(); // trayer, 200 × 32 pixels at the top right of a 1024 × 768 screen
    void stopTray();
    QProcessEnvironment environment() const; // DISPLAY and QT_QPA_PLATFORM=xcb

private:
    QString name_;
    std::unique_ptr<QProcess> xvfb_, trayer_;
};

} // namespace e2e
