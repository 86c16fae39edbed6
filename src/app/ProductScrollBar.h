#pragma once
// The products grid's vertical scroll bar over the whole article list, not only the rows
// held in memory. It lies over the view's own bar (which goes on scrolling the rows held,
// for the wheel and the keys) once the list's positions are known and the list is longer
// than the rows held; otherwise the view's own bar shows. Its arrows and page clicks scroll
// the rows as the view's bar does; a drag of its thumb moves to the article at that place
// of the list, and to the last article at the end of the track.

#include <QScrollBar>
#include <cstdint>

class QAbstractItemView;

namespace veska::catalogue {
class ListPositions;
class ProductListModel;
} // namespace veska::catalogue

namespace veska::app {

class ProductScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ProductScrollBar(QAbstractItemView& view, catalogue::ProductListModel& model,
                     catalogue::ListPositions& positions);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The place of the rows held in the list, when they are read anew or shifted.
    void windowReplaced();
    void windowShifted(int rowsAtFront);
    // Range, value and visibility from the view's bar and the rows held.
    void follow();
    void place();
    void acted(int action);
    void jumpTo(int position);

    QAbstractItemView& view_;
    const QObject* ownBar_ = nullptr; // the view's own bar, which this one covers
    catalogue::ProductListModel& model_;
    catalogue::ListPositions& positions_;
    // The estimated position of the first row held.
    std::int64_t windowStart_ = 0;
    bool following_ = false;
};

} // namespace veska::app
