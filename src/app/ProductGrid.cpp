#include "app/ProductGrid.h"

#include "app/ProductScrollBar.h"
#include "catalogue/products/ProductListModel.h"

#include <QKeyEvent>
#include <QScrollBar>

namespace veska::app {

ProductGrid::ProductGrid(QWidget* parent) : QTableView(parent) {
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ProductGrid::scrolled);
}

void ProductGrid::setProductModel(catalogue::ProductListModel* model) {
    model_ = model;
    setModel(model);
    connect(model, &catalogue::ProductListModel::rowsShiftedAtFront, this, &ProductGrid::shiftBy);
}

void ProductGrid::setListPositions(catalogue::ListPositions& positions) {
    new ProductScrollBar(*this, *model_, positions);
}

void ProductGrid::scrolled(int value) {
    if (value != verticalScrollBar()->minimum() || model_ == nullptr || fetchingBefore_ ||
        !model_->canFetchBefore())
        return;
    fetchingBefore_ = true;
    model_->fetchBefore();
    fetchingBefore_ = false;
}

void ProductGrid::shiftBy(int rows) {
    // The rows now stand that many places further down (or up): scroll with them.
    doItemsLayout();
    QScrollBar* bar = verticalScrollBar();
    const bool wasFetching = fetchingBefore_;
    fetchingBefore_ = true;
    bar->setValue(bar->value() + rows);
    fetchingBefore_ = wasFetching;
}

void ProductGrid::keyPressEvent(QKeyEvent* event) {
    if (model_ != nullptr && (event->modifiers() & Qt::ControlModifier) != 0) {
        if (event->key() == Qt::Key_Home) {
            model_->moveFirst();
            return;
        }
        if (event->key() == Qt::Key_End) {
            model_->moveLast();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

} // namespace veska::app
