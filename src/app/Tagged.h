#pragma once
// Controls and components that carry the integer marker `Tag` (0 unless set).

#include <QPushButton>
#include <QTimer>

namespace veska::app {

class TButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    int Tag = 0;
};

// A window timer: fires on the GUI thread one interval after it is switched on, then every
// interval until it is switched off.
class TTimer : public QTimer {
    Q_OBJECT
public:
    using QTimer::QTimer;
    int Tag = 0;
    void setEnabled(bool on) { on ? start() : stop(); }
    bool enabled() const { return isActive(); }
};

} // namespace veska::app
