// The products grid following the served scans: while the grid is shown, the product list
// shows the served article, current, with the rows around it (the rows before it are not
// lost); it remembers the last outcome while the grid is not shown; and from a served
// article the navigator and the search reach the whole catalogue.
#include "catalogue/products/ServedArticleGrid.h"

#include "ShopDatabase.h"
#include "catalogue/lookup/ProductLookup.h"
#include "catalogue/products/ProductList.h"
#include "catalogue/products/ProductListModel.h"
#include "catalogue/products/ProductQuery.h"

#include <gtest/gtest.h>
#include <memory>

namespace veska::terminal::test {
namespace {

using terminal::Article;
using terminal::LookupColumn;

class ServedArticleGridTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { database_ = std::make_unique<catalogue::test::StockedShop>(); }
    static void TearDownTestSuite() { database_.reset(); }

    void SetUp() override {
        products_ = std::make_unique<catalogue::test::ShopQuery>(*database_, mode_);
        list_ = std::make_unique<catalogue::ProductList>(
            *products_->database, QStringLiteral("CDSProdutos"), [this] { return mode_; });
        catalogue::setUpProductQuery(*list_, [this] { return mode_; });
        list_->open();
        grid_ = std::make_unique<catalogue::ServedArticleGrid>(*list_, [this] { return shown_; });
        lookup_ = std::make_unique<catalogue::ProductLookup>(*products_->database,
                                                             [this] { return mode_; });
        lookup_->setGrid(grid_.get());
    }
    void TearDown() override {
        lookup_.reset();
        grid_.reset();
        list_.reset();
        products_.reset();
    }

    QString current() { return list_->fieldAsText(QStringLiteral("BarCode")); }
    QString row(int index) { return list_->value(index, 0).toString(); }

    // One scan as the service makes it: code, then barcode column.
    std::optional<Article> serve(const QString& code) {
        lookup_->beginScan();
        std::optional<Article> article = lookup_->find(LookupColumn::Codigo, code);
        if (!article)
            article = lookup_->find(LookupColumn::CodBarra, code);
        lookup_->endScan(article);
        return article;
    }

    static std::unique_ptr<catalogue::test::StockedShop> database_;
    catalogue::PriceMode mode_ = catalogue::PriceMode::Wholesale;
    bool shown_ = true;
    std::unique_ptr<catalogue::test::ShopQuery> products_;
    std::unique_ptr<catalogue::ProductList> list_;
    std::unique_ptr<catalogue::ServedArticleGrid> grid_;
    std::unique_ptr<catalogue::ProductLookup> lookup_;
};

std::unique_ptr<catalogue::test::StockedShop> ServedArticleGridTest::database_;

TEST_F(ServedArticleGridTest, AShownGridLandsOnTheServedArticleWithTheRowsBeforeIt) {
    ASSERT_TRUE(serve(QStringLiteral("P05")));
    EXPECT_EQ(current(), QStringLiteral("P05"));
    // The whole list: the rows before the served article are there to scroll up to.
    EXPECT_TRUE(list_->startsList());
    EXPECT_EQ(row(0), QStringLiteral("0000000000001"));
    EXPECT_EQ(list_->currentRow(), 10);
    EXPECT_EQ(row(9), QStringLiteral("P04"));
    // By its code, although another article has it as its barcode and comes first.
    ASSERT_TRUE(serve(QStringLiteral("7891000100103")));
    EXPECT_EQ(current(), QStringLiteral("7891000100103"));
    // By the barcode column: the article whose cod_barra it is.
    ASSERT_TRUE(serve(QStringLiteral("17891000100103")));
    EXPECT_EQ(current(), QStringLiteral("7891000100103"));
    EXPECT_EQ(list_->fieldAsText(QStringLiteral("cod_barra")), QStringLiteral("17891000100103"));
}

TEST_F(ServedArticleGridTest, NotFoundWhileShownLeavesTheListOnItsFirstRow) {
    ASSERT_TRUE(serve(QStringLiteral("P05")));
    EXPECT_FALSE(serve(QStringLiteral("NAOEXISTE")));
    EXPECT_EQ(list_->currentRow(), 0);
    EXPECT_EQ(current(), QStringLiteral("0000000000001"));
}

TEST_F(ServedArticleGridTest, AHiddenGridIsLeftAloneAndShowsTheLastOutcomeWhenItAppears) {
    shown_ = false;
    ASSERT_TRUE(list_->setCurrentRow(3));
    ASSERT_TRUE(serve(QStringLiteral("P02")));
    ASSERT_TRUE(serve(QStringLiteral("P07")));
    EXPECT_EQ(list_->currentRow(), 3);
    shown_ = true;
    grid_->shown();
    EXPECT_EQ(current(), QStringLiteral("P07"));
    // Shown again with nothing served meanwhile: the operator's row stays.
    list_->next();
    grid_->shown();
    EXPECT_EQ(current(), QStringLiteral("P08"));
    // A not-found outcome shown later puts the first row back.
    shown_ = false;
    EXPECT_FALSE(serve(QStringLiteral("NAOEXISTE")));
    EXPECT_EQ(current(), QStringLiteral("P08"));
    shown_ = true;
    grid_->shown();
    EXPECT_EQ(current(), QStringLiteral("0000000000001"));
}

TEST_F(ServedArticleGridTest, FromAServedArticleTheWholeCatalogueIsReached) {
    catalogue::ProductListModel model(*list_,
                                      {{QStringLiteral("BARCODE"), QStringLiteral("Código")}});
    ASSERT_TRUE(serve(QStringLiteral("P05")));
    EXPECT_TRUE(model.canMoveBackward());
    EXPECT_TRUE(model.canMoveForward());
    // The manual search finds codes before the served one.
    EXPECT_TRUE(list_->locate(QStringLiteral("BarCode"), QStringLiteral("123")));
    EXPECT_EQ(current(), QStringLiteral("123"));

    ASSERT_TRUE(serve(QStringLiteral("P05")));
    model.movePrior();
    EXPECT_EQ(current(), QStringLiteral("P04"));

    ASSERT_TRUE(serve(QStringLiteral("P05")));
    model.moveFirst();
    EXPECT_EQ(list_->currentRow(), 0);
    EXPECT_EQ(current(), QStringLiteral("0000000000001"));
    EXPECT_FALSE(model.canMoveBackward());

    ASSERT_TRUE(serve(QStringLiteral("P05")));
    model.moveNext();
    EXPECT_EQ(current(), QStringLiteral("P06"));
    model.moveLast();
    EXPECT_EQ(current(), QStringLiteral("VAZIO"));
    EXPECT_FALSE(model.canMoveForward());
}

TEST_F(ServedArticleGridTest, TheGridShowsThePriceOfTheModeAtTheScan) {
    mode_ = catalogue::PriceMode::Retail;
    ASSERT_TRUE(serve(QStringLiteral("SEMPRECO")));
    EXPECT_EQ(current(), QStringLiteral("SEMPRECO"));
    EXPECT_FALSE(list_->fieldIsNull(QStringLiteral("Preco")));
    mode_ = catalogue::PriceMode::Wholesale;
    const auto article = serve(QStringLiteral("SEMPRECO"));
    ASSERT_TRUE(article);
    EXPECT_FALSE(article->priceText);
    EXPECT_TRUE(list_->fieldIsNull(QStringLiteral("Preco")));
}

} // namespace
} // namespace veska::terminal::test
