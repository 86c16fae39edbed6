// consulta-veska-service: the shop's terminals served without a desktop, in the working
// folder that holds the shop's settings files. Qt Core only: no display, no session bus.

#include "core/Errors.h"
#include "service/HeadlessShop.h"
#include "service/ServiceLog.h"
#include "service/ServiceSignals.h"
#include "shop/platform/EndSignals.h"
#include "shop/platform/OpenFileLimit.h"
#include "terminal/TermServerLibrary.h"

#include <QCoreApplication>
#include <QTimer>
#include <optional>

int main(int argc, char** argv) {
    using namespace veska::service;
    veska::shop::platform::blockEndSignals();
    veska::shop::platform::raiseOpenFileLimit();
    ServiceLog log;

    // The service does not run without its terminal-server library.
    std::optional<veska::terminal::TermServerLibrary> library;
    try {
        library.emplace(veska::terminal::TermServerLibrary::loadDefault());
    } catch (const veska::Error& error) {
        log.report(error.text());
        return 2;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("consulta-veska-service"));
    HeadlessShop shop(library->api(), log);
    ServiceSignals signals([&shop] { shop.reloadManagementSettings(); });
    QTimer::singleShot(0, &shop, [&shop] { shop.start(); });
    return app.exec();
}
