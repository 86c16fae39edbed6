#pragma once
// The terminal side of a shop, without a screen: the database connection, the price lookups, the
// terminal services (server control, price queries, the connected-terminal table, display
// messages), and the shop's record for its manager (the scan journal and the notices of terminals
// gone away, as gerencia.conf asks). The desktop window and the service program each build one and
// hand it their own views of the state: the window its controls, the service its timers and
// standard output.

#include "catalogue/settings/PriceMode.h"
#include "core/Notices.h"
#include "journal/AbsenceAlerts.h"
#include "shop/ConsoleLog.h"
#include "shop/ShopConsole.h"
#include "shop/ShopTally.h"
#include "terminal/TermServerApi.h"
#include "terminal/TerminalViews.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace veska::terminal {
class DisplayMessage;
class PriceQueryService;
class ServerControl;
class TerminalTable;
} // namespace veska::terminal

namespace veska::catalogue {
class Database;
class ProductLookup;
class ServedArticleGrid;
} // namespace veska::catalogue

namespace veska::journal {
class ShopRecord;
} // namespace veska::journal

namespace veska::shop {

// What the services show and read; each must outlive the ShopServer.
struct ShopViews {
    terminal::ServerControlView& control;
    terminal::TerminalListView& terminals;
    terminal::MessageFormView& messageForm;
    const terminal::WindowPresence& window;
    ActivityLog& log;
    const ConsoleLog& keptLog; // the lines that the log above kept for the web console
    Notices& notices;
    terminal::FailureReports& failures;
};

class ShopServer final : public web::ConsoleActions {
public:
    // priceMode is asked at each scan for the mode it is served in.
    ShopServer(const terminal::TermServerApi& api, const ShopViews& views,
               std::function<catalogue::PriceMode()> priceMode);
    ~ShopServer() override;
    ShopServer(const ShopServer&) = delete;
    ShopServer& operator=(const ShopServer&) = delete;

    catalogue::Database& database() { return *database_; }
    terminal::ServerControl& serverControl() { return *serverControl_; }
    terminal::TerminalTable& terminalTable() { return *terminalTable_; }
    terminal::DisplayMessage& displayMessage() { return *displayMessage_; }
    terminal::PriceQueryService& priceQuery() { return *priceQuery_; }
    catalogue::ProductLookup& productLookup() { return *productLookup_; }

    // Steps of the start, each raising what it meets.
    // Reads balanca.conf; a problem is one log line and leaves labels off (raises nothing).
    void loadScaleLabels();
    // SYS_INFO.INI (and CONF_ARQ.SYS) name the alias; then the connection.
    void connectDatabase();
    // Whether the table of articles has the retail price column.
    bool retailColumnExists();
    // vInitialize and the library's version as a log line.
    void initializeLibrary();
    // Reads gerencia.conf of the working folder and starts the scan journal and the web
    // console as it says.
    void startShopRecord();

    // After each read of the connection table: the journal's joins and leaves, and the
    // notices of terminals gone or back, each logged; returned for the window's balloons.
    std::vector<journal::AbsenceNotice> recordTerminalTable();
    // The server stopped: the connected terminals have left.
    void serverStopped();
    // Reads gerencia.conf again (journal, retention, opening hours, alerts, web console).
    void reloadManagementSettings();
    // What the web console shows: the server, the database, the price mode and today's
    // figures, as they are now. Made at each read of the connection table.
    void publishConsole();

    // web::ConsoleActions, on the service's thread; a console thread waits at most
    // consoleWait.
    static constexpr std::chrono::seconds consoleWait{5};
    std::optional<web::LookupAnswer> lookUp(const QString& code) override;
    bool sendMessage(const web::ConsoleMessage& message) override;

    // The grid that follows the served articles (the desktop's products page).
    void followWithGrid(catalogue::ServedArticleGrid* grid);

    // The terminal-server library's wake descriptor, or -1 when it offers none.
    int wakeDescriptor() const;

private:
    // Runs the work on the thread of this object and waits for its result; nothing when it
    // did not run in time (or failed).
    template <class Result, class Work> std::optional<Result> onServiceThread(Work work);

    const terminal::TermServerApi& api_;
    ActivityLog& log_;
    const ConsoleLog& keptLog_;
    std::function<catalogue::PriceMode()> priceMode_;
    std::int64_t startedMs_ = 0;
    // The journal's lines come from its own thread: they reach the log through the event
    // loop of the thread that made this object.
    QObject lineContext_;
    std::unique_ptr<catalogue::Database> database_;
    std::unique_ptr<terminal::ServerControl> serverControl_;
    std::unique_ptr<terminal::TerminalTable> terminalTable_;
    std::unique_ptr<terminal::DisplayMessage> displayMessage_;
    std::unique_ptr<catalogue::ProductLookup> productLookup_;
    std::unique_ptr<terminal::PriceQueryService> priceQuery_;
    ShopTally tally_;
    std::unique_ptr<journal::ShopRecord> shopRecord_;
    ShopConsole console_;
};

} // namespace veska::shop
