// The product list and the grid's model over it: a window of a few hundred rows read by key
// from a catalogue of thousands, moving to the start, the end, a located article and row by
// row both ways without losing or repeating a row (codes shared by many rows, rows without
// a code, and a collation that does not order by bytes included), the price display format,
// titles, the current row and the navigator's state.
#include "catalogue/products/ProductList.h"

#include "QtPrinters.h"
#include "ShopDatabase.h"
#include "catalogue/connection/Database.h"
#include "catalogue/products/ProductGridColumns.h"
#include "catalogue/products/ProductListModel.h"
#include "catalogue/products/ProductQuery.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

constexpr int kArticles = 3000;

// Codes 0000000000000.. in order; prices i + 0.5 (wholesale) and 1000 * i (retail).
QByteArray insertArticles(int count, const QByteArray& code = "lpad(:i, 13, '0')") {
    return QByteArray("execute block as declare i integer = 0; begin while (i < ") +
           QByteArray::number(count) + ") do begin insert into produtos values (" + code +
           ", 'ARTIGO ' || :i, '789' || lpad(:i, 10, '0'), :i + 0.5, :i * 1000); "
           "i = i + 1; end end";
}

class ProductListTest : public test::SuiteFolder<ProductListTest> {
protected:
    static void SetUpTestSuite() {
        test::ShopDatabase grade(suitePath(), QStringLiteral("grade.fdb"), "WIN1252");
        grade.createProducts();
        grade.execute(insertArticles(kArticles));
        // Codes shared by many rows across page boundaries, rows without a code, and no
        // index on codigo.
        test::ShopDatabase dup(suitePath(), QStringLiteral("dup.fdb"), "WIN1252");
        dup.createProducts();
        dup.execute(insertArticles(900, "lpad(:i / 3, 13, '0')"));
        dup.execute(insertArticles(250, "'0000000000100'"));
        dup.execute(insertArticles(7, "null"));
        // A collation that orders letters without regard to case: no byte order.
        test::ShopDatabase ci(suitePath(), QStringLiteral("ci.fdb"), "WIN1252");
        ci.createProducts(test::ProductTable().code(
            "varchar(13) character set win1252 not null collate win_ptbr"));
        ci.execute("create index produtos_codigo on produtos (codigo)");
        ci.execute(insertArticles(700, "iif(mod(:i, 2) = 0, 'a', 'A') || lpad(:i, 6, '0')"));
    }
    void open(const QString& file) {
        test::writeProfile(suitePath(), QStringLiteral("loja"), suiteFile(file));
        database_ = connectToShop();
        list_ = std::make_unique<ProductList>(*database_, QStringLiteral("CDSProdutos"),
                                              [this] { return mode_; });
        setUpProductQuery(*list_, [this] { return mode_; });
        model_ = std::make_unique<ProductListModel>(
            *list_, std::vector<ProductListModel::Column>{
                        {QStringLiteral("BARCODE"), QStringLiteral("Código")},
                        {QStringLiteral("PRODUTO"), QStringLiteral("Descrição")},
                        {QStringLiteral("PRECO"), QStringLiteral("Preço"),
                         ProductListModel::Format::Money}});
        tester_ = std::make_unique<QAbstractItemModelTester>(
            model_.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        list_->open();
    }
    void TearDown() override {
        tester_.reset();
        model_.reset();
        list_.reset();
        database_.reset();
    }
    QString cell(int row, int column) const {
        return model_->data(model_->index(row, column)).toString();
    }
    QString current() const { return list_->fieldAsText(QStringLiteral("Produto")); }
    // The descriptions met walking the whole list with the navigator, one way.
    QStringList walk(bool forward) {
        QStringList seen{current()};
        for (int guard = 0; guard < 5 * kArticles; ++guard) {
            if (forward ? !model_->canMoveForward() : !model_->canMoveBackward())
                break;
            forward ? model_->moveNext() : model_->movePrior();
            seen.append(current());
            EXPECT_LE(list_->rowCount(), ProductList::maxRows + ProductList::pageRows + 250);
        }
        return seen;
    }

    PriceMode mode_ = PriceMode::Wholesale;
    std::unique_ptr<Database> database_;
    std::unique_ptr<ProductList> list_;
    std::unique_ptr<ProductListModel> model_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(ProductListTest, OpenShowsThePageAtTheStartAndTheViewReadsOnAsItScrolls) {
    open(QStringLiteral("grade.fdb"));
    EXPECT_EQ(model_->rowCount(), ProductList::pageRows) << "open reads one page, not the list";
    EXPECT_EQ(model_->currentRow(), 0);
    EXPECT_TRUE(model_->canFetchMore({}));
    EXPECT_FALSE(model_->canFetchBefore());
    model_->fetchMore({});
    EXPECT_EQ(cell(150, 0), QStringLiteral("0000000000150"));
    EXPECT_EQ(cell(150, 1), QStringLiteral("ARTIGO 150"));
    // Reading on keeps a bounded window: rows at the front go, and the current row with
    // them moves to the first row kept.
    for (int guard = 0; guard < kArticles && model_->canFetchMore({}); ++guard)
        model_->fetchMore({});
    EXPECT_LE(model_->rowCount(), ProductList::maxRows);
    EXPECT_EQ(cell(model_->rowCount() - 1, 1), QStringLiteral("ARTIGO 2999"));
    EXPECT_EQ(model_->currentRow(), 0);
    EXPECT_EQ(list_->fieldAsText(QStringLiteral("BarCode")), cell(0, 0));
    EXPECT_TRUE(model_->canFetchBefore());
}

TEST_F(ProductListTest, LastAndALocatedArticleFarDownReadOnlyTheRowsAroundThem) {
    open(QStringLiteral("grade.fdb"));
    QSignalSpy moved(model_.get(), &ProductListModel::currentRowChanged);
    model_->moveLast();
    EXPECT_EQ(current(), QStringLiteral("ARTIGO 2999"));
    EXPECT_LE(model_->rowCount(), ProductList::pageRows + 2);
    EXPECT_FALSE(model_->canMoveForward());
    EXPECT_TRUE(model_->canMoveBackward());
    model_->movePrior();
    EXPECT_EQ(current(), QStringLiteral("ARTIGO 2998"));

    ASSERT_TRUE(list_->locate(QStringLiteral("BarCode"), QStringLiteral("0000000001500")));
    EXPECT_EQ(current(), QStringLiteral("ARTIGO 1500"));
    const int row = model_->currentRow();
    EXPECT_GE(row, ProductList::pageRows / 2) << "the rows before it are there to scroll to";
    EXPECT_EQ(cell(row - 1, 1), QStringLiteral("ARTIGO 1499"));
    EXPECT_EQ(cell(row + 1, 1), QStringLiteral("ARTIGO 1501"));
    EXPECT_LE(model_->rowCount(), 2 * ProductList::pageRows);
    ASSERT_FALSE(moved.isEmpty());
    EXPECT_EQ(moved.last().at(0).toInt(), row);
    EXPECT_FALSE(list_->locate(QStringLiteral("BarCode"), QStringLiteral("0000000009999")));
    EXPECT_EQ(current(), QStringLiteral("ARTIGO 1500")) << "a miss keeps the current row";
}

TEST_F(ProductListTest, ScrollingUpPutsRowsBeforeTheFirstAndTheViewKeepsItsPlace) {
    open(QStringLiteral("grade.fdb"));
    ASSERT_TRUE(list_->locate(QStringLiteral("BarCode"), QStringLiteral("0000000002000")));
    const QString before = cell(0, 0);
    QSignalSpy shifted(model_.get(), &ProductListModel::rowsShiftedAtFront);
    ASSERT_TRUE(model_->canFetchBefore());
    const int added = model_->fetchBefore();
    EXPECT_GT(added, 0);
    ASSERT_EQ(shifted.count(), 1);
    EXPECT_EQ(shifted.at(0).at(0).toInt(), added);
    EXPECT_EQ(cell(added, 0), before);
    EXPECT_EQ(current(), QStringLiteral("ARTIGO 2000"));
}

TEST_F(ProductListTest, WalkingTheWholeListBothWaysMeetsEveryRowOnceInOrder) {
    open(QStringLiteral("grade.fdb"));
    const QStringList forward = walk(true);
    ASSERT_EQ(forward.size(), kArticles);
    for (int i = 0; i < kArticles; i += 499)
        EXPECT_EQ(forward[i], QStringLiteral("ARTIGO %1").arg(i));
    EXPECT_FALSE(model_->canMoveForward());
    QStringList backward = walk(false);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, forward);
}

TEST_F(ProductListTest, SharedCodesAndRowsWithoutACodeAreNeitherLostNorRepeated) {
    open(QStringLiteral("dup.fdb"));
    const QStringList forward = walk(true);
    EXPECT_EQ(forward.size(), 900 + 250 + 7);
    EXPECT_EQ(QSet<QString>(forward.begin(), forward.end()).size(), 900);
    model_->moveLast();
    const QStringList backward = walk(false);
    EXPECT_EQ(backward.size(), forward.size());
    QStringList sortedForward = forward, sortedBackward = backward;
    sortedForward.sort();
    sortedBackward.sort();
    EXPECT_EQ(sortedBackward, sortedForward);
}

TEST_F(ProductListTest, ACollationWithoutByteOrderIsWalkedBackwardsToo) {
    open(QStringLiteral("ci.fdb"));
    model_->moveLast();
    const QStringList backward = walk(false);
    ASSERT_EQ(backward.size(), 700);
    EXPECT_EQ(QSet<QString>(backward.begin(), backward.end()).size(), 700);
    EXPECT_FALSE(model_->canMoveBackward());
}

TEST_F(ProductListTest, PricesShowTheDisplayFormatAndTitlesCanChange) {
    open(QStringLiteral("grade.fdb"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("1.50"));
    mode_ = PriceMode::Retail;
    list_->close();
    list_->open();
    EXPECT_EQ(cell(2, 2), QStringLiteral("2,000.00"));
    EXPECT_EQ(list_->fieldAsText(QStringLiteral("Preco")), QStringLiteral("0"));
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

TEST_F(ProductListTest, TheNavigatorFollowsTheEndsOfTheList) {
    open(QStringLiteral("grade.fdb"));
    list_->close();
    EXPECT_FALSE(model_->canMoveBackward());
    EXPECT_FALSE(model_->canMoveForward()) << "closed";
    list_->open();
    EXPECT_FALSE(model_->canMoveBackward());
    EXPECT_TRUE(model_->canMoveForward());
    QSignalSpy navigation(model_.get(), &ProductListModel::navigationChanged);
    model_->moveNext();
    EXPECT_EQ(model_->currentRow(), 1);
    EXPECT_TRUE(model_->canMoveBackward());
    EXPECT_GE(navigation.count(), 1);
    model_->moveFirst();
    EXPECT_EQ(model_->currentRow(), 0);
    EXPECT_FALSE(model_->canMoveBackward());
    model_->setCurrentRow(10);
    EXPECT_EQ(list_->currentRow(), 10);
}

TEST_F(ProductListTest, AReopenStartsAgainAtTheFirstRow) {
    open(QStringLiteral("grade.fdb"));
    model_->moveLast();
    QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
    QSignalSpy moved(model_.get(), &ProductListModel::currentRowChanged);
    list_->close();
    EXPECT_EQ(model_->rowCount(), 0);
    list_->open();
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(model_->currentRow(), 0);
    ASSERT_FALSE(moved.isEmpty());
    EXPECT_EQ(moved.last().at(0).toInt(), 0);
    EXPECT_EQ(current(), QStringLiteral("ARTIGO 0"));
}

} // namespace
} // namespace veska::catalogue
