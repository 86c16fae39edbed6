// Connections to the Firebird server on loopback (scripts/lib/firebird-server.sh start):
// a server alias, host:path, a refused login, an unreachable server, a price committed by
// another program, and a server that stops mid-run and comes back. Skipped when the server
// does not answer on 127.0.0.1:3050.
#include "CountingSource.h"
#include "ReferenceQuery.h"
#include "ShopDatabase.h"
#include "TcpRelay.h"
#include "TestProvider.h"
#include "TestViews.h"
#include "catalogue/connection/Database.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductListModel.h"
#include "catalogue/products/ProductQuery.h"
#include "core/Errors.h"
#include "terminal/PriceQueryService.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace veska::catalogue {
namespace {

constexpr std::uint16_t kServerPort = 3050;
const QString kServerAlias = QStringLiteral("127.0.0.1/3050:veska_test");
const QString kDataFolder = QStringLiteral("/var/lib/firebird/3.0/data");

class ServerConnectionTest : public ::testing::Test {
protected:
    // A database of this test process on the server, dropped at the end.
    static void SetUpTestSuite() {
        if (!test::loopbackPortAnswers(kServerPort))
            return;
        path_ = new QString(kDataFolder + QStringLiteral("/veska-test-%1.fdb").arg(getpid()));
        firebird::AttachParameters parameters{
            "127.0.0.1/3050:" + path_->toUtf8(), "ROOT", "480317", "WIN1252", {}};
        writer_ = new firebird::Attachment(firebird::Attachment::create(parameters, "WIN1252"));
        writer_->executeImmediate(test::ProductTable().sql());
        writer_->executeImmediate("insert into produtos values ('000001', 'A\xC7\xDA"
                                  "CAR CRISTAL 5KG', "
                                  "'7891000100103', 19.9, 21.5)");
        writer_->executeImmediate("insert into produtos values ('000002', 'SAL REFINADO 1KG', "
                                  "'7891000200209', 3, 3.5)");
        // Enough rows after those two that the client cannot have them all at open.
        writer_->executeImmediate(
            "execute block as declare i integer = 0; begin while (i < 5000) do begin "
            "insert into produtos values ('X' || lpad(:i, 6, '0'), 'ARTIGO ' || :i, "
            "'200' || lpad(:i, 10, '0'), 1, 2); i = i + 1; end end");
    }
    static void TearDownTestSuite() {
        if (writer_ != nullptr) {
            ISC_STATUS_ARRAY status;
            isc_drop_database(status, writer_->handle()); // removes the file; frees the handle
            delete writer_;
            writer_ = nullptr;
        }
        delete path_;
        path_ = nullptr;
    }
    void SetUp() override {
        if (writer_ == nullptr)
            GTEST_SKIP()
                << "no Firebird server on 127.0.0.1:3050 (scripts/lib/firebird-server.sh start)";
    }

    // A connection whose alias a profile maps to database, with extra profile lines.
    std::unique_ptr<Database> databaseFor(const QString& database, const QString& extra = {}) {
        test::writeProfile(profiles_.path(), QStringLiteral("loja"), database,
                           QStringLiteral("WIN1252"), extra);
        auto result = std::make_unique<Database>(ConnectionProfiles({profiles_.path()}));
        result->setAlias(QStringLiteral("loja"));
        return result;
    }
    static QString priceOf(test::ReferenceQuery& products, const QString& code) {
        if (!products.locate(QStringLiteral("BarCode"), code))
            return QStringLiteral("<not found>");
        return products.fieldAsText(QStringLiteral("Preco"));
    }

    static inline QString* path_ = nullptr;
    static inline firebird::Attachment* writer_ = nullptr;
    QTemporaryDir profiles_;
};

// A server database named through a profile, or by an alias that no profile names and
// that goes to Firebird as it stands.
struct ServerAlias {
    const char* name;
    QString (*alias)();
};

class ServerAliasTest : public ServerConnectionTest,
                        public ::testing::WithParamInterface<ServerAlias> {};

TEST_P(ServerAliasTest, ReachesTheServerDatabase) {
    auto database = databaseFor(GetParam().alias());
    test::ReferenceQuery query(*database, QStringLiteral("QueQuem"));
    query.appendSql(QStringLiteral("select current_user usuario from rdb$database"));
    query.open();
    EXPECT_EQ(query.fieldAsText(QStringLiteral("usuario")), QStringLiteral("ROOT"));
}

INSTANTIATE_TEST_SUITE_P(
    Aliases, ServerAliasTest,
    ::testing::Values(ServerAlias{"ThroughAProfile", [] { return kServerAlias; }},
                      ServerAlias{"AsItStands",
                                  [] { return QStringLiteral("127.0.0.1:veska_test"); }}),
    [](const ::testing::TestParamInfo<ServerAlias>& test) { return std::string(test.param.name); });

TEST_F(ServerConnectionTest, HostAndPathReadTheAccentedProducts) {
    auto database = databaseFor(QStringLiteral("127.0.0.1:") + *path_);
    test::ReferenceQuery products(*database, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [] { return PriceMode::Retail; });
    products.open();
    EXPECT_EQ(products.fieldAsText(QStringLiteral("Produto")),
              QStringLiteral("AÇÚCAR CRISTAL 5KG"));
    EXPECT_EQ(products.fieldAsText(QStringLiteral("Preco")), QStringLiteral("21.5"));
}

// A connection the server refuses, or a server that is not there: the engine's error.
struct RefusedConnection {
    const char* name;
    QString (*alias)();
    const char* profileLines;
    const char* engineText;
};

class RefusedConnectionTest : public ServerConnectionTest,
                              public ::testing::WithParamInterface<RefusedConnection> {};

TEST_P(RefusedConnectionTest, GivesTheEngineError) {
    auto database = databaseFor(GetParam().alias(), QString::fromLatin1(GetParam().profileLines));
    try {
        database->connect();
        FAIL() << "connected to " << database->alias().toStdString();
    } catch (const DatabaseError& error) {
        EXPECT_TRUE(error.text().contains(QString::fromLatin1(GetParam().engineText)))
            << error.text().toStdString();
    }
    EXPECT_FALSE(database->isConnected());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedConnectionTest,
    ::testing::Values(RefusedConnection{"AWrongPassword", [] { return kServerAlias; },
                                        "password = errada", "user name and password"},
                      RefusedConnection{"AnUnreachableServer",
                                        [] {
                                            return QString::fromStdString(
                                                       test::unreachableServer()) +
                                                   QStringLiteral(":veska_test");
                                        },
                                        "", "Unable to complete network request"}),
    [](const ::testing::TestParamInfo<RefusedConnection>& test) {
        return std::string(test.param.name);
    });

// A login without the right to read produtos: its lookups cannot be prepared. Each scan
// fails with the engine's reason, and the release of an idle second and the next scan find
// the lookups as the failure left them, usable.
TEST_F(ServerConnectionTest, ALoginThatMayNotReadTheProductsFailsEveryScanAlike) {
    auto database = databaseFor(QStringLiteral("127.0.0.1:") + *path_,
                                QStringLiteral("user = VENDEDOR\npassword = 480317\n"));
    ProductLookup lookup(*database, [] { return PriceMode::Wholesale; });
    for (int scan = 0; scan < 2; ++scan) {
        lookup.beginScan();
        try {
            lookup.find(terminal::LookupColumn::Codigo, QStringLiteral("000001"));
            ADD_FAILURE() << "VENDEDOR read produtos";
        } catch (const DatabaseError& error) {
            EXPECT_TRUE(error.text().contains(QStringLiteral("no permission")))
                << error.text().toStdString();
        }
        lookup.release();
    }
}

TEST_F(ServerConnectionTest, APriceCommittedByAnotherProgramIsSeenAtTheNextOpen) {
    auto database = databaseFor(QStringLiteral("127.0.0.1:") + *path_);
    test::ReferenceQuery products(*database, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [] { return PriceMode::Wholesale; });
    products.open();
    EXPECT_EQ(priceOf(products, QStringLiteral("000002")), QStringLiteral("3"));
    writer_->executeImmediate("update produtos set preco_venda = 3.25 where codigo = '000002'");
    EXPECT_EQ(priceOf(products, QStringLiteral("000002")), QStringLiteral("3"))
        << "rows already read";
    products.close();
    products.open();
    EXPECT_EQ(priceOf(products, QStringLiteral("000002")), QStringLiteral("3.25"));
    writer_->executeImmediate("update produtos set preco_venda = 3 where codigo = '000002'");
    products.close();
    products.open();
    EXPECT_EQ(priceOf(products, QStringLiteral("000002")), QStringLiteral("3"));
}

// The server behind a relay that the test stops, restarts and freezes.
class RelayedServerTest : public ServerConnectionTest {
protected:
    void SetUp() override {
        ServerConnectionTest::SetUp();
        if (IsSkipped())
            return;
        relay_.start();
        database_ = databaseFor(QString::fromStdString(relay_.server()) + u':' + *path_);
    }

    test::TcpRelay relay_{kServerPort};
    std::unique_ptr<Database> database_;
};

TEST_F(RelayedServerTest, AServerThatStopsAndComesBackIsReconnectedByTheNextOpen) {
    test::ReferenceQuery products(*database_, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [] { return PriceMode::Wholesale; });
    products.open();
    EXPECT_EQ(priceOf(products, QStringLiteral("000001")), QStringLiteral("19.9"));

    relay_.stop(); // the server is gone: connections closed, port closed
    products.close();
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            products.open();
            FAIL() << "opened while the server is down";
        } catch (const DatabaseError& error) {
            EXPECT_FALSE(error.text().isEmpty());
        }
        EXPECT_FALSE(products.isOpen());
        EXPECT_FALSE(database_->isConnected());
    }

    relay_.start(); // back on the same port
    products.open();
    EXPECT_TRUE(database_->isConnected());
    EXPECT_EQ(priceOf(products, QStringLiteral("000001")), QStringLiteral("19.9"));

    // Stopped and back before the next open: that open works at once.
    relay_.stop();
    relay_.start();
    products.close();
    products.open();
    EXPECT_EQ(priceOf(products, QStringLiteral("000002")), QStringLiteral("3"));
}

TEST_F(RelayedServerTest, AConnectionLostWhileTheGridFetchesIsReportedNotThrown) {
    ProductList products(*database_, QStringLiteral("CDSProdutos"),
                         [] { return PriceMode::Wholesale; });
    setUpProductQuery(products, [] { return PriceMode::Wholesale; });
    ProductListModel model(products, {{QStringLiteral("BARCODE"), QStringLiteral("Código")}});
    QSignalSpy failures(&model, &ProductListModel::fetchFailed);
    products.open();
    relay_.stop();
    for (int batch = 0; batch < 100 && model.canFetchMore({}); ++batch)
        model.fetchMore({});
    ASSERT_EQ(failures.count(), 1);
    EXPECT_FALSE(failures.at(0).at(0).toString().isEmpty());
    EXPECT_FALSE(products.isOpen());
    EXPECT_FALSE(database_->isConnected());
    EXPECT_EQ(model.rowCount(), 0);

    relay_.start();
    products.open();
    EXPECT_EQ(products.fieldAsText(QStringLiteral("BarCode")), QStringLiteral("000001"));
}

TEST_F(RelayedServerTest, AHungServerIsBrokenOffAndTheServiceComesBackByItself) {
    QStringList notices;
    database_->setNoticeSink([&notices](const QString& line) { notices.append(line); });
    ProductLookup lookup(*database_, [] { return PriceMode::Wholesale; });
    const auto find = [&lookup] {
        lookup.beginScan();
        auto article = lookup.find(terminal::LookupColumn::Codigo, QStringLiteral("000001"));
        lookup.endScan(article);
        return article;
    };
    ASSERT_TRUE(find());

    relay_.freeze(); // the server hangs: connected, silent
    // Broken off by the watchdog: the hang itself lasts until the thaw below.
    EXPECT_THROW(find(), DatabaseUnavailableError);
    // The connection is known not to answer: uses fail at once instead of waiting again.
    EXPECT_FALSE(database_->answering());
    EXPECT_THROW(find(), DatabaseUnavailableError);
    EXPECT_FALSE(database_->answering());

    relay_.thaw(); // the server answers again: the next uses find the connection back
    std::optional<terminal::Article> back;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!back && std::chrono::steady_clock::now() < deadline) {
        try {
            back = find();
        } catch (const DatabaseUnavailableError&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ASSERT_TRUE(back);
    EXPECT_EQ(back->description, QStringLiteral("AÇÚCAR CRISTAL 5KG"));
    EXPECT_TRUE(notices.contains(QStringLiteral("Conexão com o banco de dados restabelecida.")))
        << notices.join(u'|').toStdString();
}

TEST_F(RelayedServerTest, AHungServerCostsATickOneWaitNotOneAScan) {
    ProductLookup lookup(*database_, [] { return PriceMode::Wholesale; });
    terminal::test::CountingSource counted(lookup);
    terminal::test::Presence window;
    terminal::test::RecordingLog log;
    terminal::test::RecordingFailures failures;
    terminal::PriceQueryService service(terminal::test::providerApi(), counted, window, log,
                                        failures);
    service.setTickBudget(std::chrono::hours(1)); // the tick takes all three, however slow
    terminal::test::resetProvider();
    const std::uint32_t terminal = terminal::test::addressOf("127.0.0.1");
    const auto scan = [terminal](const char* code) {
        terminal::test::provider().barcodes.push_back({std::string(code), terminal, 4000});
    };
    scan("000001");
    ASSERT_EQ(service.serveWaitingBarcodes(), 1);
    ASSERT_EQ(terminal::test::provider().prices.size(), 1u);

    relay_.freeze(); // the server hangs: connected, silent
    for (const char* code : {"000001", "000002", "7891000200209"})
        scan(code);
    const int asked = counted.finds;
    EXPECT_EQ(service.serveWaitingBarcodes(), 3);
    // The first scan waited for the watchdog; the others were answered without asking.
    EXPECT_EQ(counted.finds - asked, 1);
    const auto& prices = terminal::test::provider().prices;
    ASSERT_EQ(prices.size(), 4u);
    for (std::size_t i = 1; i < prices.size(); ++i) {
        EXPECT_EQ(prices[i].description, "SISTEMA INDISPONIVEL");
        EXPECT_EQ(prices[i].price, "TENTE NOVAMENTE");
    }
    EXPECT_EQ(failures.reported.size(), 1);
    relay_.thaw();
}

} // namespace
} // namespace veska::catalogue
