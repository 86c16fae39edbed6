#include "shop/ShopServer.h"

#include "catalogue/connection/ColumnExists.h"
#include "catalogue/connection/Database.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/settings/DatabaseSettings.h"
#include "catalogue/settings/ScaleLabelSettings.h"
#include "journal/ShopRecord.h"
#include "terminal/ConnectedTerminals.h"
#include "terminal/DisplayMessage.h"
#include "terminal/LibraryVersion.h"
#include "terminal/PriceQueryService.h"
#include "terminal/ServerControl.h"
#include "terminal/TerminalTable.h"

#include <QPointer>
#include <future>

namespace veska::shop {

ShopServer::ShopServer(const terminal::TermServerApi& api, const ShopViews& views,
                       std::function<catalogue::PriceMode()> priceMode)
    : api_(api), log_(views.log), keptLog_(views.keptLog), priceMode_(priceMode),
      startedMs_(terminal::utcMillisecondsNow()), console_(log_, *this) {
    database_ = std::make_unique<catalogue::Database>();
    // The connection's own news (a replaced file, a damaged database, the connection back).
    database_->setNoticeSink([this](const QString& line) { log_.appendLine(line); });
    serverControl_ =
        std::make_unique<terminal::ServerControl>(api, views.control, views.notices, log_);
    terminalTable_ = std::make_unique<terminal::TerminalTable>(api, views.terminals);
    displayMessage_ = std::make_unique<terminal::DisplayMessage>(
        api, views.terminals, views.messageForm, views.notices, log_);
    productLookup_ = std::make_unique<catalogue::ProductLookup>(*database_, std::move(priceMode));
    priceQuery_ = std::make_unique<terminal::PriceQueryService>(api, *productLookup_, views.window,
                                                                log_, views.failures);
    // Every answer is counted for the console, then goes on to the journal.
    priceQuery_->setJournal(&tally_);
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
    return catalogue::columnExists(*database_, QStringLiteral("PRODUTOS"),
                                   QStringLiteral("PRECO_VENDA_LJ"));
}

void ShopServer::initializeLibrary() {
    terminal::initializeLibraryAndLogVersion(api_, log_);
}

void ShopServer::followWithGrid(catalogue::ServedArticleGrid* grid) {
    productLookup_->setGrid(grid);
}

void ShopServer::startShopRecord() {
    QPointer<QObject> context(&lineContext_);
    shopRecord_ = std::make_unique<journal::ShopRecord>(
        QStringLiteral("."), [context, &log = log_](const QString& line) {
            QMetaObject::invokeMethod(
                context.data(),
                [context, &log, line] {
                    if (context)
                        log.appendLine(line);
                },
                Qt::QueuedConnection);
        });
    tally_.setNext(shopRecord_.get());
    console_.apply(shopRecord_->settings());
    publishConsole();
}

std::vector<journal::AbsenceNotice> ShopServer::recordTerminalTable() {
    if (!shopRecord_)
        return {};
    const std::int64_t now = terminal::utcMillisecondsNow();
    const terminal::TerminalKeys connected =
        terminal::connectedTerminals(terminalTable_->tabTerms());
    tally_.tableRead(connected, now);
    publishConsole();
    auto notices = shopRecord_->tableRead(connected, now);
    for (const journal::AbsenceNotice& notice : notices)
        log_.appendLine(notice.text);
    return notices;
}

void ShopServer::serverStopped() {
    tally_.serverStopped();
    publishConsole();
    if (shopRecord_)
        shopRecord_->serverStopped();
}

void ShopServer::reloadManagementSettings() {
    if (!shopRecord_)
        return;
    shopRecord_->reload();
    console_.apply(shopRecord_->settings());
}

void ShopServer::publishConsole() {
    if (!console_.serving())
        return;
    web::ConsoleSnapshot snapshot;
    snapshot.serverRunning = serverControl_->running();
    snapshot.databaseConnected = database_->isConnected() && database_->answering();
    snapshot.priceMode = priceMode_() == catalogue::PriceMode::Retail ? 2 : 1;
    snapshot.startedMs = startedMs_;
    snapshot.madeMs = terminal::utcMillisecondsNow();
    tally_.fill(snapshot, snapshot.madeMs);
    snapshot.log = keptLog_.lines();
    console_.publish(std::move(snapshot));
}

template <class Result, class Work> std::optional<Result> ShopServer::onServiceThread(Work work) {
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    QMetaObject::invokeMethod(
        &lineContext_,
        [promise, work = std::move(work)]() mutable {
            try {
                promise->set_value(work());
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        },
        Qt::QueuedConnection);
    if (result.wait_for(consoleWait) != std::future_status::ready)
        return std::nullopt;
    try {
        return result.get();
    } catch (...) {
        return std::nullopt; // a failure, or the work dropped with this object
    }
}

std::optional<web::LookupAnswer> ShopServer::lookUp(const QString& code) {
    return onServiceThread<web::LookupAnswer>([this, code] {
        const terminal::PriceQueryService::DisplayAnswer answer = priceQuery_->answerFor(code);
        return web::LookupAnswer{answer.line1, answer.line2, answer.found};
    });
}

bool ShopServer::sendMessage(const web::ConsoleMessage& message) {
    return onServiceThread<bool>([this, message] {
               terminal::sendDisplayMessage(api_, log_, message.address,
                                            static_cast<std::uint16_t>(message.socket),
                                            message.line1, message.line2, message.seconds);
               return true;
           })
        .value_or(false);
}

int ShopServer::wakeDescriptor() const {
    return api_.tc_wakefd != nullptr ? api_.tc_wakefd() : -1;
}

} // namespace veska::shop
