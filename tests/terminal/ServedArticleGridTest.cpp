// The products grid following the served scans: the product query lands on the served
// article by its key while the grid is shown, remembers the last outcome while it is not,
// and a query narrowed that way still searches and navigates the whole catalogue.
#include "catalogue/ServedArticleGrid.h"

#include "ProductDatabase.h"
#include "catalogue/ProductLookup.h"
#include "catalogue/Query.h"
#include "catalogue/QueryTableModel.h"

#include <gtest/gtest.h>
#include <memory>

namespace veska::terminal::test {
namespace {

using terminal::Article;
using terminal::LookupColumn;

class ServedArticleGridTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { database_ = std::make_unique<ProductDatabase>(); }
    static void TearDownTestSuite() { database_.reset(); }

    void SetUp() override {
        products_ = std::make_unique<ProductQuery>(*database_, mode_);
        grid_ = std::make_unique<catalogue::ServedArticleGrid>(*query(), [this] { return shown_; });
        lookup_ = std::make_unique<catalogue::ProductLookup>(*products_->database,
                                                             [this] { return mode_; });
        lookup_->setGrid(grid_.get());
    }
    void TearDown() override {
        lookup_.reset();
        grid_.reset();
        products_.reset();
    }

    catalogue::Query* query() { return products_->query.get(); }
    QString current() { return query()->fieldAsText(QStringLiteral("BarCode")); }

    // One scan as the service makes it: code, then barcode column.
    std::optional<Article> serve(const QString& code) {
        lookup_->beginScan();
        std::optional<Article> article = lookup_->find(LookupColumn::Code, code);
        if (!article)
            article = lookup_->find(LookupColumn::Barcode, code);
        lookup_->endScan(article);
        return article;
    }

    static std::unique_ptr<ProductDatabase> database_;
    catalogue::PriceMode mode_ = catalogue::PriceMode::Wholesale;
    bool shown_ = true;
    std::unique_ptr<ProductQuery> products_;
    std::unique_ptr<catalogue::ServedArticleGrid> grid_;
    std::unique_ptr<catalogue::ProductLookup> lookup_;
};

std::unique_ptr<ProductDatabase> ServedArticleGridTest::database_;

TEST_F(ServedArticleGridTest, AShownGridLandsOnTheServedArticleWithoutReadingTheRowsBefore) {
    ASSERT_TRUE(serve(QStringLiteral("P05")));
    EXPECT_TRUE(query()->isNarrowed());
    EXPECT_EQ(current(), QStringLiteral("P05"));
    EXPECT_EQ(query()->currentRow(), 0);
    EXPECT_EQ(query()->fetchedRowCount(), 1);
    // By the barcode column: the article whose cod_barra it is, first in codigo order.
    ASSERT_TRUE(serve(QStringLiteral("7891000100103")));
    EXPECT_EQ(current(), QStringLiteral("7891000100103"));
    ASSERT_TRUE(serve(QStringLiteral("17891000100103")));
    EXPECT_EQ(current(), QStringLiteral("7891000100103"));
    EXPECT_EQ(query()->fieldAsText(QStringLiteral("cod_barra")), QStringLiteral("17891000100103"));
}

TEST_F(ServedArticleGridTest, NotFoundWhileShownLeavesTheWholeQueryOnItsFirstRow) {
    ASSERT_TRUE(serve(QStringLiteral("P05")));
    EXPECT_FALSE(serve(QStringLiteral("NAOEXISTE")));
    EXPECT_FALSE(query()->isNarrowed());
    EXPECT_EQ(query()->currentRow(), 0);
    EXPECT_EQ(current(), QStringLiteral("0000000000001"));
}

TEST_F(ServedArticleGridTest, AHiddenGridIsLeftAloneAndShowsTheLastOutcomeWhenItAppears) {
    shown_ = false;
    ASSERT_TRUE(query()->moveTo(3));
    ASSERT_TRUE(serve(QStringLiteral("P02")));
    ASSERT_TRUE(serve(QStringLiteral("P07")));
    EXPECT_FALSE(query()->isNarrowed());
    EXPECT_EQ(query()->currentRow(), 3);
    shown_ = true;
    grid_->shown();
    EXPECT_EQ(current(), QStringLiteral("P07"));
    // Shown again with nothing served meanwhile: the operator's row stays.
    query()->next();
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

TEST_F(ServedArticleGridTest, ANarrowedQuerySearchesAndNavigatesTheWholeCatalogue) {
    catalogue::QueryTableModel model(*query(),
                                     {{QStringLiteral("BARCODE"), QStringLiteral("Código")}});
    ASSERT_TRUE(serve(QStringLiteral("P05")));
    EXPECT_TRUE(model.canMoveBackward());
    EXPECT_TRUE(model.canMoveForward());
    // The manual search finds codes before the served one.
    EXPECT_TRUE(query()->locate(QStringLiteral("BarCode"), QStringLiteral("123")));
    EXPECT_FALSE(query()->isNarrowed());
    EXPECT_EQ(current(), QStringLiteral("123"));

    ASSERT_TRUE(serve(QStringLiteral("P05")));
    model.movePrior();
    EXPECT_FALSE(query()->isNarrowed());
    EXPECT_EQ(current(), QStringLiteral("P04"));

    ASSERT_TRUE(serve(QStringLiteral("P05")));
    model.moveFirst();
    EXPECT_EQ(query()->currentRow(), 0);
    EXPECT_EQ(current(), QStringLiteral("0000000000001"));
    EXPECT_FALSE(model.canMoveBackward());

    ASSERT_TRUE(serve(QStringLiteral("P05")));
    model.moveNext();
    EXPECT_EQ(current(), QStringLiteral("P06"));
    model.moveLast();
    EXPECT_EQ(current(), QStringLiteral("VAZIO"));
}

TEST_F(ServedArticleGridTest, TheGridShowsThePriceOfTheModeAtTheScan) {
    mode_ = catalogue::PriceMode::Retail;
    ASSERT_TRUE(serve(QStringLiteral("SEMPRECO")));
    EXPECT_EQ(current(), QStringLiteral("SEMPRECO"));
    EXPECT_FALSE(query()->fieldIsNull(QStringLiteral("Preco")));
    mode_ = catalogue::PriceMode::Wholesale;
    const auto article = serve(QStringLiteral("SEMPRECO"));
    ASSERT_TRUE(article);
    EXPECT_FALSE(article->priceText);
    EXPECT_TRUE(query()->fieldIsNull(QStringLiteral("Preco")));
}

} // namespace
} // namespace veska::terminal::test
