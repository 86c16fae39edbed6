#include "shop/ShopServer.h"

#include "catalogue/Database.h"
#include "catalogue/DatabaseSettings.h"
#include "catalogue/ProductLookup.h"
#include "catalogue/ProductQuery.h"
#include "catalogue/Query.h"
#include "catalogue/ScaleLabelSettings.h"
#include "terminal/DisplayMessage.h"
#include "terminal/LibraryVersion.h"
#include "terminal/PriceQueryService.h"
#include "terminal/ServerControl.h"
#include "terminal/TerminalTable.h"

namespace veska::shop {

ShopServer::ShopServer(const terminal::TermServerApi& api, const ShopViews& views,
                       std::function<catalogue::PriceMode()> priceMode)
    : api_(api), log_(views.log) {
    database_ = std::make_unique<catalogue::Database>();
    // The connection's own news (a replaced file, a damaged database, the connection back).
    database_->setNoticeSink([&log = views.log](const QString& line) { log.appendLine(line); });
    catalogueQuery_ = std::make_unique<catalogue::Query>(*database_, QStringLiteral("QueCon"));
    serverControl_ =
        std::make_unique<terminal::ServerControl>(api, views.control, views.notices, views.log);
    terminalTable_ = std::make_unique<terminal::TerminalTable>(api, views.terminals);
    displayMessage_ = std::make_unique<terminal::DisplayMessage>(
        api, views.terminals, views.messageForm, views.notices, views.log);
    productLookup_ = std::make_unique<catalogue::ProductLookup>(*database_, std::move(priceMode));
    priceQuery_ = std::make_unique<terminal::PriceQueryService>(api, *productLookup_, views.window,
                                                                views.log, views.failures);
}

ShopServer::~ShopServer() = default;

void ShopServer::loadScaleLabels() {
    const terminal::ScaleLabelFormatReading labels = catalogue::readScaleLabelSettings();
    if (!labels.problem.isEmpty())
        log_.appendLine(catalogue::scaleLabelProblemLine(labels.problem));
    priceQuery_->setScaleLabelFormat(labels.format);
}

void ShopServer::connectDatabase() {
    catalogue::loadDatabaseSettings(*database_);
    database_->connect();
}

bool ShopServer::retailColumnExists() {
    return catalogue::fieldExists(*catalogueQuery_, QStringLiteral("PRECO_VENDA_LJ"),
                                  QStringLiteral("PRODUTOS"));
}

void ShopServer::initializeLibrary() {
    terminal::initializeLibraryAndLogVersion(api_, log_);
}

void ShopServer::followWithGrid(catalogue::ServedArticleGrid* grid) {
    productLookup_->setGrid(grid);
}

int ShopServer::wakeDescriptor() const {
    return api_.tc_wakefd != nullptr ? api_.tc_wakefd() : -1;
}

} // namespace veska::shop
