// The price-query service on a real embedded Firebird database that the test creates, with
// the application's product query and price mode. Built for a decimal-comma and for a
// decimal-point locale (LocaleVariant.cpp); price texts follow the locale's separator.
#include "terminal/PriceQueryService.h"

#include "Journal.h"
#include "TestProvider.h"
#include "TestViews.h"
#include "catalogue/Database.h"
#include "catalogue/EmbeddedEngine.h"
#include "catalogue/ProductQuery.h"
#include "catalogue/Query.h"
#include "catalogue/firebird/FbAttachment.h"
#include "core/CodePage.h"
#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#define VESKA_JOIN_NAMES(a, b) a##b
#define VESKA_SUITE_NAME(a, b) VESKA_JOIN_NAMES(a, b)
#define PRICE_QUERY_SUITE VESKA_SUITE_NAME(VESKA_LOCALE_SUITE, PriceQueryService)

namespace veska::terminal::test {
namespace {

using catalogue::Database;
using catalogue::PriceMode;
using catalogue::Query;
namespace firebird = catalogue::firebird;

#if VESKA_EXPECT_DECIMAL_COMMA
constexpr char kSeparator = ',';
#else
constexpr char kSeparator = '.';
#endif

const std::uint32_t kTerminal = addressOf("127.0.0.1");
constexpr std::uint16_t kSocket = 4000;

// The articles: code, description, barcode, wholesale price, retail price.
const char* const kCreateTable =
    "CREATE TABLE produtos (codigo VARCHAR(13) NOT NULL PRIMARY KEY, nome VARCHAR(50), "
    "cod_barra VARCHAR(14), preco_venda DOUBLE PRECISION, preco_venda_lj DOUBLE PRECISION)";
const char* const kRows[] = {
    // Ordered first; its barcode is the code of the coffee below.
    "'0000000000001', 'Primeiro pelo cod_barra', '7891000100103', 1, 1.1",
    "'7891000100103', 'Café torrado 500g', '17891000100103', 12.5, 13.9",
    "'7891000200200', 'Açúcar refinado 1kg', '7891000200201', 4.2, 4.6",
    "'123', 'Artigo 123', NULL, 3, 3",
    "'A123A', 'Artigo emoldurado', NULL, 5, 5",
    "'B', 'Artigo B', NULL, 2, 2",
    "'VAZIO', 'Código de barras vazio', '', 1, 1",
    "'SEMPRECO', 'Artigo sem preço', NULL, NULL, 7",
    "'P01', 'Preço 12,34', NULL, 12.34, 1",
    "'P02', 'Preço 12,5', NULL, 12.5, 1",
    "'P03', 'Preço 12', NULL, 12, 1",
    "'P04', 'Preço 1234,5', NULL, 1234.5, 1",
    "'P05', 'Preço 0,5', NULL, 0.5, 1",
    "'P06', 'Preço 12,345', NULL, 12.345, 1",
    "'P07', 'Preço 2,675', NULL, 2.675, 1",
    "'P08', 'Preço -12,345', NULL, -12.345, 1",
    "'P09', 'Preço 0,005', NULL, 0.005, 1",
    "'P10', 'Preço 1234567,891', NULL, 1234567.891, 1",
};

QByteArray sql(const QString& text) {
    return codepage::fromUnicode(text);
}

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

class PRICE_QUERY_SUITE : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        catalogue::prepareEmbeddedEngine();
        folder_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(folder_->isValid());
        path_ = QDir(folder_->path()).filePath(QStringLiteral("produtos.fdb"));
        firebird::Attachment creator = firebird::Attachment::create(parameters(), "WIN1252");
        creator.executeImmediate(kCreateTable);
        for (const char* row : kRows) {
            creator.executeImmediate(sql(
                QStringLiteral("INSERT INTO produtos VALUES (%1)").arg(QString::fromUtf8(row))));
        }
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static firebird::AttachParameters parameters() {
        firebird::AttachParameters parameters;
        parameters.database = QFile::encodeName(path_);
        parameters.user = "ROOT";
        parameters.password = "480317";
        parameters.charset = "WIN1252";
        parameters.forcedWrites = false; // a scratch database: no synchronous writes
        return parameters;
    }

    void SetUp() override {
        resetProvider();
        // The database file stands for the alias; no profile file names it.
        database_ =
            std::make_unique<Database>(catalogue::ConnectionProfiles(QStringList{folder_->path()}));
        database_->setAlias(path_);
        products_ = std::make_unique<Query>(*database_, QStringLiteral("CDSProdutos"));
        catalogue::setUpProductQuery(*products_, [this] { return mode_; });
        products_->open();
        service_ = std::make_unique<PriceQueryService>(providerApi(), *products_, window_, log_);
    }
    void TearDown() override {
        service_.reset();
        products_.reset();
        database_.reset();
    }

    static void scan(const char* code) {
        provider().barcodes.push_back({std::string(code), kTerminal, kSocket});
    }
    // Scans one code, serves one tick, and returns what went to the log (if anything).
    void serve(const char* code) {
        scan(code);
        ASSERT_TRUE(service_->serveNextBarcode());
    }
    static QString line(const QString& rest) { return QStringLiteral("127.0.0.1:4000 -> ") + rest; }

    static std::unique_ptr<QTemporaryDir> folder_;
    static QString path_;
    PriceMode mode_ = PriceMode::Wholesale;
    Presence window_;
    RecordingLog log_;
    std::unique_ptr<Database> database_;
    std::unique_ptr<Query> products_;
    std::unique_ptr<PriceQueryService> service_;
};

std::unique_ptr<QTemporaryDir> PRICE_QUERY_SUITE::folder_;
QString PRICE_QUERY_SUITE::path_;

TEST_F(PRICE_QUERY_SUITE, ACodeFoundByBarCodeIsAnsweredWithoutTheBarcodeColumn) {
    serve("7891000100103");
    ASSERT_EQ(provider().prices.size(), 1u);
    const SentPrice& sent = provider().prices[0];
    EXPECT_EQ(sent.address, kTerminal);
    EXPECT_EQ(sent.description, "Caf\xE9 torrado 500g"); // Windows-1252
    EXPECT_EQ(sent.price, money("12,50"));
    EXPECT_TRUE(provider().notFound.empty());
    // The row whose barcode is this code comes first, yet the code's own row answers.
    EXPECT_EQ(products_->fieldAsText(QStringLiteral("BarCode")), QStringLiteral("7891000100103"));
    EXPECT_EQ(journal(), (QStringList{QStringLiteral("bReceiveBarcode"),
                                      QStringLiteral("bSendProdPrice"), QStringLiteral("Inet_NtoA"),
                                      QStringLiteral("log: ") +
                                          line(QStringLiteral("7891000100103|Café torrado 500g|%1")
                                                   .arg(moneyText("12,50")))}));
}

TEST_F(PRICE_QUERY_SUITE, ACodeFoundByTheBarcodeColumn) {
    serve("17891000100103");
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Caf\xE9 torrado 500g");
    EXPECT_EQ(log_.lines,
              QStringList{line(
                  QStringLiteral("17891000100103|Café torrado 500g|%1").arg(moneyText("12,50")))});
}

TEST_F(PRICE_QUERY_SUITE, AFramedCodeIsRetriedWithoutItsFrame) {
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

TEST_F(PRICE_QUERY_SUITE, AFramedCodeThatExistsIsNotShortened) {
    serve("A123A");
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Artigo emoldurado");
    EXPECT_EQ(log_.lines.front(),
              line(QStringLiteral("A123A|Artigo emoldurado|%1").arg(moneyText("5,00"))));
    serve("ABA");
    ASSERT_EQ(provider().prices.size(), 2u);
    EXPECT_EQ(provider().prices[1].description, "Artigo B");
}

TEST_F(PRICE_QUERY_SUITE, OnlyAnUpperCaseFrameOfAtLeastThreeCharactersIsRetried) {
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

TEST_F(PRICE_QUERY_SUITE, NotFoundLeavesTheFirstRowCurrent) {
    ASSERT_TRUE(products_->moveTo(4));
    serve("NAOEXISTE");
    EXPECT_EQ(journal(),
              (QStringList{QStringLiteral("bReceiveBarcode"), QStringLiteral("bSendProdNotFound"),
                           QStringLiteral("Inet_NtoA"),
                           QStringLiteral("log: ") +
                               line(QStringLiteral("NAOEXISTE|PRODUTO NAO ENCONTRADO"))}));
    EXPECT_TRUE(products_->isOpen());
    EXPECT_EQ(products_->currentRow(), 0);
}

TEST_F(PRICE_QUERY_SUITE, PriceTextsAreRoundedToTheCentWithTheRegionalSeparator) {
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

TEST_F(PRICE_QUERY_SUITE, ANullPriceIsAnsweredWithoutAnAmount) {
    serve("SEMPRECO");
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Artigo sem pre\xE7o");
    EXPECT_EQ(provider().prices[0].price, "SEM PRE\xC7O");
    EXPECT_EQ(log_.lines, QStringList{line(QStringLiteral("SEMPRECO|Artigo sem preço|SEM PREÇO"))});
}

TEST_F(PRICE_QUERY_SUITE, TheCurrentPriceModeChoosesTheColumnAtEveryScan) {
    serve("SEMPRECO");
    mode_ = PriceMode::Retail;
    serve("SEMPRECO");
    serve("7891000100103");
    ASSERT_EQ(provider().prices.size(), 3u);
    EXPECT_EQ(provider().prices[0].price, "SEM PRE\xC7O");
    EXPECT_EQ(provider().prices[1].price, money("7,00"));
    EXPECT_EQ(provider().prices[2].price, money("13,90"));
}

TEST_F(PRICE_QUERY_SUITE, EveryScanSeesTheDatabaseAsItIsThen) {
    serve("NOVO-01");
    {
        firebird::Attachment writer = firebird::Attachment::attach(parameters());
        writer.executeImmediate(
            "INSERT INTO produtos VALUES ('NOVO-01', 'Artigo novo', NULL, 9.99, 9.99)");
    }
    serve("NOVO-01");
    EXPECT_EQ(provider().notFound.size(), 1u);
    ASSERT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().prices[0].description, "Artigo novo");
    EXPECT_EQ(provider().prices[0].price, money("9,99"));
}

TEST_F(PRICE_QUERY_SUITE, AHiddenWindowGetsNoLogLineButTheTerminalIsAnswered) {
    serve("7891000100103");
    ASSERT_EQ(log_.lines.size(), 1);
    window_.shown = false;
    journal().clear();
    serve("123");
    serve("NAOEXISTE");
    EXPECT_EQ(
        journal(),
        (QStringList{QStringLiteral("bReceiveBarcode"), QStringLiteral("bSendProdPrice"),
                     QStringLiteral("bReceiveBarcode"), QStringLiteral("bSendProdNotFound")}));
    EXPECT_EQ(log_.lines.size(), 1);
    window_.shown = true;
    serve("123");
    EXPECT_EQ(log_.lines.size(), 2);
}

TEST_F(PRICE_QUERY_SUITE, NoBarcodeLeavesTheQueryUntouched) {
    ASSERT_TRUE(products_->moveTo(3));
    provider().barcodes.push_back({std::string(), kTerminal, kSocket});
    provider().barcodes.push_back({std::nullopt, kTerminal, kSocket});
    EXPECT_FALSE(service_->serveNextBarcode());
    EXPECT_FALSE(service_->serveNextBarcode());
    EXPECT_FALSE(service_->serveNextBarcode()); // nothing pending at all
    EXPECT_TRUE(products_->isOpen());
    EXPECT_EQ(products_->currentRow(), 3);
    products_->close();
    EXPECT_FALSE(service_->serveNextBarcode());
    EXPECT_FALSE(products_->isOpen());
    EXPECT_EQ(journal(), QStringList(4, QStringLiteral("bReceiveBarcode")));
    EXPECT_TRUE(log_.lines.isEmpty());
}

TEST_F(PRICE_QUERY_SUITE, AtMostOneBarcodeATick) {
    scan("123");
    scan("B");
    EXPECT_TRUE(service_->serveNextBarcode());
    EXPECT_EQ(provider().prices.size(), 1u);
    EXPECT_EQ(provider().barcodes.size(), 1u);
    EXPECT_TRUE(service_->serveNextBarcode());
    EXPECT_EQ(provider().prices.size(), 2u);
}

TEST_F(PRICE_QUERY_SUITE, ADatabaseErrorOnReopenPropagatesAndTheBarcodeGetsNoAnswer) {
    products_->close();
    products_->setBeforeOpen(
        [](Query& query) { query.replaceSql(1, QStringLiteral("preco_inexistente")); });
    scan("123");
    EXPECT_THROW(service_->serveNextBarcode(), DatabaseError);
    EXPECT_TRUE(provider().barcodes.empty());
    EXPECT_TRUE(provider().prices.empty());
    EXPECT_TRUE(provider().notFound.empty());
    EXPECT_TRUE(log_.lines.isEmpty());
}

TEST_F(PRICE_QUERY_SUITE, ADatabaseErrorInALookupPropagates) {
    // A query without the barcode column: the second lookup fails.
    Query narrow(*database_, QStringLiteral("CDSProdutos"));
    narrow.appendSql(QStringLiteral("select codigo BarCode, nome produto, preco_venda Preco"));
    narrow.appendSql(QStringLiteral("from produtos order by codigo"));
    PriceQueryService service(providerApi(), narrow, window_, log_);
    scan("123");
    EXPECT_NO_THROW(service.serveNextBarcode());
    scan("NAOEXISTE");
    EXPECT_THROW(service.serveNextBarcode(), DatabaseError);
    EXPECT_EQ(provider().prices.size(), 1u);
    EXPECT_TRUE(provider().notFound.empty());
    EXPECT_EQ(log_.lines.size(), 1);
}

} // namespace
} // namespace veska::terminal::test
