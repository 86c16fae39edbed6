#include "service/HeadlessShop.h"

#include "catalogue/connection/Database.h"
#include "catalogue/lookup/ProductLookup.h"
#include "core/Errors.h"
#include "core/HandlerGuard.h"
#include "service/ServiceLog.h"
#include "shop/ServedPriceMode.h"
#include "terminal/PriceQueryService.h"
#include "terminal/ServerControl.h"
#include "terminal/TerminalTable.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <exception>

namespace veska::service {

using catalogue::PriceMode;

HeadlessShop::HeadlessShop(const terminal::TermServerApi& api, ServiceLog& log, QObject* parent)
    : QObject(parent), log_(log) {
    shop_ = std::make_unique<shop::ShopServer>(
        api, shop::ShopViews{*this, *this, *this, *this, log, log.keptLines(), log, log},
        [this] { return priceMode_; });
    // A damaged database that the embedded engine refuses for the rest of the process: the
    // service ends with a failure, once the tick is over, and systemd starts it again. The
    // reason with what to do is in the log already (the connection's notice).
    shop_->database().setEngineFailureSink([this](const QString&) {
        log_.appendLine(QStringLiteral("O serviço termina para ser iniciado de novo."));
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(kEngineFailureExit); });
    });
    priceTimer_.setInterval(100);
    refreshTimer_.setInterval(3000);
    retryTimer_.setInterval(retryInterval);
    retryTimer_.setSingleShot(true);
    connect(&priceTimer_, &QTimer::timeout, this, &HeadlessShop::servePrices);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        guarded([this] {
            shop_->terminalTable().refresh();
            shop_->recordTerminalTable();
        });
    });
    connect(&retryTimer_, &QTimer::timeout, this, &HeadlessShop::startServer);
    if (const int wake = shop_->wakeDescriptor(); wake >= 0) {
        scanNotifier_ = new QSocketNotifier(wake, QSocketNotifier::Read, this);
        scanNotifier_->setEnabled(false);
        connect(scanNotifier_, &QSocketNotifier::activated, this, &HeadlessShop::servePrices);
    }
}

HeadlessShop::~HeadlessShop() = default;

template <class Work> void HeadlessShop::guarded(Work&& work) {
    runGuarded(std::forward<Work>(work), [this](const QString& message) { log_.report(message); });
}

void HeadlessShop::start() {
    // As the window's creation: scale labels first (they raise nothing), then the database
    // and the price mode; a failing step ends the settings, and the server starts anyway:
    // scans are answered "try again" until the database answers.
    shop_->loadScaleLabels();
    guarded([this] { shop_->startShopRecord(); });
    guarded([this] { readSettings(); });
    guarded([this] {
        shop_->terminalTable().setSelectedSocket(-1);
        shop_->initializeLibrary();
    });
    startServer();
}

void HeadlessShop::readSettings() {
    shop_->connectDatabase();
    const bool retail = shop_->retailColumnExists();
    std::optional<PriceMode> saved;
    try {
        saved = catalogue::readSavedPriceMode();
    } catch (const InOutError&) {
        log_.appendLine(
            catalogue::priceModeInUseLine(catalogue::priceModeCaption(priceMode_, retail)));
        throw;
    }
    const shop::ServedPriceMode served = shop::servedPriceMode(saved, retail);
    if (served.savedRetailUnused)
        log_.appendLine(shop::savedRetailUnusedLine());
    priceMode_ = served.mode;
    log_.appendLine(QStringLiteral("Modo de preço: ") +
                    catalogue::priceModeCaption(priceMode_, retail));
}

void HeadlessShop::startServer() {
    guarded([this] { shop_->serverControl().toggle(); });
    if (serving())
        return;
    const QString retry = QStringLiteral("Nova tentativa em %1 segundos.")
                              .arg(std::chrono::seconds(retryInterval).count());
    log_.appendLine(retry);
    systemd_.status(QStringLiteral("Erro inicializando servidor. ") + retry);
    retryTimer_.start();
}

bool HeadlessShop::serving() const {
    return shop_->serverControl().running();
}

void HeadlessShop::setStartButtonCaption(const QString& caption) {
    caption_ = caption;
    if (serving() && !announcedReady_) {
        announcedReady_ = true;
        systemd_.ready(QStringLiteral("Servidor inicializado com sucesso."));
    }
}

void HeadlessShop::setRefreshTimerActive(bool active) {
    active ? refreshTimer_.start() : refreshTimer_.stop();
    if (!active)
        shop_->serverStopped();
}

void HeadlessShop::reloadManagementSettings() {
    log_.appendLine(QStringLiteral("SIGHUP: gerencia.conf lido de novo."));
    guarded([this] { shop_->reloadManagementSettings(); });
}

void HeadlessShop::setPriceTimerActive(bool active) {
    active ? priceTimer_.start() : priceTimer_.stop();
    if (scanNotifier_ != nullptr)
        scanNotifier_->setEnabled(active);
    // No ticks, no scans: the lookups keep nothing meanwhile.
    if (!active)
        shop_->productLookup().release();
}

// The service's tick; it also tells systemd's watchdog that the service is alive.
void HeadlessShop::servePrices() {
    guarded([this] { shop_->priceQuery().serveWaitingBarcodes(); });
    systemd_.watchdog();
}

} // namespace veska::service
