// The window's part in what the program keeps for the shop's manager (gerencia.conf): the
// scan journal, and the notices of terminals that have gone away.

#include "app/TFConsulta.h"
#include "core/CodePage.h"
#include "journal/ShopRecord.h"
#include "terminal/PriceQueryService.h"
#include "terminal/ScanJournal.h"
#include "terminal/TerminalTable.h"
#include "tray/TNotifyTrayIcon.h"

#include <QPointer>

namespace veska::app {

void TFConsulta::createShopRecord() {
    // The journal's lines come from its own thread: they reach the log through the event loop.
    QPointer<TFConsulta> window(this);
    shopRecord_ =
        std::make_unique<journal::ShopRecord>(QStringLiteral("."), [window](const QString& line) {
            QMetaObject::invokeMethod(
                window.data(),
                [window, line] {
                    if (window)
                        window->appendLine(line);
                },
                Qt::QueuedConnection);
        });
    priceQuery_->setJournal(shopRecord_.get());
}

void TFConsulta::recordTerminalTable() {
    const auto notices =
        shopRecord_->tableRead(terminalTable_->tabTerms(), terminal::utcMillisecondsNow());
    for (const journal::AbsenceNotice& notice : notices) {
        appendLine(notice.text);
        if (notice.gone) {
            TrayIcon1->ShowBalloonHint(codepage::fromUnicode(QStringLiteral("Consulta Veska")),
                                       codepage::fromUnicode(notice.text),
                                       TBalloonHintIcon::bitWarning, 30);
        }
    }
}

} // namespace veska::app
