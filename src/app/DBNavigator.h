#pragma once
// A record navigator: first, prior, next, last, insert, delete, edit, post, cancel. The
// list it moves through is read-only, so the five editing buttons are always disabled.

#include <QWidget>
#include <array>
#include <functional>

class QToolButton;

namespace veska::app {

class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel };
    static constexpr int kButtonCount = 9;

    struct State {
        bool open = false;
        bool atBeginning = true; // first row current, or no rows
        bool atEnd = true;       // last row current, or no rows
    };

    explicit TDBNavigator(QWidget* parent = nullptr);

    // Called when a movement button is clicked.
    std::function<void(Button)> onMove;

    void setState(const State& state);
    QToolButton* button(Button which) const { return buttons_[which]; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QToolButton*, kButtonCount> buttons_{};
};

} // namespace veska::app
