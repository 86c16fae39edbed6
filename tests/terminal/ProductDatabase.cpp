#include "ProductDatabase.h"

#include "catalogue/connection/EmbeddedEngine.h"
#include "catalogue/products/ProductQuery.h"
#include "core/CodePage.h"
#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <ibase.h>

namespace veska::terminal::test {
namespace {

// Stops the embedded engine's threads before the process ends, so that none of them still
// runs while the leak checker inspects the process at exit.
class FirebirdShutdown : public ::testing::Environment {
public:
    void TearDown() override { fb_shutdown(0, fb_shutrsn_app_stopped); }
};

[[maybe_unused]] ::testing::Environment* const kFirebirdShutdown =
    ::testing::AddGlobalTestEnvironment(new FirebirdShutdown);

const char* const kCreateTable =
    "CREATE TABLE produtos (codigo VARCHAR(13) NOT NULL PRIMARY KEY, nome VARCHAR(50), "
    "cod_barra VARCHAR(14), preco_venda DOUBLE PRECISION, preco_venda_lj DOUBLE PRECISION)";

// Code, description, barcode, wholesale price, retail price.
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

} // namespace

ProductDatabase::ProductDatabase() {
    catalogue::prepareEmbeddedEngine();
    if (!folder_.isValid())
        throw Error(QStringLiteral("no temporary folder"));
    path_ = QDir(folder_.path()).filePath(QStringLiteral("produtos.fdb"));
    catalogue::firebird::Attachment creator =
        catalogue::firebird::Attachment::create(parameters(), "WIN1252");
    creator.executeImmediate(kCreateTable);
    for (const char* row : kRows) {
        creator.executeImmediate(codepage::fromUnicode(
            QStringLiteral("INSERT INTO produtos VALUES (%1)").arg(QString::fromUtf8(row))));
    }
}

catalogue::firebird::AttachParameters ProductDatabase::parameters() const {
    catalogue::firebird::AttachParameters parameters;
    parameters.database = QFile::encodeName(path_);
    parameters.user = "ROOT";
    parameters.password = "480317";
    parameters.charset = "WIN1252";
    parameters.forcedWrites = false; // a scratch database: no synchronous writes
    return parameters;
}

void ProductDatabase::execute(const QString& statement) const {
    catalogue::firebird::Attachment writer = catalogue::firebird::Attachment::attach(parameters());
    writer.executeImmediate(codepage::fromUnicode(statement));
}

ProductQuery::ProductQuery(const ProductDatabase& products, const catalogue::PriceMode& mode) {
    // The file stands for the alias: no profile file in this folder names it.
    database = std::make_unique<catalogue::Database>(
        catalogue::ConnectionProfiles(QStringList{QFileInfo(products.path()).path()}));
    database->setAlias(products.path());
    query =
        std::make_unique<catalogue::test::ReferenceQuery>(*database, QStringLiteral("CDSProdutos"));
    catalogue::setUpProductQuery(*query, [&mode] { return mode; });
    query->open();
    list = std::make_unique<catalogue::ProductList>(*database, QStringLiteral("CDSProdutos"),
                                                    [&mode] { return mode; });
    catalogue::setUpProductQuery(*list, [&mode] { return mode; });
    list->open();
}

} // namespace veska::terminal::test
