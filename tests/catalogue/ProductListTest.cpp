// The grid's model: lazy fetching of a few thousand rows, the price display format, titles,
// the current row and the navigator's state.
#include "catalogue/QueryTableModel.h"

#include "QtPrinters.h"
#include "TestDatabase.h"
#include "catalogue/Database.h"
#include "catalogue/ProductQuery.h"
#include "catalogue/Query.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

constexpr int kArticles = 3000;

class QueryTableModelTest : public test::SuiteFolder<QueryTableModelTest> {
protected:
    static void SetUpTestSuite() {
        test::TestDatabase db(suitePath(), QStringLiteral("grade.fdb"), "WIN1252");
        db.createProducts();
        // Codes 0000000000000.. in order; prices i + 0.5 (wholesale) and 1000 * i (retail).
        db.execute(QByteArray("execute block as declare i integer = 0; begin "
                              "while (i < ") +
                   QByteArray::number(kArticles) +
                   ") do begin insert into produtos values (lpad(:i, 13, '0'), "
                   "'ARTIGO ' || :i, '789' || lpad(:i, 10, '0'), :i + 0.5, :i * 1000); "
                   "i = i + 1; end end");
        profileShop(QStringLiteral("grade.fdb"));
    }
    void SetUp() override {
        database_ = connectToShop();
        products_ = std::make_unique<Query>(*database_, QStringLiteral("CDSProdutos"));
        setUpProductQuery(*products_, [this] { return mode_; });
        model_ = std::make_unique<QueryTableModel>(
            *products_, std::vector<QueryTableModel::Column>{
                            {QStringLiteral("BARCODE"), QStringLiteral("Código")},
                            {QStringLiteral("PRODUTO"), QStringLiteral("Descrição")},
                            {QStringLiteral("PRECO"), QStringLiteral("Preço"),
                             QueryTableModel::Format::Money}});
    }
    // Qt's model checker; it fetches rows itself, so the laziness tests go without it.
    void attachModelTester() {
        tester_ = std::make_unique<QAbstractItemModelTester>(
            model_.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    QString cell(int row, int column) const {
        return model_->data(model_->index(row, column)).toString();
    }

    PriceMode mode_ = PriceMode::Wholesale;
    std::unique_ptr<Database> database_;
    std::unique_ptr<Query> products_;
    std::unique_ptr<QueryTableModel> model_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(QueryTableModelTest, RowsAreFetchedAsTheViewAsksNotAtOpen) {
    EXPECT_EQ(model_->rowCount(), 0);
    EXPECT_FALSE(model_->canFetchMore({}));
    products_->open();
    EXPECT_LE(model_->rowCount(), 1);
    EXPECT_LE(products_->fetchedRowCount(), 1) << "open fetched more than the first row";
    ASSERT_TRUE(model_->canFetchMore({}));
    model_->fetchMore({});
    EXPECT_EQ(model_->rowCount(), 1 + QueryTableModel::fetchBatch);
    EXPECT_EQ(products_->fetchedRowCount(), model_->rowCount());
    EXPECT_EQ(cell(100, 0), QStringLiteral("0000000000100"));
    EXPECT_EQ(cell(100, 1), QStringLiteral("ARTIGO 100"));
    int guard = 0;
    while (model_->canFetchMore({}) && guard++ < kArticles)
        model_->fetchMore({});
    EXPECT_EQ(model_->rowCount(), kArticles);
    EXPECT_TRUE(products_->allRowsFetched());
}

TEST_F(QueryTableModelTest, ALocateFarAwayAddsTheRowsItReadAndReportsTheCurrentRow) {
    attachModelTester();
    products_->open();
    QSignalSpy current(model_.get(), &QueryTableModel::currentRowChanged);
    ASSERT_TRUE(products_->locate(QStringLiteral("BarCode"), QStringLiteral("0000000001500")));
    EXPECT_EQ(model_->currentRow(), 1500);
    ASSERT_EQ(current.count(), 1);
    EXPECT_EQ(current.at(0).at(0).toInt(), 1500);
    EXPECT_EQ(model_->rowCount(), 1501) << "the rows up to the located one, no further";
    EXPECT_EQ(cell(1500, 1), QStringLiteral("ARTIGO 1500"));
}

TEST_F(QueryTableModelTest, PricesShowTheDisplayFormatAndTitlesCanChange) {
    attachModelTester();
    products_->open();
    model_->fetchMore({});
    EXPECT_EQ(cell(1, 2), QStringLiteral("1.50"));
    mode_ = PriceMode::Retail;
    products_->close();
    products_->open();
    model_->fetchMore({});
    EXPECT_EQ(cell(2, 2), QStringLiteral("2,000.00"));
    EXPECT_EQ(products_->fieldAsText(QStringLiteral("Preco")), QStringLiteral("0"));
    EXPECT_EQ(model_->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
    EXPECT_EQ(model_->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Descrição"));
    EXPECT_EQ(model_->headerData(priceGridColumn, Qt::Horizontal).toString(),
              QStringLiteral("Preço"));
    EXPECT_EQ(model_->columnCount(), 3) << "cod_barra is not shown";
    QSignalSpy header(model_.get(), &QAbstractItemModel::headerDataChanged);
    model_->setColumnTitle(2, QStringLiteral("Preço Varejo"));
    EXPECT_EQ(model_->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Preço Varejo"));
    EXPECT_EQ(header.count(), 1);
    EXPECT_FALSE(model_->flags(model_->index(0, 0)).testFlag(Qt::ItemIsEditable));
}

TEST_F(QueryTableModelTest, TheNavigatorFollowsTheEnds) {
    attachModelTester();
    EXPECT_FALSE(model_->canMoveBackward());
    EXPECT_FALSE(model_->canMoveForward()) << "closed";
    products_->open();
    EXPECT_FALSE(model_->canMoveBackward());
    EXPECT_TRUE(model_->canMoveForward());
    QSignalSpy navigation(model_.get(), &QueryTableModel::navigationChanged);
    model_->moveNext();
    EXPECT_EQ(model_->currentRow(), 1);
    EXPECT_TRUE(model_->canMoveBackward());
    EXPECT_GE(navigation.count(), 1);
    model_->moveLast();
    EXPECT_EQ(model_->currentRow(), kArticles - 1);
    EXPECT_EQ(model_->rowCount(), kArticles);
    EXPECT_FALSE(model_->canMoveForward());
    EXPECT_TRUE(model_->canMoveBackward());
    model_->movePrior();
    EXPECT_EQ(model_->currentRow(), kArticles - 2);
    EXPECT_TRUE(model_->canMoveForward());
    model_->moveFirst();
    EXPECT_EQ(model_->currentRow(), 0);
    EXPECT_FALSE(model_->canMoveBackward());
    model_->setCurrentRow(10);
    EXPECT_EQ(products_->currentRow(), 10);
}

TEST_F(QueryTableModelTest, AReopenStartsAgainAtTheFirstRow) {
    products_->open();
    model_->moveLast();
    QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
    QSignalSpy current(model_.get(), &QueryTableModel::currentRowChanged);
    products_->close();
    EXPECT_EQ(model_->rowCount(), 0);
    products_->open();
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(model_->currentRow(), 0);
    ASSERT_FALSE(current.isEmpty());
    EXPECT_EQ(current.last().at(0).toInt(), 0);
    EXPECT_LE(model_->rowCount(), 1);
}

} // namespace
} // namespace veska::catalogue
