// The demo catalogue tool: run for real, then read through the settings files and the
// profile it writes, as the program does.
#include "Ean13.h"
#include "QtPrinters.h"
#include "ReferenceQuery.h"
#include "ShopDatabase.h"
#include "WorkingFolder.h"
#include "catalogue/connection/Database.h"
#include "catalogue/products/ProductQuery.h"
#include "catalogue/settings/DatabaseSettings.h"
#include "catalogue/settings/TextFile.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

TEST(Ean13Test, CheckDigits) {
    EXPECT_EQ(demo::ean13("400638133393"), "4006381333931");
    EXPECT_EQ(demo::ean13("789100010010"), "7891000100103");
    EXPECT_TRUE(demo::isValidEan13("4006381333931"));
    EXPECT_FALSE(demo::isValidEan13("4006381333932"));
    EXPECT_FALSE(demo::isValidEan13("400638133393"));
    EXPECT_FALSE(demo::isValidEan13("40063813339A1"));
}

class DemoCatalogueTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DemoCatalogueTest, MakesADatabaseTheProgramFindsThroughItsSettings) {
    test::useTemporaryLockFolder(); // the tool inherits it
    test::WorkingFolder folder;
    QProcess tool;
    tool.start(QStringLiteral(VESKA_DEMO_CATALOGUE_PATH),
               {QStringLiteral("--dir"), folder.path(), QStringLiteral("--articles"),
                QStringLiteral("1500"), QStringLiteral("--charset"),
                QString::fromLatin1(GetParam())});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_TRUE(tool.readAllStandardOutput().contains("demo.fdb"));

    TextFileReader sysInfo(sysInfoFileName, 64 * 1024);
    sysInfo.readLine();
    EXPECT_EQ(aliasFromLine(sysInfo.readLine()), QStringLiteral("QuildaneLojaR"));

    Database database;
    loadDatabaseSettings(database);
    ASSERT_TRUE(database.isConnected());
    test::ReferenceQuery products(database, QStringLiteral("CDSProdutos"));
    setUpProductQuery(products, [] { return PriceMode::Retail; });
    products.open();
    ASSERT_TRUE(products.locate(QStringLiteral("Produto"), QStringLiteral("AÇÚCAR CRISTAL 5KG")));

    QSet<QString> codes;
    int rows = 0;
    for (; rows < 100000 && products.moveTo(rows); ++rows) {
        const QString barcode = products.fieldAsText(QStringLiteral("cod_barra"));
        EXPECT_TRUE(demo::isValidEan13(barcode.toStdString())) << barcode.toStdString();
        codes.insert(products.fieldAsText(QStringLiteral("BarCode")));
        EXPECT_FALSE(products.fieldIsNull(QStringLiteral("Preco")));
        EXPECT_LE(products.fieldAsText(QStringLiteral("Produto")).size(), 50);
    }
    EXPECT_GE(rows, 1500 + 300);
    EXPECT_EQ(codes.size(), rows) << "article codes are unique";

    QProcess again;
    again.start(QStringLiteral(VESKA_DEMO_CATALOGUE_PATH),
                {QStringLiteral("--dir"), folder.path()});
    ASSERT_TRUE(again.waitForFinished(60000));
    EXPECT_NE(again.exitCode(), 0) << "an existing demo.fdb is left alone";
}

// The engine maps its lock files at the first attachment: in a full file system that killed
// the process with SIGBUS. It must fail with a message instead. Needs root to mount.
TEST(DemoCatalogueLockFolderTest, AFullLockFolderIsRefusedWithAMessageNotACrash) {
    test::WorkingFolder folder;
    const QString lock = folder.filePath(QStringLiteral("trava"));
    test::SmallDisk disk(lock);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot();
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FIREBIRD_LOCK"), lock);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(VESKA_DEMO_CATALOGUE_PATH),
               {QStringLiteral("--dir"), folder.filePath(QStringLiteral("loja"))});
    const bool finished = tool.waitForFinished(60000);
    const QString error = QString::fromLocal8Bit(tool.readAllStandardError());
    ASSERT_TRUE(finished);
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit) << "killed by signal " << tool.exitCode();
    EXPECT_NE(tool.exitCode(), 0);
    EXPECT_TRUE(error.contains(QStringLiteral("Sem espaço para os arquivos de trava do banco de "
                                              "dados em ") +
                               lock))
        << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Charsets, DemoCatalogueTest, ::testing::Values("WIN1252", "UTF8", "NONE"));

} // namespace
} // namespace veska::catalogue
