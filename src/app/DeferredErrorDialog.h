#pragma once
// The default error dialog for failures raised by the running services (a scan's database
// error, a timer's failure). A modal box opened inside a timer's handler would hold that
// timer until the operator answers (Qt does not deliver a timer's tick again while its
// handler runs), and the terminals would wait all night. So the box opens from the event
// loop once the handler has returned, and the timers tick on while it is open. While one
// such box is open (or about to open), further failures go to the activity log instead of
// stacking more boxes.

#include "app/MessageBoxes.h"
#include "core/Notices.h"
#include "terminal/TerminalViews.h"

#include <QObject>
#include <QString>

namespace veska::app {

class DeferredErrorDialog : public QObject, public terminal::FailureReports {
    Q_OBJECT
public:
    DeferredErrorDialog(MessageBoxes& boxes, ActivityLog& log, QObject* parent = nullptr);

    void report(const QString& message) override;
    bool boxOpen() const { return boxOpen_; }

private:
    MessageBoxes& boxes_;
    ActivityLog& log_;
    bool boxOpen_ = false;
};

} // namespace veska::app
