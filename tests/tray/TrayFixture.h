#pragma once
// A tray icon on an owner window with the recording notification area and application
// window installed, timers on a clock the test moves (Advance), a short double-click time,
// and a log of the icon's events.

#include "TrayTestDoubles.h"
#include "tray/TNotifyTrayIcon.h"
#include "tray/TTrayIconHandler.h"
#include "tray/platform/MessageWindow.h"

#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace veska::test {

class TrayFixture : public ::testing::Test {
protected:
    static constexpr int kDoubleClickMs = 80;

    // A 16 × 16 picture of one colour, and the colour at the centre of an icon: enough to
    // tell which picture an icon shows.
    static QPixmap Filled(QColor color) {
        QPixmap picture(16, 16);
        picture.fill(color);
        return picture;
    }
    static QRgb CentreOf(const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixel(8, 8); }

    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<TNotifyTrayIcon> MakeIcon(bool designing = false);
    // Records every mouse and click event of the icon in events.
    void LogEvents(TNotifyTrayIcon& icon);
    // A menu "Abrir" (default item) / separator / "Sair"; running "Abrir" is logged.
    QMenu* MakeMenu();
    // The shell's callback message for the icon.
    void Notify(const TNotifyTrayIcon& icon, uint32_t event);
    void Notify(const TNotifyTrayIcon& icon, std::initializer_list<uint32_t> events);

    // Moves the light timers' clock on: every tick that falls due runs.
    void Advance(int64_t ms) { clock.timers.Advance(ms); }

    ManualTimersInstalled clock;
    RecordingNotifyArea area;
    RecordingApplicationWindow app;
    std::unique_ptr<QWidget> owner;
    std::vector<std::string> events;
    QMenu* menu = nullptr;
    int savedDoubleClickMs = 0;
};

} // namespace veska::test
