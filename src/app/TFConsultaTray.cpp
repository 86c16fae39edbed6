// The window's life in the notification area: the icon and its menu, closing into the
// tray, the automatic hide after a start, reopening, and the exit that saves the price mode.

#include "app/TFConsulta.h"
#include "catalogue/settings/PriceMode.h"
#include "tray/TNotifyTrayIcon.h"
#include "tray/TrayPicture.h"
#include "tray/platform/NotifyIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QRadioButton>

namespace veska::app {

void TFConsulta::createTrayIcon() {
    TrayIcon1 = new TNotifyTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->SetHint(QStringLiteral("Lumivex - Servidor de Terminais Marvok"));
    TrayIcon1->SetIcon(TerminalTrayPicture());
    TrayIcon1->SetCycleInterval(0);
    TrayIcon1->SetIconIndex(0);
    TrayIcon1->SetPopupMenu(PopupMenu1);
    TrayIcon1->OnDblClick = [this](QObject*) { guarded([this] { TrayIcon1DblClick(); }); };
    TrayIcon1->SetMinimizeToTray(false);
    TrayIcon1->SetIconVisible(true); // in the notification area from the start
    TrayIcon1->AfterLoad();
}

bool TFConsulta::FormClose() {
    // Without a notification area the icon's "Sair" is out of reach: the close asks.
    if (Tag == 0 && !veska::platform::NotificationAreaAvailable() && ExitWithoutNotificationArea &&
        ExitWithoutNotificationArea())
        Tag = 1;
    if (Tag == 0) {
        TrayIcon1->SetIconVisible(true);
        TrayIcon1->HideMainForm();
        return false;
    }
    catalogue::savePriceMode(priceModeToSave());
    return true;
}

void TFConsulta::closeEvent(QCloseEvent* event) {
    bool proceed = false;
    // A failed save is shown and abandons the close; the program goes on.
    guarded([this, &proceed] { proceed = FormClose(); });
    if (!proceed) {
        event->ignore();
        return;
    }
    event->accept();
    QApplication::quit();
}

void TFConsulta::Sair1Click() {
    Tag = 1;
    close();
}

void TFConsulta::Sobre1Click() {
    TrayIcon1->SetIconVisible(false);
    TrayIcon1->ShowMainForm();
}

void TFConsulta::TrayIcon1DblClick() {
    Sobre1Click();
}

void TFConsulta::Timer3Timer() {
    if (Timer3->Tag == 1)
        return;
    Timer3->setEnabled(false);
    TrayIcon1->SetIconVisible(true);
    TrayIcon1->HideMainForm();
    Timer3->Tag = 1;
}

} // namespace veska::app
