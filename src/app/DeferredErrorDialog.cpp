#include "app/DeferredErrorDialog.h"

#include "app/HandlerGuard.h"

#include <QTimer>

namespace veska::app {

DeferredErrorDialog::DeferredErrorDialog(MessageBoxes& boxes, ActivityLog& log, QObject* parent)
    : QObject(parent), boxes_(boxes), log_(log) {}

void DeferredErrorDialog::report(const QString& message) {
    if (boxOpen_) {
        log_.appendLine(QStringLiteral("Erro: ") +
                        QString(message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return;
    }
    boxOpen_ = true;
    QTimer::singleShot(0, this, [this, message] {
        runGuarded([&] { boxes_.showError(message); }, reportOnStandardError);
        boxOpen_ = false;
    });
}

} // namespace veska::app
