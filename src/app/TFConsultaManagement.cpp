// The window's part in what the program keeps for the shop's manager (gerencia.conf): the
// balloons of terminals that have gone away (the shop logs the notices themselves).

#include "app/TFConsulta.h"
#include "core/CodePage.h"
#include "shop/ShopServer.h"
#include "tray/TNotifyTrayIcon.h"

namespace veska::app {

void TFConsulta::recordTerminalTable() {
    for (const journal::AbsenceNotice& notice : shop_->recordTerminalTable()) {
        if (notice.gone) {
            TrayIcon1->ShowBalloonHint(codepage::fromUnicode(QStringLiteral("Consulta Veska")),
                                       codepage::fromUnicode(notice.text),
                                       TBalloonHintIcon::bitWarning, 30);
        }
    }
}

} // namespace veska::app
