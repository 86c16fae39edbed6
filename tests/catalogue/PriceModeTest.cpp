// The price-mode file and the product query's price column, with the retail column present
// and absent.
#include "catalogue/PriceMode.h"

#include "QtPrinters.h"
#include "TestDatabase.h"
#include "WorkingFolder.h"
#include "catalogue/Database.h"
#include "catalogue/ProductQuery.h"
#include "catalogue/Query.h"
#include "core/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veska::catalogue {
namespace {

using test::WorkingFolder;

TEST(PriceModeFileTest, OnlyExactlyTwoRestoresRetail) {
    WorkingFolder folder;
    EXPECT_EQ(readSavedPriceMode(), std::nullopt) << "no file";
    const struct {
        QByteArray content;
        PriceMode mode;
    } cases[] = {
        {"2", PriceMode::Retail},        {"2\r\n", PriceMode::Retail},
        {"2\n1\r\n", PriceMode::Retail}, {"2 ", PriceMode::Wholesale},
        {" 2", PriceMode::Wholesale},    {"1\r\n", PriceMode::Wholesale},
        {"", PriceMode::Wholesale},      {"\r\n2\r\n", PriceMode::Wholesale},
        {"22", PriceMode::Wholesale},    {"2\x1a", PriceMode::Retail},
    };
    for (const auto& c : cases) {
        folder.write(priceModeFileName, c.content);
        EXPECT_EQ(readSavedPriceMode(), c.mode) << c.content.toStdString();
    }
}

TEST(PriceModeFileTest, AFolderOfThatNameIsNoSavedMode) {
    WorkingFolder folder;
    folder.makeFolder(priceModeFileName);
    EXPECT_EQ(readSavedPriceMode(), std::nullopt);
}

TEST(PriceModeFileTest, SavingWritesThreeBytesAndReplacesTheFile) {
    WorkingFolder folder;
    savePriceMode(PriceMode::Retail);
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("2\r\n"));
    EXPECT_EQ(readSavedPriceMode(), PriceMode::Retail);
    folder.write(priceModeFileName, "2 and a much longer old content\r\n");
    ::chmod(QFile::encodeName(folder.filePath(priceModeFileName)).constData(), 0600);
    savePriceMode(PriceMode::Wholesale);
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("1\r\n"));
    EXPECT_EQ(QFileInfo(folder.filePath(priceModeFileName)).permissions() & 0x0777, 0x0600)
        << "the file keeps its permissions";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{priceModeFileName})
        << "no temporary file stays behind";
}

TEST(PriceModeFileTest, SavingFailuresAreInOutErrorsAndLeaveNoFile) {
    WorkingFolder folder;
    folder.makeFolder(priceModeFileName);
    try {
        savePriceMode(PriceMode::Retail);
        FAIL() << "a folder in the way";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 5);
        EXPECT_EQ(error.text(), QStringLiteral("File access denied"));
    }
    try {
        savePriceMode(PriceMode::Retail,
                      folder.filePath(QStringLiteral("nada/consulta_veska.cfg")));
        FAIL() << "a missing folder";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 2);
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST(PriceModeFileTest, AReadOnlyFileIsAccessDenied) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    WorkingFolder folder;
    folder.write(priceModeFileName, "1\r\n");
    ::chmod(QFile::encodeName(folder.filePath(priceModeFileName)).constData(), 0444);
    try {
        savePriceMode(PriceMode::Retail);
        FAIL() << "a read-only file";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.code(), 5);
    }
    EXPECT_EQ(folder.read(priceModeFileName), QByteArray("1\r\n"));
}

TEST(PriceModeTextTest, ColumnsCaptionsAndLines) {
    EXPECT_EQ(priceColumn(PriceMode::Wholesale), QStringLiteral("preco_venda"));
    EXPECT_EQ(priceColumn(PriceMode::Retail), QStringLiteral("preco_venda_lj"));
    EXPECT_EQ(priceModeCaption(PriceMode::Wholesale, true), QStringLiteral("Preço Atacado"));
    EXPECT_EQ(priceModeCaption(PriceMode::Wholesale, false), QStringLiteral("Preço Venda"));
    EXPECT_EQ(priceModeCaption(PriceMode::Retail, false), QStringLiteral("Preço Varejo"));
    EXPECT_EQ(initialPriceTitle, QStringLiteral("Preço"));
    EXPECT_EQ(productQueryLines(),
              QStringList({QStringLiteral("select codigo BarCode, nome produto, cod_barra,"),
                           QStringLiteral("preco_venda"), QStringLiteral("Preco from produtos"),
                           QStringLiteral("order by codigo")}));
    EXPECT_EQ(fieldExistsStatement(QStringLiteral("Preço_lj"), QStringLiteral("produtos")),
              QStringLiteral("SELECT COUNT(*) CT FROM RDB$RELATION_FIELDS where "
                             "RDB$FIELD_NAME='PREçO_LJ' AND RDB$RELATION_NAME='PRODUTOS'"));
}

// A shop database whose table has only the wholesale price.
class WithoutRetailColumnTest : public test::SuiteFolder<WithoutRetailColumnTest> {
protected:
    static void SetUpTestSuite() {
        test::TestDatabase db(suitePath(), QStringLiteral("atacado.fdb"), "WIN1252");
        db.createProducts(false);
        db.insert({"000001", "OLEO DE SOJA 900ML", "7891000100103", "7.49", ""}, false);
        profileShop(QStringLiteral("atacado.fdb"));
    }
    void SetUp() override { database_ = connectToShop(); }

    std::unique_ptr<Database> database_;
};

TEST_F(WithoutRetailColumnTest, TheProbeSaysNoAndTheRetailQueryFailsWithTheEngineError) {
    Query queCon(*database_, QStringLiteral("QueCon"));
    EXPECT_FALSE(fieldExists(queCon, QStringLiteral("PRECO_VENDA_LJ"), QStringLiteral("PRODUTOS")));
    EXPECT_TRUE(fieldExists(queCon, QStringLiteral("preco_venda"), QStringLiteral("produtos")));

    PriceMode mode = PriceMode::Retail;
    Query products(*database_, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [&mode] { return mode; });
    try {
        products.open();
        FAIL() << "the table lacks preco_venda_lj";
    } catch (const DatabaseError& error) {
        EXPECT_TRUE(error.text().contains(QStringLiteral("PRECO_VENDA_LJ")))
            << error.text().toStdString();
    }
    EXPECT_FALSE(products.isOpen());
    EXPECT_EQ(products.sqlLines().size(), 4) << "the line is replaced, never inserted";
    mode = PriceMode::Wholesale;
    products.open();
    EXPECT_EQ(products.fieldAsText(QStringLiteral("Preco")), QStringLiteral("7.49"));
    EXPECT_EQ(products.sqlLines().size(), 4);
}

} // namespace
} // namespace veska::catalogue
