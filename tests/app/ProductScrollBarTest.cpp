// The products grid's scroll bar over a catalogue of a million articles (the demo tool's):
// it spans the whole list, not the few hundred rows held, so its thumb dragged to the end
// of the track reaches the last article, and dragged to the middle about the middle one.

#include "ShopFixture.h"
#include "catalogue/products/ProductList.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

namespace {

constexpr long kSynthetic = 1000000;

QStyleOptionSlider styleOf(const QScrollBar& bar) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = bar.invertedAppearance();
    return option;
}

QRect partOf(const QScrollBar& bar, QStyle::SubControl part) {
    const QStyleOptionSlider option = styleOf(bar);
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, part, &bar);
}

// Presses on the thumb, moves it to a fraction of the groove (past its end for 0 and 1)
// and lets it go there.
void dragThumb(QScrollBar& bar, double fraction) {
    const QRect thumb = partOf(bar, QStyle::SC_ScrollBarSlider);
    const QRect groove = partOf(bar, QStyle::SC_ScrollBarGroove);
    const int top = groove.top() + thumb.height() / 2;
    const int travel = groove.height() - thumb.height();
    const int y = fraction <= 0   ? groove.top() - thumb.height()
                  : fraction >= 1 ? groove.bottom() + thumb.height()
                                  : top + static_cast<int>(fraction * travel);
    const QPoint to(thumb.center().x(), y);
    QTest::mousePress(&bar, Qt::LeftButton, {}, thumb.center());
    QTest::mouseMove(&bar, to);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, to);
}

class ProductScrollBarTest : public ShopFixture {
protected:
    void SetUp() override {
        QProcess tool;
        tool.start(QStringLiteral(VESKA_DEMO_CATALOGUE),
                   {QStringLiteral("--dir"), folder.path(), QStringLiteral("--articles"),
                    QString::number(kSynthetic)});
        ASSERT_TRUE(tool.waitForFinished(300000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    }

    // The synthetic articles are "1" and nine digits of their number, after the few
    // hundred of the demo; the number of the current article.
    static long syntheticNumber(const veska::app::TFConsulta& w) {
        return w.CDSProdutos->fieldAsText(QStringLiteral("BarCode")).toLong() - 1000000000L;
    }
};

} // namespace

TEST_F(ProductScrollBarTest, TheThumbSpansTheWholeListOfAMillionArticles) {
    auto w = createWindow();
    w->show();
    w->showPage(veska::app::TFConsulta::Page::Products);
    auto* bar = w->GridProdutos->findChild<QScrollBar*>(QStringLiteral("ProductScrollBar"));
    ASSERT_NE(bar, nullptr);
    QDeadlineTimer deadline(std::chrono::minutes(2));
    while (!bar->isVisible() && !deadline.hasExpired())
        QTest::qWait(20);
    ASSERT_TRUE(bar->isVisible()) << "the list's positions were never read";
    EXPECT_GT(bar->maximum(), kSynthetic - 1000);

    dragThumb(*bar, 1.0);
    EXPECT_EQ(syntheticNumber(*w), kSynthetic - 1) << "the end of the track is the last article";
    EXPECT_EQ(bar->value(), bar->maximum());

    dragThumb(*bar, 0.5);
    EXPECT_NEAR(syntheticNumber(*w), kSynthetic / 2, kSynthetic / 50);
    EXPECT_NEAR(bar->value(), bar->maximum() / 2, bar->maximum() / 50);

    // The arrow below scrolls the rows held by one, and the thumb follows.
    const int before = bar->value();
    QTest::mouseClick(bar, Qt::LeftButton, {}, partOf(*bar, QStyle::SC_ScrollBarAddLine).center());
    EXPECT_EQ(bar->value(), before + 1);

    dragThumb(*bar, 0.0);
    EXPECT_TRUE(w->CDSProdutos->bof());
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(boxes.errors.isEmpty()) << boxes.errors.join(u'|').toStdString();
}
