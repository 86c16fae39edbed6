#pragma once
// The products grid: a read-only table view over the product list's window of rows. The
// list holds only part of a long catalogue, so the grid asks for the previous rows when it
// is scrolled to its top (the view itself asks for the next ones at its bottom), keeps the
// rows on screen in place when rows are put before them or taken from the front, and takes
// Ctrl+Home and Ctrl+End to the first and last article of the whole list. Its scroll bar
// spans the whole list once the list's positions are known (ProductScrollBar).

#include <QTableView>
#include <functional>

namespace veska::catalogue {
class ListPositions;
class ProductListModel;
} // namespace veska::catalogue

namespace veska::app {

class ProductGrid : public QTableView {
    Q_OBJECT
public:
    explicit ProductGrid(QWidget* parent = nullptr);

    void setProductModel(catalogue::ProductListModel* model);
    // After the model: the positions that the scroll bar over the whole list reads.
    void setListPositions(catalogue::ListPositions& positions);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void scrolled(int value);
    void shiftBy(int rows);

    catalogue::ProductListModel* model_ = nullptr;
    bool fetchingBefore_ = false;
};

} // namespace veska::app
