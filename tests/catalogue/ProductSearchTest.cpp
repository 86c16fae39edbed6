// The manual search of the products page on a real product query.
#include "catalogue/products/ProductSearch.h"

#include "QtPrinters.h"
#include "ShopDatabase.h"
#include "catalogue/connection/Database.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductQuery.h"
#include "core/Errors.h"
#include "core/Notices.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

class RecordedNotices : public Notices {
public:
    void showNotice(const QString& text) override { shown.append(text); }
    QStringList shown;
};

class ProductSearchTest : public test::SuiteFolder<ProductSearchTest> {
protected:
    static void SetUpTestSuite() {
        test::ShopDatabase db(suitePath(), QStringLiteral("busca.fdb"), "WIN1252");
        db.createProducts();
        db.insert({"000100", "FEIJ\xC3O CARIOCA 1KG", "7891000200209", "8", "8.5"});
        db.insert({"000200", "ARROZ TIPO 1 5KG", "7891000100103", "12.5", "13"});
        db.insert({"abc", "ARTIGO MINUSCULO", "2000000000015", "1", "1"});
        db.insert({"DUP", "PRIMEIRO", "2000000000022", "1", "1"});
        db.insert({"DUP", "SEGUNDO", "2000000000039", "2", "2"});
        profileShop(QStringLiteral("busca.fdb"));
    }
    void SetUp() override {
        database_ = connectToShop();
        products_ = std::make_unique<ProductList>(*database_, QStringLiteral("CDSProdutos"),
                                                  [] { return PriceMode::Wholesale; });
        setUpProductQuery(*products_, [] { return PriceMode::Wholesale; });
        products_->open();
    }
    bool search(const QString& text) { return searchProduct(*products_, text, notices_); }

    std::unique_ptr<Database> database_;
    std::unique_ptr<ProductList> products_;
    RecordedNotices notices_;
};

TEST_F(ProductSearchTest, AnEmptyBoxAsksForTheCodeAndSearchesNothing) {
    products_->close(); // a search would raise on the closed query
    EXPECT_FALSE(search(QString()));
    EXPECT_EQ(notices_.shown,
              QStringList{QStringLiteral("Por favor, entre com o Código do produto.")});
}

TEST_F(ProductSearchTest, ACodeWithBlanksAroundIsFound) {
    EXPECT_TRUE(search(QStringLiteral("  000200\t ")));
    EXPECT_EQ(notices_.shown, QStringList{QStringLiteral("Produto: ARROZ TIPO 1 5KG")});
    EXPECT_EQ(products_->fieldAsText(QStringLiteral("BarCode")), QStringLiteral("000200"));
    EXPECT_TRUE(search(QStringLiteral("000100")));
    EXPECT_EQ(notices_.shown.last(), QStringLiteral("Produto: FEIJÃO CARIOCA 1KG"));
}

TEST_F(ProductSearchTest, OtherCaseAPrefixBlanksOnlyAndBarcodesAreNotFound) {
    ASSERT_TRUE(products_->setCurrentRow(1));
    for (const QString& text : {QStringLiteral("ABC"), QStringLiteral("0002"),
                                QStringLiteral("   "), QStringLiteral("7891000100103")}) {
        EXPECT_FALSE(search(text)) << text.toStdString();
        EXPECT_EQ(notices_.shown.last(),
                  QStringLiteral("Código do produto não consta na Base de Dados."));
        EXPECT_EQ(products_->currentRow(), 1) << "the current row stays";
    }
    EXPECT_EQ(notices_.shown.size(), 4);
}

TEST_F(ProductSearchTest, TheFirstOfSeveralRowsWithTheCodeBecomesCurrent) {
    products_->last();
    EXPECT_TRUE(search(QStringLiteral("DUP")));
    const int found = products_->currentRow();
    const int code = products_->columnIndex(QStringLiteral("BarCode"));
    ASSERT_GE(found, 1);
    EXPECT_EQ(products_->value(found, code).toString(), QStringLiteral("DUP"));
    EXPECT_NE(products_->value(found - 1, code).toString(), QStringLiteral("DUP"))
        << "no earlier row has the code";
    EXPECT_EQ(notices_.shown.last(),
              QStringLiteral("Produto: ") + products_->fieldAsText(QStringLiteral("Produto")));
}

TEST_F(ProductSearchTest, ASearchOnAClosedQueryRaisesTheDatasetError) {
    products_->close();
    EXPECT_THROW(search(QStringLiteral("000100")), DatabaseError);
    EXPECT_TRUE(notices_.shown.isEmpty());
}

} // namespace
} // namespace veska::catalogue
