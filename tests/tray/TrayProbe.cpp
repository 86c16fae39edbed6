// A small program that puts the tray icon component into a real desktop's notification area
// through the QSystemTrayIcon backend and prints what the component reports, one line per
// event, so a test can drive it with real pointer clicks and a restarting tray.
//   icon X Y W H   the icon is in the notification area at that screen rectangle
//   gone           the icon left the notification area
//   area 0|1       the program found the notification area gone or there
//   DownL UpL DblClick Click Abrir DownR UpR ...   the component's events
#include "tray/TNotifyTrayIcon.h"
#include "tray/TrayPicture.h"
#include "tray/platform/NotifyIcon.h"
#include "tray/platform/QtNotifyIconBackend.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <cstdio>

using namespace veska;

namespace {

void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::QtNotifyIconBackend backend;
    platform::SetNotifyIconBackend(&backend);

    QWidget window;
    QMenu menu(&window);
    QAction* open = menu.addAction(QStringLiteral("Abrir"));
    menu.setDefaultAction(open);
    QObject::connect(open, &QAction::triggered, &window, [] { say("Abrir"); });

    auto* icon = new TNotifyTrayIcon(&window);
    icon->SetHint(QStringLiteral("Lumivex - Servidor de Terminais Marvok"));
    icon->SetIcon(TerminalTrayPicture());
    icon->SetPopupMenu(&menu);
    icon->OnClick = [](QObject*) { say("Click"); };
    icon->OnDblClick = [](QObject*) { say("DblClick"); };
    icon->OnMouseDown = [](QObject*, TMouseButton b, TShiftState, int, int) {
        say(b == TMouseButton::mbLeft ? "DownL" : b == TMouseButton::mbRight ? "DownR" : "DownM");
    };
    icon->OnMouseUp = [](QObject*, TMouseButton b, TShiftState, int, int) {
        say(b == TMouseButton::mbLeft ? "UpL" : b == TMouseButton::mbRight ? "UpR" : "UpM");
    };
    icon->SetIconVisible(true);
    icon->AfterLoad();

    // The menu is not left open: the probe closes it as soon as it shows.
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu] {
        say("Menu");
        QTimer::singleShot(50, &menu, [&menu] { menu.close(); });
    });

    // Report where the icon is, and whether there is a notification area, when that changes.
    QRect last;
    int area = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        const int now = backend.NotificationAreaAvailable() ? 1 : 0;
        if (now != area) {
            area = now;
            std::printf("area %d\n", now);
            std::fflush(stdout);
        }
        QRect where;
        for (QSystemTrayIcon* tray : backend.findChildren<QSystemTrayIcon*>()) {
            if (tray->isVisible() && tray->geometry().isValid())
                where = tray->geometry();
        }
        if (where == last)
            return;
        last = where;
        if (where.isValid())
            std::printf("icon %d %d %d %d\n", where.x(), where.y(), where.width(), where.height());
        else
            std::printf("gone\n");
        std::fflush(stdout);
    });
    watch.start(50);
    return app.exec();
}
