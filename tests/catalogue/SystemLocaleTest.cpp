// Field texts and the grid's prices follow the regional settings of the process: under
// pt_BR.UTF-8 a decimal comma and a dot for grouping.
#include "QtPrinters.h"
#include "ShopDatabase.h"
#include "catalogue/connection/Database.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductListModel.h"
#include "catalogue/products/ProductQuery.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// Before main, so that the system locale, read once on first use, follows it.
[[maybe_unused]] const bool kLocaleChosen = qputenv("LC_ALL", QByteArray("pt_BR.UTF-8"));
} // namespace

namespace veska::catalogue {
namespace {

TEST(SystemLocaleTest, FieldTextAndGridPriceUseTheRegionalSeparators) {
    QTemporaryDir folder;
    {
        test::ShopDatabase db(folder.path(), QStringLiteral("loja.fdb"), "WIN1252");
        db.createProducts();
        db.insert({"000001", "CAFE TORRADO 500G", "7891000100103", "1234.5", "12.5"});
    }
    test::writeProfile(folder.path(), QStringLiteral("loja"),
                       QDir(folder.path()).filePath(QStringLiteral("loja.fdb")));
    Database database(ConnectionProfiles({folder.path()}));
    database.setAlias(QStringLiteral("loja"));
    PriceMode mode = PriceMode::Retail;
    ProductList products(database, QStringLiteral("CDSProdutos"), [&mode] { return mode; });
    setUpProductQuery(products, [&mode] { return mode; });
    ProductListModel model(products, {{QStringLiteral("BARCODE"), QStringLiteral("Código")},
                                      {QStringLiteral("PRECO"), QStringLiteral("Preço"),
                                       ProductListModel::Format::Money}});
    products.open();
    EXPECT_EQ(products.fieldAsText(QStringLiteral("Preco")), QStringLiteral("12,5"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("12,50"));
    products.close();
    mode = PriceMode::Wholesale;
    products.open();
    EXPECT_EQ(products.fieldAsText(QStringLiteral("Preco")), QStringLiteral("1234,5"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("1.234,50"));
}

} // namespace
} // namespace veska::catalogue
