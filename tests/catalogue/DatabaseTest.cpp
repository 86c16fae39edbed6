// The connection on the embedded engine: its alias, the retail probe, a file replaced or
// damaged under it; and the exact locate and field texts of the reference query that the
// lookups are compared with.
#include "catalogue/connection/Database.h"

#include "QtPrinters.h"
#include "ReferenceQuery.h"
#include "ShopDatabase.h"
#include "catalogue/connection/ColumnExists.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductQuery.h"
#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

using test::Article;
using test::ShopDatabase;

class DatabaseTest : public test::SuiteFolder<DatabaseTest> {
protected:
    static QString freshCatalogueCopy(const QString& name);
    static void SetUpTestSuite() {
        ShopDatabase db(suitePath(), QStringLiteral("query.fdb"), "WIN1252");
        db.createProducts();
        db.insert({"000200", "ARROZ TIPO 1 5KG", "7891000100103", "12.5", "13.9"});
        db.insert({"000100", "FEIJAO CARIOCA 1KG", "7891000200209", "8", "8.75"});
        db.insert({"abc", "ARTIGO MINUSCULO", "2000000000015", "1234567.891234567", "2"});
        db.insert({"555 ", "CODIGO COM BRANCO", "2000000000022", "0.1", "0.2"});
        db.insert({"000300", "SEM PRECO", "2000000000039", "null", "null"});
        db.insert({"DUP", "PRIMEIRO DUP", "2000000000046", "1", "1"});
        db.insert({"DUP", "SEGUNDO DUP", "2000000000053", "2", "2"});
        db.execute("create table fixo (codigo char(13) character set win1252 collate win_ptbr, "
                   "quantidade integer, valor numeric(15,2))");
        db.execute("insert into fixo values ('X1', 42, 12.34)");
        db.execute("insert into fixo values ('Abc', null, null)");
    }

    void SetUp() override {
        profileShop(QStringLiteral("query.fdb"));
        database_ = connectToShop();
        products_ =
            std::make_unique<test::ReferenceQuery>(*database_, QStringLiteral("CDSProdutos"));
        setUpProductQuery(*products_, [this] { return mode_; });
    }

    test::ReferenceQuery& products() { return *products_; }
    QString path() const { return suiteFile(QStringLiteral("query.fdb")); }

    PriceMode mode_ = PriceMode::Wholesale;
    std::unique_ptr<Database> database_;
    std::unique_ptr<test::ReferenceQuery> products_;
};

TEST_F(DatabaseTest, LocateMatchesTheWholeValueExactly) {
    products().open();
    EXPECT_FALSE(products().locate(QStringLiteral("BarCode"), QStringLiteral("ABC")));
    EXPECT_FALSE(products().locate(QStringLiteral("BarCode"), QStringLiteral("0001")));
    EXPECT_FALSE(products().locate(QStringLiteral("BarCode"), QStringLiteral("555")));
    EXPECT_FALSE(products().locate(QStringLiteral("BarCode"), QStringLiteral("000100 ")));
    EXPECT_EQ(products().currentRow(), 0) << "a failed locate keeps the current row";
    ASSERT_TRUE(products().locate(QStringLiteral("BarCode"), QStringLiteral("555 ")));
    EXPECT_EQ(products().fieldAsText(QStringLiteral("Produto")),
              QStringLiteral("CODIGO COM BRANCO"));
    ASSERT_TRUE(products().locate(QStringLiteral("barcode"), QStringLiteral("abc")));
    EXPECT_EQ(products().fieldAsText(QStringLiteral("PRODUTO")),
              QStringLiteral("ARTIGO MINUSCULO"));
    ASSERT_TRUE(products().locate(QStringLiteral("cod_barra"), QStringLiteral("7891000100103")));
    EXPECT_EQ(products().fieldAsText(QStringLiteral("BarCode")), QStringLiteral("000200"));
}

TEST_F(DatabaseTest, LocateMakesTheFirstOfSeveralEqualRowsCurrent) {
    products().open();
    int firstDup = 0;
    while (products().moveTo(firstDup) &&
           products().fieldAsText(QStringLiteral("BarCode")) != u"DUP")
        ++firstDup;
    const QString firstName = products().fieldAsText(QStringLiteral("Produto"));
    ASSERT_EQ(products().fieldAsText(QStringLiteral("BarCode")), QStringLiteral("DUP"));
    ASSERT_TRUE(products().moveTo(firstDup + 1)); // the second DUP row
    ASSERT_TRUE(products().locate(QStringLiteral("BarCode"), QStringLiteral("DUP")));
    EXPECT_EQ(products().currentRow(), firstDup);
    EXPECT_EQ(products().fieldAsText(QStringLiteral("Produto")), firstName);
}

TEST_F(DatabaseTest, PaddingAndCaseInsensitiveCollationsDoNotLeakIntoLocate) {
    test::ReferenceQuery query(*database_, QStringLiteral("QueFixo"));
    query.appendSql(QStringLiteral(
        "select codigo, quantidade, valor from fixo order by quantidade nulls last"));
    query.open();
    EXPECT_EQ(query.fieldAsText(QStringLiteral("codigo")), QStringLiteral("X1"));
    EXPECT_TRUE(query.locate(QStringLiteral("codigo"), QStringLiteral("X1")));
    EXPECT_FALSE(query.locate(QStringLiteral("codigo"), QStringLiteral("X1 ")));
    EXPECT_FALSE(query.locate(QStringLiteral("codigo"), QStringLiteral("abc")));
    EXPECT_FALSE(query.locate(QStringLiteral("codigo"), QStringLiteral("ABC")));
    EXPECT_TRUE(query.locate(QStringLiteral("codigo"), QStringLiteral("Abc")));
    EXPECT_EQ(query.fieldAsText(QStringLiteral("quantidade")), QString());
    EXPECT_TRUE(query.fieldIsNull(QStringLiteral("valor")));
    EXPECT_TRUE(query.locate(QStringLiteral("quantidade"), QStringLiteral("42")));
    EXPECT_EQ(query.fieldAsInteger(QStringLiteral("quantidade")), 42);
    EXPECT_EQ(query.fieldAsText(QStringLiteral("valor")), QStringLiteral("12.34"));
}

TEST_F(DatabaseTest, FieldTextsGiveTheGeneralDecimalFormAndEmptyForNull) {
    products().open();
    ASSERT_TRUE(products().locate(QStringLiteral("BarCode"), QStringLiteral("000200")));
    EXPECT_EQ(products().fieldAsText(QStringLiteral("Preco")), QStringLiteral("12.5"));
    ASSERT_TRUE(products().locate(QStringLiteral("BarCode"), QStringLiteral("abc")));
    EXPECT_EQ(products().fieldAsText(QStringLiteral("Preco")), QStringLiteral("1234567.89123457"));
    ASSERT_TRUE(products().locate(QStringLiteral("BarCode"), QStringLiteral("555 ")));
    EXPECT_EQ(products().fieldAsText(QStringLiteral("Preco")), QStringLiteral("0.1"));
    ASSERT_TRUE(products().locate(QStringLiteral("BarCode"), QStringLiteral("000300")));
    EXPECT_EQ(products().fieldAsText(QStringLiteral("Preco")), QString());
    EXPECT_TRUE(products().fieldIsNull(QStringLiteral("Preco")));
    EXPECT_FALSE(products().fieldIsNull(QStringLiteral("Produto")));
    try {
        products().fieldAsText(QStringLiteral("preco_venda"));
        FAIL() << "an unknown column";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.text(), QStringLiteral("CDSProdutos: Field 'preco_venda' not found"));
    }
}

TEST_F(DatabaseTest, TheAliasIsSetOnlyWhileNotConnected) {
    database_->connect();
    database_->connect(); // no effect when connected
    EXPECT_THROW(database_->setAlias(QStringLiteral("outra")), DatabaseError);
    EXPECT_EQ(database_->alias(), QStringLiteral("loja"));
    EXPECT_EQ(database_->name(), QStringLiteral("SISTEMA"));
    EXPECT_EQ(database_->params(),
              QStringList({QStringLiteral("USER NAME=ROOT"), QStringLiteral("PASSWORD=480317")}));
    EXPECT_FALSE(database_->loginPrompt());
}

TEST_F(DatabaseTest, TheRetailProbeFindsColumnsByTheirNamesOnly) {
    EXPECT_TRUE(
        columnExists(*database_, QStringLiteral("produtos"), QStringLiteral("preco_venda_lj")));
    EXPECT_TRUE(
        columnExists(*database_, QStringLiteral("PRODUTOS"), QStringLiteral("PRECO_VENDA")));
    EXPECT_FALSE(
        columnExists(*database_, QStringLiteral("PRODUTOS"), QStringLiteral("PRECO_CUSTO")));
    // A name is a value, never part of the statement's text.
    EXPECT_FALSE(columnExists(*database_, QStringLiteral("PRODUTOS"),
                              QStringLiteral("X' OR RDB$FIELD_NAME <> 'X")));
}

// A shop restores last night's copy over the database file while the program runs.
TEST_F(DatabaseTest, ADatabaseFileReplacedOnDiskIsAttachedAfreshAndSaidInTheLog) {
    const QString file = suiteFile(QStringLiteral("replaced.fdb"));
    {
        ShopDatabase live(suitePath(), QStringLiteral("replaced.fdb"), "WIN1252");
        live.createProducts();
        live.insert({"000100", "FEIJAO CARIOCA 1KG", "7891000200209", "8", "8.75"});
        ShopDatabase copy(suitePath(), QStringLiteral("copy.fdb"), "WIN1252");
        copy.createProducts();
        copy.insert({"000100", "FEIJAO CARIOCA 1KG", "7891000200209", "7.5", "8.75"});
    }
    test::writeProfile(suitePath(), QStringLiteral("loja"), file);
    auto database = connectToShop();
    QStringList notices;
    database->setNoticeSink([&notices](const QString& line) { notices.append(line); });
    test::ReferenceQuery products(*database, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [] { return PriceMode::Wholesale; });
    const auto price = [&products] {
        products.close();
        products.open();
        EXPECT_TRUE(products.locate(QStringLiteral("BarCode"), QStringLiteral("000100")));
        return products.fieldAsText(QStringLiteral("Preco"));
    };
    // Whatever keeps the old file's attachment lets go of it: the products grid, the
    // lookups (their transaction outlives a scan), a query before its last row.
    ProductList grid(*database, QStringLiteral("CDSProdutos"), [] { return PriceMode::Wholesale; });
    setUpProductQuery(grid, [] { return PriceMode::Wholesale; });
    grid.open();
    ProductLookup lookup(*database, [] { return PriceMode::Wholesale; });
    const auto scannedPrice = [&lookup] {
        lookup.beginScan();
        const auto article = lookup.find(terminal::LookupColumn::Codigo, QStringLiteral("000100"));
        lookup.endScan(article);
        return article ? article->priceText.value_or(QString()) : QStringLiteral("(none)");
    };
    EXPECT_EQ(price(), QStringLiteral("8"));
    EXPECT_EQ(scannedPrice(), QStringLiteral("8"));
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QFile::rename(suiteFile(QStringLiteral("copy.fdb")), file));
    EXPECT_EQ(scannedPrice(), QStringLiteral("7.5")) << "still served from the deleted file";
    EXPECT_THROW(grid.locate(QStringLiteral("BarCode"), QStringLiteral("000100")),
                 firebird::ConnectionLostError);
    EXPECT_FALSE(grid.isOpen());
    grid.open();
    ASSERT_TRUE(grid.locate(QStringLiteral("BarCode"), QStringLiteral("000100")));
    EXPECT_EQ(grid.fieldAsText(QStringLiteral("Preco")), QStringLiteral("7.5"));
    EXPECT_EQ(price(), QStringLiteral("7.5"));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(
        notices[0].startsWith(QStringLiteral("O arquivo do banco de dados foi substituído")));
    EXPECT_EQ(price(), QStringLiteral("7.5"));
    EXPECT_EQ(notices.size(), 1) << "said once";

    // A backup copied over the file in place (the same file, rewritten), after a change.
    const QString backup = suiteFile(QStringLiteral("backup.fdb"));
    ASSERT_TRUE(QFile::copy(file, backup));
    test::commitStatement(file, "update produtos set preco_venda = 9 where codigo = '000100'");
    EXPECT_EQ(scannedPrice(), QStringLiteral("9"));
    QFile restored(file);
    QFile saved(backup);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    ASSERT_TRUE(restored.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(restored.write(saved.readAll()), saved.size());
    restored.close();
    EXPECT_EQ(scannedPrice(), QStringLiteral("7.5")) << "the restored copy is served";
    ASSERT_EQ(notices.size(), 2);
    EXPECT_TRUE(
        notices[1].startsWith(QStringLiteral("O arquivo do banco de dados foi substituído")));
}

// A copy of a catalogue of 3000 articles that the engine in this process has never opened,
// so no page of it is cached.
QString DatabaseTest::freshCatalogueCopy(const QString& name) {
    const QString intact = suiteFile(QStringLiteral("intact.fdb"));
    if (!QFile::exists(intact)) {
        ShopDatabase db(suitePath(), QStringLiteral("intact.fdb"), "WIN1252");
        db.createProducts();
        db.execute("execute block as declare i integer = 0; begin while (i < 3000) do begin "
                   "insert into produtos values (lpad(:i, 6, '0'), 'ARTIGO ' || :i, null, :i, :i); "
                   "i = i + 1; end end");
        // Read in the order of the index, the first rows come from the first pages.
        db.execute("create index produtos_codigo on produtos (codigo)");
    }
    const QString file = suiteFile(name);
    EXPECT_TRUE(QFile::copy(intact, file));
    return file;
}

// A data page of produtos whose type byte is damaged: reading it fails the engine's
// consistency check. Reading the other pages works again from the next open.
TEST_F(DatabaseTest, AConsistencyErrorDropsTheAttachmentSoTheNextOpenWorks) {
    const QString file = freshCatalogueCopy(QStringLiteral("damaged.fdb"));
    ASSERT_TRUE(test::damageLastDataPage(file, "PRODUTOS"));
    test::writeProfile(suitePath(), QStringLiteral("loja"), file);
    auto database = connectToShop();
    QStringList notices;
    database->setNoticeSink([&notices](const QString& line) { notices.append(line); });
    // The products grid stays open on its first rows meanwhile, as in the window.
    ProductList grid(*database, QStringLiteral("CDSProdutos"), [] { return PriceMode::Wholesale; });
    setUpProductQuery(grid, [] { return PriceMode::Wholesale; });
    grid.open();
    test::ReferenceQuery products(*database, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [] { return PriceMode::Wholesale; });
    products.open();
    // The whole list reaches the damaged page.
    EXPECT_THROW(products.locate(QStringLiteral("BarCode"), QStringLiteral("999999")),
                 firebird::DamagedDatabaseError);
    EXPECT_FALSE(products.isOpen());
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("erro de consistência")));
    // The next open attaches afresh; the first rows are on pages that are fine.
    products.open();
    ASSERT_TRUE(products.locate(QStringLiteral("BarCode"), QStringLiteral("000005")));
    EXPECT_EQ(products.fieldAsText(QStringLiteral("Produto")), QStringLiteral("ARTIGO 5"));
}

// A damaged record that fails the engine's internal consistency check (a bugcheck): the
// embedded engine refuses every attachment of the process from then on. The log says so
// and what to do, once; every later use fails at once with that reason, and no attempt to
// attach again is made.
TEST_F(DatabaseTest, ABugcheckIsSaidOnceAndNoAttachIsTriedAgain) {
    const QString file = freshCatalogueCopy(QStringLiteral("bugcheck.fdb"));
    QProcess damage;
    damage.start(QStringLiteral("python3"), {QStringLiteral(VESKA_DAMAGE_RECORD_SCRIPT), file});
    ASSERT_TRUE(damage.waitForFinished(30000));
    ASSERT_EQ(damage.exitCode(), 0) << damage.readAllStandardError().toStdString();
    test::writeProfile(suitePath(), QStringLiteral("loja"), file);
    auto database = connectToShop();
    QStringList notices;
    QStringList failures;
    database->setNoticeSink([&notices](const QString& line) { notices.append(line); });
    database->setEngineFailureSink([&failures](const QString& why) { failures.append(why); });
    test::ReferenceQuery products(*database, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [] { return PriceMode::Wholesale; });
    products.open();
    EXPECT_THROW(products.locate(QStringLiteral("BarCode"), QStringLiteral("999999")),
                 DatabaseUnavailableError);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("O banco de dados está danificado")));
    EXPECT_TRUE(failures[0].contains(QStringLiteral("gfix"))) << failures[0].toStdString();
    EXPECT_EQ(notices, failures);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            products.open();
            ADD_FAILURE() << "opened after a bugcheck";
        } catch (const DatabaseUnavailableError& error) {
            EXPECT_EQ(error.text(), failures[0]);
        }
    }
    EXPECT_EQ(notices.size(), 1) << "said once, with no promise of a new connection";
}

} // namespace
} // namespace veska::catalogue
