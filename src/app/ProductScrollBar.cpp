#include "app/ProductScrollBar.h"

#include "catalogue/products/ListPositions.h"
#include "catalogue/products/ProductListModel.h"

#include <QAbstractItemView>
#include <QEvent>
#include <algorithm>

namespace veska::app {

ProductScrollBar::ProductScrollBar(QAbstractItemView& view, catalogue::ProductListModel& model,
                                   catalogue::ListPositions& positions)
    : QScrollBar(Qt::Vertical, &view), view_(view), model_(model), positions_(positions) {
    setObjectName(QStringLiteral("ProductScrollBar"));
    // A drag moves the thumb only; the list is read where it is let go.
    setTracking(false);
    hide();
    QScrollBar* own = view_.verticalScrollBar();
    ownBar_ = own;
    own->installEventFilter(this);
    view_.installEventFilter(this);
    connect(own, &QScrollBar::valueChanged, this, &ProductScrollBar::follow);
    connect(own, &QScrollBar::rangeChanged, this, &ProductScrollBar::follow);
    connect(&model_, &QAbstractItemModel::modelReset, this, &ProductScrollBar::windowReplaced);
    connect(&model_, &catalogue::ProductListModel::rowsShiftedAtFront, this,
            &ProductScrollBar::windowShifted);
    connect(&model_, &QAbstractItemModel::rowsInserted, this, &ProductScrollBar::follow);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, &ProductScrollBar::follow);
    connect(&positions_, &catalogue::ListPositions::updated, this,
            &ProductScrollBar::windowReplaced);
    connect(this, &QAbstractSlider::actionTriggered, this, &ProductScrollBar::acted);
}

bool ProductScrollBar::eventFilter(QObject* watched, QEvent* event) {
    // Compared by address only: the view may be going, and no longer a view.
    const auto type = event->type();
    if (watched == &view_ && type == QEvent::Show)
        positions_.read(); // the list is looked at: its positions are wanted
    if (watched == ownBar_ &&
        (type == QEvent::Resize || type == QEvent::Move || type == QEvent::Show))
        place();
    return QScrollBar::eventFilter(watched, event);
}

void ProductScrollBar::windowReplaced() {
    const std::int64_t rows = model_.rowCount();
    if (model_.holdsListStart())
        windowStart_ = 0;
    else if (model_.holdsListEnd())
        windowStart_ = std::max<std::int64_t>(0, positions_.count() - rows);
    else
        windowStart_ = positions_.positionOf(model_.codeOfRow(0));
    follow();
}

void ProductScrollBar::windowShifted(int rowsAtFront) {
    windowStart_ =
        model_.holdsListStart() ? 0 : std::max<std::int64_t>(0, windowStart_ - rowsAtFront);
    follow();
}

void ProductScrollBar::follow() {
    if (following_)
        return;
    const bool active = positions_.count() > 0 && model_.rowCount() > 0 &&
                        !(model_.holdsListStart() && model_.holdsListEnd());
    view_.setVerticalScrollBarPolicy(active ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    setVisible(active);
    if (!active)
        return;
    const QScrollBar* own = view_.verticalScrollBar();
    const std::int64_t visible = std::max(1, own->pageStep());
    const std::int64_t count = std::max(positions_.count(), windowStart_ + model_.rowCount());
    const std::int64_t last = std::max<std::int64_t>(0, count - visible);
    following_ = true;
    setRange(0, static_cast<int>(last));
    setPageStep(static_cast<int>(visible));
    setSingleStep(1);
    setValue(static_cast<int>(std::min(last, windowStart_ + own->value())));
    following_ = false;
    place();
}

void ProductScrollBar::place() {
    const QScrollBar* own = view_.verticalScrollBar();
    setGeometry(QRect(own->mapTo(&view_, QPoint(0, 0)), own->size()));
    raise();
}

void ProductScrollBar::acted(int action) {
    if (following_)
        return;
    switch (action) {
    case SliderSingleStepAdd:
    case SliderSingleStepSub:
    case SliderPageStepAdd:
    case SliderPageStepSub:
        // The rows held scroll as with the view's own bar, which reads more at its ends.
        view_.verticalScrollBar()->triggerAction(static_cast<SliderAction>(action));
        follow();
        break;
    case SliderToMinimum:
    case SliderToMaximum:
    case SliderMove:
        if (!isSliderDown()) // a drag counts where it is let go
            jumpTo(sliderPosition());
        break;
    default:
        break;
    }
}

void ProductScrollBar::jumpTo(int position) {
    if (position >= maximum())
        model_.moveLast();
    else if (position <= minimum())
        model_.moveFirst();
    else
        model_.moveToCode(positions_.codeAt(position));
    follow();
}

} // namespace veska::app
