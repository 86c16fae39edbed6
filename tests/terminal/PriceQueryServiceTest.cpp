// The price-query service on a real embedded Firebird database that the test creates, with
// the application's product query and price mode, on both ways of finding an article: the
// lookups in the database with the grid following (the application's), and the reopened
// and searched product query (the reference). Built for a decimal-comma and for a
// decimal-point locale (LocaleVariant.cpp); price texts follow the locale's separator.
// Scale labels are read only where a test sets a format.
#include "terminal/PriceQueryService.h"

#include "CountingSource.h"
#include "Journal.h"
#include "ReferenceQuery.h"
#include "ReopenedQuerySource.h"
#include "ShopDatabase.h"
#include "TestProvider.h"
#include "TestViews.h"
#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/ProductQuery.h"
#include "catalogue/products/ServedArticleGrid.h"
#include "core/Errors.h"

#include <gtest/gtest.h>
#include <memory>

#define VESKA_JOIN_NAMES(a, b) a##b
#define VESKA_SUITE_NAME(a, b) VESKA_JOIN_NAMES(a, b)
#define PRICE_QUERY_SUITE VESKA_SUITE_NAME(VESKA_LOCALE_SUITE, PriceQueryService)

namespace veska::terminal::test {
namespace {

using catalogue::PriceMode;
using catalogue::test::ReferenceQuery;

#if VESKA_EXPECT_DECIMAL_COMMA
constexpr char kSeparator = ',';
#else
constexpr char kSeparator = '.';
#endif

const std::uint32_t kTerminal = addressOf("127.0.0.1");
constexpr std::uint16_t kSocket = 4000;

// A price text with the locale's separator: money("12,50") is "R$ 12,50" or "R$ 12.50".
std::string money(const char* amount) {
    std::string text = std::string("R$ ") + amount;
    for (char& ch : text) {
        if (ch == ',')
            ch = kSeparator;
    }
    return text;
}

QString moneyText(const char* amount) {
    return QString::fromStdString(money(amount));
}

ScaleLabelFormat labelFormat(const char* kind) {
    const ScaleLabelFormatReading reading = parseScaleLabelFormat(
        {QStringLiteral("prefix = 2"), QStringLiteral("code = 2-7"), QStringLiteral("value = 8-12"),
         QStringLiteral("kind = ") + QLatin1String(kind)});
    EXPECT_TRUE(reading.problem.isEmpty()) << reading.problem.toStdString();
    return reading.format.value_or(ScaleLabelFormat{});
}

enum class Path { InDatabase, Reference };

std::string pathName(const ::testing::TestParamInfo<Path>& info) {
    return info.param == Path::InDatabase ? "InDatabase" : "Reference";
}

class PRICE_QUERY_SUITE : public ::testing::TestWithParam<Path> {
protected:
    static void SetUpTestSuite() {
        database_ = std::make_unique<catalogue::test::StockedShop>();
        // Weighed articles, sold by the label of the scale.
        for (const char* row :
             {"'1234', 'Queijo prato kg', NULL, 39.9, 44.9",
              "'004321', 'Mortadela kg', NULL, 18, 20", "'4321', 'Sem os zeros', NULL, 1, 1",
              "'PAO-KG', 'Pão francês kg', '5678', 14.5, 15",
              "'2001234020008', 'Etiqueta cadastrada', NULL, 7.77, 7.77"}) {
            database_->execute(
                QStringLiteral("INSERT INTO produtos VALUES (%1)").arg(QString::fromUtf8(row)));
        }
    }
    static void TearDownTestSuite() { database_.reset(); }

    void SetUp() override {
        resetProvider();
        products_ = std::make_unique<catalogue::test::ShopQuery>(*database_, mode_);
        if (GetParam() == Path::InDatabase) {
            grid_ = std::make_unique<catalogue::ServedArticleGrid>(*products_->list,
                                                                   [this] { return gridShown_; });
            auto lookup = std::make_unique<catalogue::ProductLookup>(*products_->database,
                                                                     [this] { return mode_; });
            lookup->setGrid(grid_.get());
            source_ = std::move(lookup);
        } else {
            source_ = std::make_unique<ReopenedQuerySource>(*products_->query);
        }
        counted_ = std::make_unique<CountingSource>(*source_);
        service_ =
            std::make_unique<PriceQueryService>(providerApi(), *counted_, window_, log_, failures_);
        // Every tick drains the queue, however slow the build: the journals are exact.
        service_->setTickBudget(std::chrono::hours(1));
    }
    void TearDown() override {
        service_.reset();
        counted_.reset();
        source_.reset();
        grid_.reset();
        products_.reset();
    }

    // The product query the grid shows: the list that follows the lookups, or the query
    // that the reference reopens and searches.
    catalogue::Dataset* products() {
        return GetParam() == Path::InDatabase
                   ? static_cast<catalogue::Dataset*>(products_->list.get())
                   : products_->query.get();
    }
    int currentRow() {
        return GetParam() == Path::InDatabase ? products_->list->currentRow()
                                              : products_->query->currentRow();
    }
    bool moveTo(int row) {
        return GetParam() == Path::InDatabase ? products_->list->setCurrentRow(row)
                                              : products_->query->moveTo(row);
    }

    static void scan(const char* code) {
        provider().barcodes.push_back({std::string(code), kTerminal, kSocket});
    }
    // Scans one code and serves one tick.
    void serve(const char* code) {
        scan(code);
        ASSERT_EQ(service_->serveWaitingBarcodes(), 1);
    }
    // Serves one code and gives the lookups it took.
    int lookupsOf(const char* code) {
        const int before = counted_->finds;
        serve(code);
        return counted_->finds - before;
    }
    static QString line(const QString& rest) { return QStringLiteral("127.0.0.1:4000 -> ") + rest; }

    static std::unique_ptr<catalogue::test::StockedShop> database_;
    PriceMode mode_ = PriceMode::Wholesale;
    Presence window_;
    RecordingLog log_;
    RecordingFailures failures_;
    bool gridShown_ = true;
    std::unique_ptr<catalogue::test::ShopQuery> products_;
    std::unique_ptr<catalogue::ServedArticleGrid> grid_;
    std::unique_ptr<terminal::ArticleSource> source_;
    std::unique_ptr<CountingSource> counted_;
    std::unique_ptr<PriceQueryService> service_;
};

std::unique_ptr<catalogue::test::StockedShop> PRICE_QUERY_SUITE::database_;

TEST_P(PRICE_QUERY_SUITE, ACodeFoundByBarCodeIsAnsweredWithoutTheBarcodeColumn) {
    serve("7891000100103");
    ASSERT_EQ(provider().prices.size(), 1u);
    const SentPrice& sent = provider().prices[0];
    EXPECT_EQ(sent.address, kTerminal);
    EXPECT_EQ(sent.description, "Caf\xE9 torrado 500g"); // Windows-1252
    EXPECT_EQ(sent.price, money("12,50"));
    EXPECT_TRUE(provider().notFound.empty());
    // The row whose barcode is this code comes first, yet the code's own row answers.
    EXPECT_EQ(products()->fieldAsText(QStringLiteral("BarCode")), QStringLiteral("7891000100103"));
    EXPECT_EQ(
        journal(),
        (QStringList{
            QStringLiteral("bReceiveBarcode"), QStringLiteral("bSendProdPrice"),
            QStringLiteral("Inet_NtoA"),
            QStringLiteral("log: ") +
                line(QStringLiteral("7891000100103|Café torrado 500g|%1").arg(moneyText("12,50"))),
            QStringLiteral("bReceiveBarcode")}));
}

TEST_P(PRICE_QUERY_SUITE, ACodeFoundByTheBarcodeColumn) {
    serve("17891000100103");
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Caf\xE9 torrado 500g");
    EXPECT_EQ(log_.lines,
              QStringList{line(
                  QStringLiteral("17891000100103|Café torrado 500g|%1").arg(moneyText("12,50")))});
}

TEST_P(PRICE_QUERY_SUITE, AFramedCodeIsRetriedWithoutItsFrame) {
    serve("A7891000100103A"); // found by BarCode once shortened
    serve("A7891000200201A"); // found by cod_barra once shortened
    serve("AXYZA");           // not found either way
    ASSERT_EQ(provider().prices.size(), 2u);
    EXPECT_EQ(provider().prices[0].description, "Caf\xE9 torrado 500g");
    EXPECT_EQ(provider().prices[1].description, "A\xE7\xFA"
                                                "car refinado 1kg");
    EXPECT_EQ(provider().prices[1].price, money("4,20"));
    EXPECT_EQ(provider().notFound, std::vector<std::uint32_t>{kTerminal});
    EXPECT_EQ(
        log_.lines,
        (QStringList{
            line(QStringLiteral("7891000100103|Café torrado 500g|%1").arg(moneyText("12,50"))),
            line(QStringLiteral("7891000200201|Açúcar refinado 1kg|%1").arg(moneyText("4,20"))),
            line(QStringLiteral("XYZ|PRODUTO NAO ENCONTRADO"))}));
}

TEST_P(PRICE_QUERY_SUITE, AFramedCodeThatExistsIsNotShortened) {
    serve("A123A");
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Artigo emoldurado");
    EXPECT_EQ(log_.lines.front(),
              line(QStringLiteral("A123A|Artigo emoldurado|%1").arg(moneyText("5,00"))));
    serve("ABA");
    ASSERT_EQ(provider().prices.size(), 2u);
    EXPECT_EQ(provider().prices[1].description, "Artigo B");
}

TEST_P(PRICE_QUERY_SUITE, OnlyAnUpperCaseFrameOfAtLeastThreeCharactersIsRetried) {
    // "AA" shortened would be "", the barcode of a row; "123" is a code.
    for (const char* code : {"AA", "a123a", "A123a", "a123A"})
        serve(code);
    EXPECT_TRUE(provider().prices.empty());
    EXPECT_EQ(provider().notFound.size(), 4u);
    EXPECT_EQ(log_.lines, (QStringList{line(QStringLiteral("AA|PRODUTO NAO ENCONTRADO")),
                                       line(QStringLiteral("a123a|PRODUTO NAO ENCONTRADO")),
                                       line(QStringLiteral("A123a|PRODUTO NAO ENCONTRADO")),
                                       line(QStringLiteral("a123A|PRODUTO NAO ENCONTRADO"))}));
}

TEST_P(PRICE_QUERY_SUITE, NotFoundLeavesTheFirstRowCurrent) {
    ASSERT_TRUE(moveTo(4));
    serve("NAOEXISTE");
    EXPECT_EQ(journal(),
              (QStringList{QStringLiteral("bReceiveBarcode"), QStringLiteral("bSendProdNotFound"),
                           QStringLiteral("Inet_NtoA"),
                           QStringLiteral("log: ") +
                               line(QStringLiteral("NAOEXISTE|PRODUTO NAO ENCONTRADO")),
                           QStringLiteral("bReceiveBarcode")}));
    EXPECT_TRUE(products()->isOpen());
    EXPECT_EQ(currentRow(), 0);
}

TEST_P(PRICE_QUERY_SUITE, PriceTextsAreRoundedToTheCentWithTheRegionalSeparator) {
    const std::pair<const char*, const char*> expected[] = {
        {"P01", "12,34"}, {"P02", "12,50"},     {"P03", "12,00"}, {"P04", "1234,50"},
        {"P05", "0,50"},  {"P06", "12,35"},     {"P07", "2,68"},  {"P08", "-12,35"},
        {"P09", "0,01"},  {"P10", "1234567,89"}};
    for (const auto& [code, amount] : expected)
        serve(code);
    ASSERT_EQ(provider().prices.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(provider().prices[i].price, money(expected[i].second)) << expected[i].first;
}

TEST_P(PRICE_QUERY_SUITE, ANullPriceIsAnsweredWithoutAnAmount) {
    serve("SEMPRECO");
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Artigo sem pre\xE7o");
    EXPECT_EQ(provider().prices[0].price, "SEM PRE\xC7O");
    EXPECT_EQ(log_.lines, QStringList{line(QStringLiteral("SEMPRECO|Artigo sem preço|SEM PREÇO"))});
}

TEST_P(PRICE_QUERY_SUITE, TheCurrentPriceModeChoosesTheColumnAtEveryScan) {
    serve("SEMPRECO");
    mode_ = PriceMode::Retail;
    serve("SEMPRECO");
    serve("7891000100103");
    ASSERT_EQ(provider().prices.size(), 3u);
    EXPECT_EQ(provider().prices[0].price, "SEM PRE\xC7O");
    EXPECT_EQ(provider().prices[1].price, money("7,00"));
    EXPECT_EQ(provider().prices[2].price, money("13,90"));
}

TEST_P(PRICE_QUERY_SUITE, EveryScanSeesTheDatabaseAsItIsThen) {
    // Each path adds an article of its own to the shared database.
    const QString code = QStringLiteral("NOVO-%1").arg(static_cast<int>(GetParam()));
    const QByteArray scanned = code.toLatin1();
    serve(scanned.constData());
    database_->execute(
        QStringLiteral("INSERT INTO produtos VALUES ('%1', 'Artigo novo', NULL, 9.99, 9.99)")
            .arg(code));
    serve(scanned.constData());
    database_->execute(
        QStringLiteral("UPDATE produtos SET preco_venda = 8.5 WHERE codigo = '%1'").arg(code));
    serve(scanned.constData());
    EXPECT_EQ(provider().notFound.size(), 1u);
    ASSERT_EQ(provider().prices.size(), 2u);
    EXPECT_EQ(provider().prices[0].description, "Artigo novo");
    EXPECT_EQ(provider().prices[0].price, money("9,99"));
    EXPECT_EQ(provider().prices[1].price, money("8,50"));
}

TEST_P(PRICE_QUERY_SUITE, AHiddenWindowGetsNoLogLineButTheTerminalIsAnswered) {
    serve("7891000100103");
    ASSERT_EQ(log_.lines.size(), 1);
    window_.shown = false;
    journal().clear();
    serve("123");
    serve("NAOEXISTE");
    EXPECT_EQ(
        journal(),
        (QStringList{QStringLiteral("bReceiveBarcode"), QStringLiteral("bSendProdPrice"),
                     QStringLiteral("bReceiveBarcode"), QStringLiteral("bReceiveBarcode"),
                     QStringLiteral("bSendProdNotFound"), QStringLiteral("bReceiveBarcode")}));
    EXPECT_EQ(log_.lines.size(), 1);
    window_.shown = true;
    serve("123");
    EXPECT_EQ(log_.lines.size(), 2);
}

TEST_P(PRICE_QUERY_SUITE, NoBarcodeLeavesTheQueryUntouched) {
    ASSERT_TRUE(moveTo(3));
    provider().barcodes.push_back({std::string(), kTerminal, kSocket});
    provider().barcodes.push_back({std::nullopt, kTerminal, kSocket});
    EXPECT_EQ(service_->serveWaitingBarcodes(), 0);
    EXPECT_EQ(service_->serveWaitingBarcodes(), 0);
    EXPECT_EQ(service_->serveWaitingBarcodes(), 0); // nothing pending at all
    EXPECT_TRUE(products()->isOpen());
    EXPECT_EQ(currentRow(), 3);
    products()->close();
    EXPECT_EQ(service_->serveWaitingBarcodes(), 0);
    EXPECT_FALSE(products()->isOpen());
    EXPECT_EQ(journal(), QStringList(4, QStringLiteral("bReceiveBarcode")));
    EXPECT_TRUE(log_.lines.isEmpty());
}

TEST_P(PRICE_QUERY_SUITE, EveryWaitingBarcodeIsServedInOneTickInArrivalOrder) {
    ASSERT_TRUE(moveTo(4));
    scan("7891000100103");
    scan("NAOEXISTE");
    scan("A7891000200201A");
    EXPECT_EQ(service_->serveWaitingBarcodes(), 3);
    EXPECT_TRUE(provider().barcodes.empty());
    EXPECT_EQ(provider().notFound, std::vector<std::uint32_t>{kTerminal});
    ASSERT_EQ(provider().prices.size(), 2u);
    EXPECT_EQ(provider().prices[1].description, "A\xE7\xFA"
                                                "car refinado 1kg");
    EXPECT_EQ(
        log_.lines,
        (QStringList{
            line(QStringLiteral("7891000100103|Café torrado 500g|%1").arg(moneyText("12,50"))),
            line(QStringLiteral("NAOEXISTE|PRODUTO NAO ENCONTRADO")),
            line(QStringLiteral("7891000200201|Açúcar refinado 1kg|%1").arg(moneyText("4,20")))}));
    // The grid is left on the last served article, not on one served before it.
    EXPECT_EQ(products()->fieldAsText(QStringLiteral("Produto")),
              QStringLiteral("Açúcar refinado 1kg"));
}

// The transactions that other attachments of the test database hold now.
int transactionsOfOthers(const catalogue::test::StockedShop& database) {
    using namespace catalogue::firebird;
    Attachment observer = Attachment::attach(database.parameters());
    Transaction transaction(observer, Transaction::Kind::ReadCommittedReadOnly);
    PreparedStatement count(observer, transaction,
                            "select count(*) from mon$transactions "
                            "where mon$attachment_id <> current_connection");
    count.execute(transaction);
    const int found = count.fetch() ? count.value(0).toInt() : -1;
    count.closeCursor();
    transaction.rollbackQuietly();
    return found;
}

// Scans in a row share what the lookups keep; a second of ticks without a barcode lets it
// go, once.
TEST_P(PRICE_QUERY_SUITE, TicksWithoutABarcodeReleaseWhatTheLookupsKeep) {
    // The lookups' transaction, seen from another attachment; the reference keeps none.
    const bool inDatabase = GetParam() == Path::InDatabase;
    const auto held = [&] { return inDatabase ? transactionsOfOthers(*database_) : 0; };
    const int before = held();
    serve("7891000100103");
    serve("NAOEXISTE");
    const int kept = held();
    EXPECT_EQ(kept, before + (inDatabase ? 1 : 0));
    for (int tick = 1; tick < PriceQueryService::idleTicksBeforeRelease; ++tick)
        EXPECT_EQ(service_->serveWaitingBarcodes(), 0);
    EXPECT_EQ(counted_->releases, 0);
    EXPECT_EQ(held(), kept);
    EXPECT_EQ(service_->serveWaitingBarcodes(), 0);
    EXPECT_EQ(counted_->releases, 1);
    EXPECT_EQ(held(), before);
    for (int tick = 0; tick < PriceQueryService::idleTicksBeforeRelease; ++tick)
        EXPECT_EQ(service_->serveWaitingBarcodes(), 0);
    EXPECT_EQ(counted_->releases, 1);
    // A scan counts the idle ticks anew.
    serve("7891000100103");
    EXPECT_EQ(provider().prices.back().price, money("12,50"));
    for (int tick = 0; tick < PriceQueryService::idleTicksBeforeRelease; ++tick)
        EXPECT_EQ(service_->serveWaitingBarcodes(), 0);
    EXPECT_EQ(counted_->releases, 2);
}

TEST_P(PRICE_QUERY_SUITE, AFailedLookupIsAnsweredTryAgainAndReportedOnceWhileItLasts) {
    // The reference reopens with a price column the table lacks; the lookups reach a
    // database that does not exist.
    catalogue::Database missing(catalogue::ConnectionProfiles(QStringList{}));
    missing.setAlias(database_->path() + QStringLiteral(".missing"));
    catalogue::ProductLookup broken(missing, [] { return PriceMode::Wholesale; });
    PriceQueryService brokenService(providerApi(), broken, window_, log_, failures_);
    PriceQueryService& service = GetParam() == Path::InDatabase ? brokenService : *service_;
    products_->query->close();
    products_->query->setBeforeOpen(
        [](ReferenceQuery& query) { query.replaceSql(1, QStringLiteral("preco_inexistente")); });
    for (const char* code : {"123", "B"}) {
        scan(code);
        EXPECT_NO_THROW(EXPECT_EQ(service.serveWaitingBarcodes(), 1));
    }
    EXPECT_TRUE(provider().barcodes.empty());
    ASSERT_EQ(provider().prices.size(), 2u);
    for (const SentPrice& sent : provider().prices) {
        EXPECT_EQ(sent.address, kTerminal);
        EXPECT_EQ(sent.description, "SISTEMA INDISPONIVEL");
        EXPECT_EQ(sent.price, "TENTE NOVAMENTE");
    }
    EXPECT_TRUE(provider().notFound.empty());
    EXPECT_EQ(log_.lines,
              (QStringList{line(QStringLiteral("123|SISTEMA INDISPONIVEL|TENTE NOVAMENTE")),
                           line(QStringLiteral("B|SISTEMA INDISPONIVEL|TENTE NOVAMENTE"))}));
    ASSERT_EQ(failures_.reported.size(), 1) << "the same failure is reported once";
    EXPECT_FALSE(failures_.reported[0].isEmpty());
    if (GetParam() == Path::InDatabase)
        return;
    // A scan that works ends the failure: the next one is reported again.
    products_->query->close();
    catalogue::setUpProductQuery(*products_->query, [this] { return mode_; });
    serve("123");
    EXPECT_EQ(provider().prices.back().price, money("3,00"));
    products_->query->close();
    products_->query->setBeforeOpen(
        [](ReferenceQuery& query) { query.replaceSql(1, QStringLiteral("preco_inexistente")); });
    serve("123");
    EXPECT_EQ(failures_.reported.size(), 2);
}

TEST_P(PRICE_QUERY_SUITE, AFailureInALaterLookupOfTheScanIsAnsweredTryAgain) {
    if (GetParam() == Path::InDatabase)
        GTEST_SKIP() << "the lookups do not run the product query's text";
    // A query without the barcode column: the second lookup fails.
    ReferenceQuery narrow(*products_->database, QStringLiteral("CDSProdutos"));
    narrow.appendSql(QStringLiteral("select codigo BarCode, nome produto, preco_venda Preco"));
    narrow.appendSql(QStringLiteral("from produtos order by codigo"));
    ReopenedQuerySource source(narrow);
    PriceQueryService service(providerApi(), source, window_, log_, failures_);
    scan("123");
    EXPECT_EQ(service.serveWaitingBarcodes(), 1);
    scan("NAOEXISTE");
    EXPECT_NO_THROW(service.serveWaitingBarcodes());
    ASSERT_EQ(provider().prices.size(), 2u);
    EXPECT_EQ(provider().prices[1].description, "SISTEMA INDISPONIVEL");
    EXPECT_TRUE(provider().notFound.empty());
    EXPECT_EQ(failures_.reported.size(), 1);
}

TEST_P(PRICE_QUERY_SUITE, APriceLabelIsAnsweredWithItsPriceForItsArticle) {
    service_->setScaleLabelFormat(labelFormat("price"));
    // Code 001234 (codigo 1234 once its zeros are dropped), 1597 cents, check digit 4: the
    // two lookups of the label itself, then codigo and cod_barra for both forms of the code.
    EXPECT_EQ(lookupsOf("2001234015974"), 2 + 2);
    // Code 004321 as printed, in codigo; "4321" is another article.
    EXPECT_EQ(lookupsOf("2004321009993"), 2 + 1);
    // Code 5678 in cod_barra, found once the zeros are dropped.
    EXPECT_EQ(lookupsOf("2005678002507"), 2 + 2);
    ASSERT_EQ(provider().prices.size(), 3u);
    EXPECT_EQ(provider().prices[0].description, "Queijo prato kg");
    EXPECT_EQ(provider().prices[0].price, money("15,97"));
    EXPECT_EQ(provider().prices[1].description, "Mortadela kg");
    EXPECT_EQ(provider().prices[1].price, money("9,99"));
    EXPECT_EQ(provider().prices[2].description, "P\xE3o franc\xEAs kg");
    EXPECT_EQ(provider().prices[2].price, money("2,50"));
    EXPECT_EQ(log_.lines.front(),
              line(QStringLiteral("2001234015974|Queijo prato kg|%1").arg(moneyText("15,97"))));
    EXPECT_EQ(products()->fieldAsText(QStringLiteral("Produto")), QStringLiteral("Pão francês kg"))
        << "the grid follows the labelled article";
}

TEST_P(PRICE_QUERY_SUITE, AWeightLabelIsPricedByTheKiloPriceOfTheCurrentMode) {
    service_->setScaleLabelFormat(labelFormat("weight"));
    serve("2001234005005"); // 500 g at 39,90 a kilo
    serve("2001234000505"); // 50 g: 1,995 exactly, half a cent rounds up
    mode_ = PriceMode::Retail;
    serve("2001234005005"); // 500 g at 44,90
    ASSERT_EQ(provider().prices.size(), 3u);
    EXPECT_EQ(provider().prices[0].price, money("19,95"));
    EXPECT_EQ(provider().prices[1].price, money("2,00"));
    EXPECT_EQ(provider().prices[2].price, money("22,45"));
    EXPECT_EQ(log_.lines[0],
              line(QStringLiteral("2001234005005|Queijo prato kg|%1").arg(moneyText("19,95"))));
}

TEST_P(PRICE_QUERY_SUITE, OnlyThirteenDigitsWithThePrefixAndARightCheckDigitAreLabels) {
    service_->setScaleLabelFormat(labelFormat("price"));
    const char* notLabels[] = {
        "2001234015975",  // wrong check digit
        "200123401597",   // twelve digits
        "3001234015973",  // another prefix, right check digit
        "2000000015972",  // code 000000: no article has the empty code
        "2009999001003",  // a label of an article that does not exist
        "A2001234015974A" // framed: the code is the label once the frame is dropped
    };
    for (const char* code : notLabels)
        serve(code);
    EXPECT_EQ(provider().notFound.size(), std::size(notLabels) - 1);
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].price, money("15,97"));
    EXPECT_EQ(log_.lines[0], line(QStringLiteral("2001234015975|PRODUTO NAO ENCONTRADO")));
    EXPECT_EQ(log_.lines[4], line(QStringLiteral("2009999001003|PRODUTO NAO ENCONTRADO")));
    EXPECT_EQ(log_.lines[5],
              line(QStringLiteral("2001234015974|Queijo prato kg|%1").arg(moneyText("15,97"))));
}

TEST_P(PRICE_QUERY_SUITE, ACodeInTheCatalogueIsNeverReadAsALabel) {
    service_->setScaleLabelFormat(labelFormat("price"));
    // As a label: code 1234 and 20,00; but the code itself is an article.
    EXPECT_EQ(lookupsOf("2001234020008"), 1);
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Etiqueta cadastrada");
    EXPECT_EQ(provider().prices[0].price, money("7,77"));
}

TEST_P(PRICE_QUERY_SUITE, WithoutAFormatLabelsAreUnknownCodes) {
    for (const char* code : {"2001234015974", "2005678002507"})
        EXPECT_EQ(lookupsOf(code), 2);
    EXPECT_TRUE(provider().prices.empty());
    EXPECT_EQ(log_.lines,
              (QStringList{line(QStringLiteral("2001234015974|PRODUTO NAO ENCONTRADO")),
                           line(QStringLiteral("2005678002507|PRODUTO NAO ENCONTRADO"))}));
}

INSTANTIATE_TEST_SUITE_P(Paths, PRICE_QUERY_SUITE,
                         ::testing::Values(Path::InDatabase, Path::Reference), pathName);

} // namespace
} // namespace veska::terminal::test
